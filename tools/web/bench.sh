#!/usr/bin/env bash
# The browser benchmark: builds the desktop benchmarks (build-bench, Release) and the site
# (./web build), then measures in one run the cost of a play frame, composed and presented, on the
# desktop and in each browser engine (headless Chromium, headless Firefox, WebKit's MiniBrowser
# under Xvfb), their ratios, and each engine's updates per second (tools/web/bench.mjs, on the
# browser tests' adapters). Needs what ./test installs for the browser tests.
# Usage: tools/web/bench.sh [chromium|firefox|webkit ...]   (all three by default)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DDUSTREACH_BENCH=ON >/dev/null
cmake --build "$root/build-bench" --target dustreach_bench -j2 >/dev/null
"$root/web" build >/dev/null
"$root/tests/browser/install.sh" >/dev/null
# The desktop benchmark reads the game's pictures and font from a folder of its own, headless.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
exec node "$root/tools/web/bench.mjs" "$root/build-web/site" \
    "$root/build-bench/bench/dustreach_bench" "$@"
