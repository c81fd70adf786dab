#!/usr/bin/env bash
# Runs the JavaScript's checks over every .js, .mjs and .cjs file of the project: ESLint with the
# rules and the style of tools/lint/eslint.config.mjs, then TypeScript's checker with
# tools/lint/tsconfig.json (the page's scripts, the browser tests, the tools) and
# tools/lint/tsconfig.worker.json (the service worker). Exits 1 on any finding (the CTest test
# lint.js runs it so). With --fix, ESLint first fixes in place what it can (the style: indents,
# quotes, commas, spaces), then everything is checked as usual. The tools come from npm, pinned by
# tools/lint/package-lock.json, and are installed on first use; the types of the browser tests'
# packages come from tests/browser/node_modules, installed the same way.
# Usage: tools/lint_js.sh [--fix]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
lint=tools/lint

# FIXME: temporary. These files were rewritten or written on other branches while the checks
# came in; they are brought to zero findings next, and this list then goes. Their findings are not reported meanwhile.
pending=(
    tests/browser/harness/server.mjs
    tests/browser/scenarios/gamepad.mjs
    tests/browser/scenarios/hosts.mjs
    tests/browser/scenarios/input.mjs
    tests/browser/scenarios/layouts.mjs
    tests/browser/scenarios/loading.mjs
    tests/browser/scenarios/offline.mjs
    tests/browser/scenarios/site.mjs
    tests/browser/scenarios/storage.mjs
    tests/browser/scenarios/tabs.mjs
    tests/browser/scenarios/texts.mjs
    tools/web/first_visit.mjs
)

fix=()
case ${1:-} in
    --fix) fix=(--fix) ;;
    "") ;;
    *) echo "usage: tools/lint_js.sh [--fix]" >&2; exit 2 ;;
esac

tools/npm_ci.sh "$lint" >&2
tests/browser/install.sh >&2

ignored=()
for file in "${pending[@]}"; do
    ignored+=(--ignore-pattern "$file")
done
status=0
"$lint/node_modules/.bin/eslint" --config "$lint/eslint.config.mjs" --max-warnings 0 \
    "${fix[@]}" "${ignored[@]}" . || status=1

# typecheck CONFIG: TypeScript's checker on CONFIG's files, less what it says of the pending ones.
# A finding is a line that starts with the file's path, and the indented lines that follow it.
typecheck() {
    local output
    output=$("$lint/node_modules/.bin/tsc" --project "$1" --pretty false) && return 0
    local report
    report=$(awk -v pending="${pending[*]}" '
        BEGIN { split(pending, names, " "); for (i in names) skip[names[i]] = 1 }
        /^[^ ]/ { file = $0; sub(/\(.*/, "", file); shown = !(file in skip) }
        shown' <<<"$output")
    [[ -z $report ]] && return 0
    printf '%s\n' "$report"
    return 1
}
typecheck "$lint/tsconfig.json" || status=1
typecheck "$lint/tsconfig.worker.json" || status=1

if ((status != 0)); then
    echo "lint_js: findings above"
    exit 1
fi
echo "lint_js: no findings (${#pending[@]} files left out for now: see the list in tools/lint_js.sh)"
