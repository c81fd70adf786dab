# Helpers for the scripted tests of the real executable: a private copy of the run folder, the game
# started in the background with its output captured, bounded waits, and the checks a run ends with.
# Sourced by tests/scripts/*.sh; runs nothing by itself. Every wait has a deadline, so a hanging
# game fails its test instead of blocking the suite.
#
# Set DUSTREACH_TEST_KEEP=1 to keep the work folder (output, screenshots) for a look afterwards.

set -euo pipefail

WORK_DIR=""
GAME_DIR=""
GAME_PID=""
GAME_RC=""
POLL_SECONDS=0.05
SCRIPT_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

cleanup() {
    if [[ -n $GAME_PID ]] && kill -0 "$GAME_PID" 2>/dev/null; then
        kill -KILL "$GAME_PID" 2>/dev/null || true
        wait "$GAME_PID" 2>/dev/null || true
    fi
    if [[ -n $WORK_DIR ]]; then
        if [[ ${DUSTREACH_TEST_KEEP:-} == 1 ]]; then
            echo "Work folder kept: $WORK_DIR"
        else
            rm -rf "$WORK_DIR"
        fi
    fi
}
trap cleanup EXIT
# A test stopped from outside (CTest's timeout) still leaves no game behind.
trap 'exit 143' TERM INT

# Ends the test with a message, showing what the game printed so far.
fail() {
    echo "FAIL: $*" >&2
    local f
    for f in "$WORK_DIR/stdout.txt" "$WORK_DIR/stderr.txt"; do
        if [[ -f $f ]]; then
            echo "--- $(basename "$f"):" >&2
            cat "$f" >&2
        fi
    done
    exit 1
}

# Makes the work folder (removed at exit) and GAME_DIR inside it, the game's working directory.
# The captured output stays outside GAME_DIR so it never mixes with the files the game writes.
make_work_dir() {
    WORK_DIR=$(mktemp -d "${TMPDIR:-/tmp}/dustreach-test.XXXXXX")
    GAME_DIR=$WORK_DIR/game
    mkdir "$GAME_DIR"
}

