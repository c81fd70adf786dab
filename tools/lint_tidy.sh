#!/usr/bin/env bash
# Runs clang-tidy with the rules in .clang-tidy (tests/.clang-tidy for the tests) over every C++
# source of the project in a build's compile database: the framework, the game, the app, the tools
# and the tests. The browser's own sources (app/browser) need emscripten's headers, so they are
# checked from the browser build's compile database, with the flags emscripten's compiler adds
# itself; without that build (./web build makes it) they are left out, and it says so. Any
# finding fails it (the CTest test lint.tidy runs it on build-test and build-web).
# Usage: tools/lint_tidy.sh BUILD_DIR [WEB_BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: tools/lint_tidy.sh BUILD_DIR [WEB_BUILD_DIR]}" && pwd)
web_build=${2:-$root/build-web}
jobs=$(nproc)

# sources DATABASE REGEX: the files of the compile database under the source tree whose path
# within it matches REGEX, one a line.
sources() {
    python3 - "$1" "$root" "$2" <<'PY'
import json, os, re, sys
database, root, pattern = sys.argv[1:]
names = set()
for entry in json.load(open(database)):
    path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    if re.match(pattern, path):
        names.add(path)
print("\n".join(sorted(names)))
PY
}

[[ -f $build/compile_commands.json ]] ||
    { echo "lint_tidy: no compile database in $build (configure it with CMake)" >&2; exit 1; }
mapfile -t desktop < <(sources "$build/compile_commands.json" '(framework|game|app|tools|tests)/')
((${#desktop[@]} > 0)) || { echo "lint_tidy: no sources found in $build" >&2; exit 1; }
browser=()
if [[ -f $web_build/compile_commands.json ]] && command -v em++ >/dev/null; then
    mapfile -t browser < <(sources "$web_build/compile_commands.json" 'app/browser/')
    # A source the desktop build compiles too (the loop driver) is checked there once.
    for name in "${desktop[@]}"; do
        for i in "${!browser[@]}"; do
            [[ ${browser[i]} == "$name" ]] && unset 'browser[i]'
        done
    done
    browser=("${browser[@]}")
    # What em++ adds to every compile (target, system root, defines), less the code generator's
    # own options, which clang-tidy does not know.
    read -ra emscripten_flags <<<"$(em++ --cflags | sed -E 's/-mllvm +[^ ]+//g')"
else
    echo "lint_tidy: the browser's own sources are not checked: no compile database in" \
        "$web_build (./web build makes it)"
fi

logs=$(mktemp -d "${TMPDIR:-/tmp}/dustreach-tidy.XXXXXX")
trap 'rm -rf "$logs"' EXIT

# tidy DATABASE_DIR [EXTRA_FLAG...] < FILES: clang-tidy on each file, $jobs at a time, each file's
# findings in a log of its own so that parallel runs do not mix their lines.
tidy() {
    local database=$1
    shift
    local extra=()
    local flag
    for flag in "$@"; do
        extra+=("--extra-arg=$flag")
    done
    xargs -d '\n' -P "$jobs" -I '{}' sh -c \
        'log="$1/$(printf %s "$2" | tr / _).log"
         shift 2
         clang-tidy --quiet "$@" > "$log" 2>&1 || echo failed >> "$log.failed"' \
        _ "$logs" '{}' -p "$database" "${extra[@]}" '{}'
}
(cd "$root" && printf '%s\n' "${desktop[@]}" | tidy "$build")
if ((${#browser[@]} > 0)); then
    (cd "$root" && printf '%s\n' "${browser[@]}" | tidy "$web_build" "${emscripten_flags[@]}")
fi

checked=$((${#desktop[@]} + ${#browser[@]}))
failed=0
for marker in "$logs"/*.failed; do
    [[ -e $marker ]] || continue
    failed=$((failed + 1))
    grep -v ' warnings\? generated\.$' "${marker%.failed}"
done
if ((failed > 0)); then
    echo "lint_tidy: findings in $failed of $checked sources"
    exit 1
fi
echo "lint_tidy: $checked sources, no findings"
