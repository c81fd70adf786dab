#!/usr/bin/env bash
# Runs shellcheck at warning level over every shell script of the project: each file named *.sh or
# *.bash, and each other file whose first line starts it with sh, bash or dash (./play, ./test,
# ./web, .ci/run). Sourced files are followed. Exits 1 on any finding (the CTest test lint.shell
# runs it so); with --list, only names the scripts it would check.
# Usage: tools/lint_shell.sh [--list]
set -euo pipefail
cd "$(dirname "$0")/.."

# Every file of the tree, new ones included; outside a git checkout (a copy of the tree), every one
# outside the build folders. Installed npm packages are never ours to check.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    # Unique: a file in the middle of a merge is listed once per side.
    mapfile -d '' -t files < <(git ls-files -z --cached --others --exclude-standard | sort -zu)
else
    mapfile -d '' -t files < <(find . \( -path './build*' -o -name .git -o -name node_modules \) \
        -prune -o -type f -print0 | sed -z 's|^\./||')
fi
scripts=()
for file in "${files[@]}"; do
    [[ -f $file && /$file != */node_modules/* ]] || continue
    if [[ $file == *.sh || $file == *.bash ]] ||
        head -c 128 -- "$file" | head -n 1 | grep -qE '^#!.*[/ ](ba|da)?sh( |$)'; then
        scripts+=("$file")
    fi
done
# Finding none means the search broke, not that all is well.
((${#scripts[@]} > 0)) || { echo "lint_shell: no shell scripts found" >&2; exit 1; }

if [[ ${1:-} == --list ]]; then
    printf '%s\n' "${scripts[@]}"
    exit 0
fi
shellcheck --external-sources --severity=warning -- "${scripts[@]}"
echo "lint_shell: ${#scripts[@]} scripts, no warnings"
