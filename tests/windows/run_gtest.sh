#!/usr/bin/env bash
# Runs one cross-built GoogleTest program under Wine, with SDL's dummy video driver, in a working
# folder of its own, in the test run's Wine prefix. Skips (77) when ./windows build has not made
# the program. Arguments after the three go to the program (--gtest_filter=...).
# Usage: run_gtest.sh PROGRAM.exe WINEPREFIX WORKING_FOLDER [ARGUMENT...]
set -euo pipefail
program=$(realpath -m -- "$1")
if [[ ! -f $program ]]; then
    echo "SKIP: no $program (./windows build makes it)"
    exit 77
fi
export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
rm -rf "$3"
mkdir -p "$3"
cd "$3"
exec wine "$program" "${@:4}"
