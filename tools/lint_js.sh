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

fix=()
case ${1:-} in
    --fix) fix=(--fix) ;;
    "") ;;
    *) echo "usage: tools/lint_js.sh [--fix]" >&2; exit 2 ;;
esac

tools/npm_ci.sh "$lint" >&2
tests/browser/install.sh >&2

status=0
"$lint/node_modules/.bin/eslint" --config "$lint/eslint.config.mjs" --max-warnings 0 \
    "${fix[@]}" . || status=1

# TypeScript's checker on each configuration's files.
"$lint/node_modules/.bin/tsc" --project "$lint/tsconfig.json" --pretty false || status=1
"$lint/node_modules/.bin/tsc" --project "$lint/tsconfig.worker.json" --pretty false || status=1

if ((status != 0)); then
    echo "lint_js: findings above"
    exit 1
fi
echo "lint_js: no findings"
