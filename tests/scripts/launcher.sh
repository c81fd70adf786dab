#!/bin/bash
# Launcher test: makes throw-away install trees (paths with spaces) with the build's own install
# rules, and checks how the launcher prepares the player's folder, keeps the saves, refreshes stale
# data, reports a broken install and runs the real game.
# A stub executable that prints its working folder stands in for the game in the folder checks.
# Arguments: the built dustreach executable (its build is what gets installed), the source tree
# (unused).
set -u
built=$1
# The executable lies in <build>/run.
build_dir=$(cd "$(dirname "$built")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/dustreach launcher.XXXXXX")
game_pid=
trap '[ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null; rm -rf -- "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# make_tree ROOT: the build installed under ROOT, in the package's games layout.
make_tree() {
    cmake --install "$build_dir" --prefix "$1" > /dev/null ||
        { echo "FAIL: install into $1"; exit 1; }
}
stub="$work/stub game"
printf '#!/bin/sh\npwd -P\n' > "$stub" && chmod +x "$stub"
tree="$work/install root"
make_tree "$tree"
launcher=$tree/games/dustreach
elsewhere="$work/some other folder"
home="$work/home of player"
player="$home/.local/share/dustreach"
mkdir -p "$elsewhere" "$home"

# run_stub HOME XDG_DATA_HOME [launcher]: runs the launcher from another folder with the stub;
# leaves its output in $out, $err and $rc.
run_stub() {
    (cd "$elsewhere" && HOME=$1 XDG_DATA_HOME=$2 DUSTREACH_BINARY=$stub "${3:-$launcher}" \
        > "$work/out" 2> "$work/err")
    rc=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}
# ran_in FOLDER: the last run ended with 0 and ran the game inside FOLDER.
ran_in() { [ "$rc" -eq 0 ] && [ "$out" = "$(cd "$1" 2>/dev/null && pwd -P)" ]; }
# same_as_installed FOLDER: every data file in FOLDER reads the same as the installed one.
same_as_installed() {
    local installed name
    for installed in "$tree/share/games/dustreach"/*; do
        name=${installed##*/}
        cmp -s "$1/$name" "$installed" || fail "'$name' in $1 differs from the install"
    done
}

# 1. A new player: the folder is made under HOME, filled, and the game runs inside it.
run_stub "$home" ""
ran_in "$player" || fail "first run ($rc) not in the player folder: '$out' $err"
same_as_installed "$player"

# 2. XDG_DATA_HOME chooses the folder when absolute and is ignored when relative.
run_stub "$home" "$work/xdg data"
ran_in "$work/xdg data/dustreach" || fail "absolute XDG_DATA_HOME not used: game ran in '$out'"
run_stub "$home" "relative/data"
ran_in "$player" || fail "relative XDG_DATA_HOME not ignored: game ran in '$out'"
[ ! -e "$elsewhere/relative" ] || fail "relative XDG_DATA_HOME made a folder"

# 3. The saves stay byte for byte, even when the data folder holds files of the same names.
printf '%s\n' 120 3 230 610 95 30 295 30 395 30 495 30 205 28 0 1 > "$work/currentSave.txt"
printf '12\n-4\n' > "$work/highScore.txt"
for save in currentSave.txt highScore.txt; do
    cp "$work/$save" "$player/$save"
    printf '999\n' > "$tree/share/games/dustreach/$save"
done
run_stub "$home" ""
[ "$rc" -eq 0 ] || fail "run with saves ended with $rc: $err"
run_stub "$home" "$work/xdg fresh"
for save in currentSave.txt highScore.txt; do
    { [ ! -L "$player/$save" ] && cmp -s "$player/$save" "$work/$save"; } ||
        fail "$save was changed"
    [ ! -e "$work/xdg fresh/dustreach/$save" ] || fail "$save was brought in from the data folder"
    rm "$tree/share/games/dustreach/$save"
done

