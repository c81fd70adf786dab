# Debian's source packages for the libraries the game links, shared by the builds that make their
# own copies of them: tools/web/libraries.sh (emscripten) and tools/windows/libraries.sh
# (mingw-w64). Sourced, after the caller has set
#     LIBRARIES_LABEL   the words its messages start with ("web libraries")
#     LIBRARIES_CACHE   its folder under ${XDG_CACHE_HOME:-~/.cache}/dustreach/
# and, for a build, the array PACKAGES (the source packages in build order) and, for each package,
# the array of its CMake options named after it: LIBSDL2_IMAGE_OPTIONS for libsdl2-image.
#
# The sources come through apt with a private configuration (its own source list and state
# folder, under the cache folder): the machine's apt sources are never read or changed, and no
# root is needed. Each run reads Debian's source index (cheap when it has not changed) and builds
# the revision of each package that Debian serves now for the release: the archive keeps only the
# newest one, so a security update replaces the revision a build was tested with. The revisions
# below are those tested with; a notice names any served revision that differs (the pixel tests
# guard what matters). Offline, the index read last time is used.
# A build goes into <cache>/<key>/, where <key> is a hash of the revisions, the compiler, the build
# flags and the scripts, so later runs and fresh clones on the same machine reuse it, and a change
# to any of them builds afresh. A build counts only once it is complete (the folder then holds
# COMPLETE); builds of one kind on one machine take turns. (The libraries' CMake files name
# absolute paths, so the build cannot be made elsewhere and moved into place.)
# DUSTREACH_DEBIAN_MIRROR and DUSTREACH_DEBIAN_KEYRING name another archive and the key it is
# signed with.

