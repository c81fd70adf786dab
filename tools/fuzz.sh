#!/usr/bin/env bash
# Builds and runs the save-file fuzz target (tests/fuzz/SaveRecordFuzz.cpp) with libFuzzer.
#   tools/fuzz.sh [seconds] [extra libFuzzer options...]
# Default 660 seconds. Needs clang with its runtime (libclang-rt-14-dev on Debian). The build goes
# to build-fuzz/; the corpus the fuzzer grows to build-fuzz/fuzz-corpus/ (seeded from
# tests/fuzz/corpus/, which it never writes); any crash input to build-fuzz/fuzz-artifacts/.
# The game's own lines on standard output are closed off (-close_fd_mask=1); the fuzzer's
# report goes to build-fuzz/fuzz-0.log and is summed up at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
seconds="${1:-660}"
shift || true

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DDUSTREACH_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target SaveRecordFuzz -j2

mkdir -p "$build/fuzz-corpus" "$build/fuzz-artifacts"
cd "$build"
status=0
"$build/tests/fuzz/SaveRecordFuzz" "$build/fuzz-corpus" "$root/tests/fuzz/corpus" \
    -max_total_time="$seconds" -jobs=1 -close_fd_mask=1 \
    -artifact_prefix="$build/fuzz-artifacts/" "$@" || status=$?
grep -E '^(#[0-9]+ +DONE|Done [0-9]+ runs)|ERROR|SUMMARY' "$build/fuzz-0.log" || true
exit "$status"
