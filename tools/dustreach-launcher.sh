#!/bin/sh
# Launcher installed as games/dustreach: gives the game a working folder of the player's own.
# The game opens its pictures and font by plain relative names and writes currentSave.txt and
# highScore.txt beside them, so this script prepares ${XDG_DATA_HOME:-$HOME/.local/share}/dustreach
# (links to the installed read-only data in share/games/dustreach), moves into it and runs the
# real executable there.
# It never writes, moves or deletes the two save files; it does not know their format.
#
# Overrides for tests and unusual installs: DUSTREACH_DATA_DIR (the read-only data folder) and
# DUSTREACH_BINARY (the executable to run).

# Where the data and the executable lie, relative to the folder of this launcher. The install step
# fills these in from the chosen install directories, which keeps an install relocatable.
data_rel='@DUSTREACH_LAUNCHER_DATA_REL@'
binary_rel='@DUSTREACH_LAUNCHER_BINARY_REL@'

# What the game reads from its working folder, one name per line (the font's name has a space):
# the install step fills in assets/game-data.txt's list.
required_files='@DUSTREACH_LAUNCHER_REQUIRED_FILES@'

fail() {
    printf 'dustreach: %s\n' "$1" >&2
    exit 1
}

# Follow symlinks to this script (for instance from /usr/games) so the relative layout holds.
self=$(readlink -f -- "$0" 2>/dev/null) || self=$0
here=$(dirname -- "$self")

data_dir=${DUSTREACH_DATA_DIR:-$here/$data_rel}
binary=${DUSTREACH_BINARY:-$here/$binary_rel}

[ -d "$data_dir" ] || fail "cannot find the game's data folder '$data_dir'; the installation is incomplete (reinstall the package, or set DUSTREACH_DATA_DIR)"
{ [ -f "$binary" ] && [ -x "$binary" ]; } || fail "cannot find the game's executable '$binary'; the installation is incomplete (reinstall the package, or set DUSTREACH_BINARY)"

# Check everything before creating anything, so a broken install leaves no half-made folder.
missing=
old_ifs=$IFS
IFS='
'
for name in $required_files; do
    [ -f "$data_dir/$name" ] || missing="$missing '$name'"
done
IFS=$old_ifs
[ -z "$missing" ] || fail "the game's data folder '$data_dir' lacks$missing; the installation is incomplete (reinstall the package)"

# Absolute, so the links and the executable's path stay valid from the player's folder.
data_dir=$(cd -- "$data_dir" && pwd -P) || fail "cannot enter the game's data folder '$data_dir'"
case $binary in
    /*) ;;
    *) binary=$(pwd -P)/$binary ;;
esac

# A relative XDG_DATA_HOME is invalid by the base-directory rules and is ignored.
case ${XDG_DATA_HOME:-} in
    /*) data_home=$XDG_DATA_HOME ;;
    *)
        [ -n "${HOME:-}" ] || fail "neither XDG_DATA_HOME nor HOME is set; cannot choose a folder for the saves"
        data_home=$HOME/.local/share
        ;;
esac
player_dir=$data_home/dustreach
mkdir -p -- "$player_dir" || fail "cannot create the folder '$player_dir' for the saves"

# Point each data name at the installed file. Only links are ever replaced (ones this script made,
# stale ones into an older install, broken ones); anything else under a data name is the player's:
# a file of their own (their own ufo.png, say) stays and is used, a folder stays and is reported.
link_data() {
    source_path=$data_dir/$1
    target_path=$player_dir/$1
    case $1 in
        currentSave.txt | highScore.txt) return 0 ;;
    esac
    if [ -L "$target_path" ]; then
        [ "$(readlink -- "$target_path")" = "$source_path" ] && return 0
    elif [ -d "$target_path" ]; then
        printf "dustreach: '%s' is a folder, not the game's file; leaving it alone\n" "$target_path" >&2
        return 0
    elif [ -e "$target_path" ]; then
        printf "dustreach: using your own copy of '%s'\n" "$target_path" >&2
        return 0
    fi
    ln -sfn -- "$source_path" "$target_path" || fail "cannot link '$target_path' to '$source_path'"
}

# Every file the install put in the data folder gets its link: the required ones and whatever
# ships beside them (the font's licence).
for path in "$data_dir"/*; do
    if [ -f "$path" ]; then
        link_data "${path##*/}"
    fi
done

cd -- "$player_dir" || fail "cannot enter the folder '$player_dir'"
exec "$binary" "$@"