# The revisions these scripts were last tested with: Debian 12's.
declare -rA TESTED_WITH=(
    [libsdl2]=2.26.5+dfsg-1
    [freetype]=2.12.1+dfsg-5+deb12u4
    [harfbuzz]=6.0.0+dfsg-3
    [libjpeg-turbo]=1:2.1.5-2
    [libsdl2-image]=2.6.3+dfsg-1
    [libsdl2-ttf]=2.20.1+dfsg-2
)
readonly MIRROR=${DUSTREACH_DEBIAN_MIRROR:-http://deb.debian.org}
readonly KEYRING=${DUSTREACH_DEBIAN_KEYRING:-/usr/share/keyrings/debian-archive-keyring.gpg}
# FreeType with only what reads and draws the game's TrueType font, and no compressed font
# formats (its CMake options leave zlib and LZW to this configuration).
readonly FREETYPE_MODULES="FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_smooth_renderer_class )
FT_USE_MODULE( FT_Renderer_Class, ft_raster1_renderer_class )"

say() { echo "$LIBRARIES_LABEL: $*" >&2; }

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/dustreach/$LIBRARIES_CACHE
apt_dir=$cache_root/apt
declare -A revision

# read_revisions: takes the cache's lock (held until the caller exits), reads Debian's source index
# and sets revision[PACKAGE] for every package of PACKAGES, with a notice for each that differs
# from the one tested with.
read_revisions() {
    mkdir -p "$cache_root"
    # One build, or one reading of the index, at a time on a machine.
    exec 9>"$cache_root/lock"
    flock 9

    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    cat >"$apt_dir/sources.list" <<SOURCES
deb-src [signed-by=$KEYRING] $MIRROR/debian bookworm main
deb-src [signed-by=$KEYRING] $MIRROR/debian bookworm-updates main
deb-src [signed-by=$KEYRING] $MIRROR/debian-security bookworm-security main
SOURCES
    apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
        -o "Dir::Etc::SourceParts=/dev/null" -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache=$apt_dir/cache" -o "Debug::NoLocking=1" -o "APT::Sandbox::User=$(id -un)")

    # The index is kept between runs: reading it again costs little when nothing changed, and a
    # machine without network builds from the one it read last.
    if ! apt-get "${apt_options[@]}" -qq --error-on=any update 2>"$apt_dir/update.log"; then
        if compgen -G "$apt_dir/lists/*_Sources*" >/dev/null; then
            say "notice: Debian's source index could not be read afresh; using the one read" \
                "$(date -r "$apt_dir/lists" '+%Y-%m-%d %H:%M')"
        else
            cat "$apt_dir/update.log" >&2
            say "Debian's source index could not be read from $MIRROR, and none was read before"
            exit 1
        fi
    fi

    local package
    for package in "${PACKAGES[@]}"; do
        revision[$package]=$(served "$package")
        if [[ -z ${revision[$package]} ]]; then
            say "Debian's source index names no $package"
            exit 1
        fi
        if [[ ${revision[$package]} != "${TESTED_WITH[$package]}" ]]; then
            say "notice: Debian serves $package ${revision[$package]}; tested with" \
                "${TESTED_WITH[$package]}. Building the served one."
        fi
    done
}

# served PACKAGE: the newest revision of the source package in the release and its updates.
served() {
    local newest="" version
    while read -r version; do
        if [[ -z $newest ]] || dpkg --compare-versions "$version" gt "$newest"; then
            newest=$version
        fi
    done < <(apt-cache "${apt_options[@]}" showsrc --only-source "$1" 2>/dev/null |
        sed -n 's/^Version: //p')
    echo "$newest"
}

# print_revisions: the packages and their revisions, one a line.
print_revisions() {
    local package
    for package in "${PACKAGES[@]}"; do
        echo "$package ${revision[$package]}"
    done
}

# built_from: the packages and revisions, on one line.
built_from() {
    local package list=()
    for package in "${PACKAGES[@]}"; do
        list+=("$package ${revision[$package]}")
    done
    (IFS=, && echo "${list[*]}" | sed 's/,/, /g')
}

# options_for PACKAGE: sets options to the package's CMake options, from the caller's array named
# after the package (an unset one stops the script).
options_for() {
    local name=${1^^}
    name="${name//-/_}_OPTIONS[@]"
    options=("${!name}")
}

# choose_prefix COMPILER_VERSION EXTRA_KEY_TEXT RECIPE_FILE: sets key_text and prefix, the folder
# of the build these revisions, options, compiler and scripts make.
choose_prefix() {
    local package options
    key_text=$1
    for package in "${PACKAGES[@]}"; do
        options_for "$package"
        key_text+=$'\n'"$package ${revision[$package]} ${options[*]}"
    done
    key_text+=$'\n'"$2"$'\n'"$FREETYPE_MODULES"
    key_text+=$'\n'"recipe $(cat "$3" "${BASH_SOURCE[0]}" | sha256sum | cut -c1-16)"
    prefix=$cache_root/$(printf '%s' "$key_text" | sha256sum | cut -c1-16)
}

# fetch_sources: unpacks every package's served revision into $apt_dir/sources/, with FreeType's
# configuration cut down to FREETYPE_MODULES, without zlib or LZW.
fetch_sources() {
    mkdir -p "$apt_dir/sources"
    local package
    for package in "${PACKAGES[@]}"; do
        fetch "$package"
    done
    local freetype_config
    freetype_config=$(source_tree freetype)/include/freetype/config
    printf '%s\n' "$FREETYPE_MODULES" >"$freetype_config/ftmodule.h"
    sed -i -e 's|^#define FT_CONFIG_OPTION_USE_\(ZLIB\|LZW\)$|/* & */|' "$freetype_config/ftoption.h"
}

# source_tree PACKAGE: the folder of the package's unpacked source. Without the revision's epoch:
# make cannot build in a path with a colon.
source_tree() {
    echo "$apt_dir/sources/$1-${revision[$1]#*:}"
}

# fetch PACKAGE: unpacks the source package's served revision into $apt_dir/sources/.
fetch() {
    local package=$1 version=${revision[$1]}
    local tree
    tree=$(source_tree "$package")
    [[ -d $tree ]] && return 0
    say "fetching $package $version"
    local download
    download=$(mktemp -d "$apt_dir/sources/download.XXXXXX")
    if ! (cd "$download" && apt-get "${apt_options[@]}" -qq source --download-only \
        "$package=$version" >&2); then
        rm -rf "$download"
        say "Debian's archive no longer offers $package $version; run this again to read its" \
            "index afresh"
        return 1
    fi
    # The .dsc's hashes were checked by apt against the signed index.
    (cd "$download" && dpkg-source --no-check -x ./*.dsc unpacked >/dev/null)
    mv "$download/unpacked" "$tree"
    rm -rf "$download"
}

# start_builds: an empty prefix and a work folder (removed at exit) for the builds.
start_builds() {
    rm -rf "$prefix"
    work=$(mktemp -d "$cache_root/building.XXXXXX")
    trap 'rm -rf "$work"' EXIT
}

# build PACKAGE CONFIGURE...: configures the package's source with the command CONFIGURE (a cmake
# with its compiler set, and the arguments every package gets) and its options, builds and
# installs it into the prefix, where the next ones find it, and copies its licence there.
build() {
    local package=$1 version=${revision[$1]} options
    options_for "$package"
    say "building $package $version"
    "${@:2}" -S "$(source_tree "$package")" -B "$work/$package" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" "${options[@]}" >"$work/$package.log" 2>&1 ||
        { tail -n 30 "$work/$package.log" >&2; return 1; }
    cmake --build "$work/$package" -j"$(nproc)" >>"$work/$package.log" 2>&1 ||
        { tail -n 30 "$work/$package.log" >&2; return 1; }
    cmake --install "$work/$package" >>"$work/$package.log" 2>&1 ||
        { tail -n 30 "$work/$package.log" >&2; return 1; }
    # What is made of them carries the licence of everything it links.
    mkdir -p "$prefix/licences"
    cp "$(source_tree "$package")/debian/copyright" \
        "$prefix/licences/$package.copyright"
}

# finish_builds INTRO: lists the revisions under INTRO in licences/sources.txt, marks the build
# complete and drops the sources (another build fetches them afresh).
finish_builds() {
    {
        echo "$1"
        print_revisions
    } >"$prefix/licences/sources.txt"
    printf '%s\n' "$key_text" >"$prefix/KEY"
    touch "$prefix/COMPLETE"
    rm -rf "$apt_dir/sources"
    say "built into $prefix ($(built_from))"
}
