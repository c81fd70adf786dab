#!/usr/bin/env bash
# Installs the browser tests' npm packages into tests/browser/node_modules, exactly as
# package-lock.json pins them (npm ci, no install scripts). Does nothing when they were installed
# from the same lock file before, so re-runs stay fast. Used by ./test and tools/web/bench.sh.
set -euo pipefail
cd "$(dirname "$0")"
stamp=node_modules/.installed-from-package-lock.json
if cmp -s package-lock.json "$stamp"; then
    exit 0
fi
npm ci --ignore-scripts --no-audit --no-fund
cp package-lock.json "$stamp"
