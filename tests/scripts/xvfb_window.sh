#!/usr/bin/env bash
# The real window on a real X server (Xvfb): the game's window must appear with its title, be 600 by
# 800 pixels at (10, 40), show a drawn frame, and the game must end normally when asked to quit.
# Arguments: the built dustreach inside its run folder, the source folder.
# shellcheck source-path=SCRIPTDIR source=lib/game.bash
source "$(dirname "$0")/lib/game.bash"
run_under_xvfb "$@"
exe=$1

make_work_dir
copy_run_folder "$exe"
start_game_on_x11
find_game_window 30

eval "$(xdotool getwindowgeometry --shell "$GAME_WINDOW")"
[[ "${WIDTH}x${HEIGHT}" == 600x800 ]] || fail "window is ${WIDTH}x${HEIGHT}, expected 600x800"
# No window manager runs under Xvfb, so the window stays where the game asked.
[[ "$X,$Y" == 10,40 ]] || fail "window is at ($X, $Y), expected (10, 40)"

# NOTE: (590, 490) is background both in the framework's default (yellow) and on the game's start
# screen (dark blue), clear of its text and pictures; only "drawn and not black" is checked so the
# test holds for either. Poll, since the first frame may come a little after the window maps.
shot=$WORK_DIR/window.png
rgb=""
for ((i = 0; i < 100; i++)); do
    if screenshot_window "$shot" 2>/dev/null; then
        size=$(convert "$shot" -format '%wx%h' info:)
        [[ $size == 600x800 ]] || fail "screenshot is $size, expected 600x800"
        rgb=$(pixel_rgb "$shot" 590 490)
        [[ $rgb != 0,0,0 ]] && break
    fi
    game_alive || fail "the game ended while its window was being checked"
    sleep 0.1
done
[[ -n $rgb && $rgb != 0,0,0 ]] || fail "the window shows nothing but black at (590, 490)"

stop_game 30
expect_exit_code 0
expect_no_sanitizer_report
expect_last_line "Ended normally"
echo "PASS: window 600x800 at (10, 40), pixel (590, 490) = $rgb, ended normally"
