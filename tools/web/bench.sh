#!/usr/bin/env bash
# The browser benchmark: builds the desktop benchmarks (build-bench, Release) and the site
# (./web build), then measures in one run the cost of a play frame, composed and presented, on the
# desktop and in headless Chromium, their ratio, and the browser's updates per second
# (tools/web/bench.py). Needs what ./test installs for the browser test.
# Usage: tools/web/bench.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DDUSTREACH_BENCH=ON >/dev/null
cmake --build "$root/build-bench" --target dustreach_bench -j2 >/dev/null
"$root/web" build >/dev/null
# The desktop benchmark reads the game's pictures and font from a folder of its own, headless.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
exec /usr/bin/python3 "$root/tools/web/bench.py" "$root/build-web/site" \
    "$root/build-bench/bench/dustreach_bench"
