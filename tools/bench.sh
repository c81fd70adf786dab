#!/usr/bin/env bash
# Builds the benchmarks in build-bench (Release) and runs them once, headless, printing Google
# Benchmark's own lines, then the table of figures with their ratios to the frame-copy floor and
# the goals. Extra arguments go to the benchmark program (e.g. --benchmark_filter=frame/).
# Usage: tools/bench.sh [benchmark options]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDUSTREACH_BENCH=ON >/dev/null
cmake --build "$build" --target dustreach_bench -j2 >/dev/null
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "Machine: $(nproc) cores, $cpu"
exec "$build/bench/dustreach_bench" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true "$@"
