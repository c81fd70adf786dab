#!/usr/bin/env bash
# Installs the npm packages of FOLDER (a package.json with its package-lock.json) into
# FOLDER/node_modules, exactly as the lock file pins them (npm ci, no install scripts). Does
# nothing when they were installed from the same lock file before, so re-runs stay fast. Used for
# the browser tests (tests/browser/install.sh) and the JavaScript checks (tools/lint), by ./test,
# tools/lint_js.sh and tools/web/bench.sh.
# Usage: tools/npm_ci.sh FOLDER
set -euo pipefail
cd "${1:?usage: tools/npm_ci.sh FOLDER}"
stamp=node_modules/.installed-from-package-lock.json
if cmp -s package-lock.json "$stamp"; then
    exit 0
fi
npm ci --ignore-scripts --no-audit --no-fund
cp package-lock.json "$stamp"
