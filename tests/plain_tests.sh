#!/usr/bin/env bash
# The tests read like the game: no comma operator joining steps (clang's -Wcomma; g++ has no such
# warning) and no two statements on one line (a semicolon with more code after it, once strings,
# characters, comments, for-headers and one-line struct bodies are left out). Takes the source
# folder.
set -uo pipefail
cd "$1" || exit 1
sources=(tests/*.cpp tests/support/*.cpp tests/fuzz/*.cpp tools/soak/*.cpp)
# Windows's own tests call its API: the line check reads them, the compiler here cannot.
compiled=()
for source in "${sources[@]}"; do
    [[ $source == tests/Windows*Test.cpp ]] || compiled+=("$source")
done
includes=(-Igame -Itests/support -Iapp -Iapp/browser)
for folder in framework/*/; do
    includes+=("-I$folder")
done
# shellcheck disable=SC2046  # pkg-config's flags are meant to split into words
clang++-14 -std=c++17 -fsyntax-only -Wcomma -Werror=comma -ferror-limit=0 "${includes[@]}" \
    $(pkg-config --cflags sdl2 SDL2_image SDL2_ttf) -DDUSTREACH_ASSET_DIR='""' \
    -DDUSTREACH_SOURCE_DIR='""' "${compiled[@]}"
commas=$?
perl -ne '
    s/"(\\.|[^"\\])*"|\x27(\\.|[^\x27\\])+\x27//g;
    s#//.*##;
    s/\bfor\s*\([^;]*;[^;]*;//;
    s/\bstruct\s*\{[^}]*\}//;
    if (/;\s*[^\s})\\]/) {
        print "$ARGV:$.: two statements on one line\n";
        $found = 1;
    }
    close ARGV if eof;
    END { exit $found }' "${sources[@]}" tests/support/*.h
lines=$?
exit $((commas || lines))