# copy_run_folder EXE [NAME...]: copies every file of EXE's folder into GAME_DIR except the names
# given, so a test can run the game without one of its files.
copy_run_folder() {
    local exe=$1
    shift
    local run_dir
    run_dir=$(dirname "$exe")
    [[ -x $exe ]] || fail "no executable at $exe"
    local f name skip left_out
    for f in "$run_dir"/*; do
        name=$(basename "$f")
        skip=0
        for left_out in "$@"; do
            [[ $name == "$left_out" ]] && skip=1
        done
        if [[ $skip == 0 ]]; then
            cp -R "$f" "$GAME_DIR/"
        fi
    done
}

# start_game [VAR=VALUE...] [-u VAR...]: starts ./dustreach in GAME_DIR in the background with the
# given environment changes (the arguments of env(1)); stdout and stderr go to the work folder.
start_game() {
    (cd "$GAME_DIR" && exec env "$@" ./dustreach >"$WORK_DIR/stdout.txt" 2>"$WORK_DIR/stderr.txt") &
    GAME_PID=$!
}

# True while the game's process exists and has not ended (a finished child stays a zombie until
# it is waited for, and kill -0 still succeeds on a zombie).
game_alive() {
    local stat
    stat=$(cat "/proc/$GAME_PID/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}

# True once SDL has installed its SIGTERM handler, from which on SIGTERM becomes a quit event
# instead of killing the process.
sigterm_is_caught() {
    local caught
    caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$GAME_PID/status" 2>/dev/null) || return 1
    [[ -n $caught ]] && (((0x$caught >> 14) & 1))
}

# wait_until_up SECONDS: waits until the game has printed its font line or SDL catches SIGTERM.
# Fails if the game ends or the deadline passes first.
wait_until_up() {
    local polls
    polls=$(awk -v s="$1" -v p="$POLL_SECONDS" 'BEGIN { print int(s / p) }')
    local i
    for ((i = 0; i < polls; i++)); do
        if grep -q '^Loading font: ' "$WORK_DIR/stdout.txt" 2>/dev/null || sigterm_is_caught; then
            return 0
        fi
        game_alive || fail "the game ended before it was up"
        sleep "$POLL_SECONDS"
    done
    fail "the game was not up after $1 s"
}

# wait_for_exit SECONDS: waits for the game to end and sets GAME_RC; past the deadline the game is
# killed and the test fails.
wait_for_exit() {
    local polls
    polls=$(awk -v s="$1" -v p="$POLL_SECONDS" 'BEGIN { print int(s / p) }')
    local i
    for ((i = 0; i < polls; i++)); do
        game_alive || break
        sleep "$POLL_SECONDS"
    done
    if game_alive; then
        kill -KILL "$GAME_PID" 2>/dev/null || true
        wait "$GAME_PID" 2>/dev/null || true
        GAME_PID=""
        fail "the game did not end within $1 s"
    fi
    GAME_RC=0
    wait "$GAME_PID" || GAME_RC=$?
    GAME_PID=""
}

# stop_game SECONDS: asks the game to quit as closing the window does (SDL turns SIGTERM into a
# quit event) and waits for it to end.
stop_game() {
    kill -TERM "$GAME_PID" 2>/dev/null || true
    wait_for_exit "$1"
}

expect_exit_code() {
    [[ $GAME_RC == "$1" ]] || fail "exit code $GAME_RC, expected $1"
}

# expect_last_line TEXT: the last line of standard output is exactly TEXT.
expect_last_line() {
    local last
    last=$(tail -n 1 "$WORK_DIR/stdout.txt")
    [[ $last == "$1" ]] || fail "last line of standard output is '$last', expected '$1'"
}

# expect_lines_in_order FILE LINE...: each LINE appears in FILE as a whole line, in this order
# (other lines may come between them).
expect_lines_in_order() {
    local file=$1
    shift
    WANT=$(printf '%s\n' "$@") awk '
        BEGIN { n = split(ENVIRON["WANT"], lines, "\n"); i = 1 }
        i <= n && $0 == lines[i] { i++ }
        END { exit !(i > n) }
    ' "$file" || fail "$(basename "$file") lacks, in this order: $*"
}

# expect_no_line FILE LINE: LINE is not a whole line of FILE.
expect_no_line() {
    if grep -qxF -- "$2" "$1"; then
        fail "$(basename "$1") holds the line '$2'"
    fi
}

# No AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer report on standard error.
expect_no_sanitizer_report() {
    if grep -qE 'ERROR: [A-Za-z]+Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' \
        "$WORK_DIR/stderr.txt"; then
        fail "sanitizer report on standard error"
    fi
}

# ---- On a real X server (Xvfb) ----------------------------------------------------------------

# run_under_xvfb ARGS...: re-runs the calling script inside a fresh Xvfb of 1024 x 1024 pixels
# unless it already runs in one. -a picks a free display number, so such tests may run side by side.
run_under_xvfb() {
    if [[ -z ${DUSTREACH_UNDER_XVFB:-} ]]; then
        DUSTREACH_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x1024x24" bash "$0" "$@"
    fi
}

# start_game_on_x11 [VAR=VALUE...]: start_game on the X server in DISPLAY, waiting until it is up.
# A start that cannot reach the server (now and then when other clients connect at that moment)
# ends at once with exit 1 and "Unable to init SDL: "; it gets one more try.
# NOTE: SDL's software renderer without framebuffer acceleration keeps the GL driver out of the
# process: loaded and unloaded at run time, it leaves leaks that LeakSanitizer reports without a
# library name to suppress them by (and full malloc stacks, which would name it, deadlock inside it).
# The game's own pixels go the same way either way: a streaming texture presented once per frame.
start_game_on_x11() {
    local try
    for try in 1 2; do
        start_game SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
            SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 \
            LSAN_OPTIONS="suppressions=$SCRIPT_LIB_DIR/x11-leaks.supp:print_suppressions=0" "$@"
        if [[ $try == 2 ]] || ! start_failed_within 30; then
            wait_until_up 30
            return 0
        fi
        echo "The game could not reach the X server; one more try"
    done
}

# start_failed_within SECONDS: true when the game ended with the start-up failure before it was up.
start_failed_within() {
    local polls
    polls=$(awk -v s="$1" -v p="$POLL_SECONDS" 'BEGIN { print int(s / p) }')
    local i
    for ((i = 0; i < polls; i++)); do
        if grep -q '^Loading font: ' "$WORK_DIR/stdout.txt" 2>/dev/null || sigterm_is_caught; then
            return 1
        fi
        if ! game_alive; then
            wait_for_exit 1
            [[ $GAME_RC == 1 ]] && grep -q '^Unable to init SDL: ' "$WORK_DIR/stderr.txt"
            return
        fi
        sleep "$POLL_SECONDS"
    done
    return 1
}

# find_game_window SECONDS: sets GAME_WINDOW to the id of the window titled
# "Dustreach : Size 600 x 800"; fails if none appears in time.
find_game_window() {
    GAME_WINDOW=$(timeout "$1" xdotool search --sync --name '^Dustreach : Size 600 x 800$' |
        head -n 1) || true
    [[ -n $GAME_WINDOW ]] || fail "no window titled 'Dustreach : Size 600 x 800' within $1 s"
}

# screenshot_window FILE: writes what the game's window shows to FILE (PNG).
screenshot_window() {
    xwd -silent -id "$GAME_WINDOW" | convert xwd:- "$1"
}

# pixel_rgb FILE X Y: prints the colour of one pixel as "R,G,B" in 0..255.
pixel_rgb() {
    local p="p{$2,$3}"
    convert "$1" -format "%[fx:int(255*$p.r)],%[fx:int(255*$p.g)],%[fx:int(255*$p.b)]" info:
}
