#!/usr/bin/env bash
# Makes a fresh Wine prefix for the Windows tests of one test run (CTest's fixture windows.prefix),
# or, with --remove, stops its Wine server and removes it (windows.prefix.cleanup). A prefix of its
# own keeps the tests apart from the machine's own prefix and from earlier runs: no save is left
# over in its %APPDATA%. Setting one up takes a while; the time is printed.
# Usage: wine_prefix.sh PREFIX [--remove]
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all
# No Mono or Gecko: the tests need neither, and without them no installer asks for them.
export WINEDLLOVERRIDES="mscoree,mshtml="

if [[ ${2:-} == --remove ]]; then
    if [[ -d $prefix ]]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$prefix"
    fi
    exit 0
fi

if ! command -v wine >/dev/null; then
    echo "SKIP: Wine is not installed (./test installs it)"
    exit 77
fi
if [[ -d $prefix ]]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
fi
mkdir -p "$(dirname "$prefix")"
start=$SECONDS
wine wineboot --init
wineserver --wait
echo "Wine prefix $prefix set up in $((SECONDS - start)) s"
