#!/usr/bin/env bash
# Takes the README's screenshots: starts the game under Xvfb from a temporary copy of its run
# folder, saves the start screen as docs/start.png, presses SPACE, lets a few frames pass and saves
# the game in play as docs/play.png, then closes the game. Builds the Release configuration into
# build/ first when build/run holds no executable yet.
# Usage: tools/screenshots.sh [run folder, default build/run]
# Needs xvfb, xauth, xdotool, x11-apps and imagemagick (./test installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [[ -z ${DUSTREACH_UNDER_XVFB:-} ]]; then
    run_dir=$(realpath "${1:-build/run}")
    if [[ ! -x $run_dir/dustreach && $run_dir == "$root/build/run" ]]; then
        cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
        cmake --build build -j"$(nproc)"
    fi
    [[ -x $run_dir/dustreach ]] || { echo "No game in $run_dir" >&2; exit 1; }
    DUSTREACH_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x1024x24" bash "$0" "$run_dir"
fi

run_dir=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/dustreach-shots.XXXXXX")
game_pid=""
finish() {
    if [[ -n $game_pid ]] && kill -0 "$game_pid" 2>/dev/null; then
        kill -TERM "$game_pid" 2>/dev/null || true
        wait "$game_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap finish EXIT

cp -R "$run_dir"/. "$work/"
(cd "$work" && exec env SDL_VIDEODRIVER=x11 ./dustreach >"$work/output.txt" 2>&1) &
game_pid=$!

window=$(timeout 30 xdotool search --sync --name '^Dustreach : Size 600 x 800$' | head -n 1) || true
[[ -n $window ]] || { echo "The game's window did not appear" >&2; exit 1; }

shot() { xwd -silent -id "$window" | convert xwd:- "$1"; }
pixel() { convert "$1" -format '%[pixel:p{590,490}]' info:; }

# wait_for_change FILE COLOUR: takes screenshots into FILE until the pixel at (590, 490) is no
# longer COLOUR (at most 10 s).
wait_for_change() {
    local i
    for ((i = 0; i < 100; i++)); do
        shot "$1"
        [[ $(pixel "$1") != "$2" ]] && return 0
        sleep 0.1
    done
    echo "The window did not change from $2 at (590, 490)" >&2
    exit 1
}

mkdir -p docs
wait_for_change "$work/start.png" "$(convert -size 1x1 xc:black -format '%[pixel:p{0,0}]' info:)"
start_colour=$(pixel "$work/start.png")

xdotool windowfocus --sync "$window"
xdotool key space
wait_for_change "$work/play.png" "$start_colour"
sleep 1   # a hundred ticks: the enemies and the UFO leave their start places
shot "$work/play.png"

cp "$work/start.png" docs/start.png
cp "$work/play.png" docs/play.png
echo "Wrote docs/start.png and docs/play.png"