# 4. Stale links are refreshed (a broken one, one into an older install); a player's own file
#    under a data name is never replaced, only reported as used.
printf 'my own ufo' > "$player/ufo.png.new" && mv -f "$player/ufo.png.new" "$player/ufo.png"
ln -sfn "$work/gone/mars.jpg" "$player/mars.jpg"
mkdir -p "$work/old install" && printf 'old font' > "$work/old install/Cornerstone Regular.ttf"
ln -sfn "$work/old install/Cornerstone Regular.ttf" "$player/Cornerstone Regular.ttf"
run_stub "$home" ""
[ "$rc" -eq 0 ] || fail "refreshing run ended with $rc: $err"
{ [ ! -L "$player/ufo.png" ] && [ "$(cat "$player/ufo.png")" = 'my own ufo' ]; } \
    || fail "the player's own ufo.png was replaced"
[[ $err == *"using your own copy of '$player/ufo.png'"* ]] || fail "own copy not reported: '$err'"
rm "$player/ufo.png"
run_stub "$home" ""
same_as_installed "$player"

# 5. The launcher is found through a link to it (as from a games folder) and still finds its data.
ln -s "$launcher" "$work/linked dustreach"
run_stub "$home" "" "$work/linked dustreach"
ran_in "$player" || fail "run through a link failed ($rc): $err"

# 6. A broken install says so on standard error, exits non-zero, runs nothing and makes no folder.
broken="$work/broken install"
empty_home="$work/empty home"
mkdir -p "$empty_home"
make_tree "$broken"
mv "$broken/share/games/dustreach" "$work/data"
run_stub "$empty_home" "" "$broken/games/dustreach"
{ [ "$rc" -ne 0 ] && [ -z "$out" ]; } || fail "missing data folder gave exit $rc, ran '$out'"
[[ $err == *"cannot find the game's data folder"* ]] ||
    fail "missing data folder not reported: '$err'"
[ ! -e "$empty_home/.local" ] || fail "player folder made for a broken install"
mv "$work/data" "$broken/share/games/dustreach"
rm "$broken/share/games/dustreach/Cornerstone Regular.ttf"
run_stub "$empty_home" "" "$broken/games/dustreach"
{ [ "$rc" -ne 0 ] && [ -z "$out" ]; } || fail "missing font gave exit $rc, ran '$out'"
[[ $err == *"'Cornerstone Regular.ttf'"* ]] || fail "missing font not named: '$err'"
rm "$broken/lib/games/dustreach/dustreach"
(cd "$elsewhere" &&
    HOME=$empty_home XDG_DATA_HOME='' "$broken/games/dustreach" > /dev/null 2> "$work/err")
rc=$?
[ "$rc" -ne 0 ] || fail "missing executable gave exit 0"
grep -q "cannot find the game's executable" "$work/err" || fail "missing executable not reported"

# 7. The real game from another folder runs in the player folder and ends normally on SIGTERM,
# once SDL has installed its handler (bit 14 of the caught signals) and so turns it into a quit.
real_home="$work/real home"
mkdir -p "$real_home"
(cd "$elsewhere" && HOME=$real_home XDG_DATA_HOME='' SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    exec "$launcher" > "$work/game.out" 2> "$work/game.err") &
game_pid=$!
for _ in $(seq 1 1200); do
    caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$game_pid/status" 2>/dev/null)
    [ "$(readlink "/proc/$game_pid/exe")" = "$tree/lib/games/dustreach/dustreach" ] &&
        [ -n "$caught" ] && (( (16#$caught >> 14) & 1 )) && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.05
done
[ "$(readlink "/proc/$game_pid/cwd")" = "$(cd "$real_home/.local/share/dustreach" && pwd -P)" ] \
    || fail "real game not up in the player folder"
kill -TERM "$game_pid"
wait "$game_pid"
rc=$?
game_pid=
[ "$rc" -eq 0 ] || fail "real game ended with $rc: $(cat "$work/game.err")"
[ "$(tail -n 1 "$work/game.out")" = "Ended normally" ] || fail "real game did not end normally"
grep -qx "Loading font: 24 point Cornerstone Regular.ttf" "$work/game.out" \
    || fail "real game did not load its font: $(cat "$work/game.out")"

[ "$failures" -eq 0 ] || { echo "$failures launcher check(s) failed"; exit 1; }
echo "launcher checks passed"
