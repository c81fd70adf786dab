# Helpers for the scripted tests of the real executable: a private copy of the run folder, the game
# started in the background with its output captured, bounded waits, and the checks a run ends with.
# Sourced by tests/scripts/*.sh; runs nothing by itself. Every wait has a deadline, so a hanging
# game fails its test instead of blocking the suite.
# Set DUSTREACH_TEST_KEEP=1 to keep the work folder (output, screenshots) for a look afterwards.

set -euo pipefail

WORK_DIR=""
GAME_DIR=""
GAME_PID=""
GAME_RC=""
SCRIPT_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

cleanup() {
    if [[ -n $GAME_PID ]] && kill -0 "$GAME_PID" 2>/dev/null; then
        kill -KILL "$GAME_PID" 2>/dev/null || true
        wait "$GAME_PID" 2>/dev/null || true
    fi
    if [[ ${DUSTREACH_TEST_KEEP:-} == 1 ]]; then
        echo "Work folder kept: $WORK_DIR"
    elif [[ -n $WORK_DIR ]]; then
        rm -rf "$WORK_DIR"
    fi
}
trap cleanup EXIT
# A test stopped from outside (CTest's timeout) still leaves no game behind.
trap 'exit 143' TERM INT

# Ends the test with a message, showing what the game printed so far.
fail() {
    echo "FAIL: $*" >&2
    local f
    for f in "$WORK_DIR"/std{out,err}.txt; do
        [[ -f $f ]] && { echo "--- $(basename "$f"):" && cat "$f"; } >&2
    done
    exit 1
}

# poll SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds; false past the deadline.
poll() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS <= end)) || return 1
        sleep 0.05
    done
}

# setup_game EXE [NAME...]: a work folder (removed at exit) holding GAME_DIR, the game's working
# directory, with every file of EXE's folder but the names given. The captured output stays
# outside GAME_DIR so it never mixes with the files the game writes.
setup_game() {
    [[ -x $1 ]] || fail "no executable at $1"
    WORK_DIR=$(mktemp -d "${TMPDIR:-/tmp}/dustreach-test.XXXXXX")
    GAME_DIR=$WORK_DIR/game
    mkdir "$GAME_DIR"
    cp -R "$(dirname "$1")"/. "$GAME_DIR/"
    local name
    for name in "${@:2}"; do rm -rf "${GAME_DIR:?}/$name"; done
}

# start_game [VAR=VALUE...] [-u VAR...]: starts ./dustreach in GAME_DIR in the background with the
# given environment changes (the arguments of env(1)); stdout and stderr go to the work folder.
start_game() {
    (cd "$GAME_DIR" && exec env "$@" ./dustreach >"$WORK_DIR/stdout.txt" 2>"$WORK_DIR/stderr.txt") &
    GAME_PID=$!
}

# True while the game's process exists and has not ended. kill -0 succeeds on a zombie too, so the
# state in /proc tells; a read of it that fails while the process exists (seen under load, as the
# process starts) is no sign of an end.
game_alive() {
    kill -0 "$GAME_PID" 2>/dev/null || return 1
    local stat
    stat=$(cat "/proc/$GAME_PID/stat" 2>/dev/null) || return 0
    stat=${stat##*) }
    [[ ${stat%% *} != Z ]]
}
game_ended() { ! game_alive; }

# True once the game has printed its font line or SDL has installed its SIGTERM handler (bit 14
# of the caught signals), from which on SIGTERM becomes a quit event instead of killing it.
game_up() {
    grep -q '^Loading font: ' "$WORK_DIR/stdout.txt" 2>/dev/null && return
    # Until it execs the game, the process is the test's own shell, whose trap catches SIGTERM too.
    [[ $(cat "/proc/$GAME_PID/comm" 2>/dev/null) == dustreach ]] || return 1
    local caught
    caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$GAME_PID/status" 2>/dev/null) || return 1
    [[ -n $caught ]] && (((0x$caught >> 14) & 1))
}
up_or_ended() { game_up || game_ended; }

# wait_until_up SECONDS: fails if the game ends or the deadline passes first.
wait_until_up() {
    poll "$1" up_or_ended || fail "the game was not up after $1 s"
    game_up || fail "the game ended before it was up"
}

# wait_for_exit SECONDS: waits for the game to end and sets GAME_RC; past the deadline the game is
# killed and the test fails.
wait_for_exit() {
    if ! poll "$1" game_ended; then
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
# quit event), waits for it to end, and expects exit code 0, "Ended normally" as the last line and
# no sanitizer report.
stop_game() {
    kill -TERM "$GAME_PID" 2>/dev/null || true
    wait_for_exit "$1"
    expect_exit_code 0
    expect_no_sanitizer_report
    local last
    last=$(tail -n 1 "$WORK_DIR/stdout.txt")
    [[ $last == "Ended normally" ]] || fail "last line of standard output is '$last'"
}

expect_exit_code() { [[ $GAME_RC == "$1" ]] || fail "exit code $GAME_RC, expected $1"; }

# expect_no_line FILE LINE: LINE is not a whole line of FILE.
expect_no_line() { ! grep -qxF -- "$2" "$1" || fail "$(basename "$1") holds the line '$2'"; }

# No AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer report on standard error.
expect_no_sanitizer_report() {
    ! grep -qE 'ERROR: [A-Za-z]+Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' \
        "$WORK_DIR/stderr.txt" || fail "sanitizer report on standard error"
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
    poll "$1" up_or_ended || return 1
    # Asking game_up again could fail on a passing misread of /proc: a game still there is up.
    game_ended || return 1
    wait_for_exit 1
    [[ $GAME_RC == 1 ]] && grep -q '^Unable to init SDL: ' "$WORK_DIR/stderr.txt"
}

# pixel_rgb X Y: the colour of one pixel of the game's window as "R,G,B" in 0..255, from a fresh
# screenshot kept as window.png.
pixel_rgb() {
    local shot=$WORK_DIR/window.png p="p{$1,$2}"
    xwd -silent -id "$GAME_WINDOW" | convert xwd:- "$shot" || return
    convert "$shot" -format "%[fx:int(255*$p.r)],%[fx:int(255*$p.g)],%[fx:int(255*$p.b)]" info:
}
