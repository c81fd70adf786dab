#!/usr/bin/env bash
# SDL that cannot start: with the X11 video driver forced and no display to connect to, and with no
# driver named and a display that does not exist (where SDL falls back to a driver that shows no
# window), the game must say why on standard error, set nothing else up and exit with code 1,
# without a crash or a sanitizer report.
# Arguments: the built dustreach inside its run folder, the source folder.
# shellcheck source-path=SCRIPTDIR source=lib/game.bash
source "$(dirname "$0")/lib/game.bash"
setup_game "$1"
for display in "" :"$$"7; do
    if [[ -z $display ]]; then
        start_game -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11
    else
        start_game -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY="$display" \
            LSAN_OPTIONS="suppressions=$SCRIPT_LIB_DIR/x11-leaks.supp:print_suppressions=0"
    fi
    wait_for_exit 30
    expect_exit_code 1
    expect_no_sanitizer_report
    grep -q '^Unable to init SDL: ' "$WORK_DIR/stderr.txt" ||
        fail "no line starting 'Unable to init SDL: ' on standard error (display '$display')"
    # The exit handlers and the font come only after SDL is up.
    ! grep -qE '^(Loading font: |Ended normally$)' "$WORK_DIR/stdout.txt" ||
        fail "standard output shows set-up that should not have happened (display '$display')"
done
echo "PASS: SDL failure reported, exit code 1, with no display and with a display that is not there"
