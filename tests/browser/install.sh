#!/usr/bin/env bash
# Installs the browser tests' npm packages into tests/browser/node_modules, exactly as
# package-lock.json pins them (tools/npm_ci.sh: npm ci, no install scripts, nothing done when the
# same lock file was installed before). Used by ./test and tools/web/bench.sh.
set -euo pipefail
here=$(dirname "$0")
exec "$here/../../tools/npm_ci.sh" "$here"
