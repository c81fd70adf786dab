#!/usr/bin/env bash
# A run folder without the font: the game must report the font that failed to load, run on without
# text, and still end normally (exit code 0, "Ended normally" last, no font to free).
# Arguments: the built dustreach inside its run folder, the source folder.
# shellcheck source-path=SCRIPTDIR source=lib/game.bash
source "$(dirname "$0")/lib/game.bash"
exe=$1

make_work_dir
copy_run_folder "$exe" "Cornerstone Regular.ttf"
[[ ! -e "$GAME_DIR/Cornerstone Regular.ttf" ]] || fail "the font is still in the game's folder"
start_game SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
wait_until_up 30
stop_game 30

expect_exit_code 0
expect_no_sanitizer_report
grep -A1 -xF "Loading font: 24 point Cornerstone Regular.ttf" "$WORK_DIR/stdout.txt" |
    grep -qxF "Font loading failed." ||
    fail "no 'Font loading failed.' right after the font's loading line"
expect_no_line "$WORK_DIR/stdout.txt" "Free font: 24 point Cornerstone Regular.ttf"
expect_last_line "Ended normally"
echo "PASS: missing font reported, ended normally"
