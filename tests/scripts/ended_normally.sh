#!/usr/bin/env bash
# Normal runs of the real executable under SDL's dummy video driver, from a private copy of its run
# folder, asked to quit once up (SIGTERM, which SDL turns into the same quit event as closing the
# window): it must exit with code 0 and print "Ended normally" last. With its font it opens and
# frees the font; without it, it reports the failure right after the loading line and runs on.
# Arguments: the built dustreach inside its run folder, the source folder.
# shellcheck source-path=SCRIPTDIR source=lib/game.bash
source "$(dirname "$0")/lib/game.bash"
font="Cornerstone Regular.ttf"

for left_out in "" "$font"; do
    rm -rf "$WORK_DIR"
    setup_game "$1" ${left_out:+"$left_out"}
    start_game SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
    wait_until_up 30
    stop_game 30
    out=$WORK_DIR/stdout.txt
    if [[ -z $left_out ]]; then
        # The three lines in this order, others may come between them.
        printf '%s\n' "Loading font: 24 point $font" "Free font: 24 point $font" "Ended normally" |
            awk 'NR == FNR { want[++n] = $0; next } i < n && $0 == want[i + 1] { i++ }
                 END { exit i < n }' - "$out" || fail "font loaded, freed, ended: not in order"
        expect_no_line "$out" "Font loading failed."
    else
        grep -A1 -xF "Loading font: 24 point $font" "$out" | grep -qxF "Font loading failed." ||
            fail "no 'Font loading failed.' right after the font's loading line"
        expect_no_line "$out" "Free font: 24 point $font"
    fi
done
echo "PASS: ended normally with exit code 0, with its font and with the font missing"
