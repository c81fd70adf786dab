#!/usr/bin/env bash
# Installs the JavaScript checks' npm packages (ESLint, its style rules, TypeScript and the types
# of Node.js and Selenium) into tools/lint/node_modules, exactly as package-lock.json pins them
# (npm ci, no install scripts). Does nothing when they were installed from the same lock file
# before, so re-runs stay fast. Used by ./test and tools/lint_js.sh.
set -euo pipefail
cd "$(dirname "$0")"
stamp=node_modules/.installed-from-package-lock.json
if cmp -s package-lock.json "$stamp"; then
    exit 0
fi
npm ci --ignore-scripts --no-audit --no-fund
cp package-lock.json "$stamp"
