#!/usr/bin/env bash
# A normal run of the real executable: started under SDL's dummy video driver from a private copy of
# its run folder and asked to quit once it is up (SIGTERM, which SDL turns into the same quit event
# as closing the window). It must open its font, close it again, exit with code 0 and print
# "Ended normally" as its last line.
# Arguments: the built dustreach inside its run folder, the source folder.
# shellcheck source-path=SCRIPTDIR source=lib/game.bash
source "$(dirname "$0")/lib/game.bash"
exe=$1

make_work_dir
copy_run_folder "$exe"
start_game SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
wait_until_up 30
stop_game 30

expect_exit_code 0
expect_no_sanitizer_report
expect_lines_in_order "$WORK_DIR/stdout.txt" \
    "Loading font: 24 point Cornerstone Regular.ttf" \
    "Free font: 24 point Cornerstone Regular.ttf" \
    "Ended normally"
expect_no_line "$WORK_DIR/stdout.txt" "Font loading failed."
expect_last_line "Ended normally"
echo "PASS: ended normally with exit code 0"
