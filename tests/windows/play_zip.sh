#!/usr/bin/env bash
# The Windows download played under Wine on a real X server (Xvfb), as a player plays it: the zip
# holds one folder with dustreach.exe (a GUI program carrying its version), every file of
# assets/game-data.txt, README.txt and the licences. Its dustreach.exe, started from another
# folder, opens the window "Dustreach : Size 600 x 800", whose start screen equals the desktop's
# reference frame game-start-pictures, pixel for pixel; SPACE starts, a held D moves the ship
# right, a left click shoots (a point) and K saves into %APPDATA%\Dustreach\currentSave.txt of
# Wine's prefix; closing the window (WM_DELETE_WINDOW, as its close button) ends the process
# with exit code 0, its console lines (redirected to a file) ending with "Ended normally".
# Skips (77) when ./windows build has not made the zip.
# Arguments: the zip, the Wine prefix (tests/windows/wine_prefix.sh makes it), the source tree.
if [[ ! -f $1 ]]; then
    echo "SKIP: no $1 (./windows build makes it)"
    exit 77
fi
# shellcheck source-path=SCRIPTDIR source=../scripts/lib/game.bash
source "$(dirname "$0")/../scripts/lib/game.bash"
run_under_xvfb "$@"
zip=$1
source_dir=$3
WORK_DIR=$(mktemp -d "${TMPDIR:-/tmp}/dustreach-windows.XXXXXX")
# The run's prefix under another name, so the game gets a Wine server of its own: the one the
# other Windows tests share runs without a display. Hard links share the files; the registry,
# which Wine rewrites, is copied.
cp -al "$2" "$WORK_DIR/prefix"
cp --remove-destination "$2"/*.reg "$WORK_DIR/prefix/"
export WINEPREFIX=$WORK_DIR/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; cleanup' EXIT

# ---- The zip: one folder, the game, its data, its README and its licences ----------------------
folder_name=$(basename "$zip" .zip)
mkdir "$WORK_DIR/unzipped"
(cd "$WORK_DIR/unzipped" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
[[ $(ls "$WORK_DIR/unzipped") == "$folder_name" ]] ||
    fail "the zip holds $(ls "$WORK_DIR/unzipped"), not one folder $folder_name"
folder=$WORK_DIR/unzipped/$folder_name
mapfile -t data < <(grep -v '^#' "$source_dir/assets/game-data.txt")
for name in dustreach.exe README.txt "${data[@]}" licences/Dustreach.LICENSE.txt \
    licences/libsdl2.copyright licences/mingw-w64.copyright; do
    [[ -s $folder/$name ]] || fail "the zip's folder lacks $name"
done
headers=$(x86_64-w64-mingw32-objdump -p "$folder/dustreach.exe")
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" ||
    fail "dustreach.exe is not a GUI program: started from Explorer it would open a console window"
version=${folder_name#dustreach-}
version=${version%-windows-x64}
strings -el "$folder/dustreach.exe" >"$WORK_DIR/strings.txt"
grep -qxF "$version" "$WORK_DIR/strings.txt" ||
    fail "dustreach.exe carries no version information $version"
# Windows' own DLLs only: anything else would have to lie beside the exe.
foreign=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | grep -viE \
    '^(kernel32|user32|gdi32|winmm|imm32|ole32|oleaut32|version|setupapi|shell32|advapi32|msvcrt|cfgmgr32|rpcrt4)\.dll$') ||
    true
[[ -z $foreign ]] || fail "dustreach.exe needs DLLs the zip does not hold: $foreign"

# ---- The game, from another folder -------------------------------------------------------------
start_dir=$WORK_DIR/elsewhere
mkdir "$start_dir"
(cd "$start_dir" &&
    exec wine "$folder/dustreach.exe" >"$WORK_DIR/stdout.txt" 2>"$WORK_DIR/stderr.txt") &
GAME_PID=$!
GAME_WINDOW=$(timeout 120 xdotool search --sync --name '^Dustreach : Size 600 x 800$' |
    head -n 1) || true
[[ -n $GAME_WINDOW ]] || fail "no window titled 'Dustreach : Size 600 x 800' within 120 s"
eval "$(xdotool getwindowgeometry --shell "$GAME_WINDOW")"
[[ "${WIDTH}x${HEIGHT}" == 600x800 ]] || fail "window is ${WIDTH}x${HEIGHT}, expected 600x800"
# Keys go to the window under the pointer: no window manager runs to give it the focus.
xdotool mousemove $((X + 300)) $((Y + 400))

# The start screen, whole: Wine's first frames read back black for some seconds.
reference=$source_dir/tests/frames/game-start-pictures.png
differing=""
start_screen() {
    xwd -silent -id "$GAME_WINDOW" | convert xwd:- "$WORK_DIR/window.png" || return 1
    differing=$(compare -metric AE "$WORK_DIR/window.png" "$reference" null: 2>&1) || true
    [[ $differing == 0 ]] || ! game_alive
}
poll 120 start_screen || fail "the start screen differs from $reference in $differing pixels"
game_alive || fail "the game ended before its start screen"

shows() { [[ $(pixel_rgb "$1" "$2" 2>/dev/null) == "$3" ]] || ! game_alive; }
xdotool key space
# Running: the score panel (0x654321) in its bottom-right corner, clear of its text.
poll 60 shows 218 68 101,67,33 || fail "SPACE did not start the game within 60 s"
xdotool click 1

# D held: K saves now and then until the save has the ship right of its start (centre x 230).
saves=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming)/Dustreach
save=$saves/currentSave.txt
moved_right() {
    xdotool key k
    sleep 0.2
    [[ -s $save ]] && (($(sed -n 3p "$save") > 230)) || ! game_alive
}
xdotool keydown d
poll 60 moved_right
xdotool keyup d
[[ -s $save ]] || fail "K wrote no currentSave.txt into $saves within 60 s"
game_alive || fail "the game ended while playing"
mapfile -t fields <"$save"
((${#fields[@]} == 16)) || fail "the save has ${#fields[@]} lines, expected 16: ${fields[*]}"
((fields[2] > 230)) || fail "the ship's centre x is ${fields[2]} after D was held, expected > 230"
# The shot cost a point; nothing can have scored yet, though the UFO may have cost a life or so.
((fields[0] <= -1)) || fail "score ${fields[0]} after one shot, expected -1 or less"

python3 "$(dirname "$0")/close_window.py" "$GAME_WINDOW" || fail "could not ask the window to close"
wait_for_exit 60
expect_exit_code 0
last=$(tail -n 1 "$WORK_DIR/stdout.txt" | tr -d '\r')
[[ $last == "Ended normally" ]] || fail "the last console line is '$last', not 'Ended normally'"
grep -q '^Loading font: 24 point Cornerstone Regular.ttf' "$WORK_DIR/stdout.txt" ||
    fail "no console line 'Loading font: 24 point Cornerstone Regular.ttf'"
echo "PASS: the zip's game under Wine: start screen, SPACE, D, a shot, K saved into $saves: ${fields[*]}"
