#!/usr/bin/env bash
# The real window on a real X server (Xvfb), driven as a player drives it: the window appears with
# its title, 600 by 800 pixels at (10, 40), showing the start screen; SPACE starts the game, a left
# click fires a shot (costing a point), K saves, and closing the game ends it normally. The save
# must hold sixteen whole numbers, one per line.
# Arguments: the built dustreach inside its run folder, the source folder.
# shellcheck source-path=SCRIPTDIR source=lib/game.bash
source "$(dirname "$0")/lib/game.bash"
run_under_xvfb "$@"
setup_game "$1"
start_game_on_x11
GAME_WINDOW=$(timeout 30 xdotool search --sync --name '^Dustreach : Size 600 x 800$' | head -n 1) ||
    true
[[ -n $GAME_WINDOW ]] || fail "no window titled 'Dustreach : Size 600 x 800' within 30 s"
eval "$(xdotool getwindowgeometry --shell "$GAME_WINDOW")"
[[ "${WIDTH}x${HEIGHT}" == 600x800 ]] || fail "window is ${WIDTH}x${HEIGHT}, expected 600x800"
# No window manager runs under Xvfb, so the window stays where the game asked.
[[ "$X,$Y" == 10,40 ]] || fail "window is at ($X, $Y), expected (10, 40)"

shows() { [[ $(pixel_rgb "$1" "$2" 2>/dev/null) == "$3" ]] || ! game_alive; }
# wait_for_pixel X Y RGB: polls the window until pixel (X, Y) shows RGB ("R,G,B"), for 30 s.
wait_for_pixel() {
    poll 30 shows "$@" || fail "pixel ($1, $2) did not show $3 within 30 s"
    game_alive || fail "the game ended while waiting for ($1, $2) to show $3"
}
# Keys go to the window under the pointer: no window manager runs to give it the focus.
xdotool mousemove $((X + 300)) $((Y + 400))
# The start screen: dark blue above its black band, clear of its text and pictures.
wait_for_pixel 590 490 0,0,85
size=$(convert "$WORK_DIR/window.png" -format '%wx%h' info:)
[[ $size == 600x800 ]] || fail "screenshot is $size, expected 600x800"
xdotool key space
# Running: the score panel (0x654321) in its bottom-right corner, clear of its text.
wait_for_pixel 218 68 101,67,33
xdotool click 1
xdotool key k
save=$GAME_DIR/currentSave.txt
saved() { [[ -s $save ]] || ! game_alive; }
poll 30 saved && [[ -s $save ]] || fail "K wrote no currentSave.txt within 30 s"
stop_game 30

mapfile -t fields <"$save"
((${#fields[@]} == 16)) || fail "the save has ${#fields[@]} lines, expected 16: ${fields[*]}"
for field in "${fields[@]}"; do
    [[ $field =~ ^-?[0-9]+$ ]] || fail "save line '$field' is not a whole number"
done
# The shot cost a point; nothing can have scored yet, though the UFO may have cost a life or so.
((fields[0] <= -1)) || fail "score ${fields[0]} after one shot, expected -1 or less"
((fields[1] <= 5)) || fail "lives ${fields[1]}, expected 5 or fewer"
((fields[15] == 1)) || fail "level ${fields[15]}, expected 1"
echo "PASS: window 600x800 at (10, 40), start screen, SPACE, a shot, K saved: ${fields[*]}"
