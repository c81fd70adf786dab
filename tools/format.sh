#!/usr/bin/env bash
# Formats every C++ source of the project in place with clang-format and the house style in
# .clang-format. With --check, changes nothing: lists each file that is not formatted and exits 1
# when there is any (the CTest test lint.format runs it so).
# Usage: tools/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."

# Every C++ file of the tree, new ones included; outside a git checkout (a copy of the tree), every
# one outside the build folders.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
else
    mapfile -t sources < <(find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) \
        -type f -print | sed 's|^\./||' | sort)
fi
if [[ ${1:-} == --check ]]; then
    unformatted=0
    for source in "${sources[@]}"; do
        if ! clang-format --style=file "$source" | cmp -s "$source" -; then
            echo "not formatted: $source (tools/format.sh formats it)"
            unformatted=1
        fi
    done
    exit "$unformatted"
fi
clang-format -i --style=file "${sources[@]}"
