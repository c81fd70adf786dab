#!/usr/bin/env bash
# A short game on a real X server (Xvfb), driven as a player drives it: the start screen shows,
# SPACE starts the game, a left click fires a shot (costing a point), K saves, and closing the game
# ends it normally. The save must hold sixteen whole numbers, one per line.
# Arguments: the built dustreach inside its run folder, the source folder.
# shellcheck source-path=SCRIPTDIR source=lib/game.bash
source "$(dirname "$0")/lib/game.bash"
run_under_xvfb "$@"
exe=$1

make_work_dir
copy_run_folder "$exe"
start_game_on_x11
find_game_window 30

# wait_for_pixel X Y RGB SECONDS: polls the window until pixel (X, Y) shows RGB ("R,G,B").
wait_for_pixel() {
    local shot=$WORK_DIR/window.png rgb="" i
    for ((i = 0; i < $4 * 10; i++)); do
        if screenshot_window "$shot" 2>/dev/null; then
            rgb=$(pixel_rgb "$shot" "$1" "$2")
            [[ $rgb == "$3" ]] && return 0
        fi
        game_alive || fail "the game ended while waiting for ($1, $2) to show $3"
        sleep 0.1
    done
    fail "pixel ($1, $2) shows '$rgb', expected $3 within $4 s"
}

# Keys go to the window under the pointer: no window manager runs to give it the focus.
eval "$(xdotool getwindowgeometry --shell "$GAME_WINDOW")"
xdotool mousemove $((X + 300)) $((Y + 400))

# The start screen: dark blue above its black band.
wait_for_pixel 590 490 0,0,85 30
xdotool key space
# Running: the score panel (0x654321) in its bottom-right corner, clear of its text.
wait_for_pixel 218 68 101,67,33 30

xdotool click 1
xdotool key k
save=$GAME_DIR/currentSave.txt
for ((i = 0; i < 300; i++)); do
    [[ -s $save ]] && break
    game_alive || fail "the game ended before it saved"
    sleep 0.1
done
[[ -s $save ]] || fail "K wrote no currentSave.txt within 30 s"
stop_game 30
expect_exit_code 0
expect_no_sanitizer_report
expect_last_line "Ended normally"

mapfile -t fields <"$save"
((${#fields[@]} == 16)) || fail "the save has ${#fields[@]} lines, expected 16: ${fields[*]}"
for field in "${fields[@]}"; do
    [[ $field =~ ^-?[0-9]+$ ]] || fail "save line '$field' is not a whole number"
done
# The shot cost a point; nothing can have scored yet, though the UFO may have cost a life or so.
((fields[0] <= -1)) || fail "score ${fields[0]} after one shot, expected -1 or less"
((fields[1] <= 5)) || fail "lives ${fields[1]}, expected 5 or fewer"
((fields[15] == 1)) || fail "level ${fields[15]}, expected 1"
echo "PASS: start screen, SPACE, a shot, K saved: ${fields[*]}; ended normally"
