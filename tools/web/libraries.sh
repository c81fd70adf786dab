#!/usr/bin/env bash
# Builds the libraries the browser version links, SDL2, SDL2_image, SDL2_ttf, FreeType and
# HarfBuzz, from Debian's own source packages with Debian's emscripten, once per machine, and
# prints the folder they are installed in (include/, lib/, lib/cmake/, licences/) as its last line.
# HarfBuzz is there because Debian's desktop SDL2_ttf shapes text with it: without it the same
# strings come out spaced differently.
#
# The sources come through apt with a private configuration (its own source list and state
# folder, under the cache folder): the machine's apt sources are never read or changed, and no
# root is needed. Each run reads Debian's source index (cheap when it has not changed) and builds
# the revision of each package that Debian serves now for the release: the archive keeps only the
# newest one, so a security update replaces the revision a build was tested with. The revisions
# below are those tested with; a notice names any served revision that differs (the pixel tests
# guard what matters). Offline, the index read last time is used.
# A build goes into
#     ${XDG_CACHE_HOME:-~/.cache}/dustreach/web-libraries/<key>/
# where <key> is a hash of the revisions, the compiler's version, the build flags and this script,
# so later runs and fresh clones on the same machine reuse it, and a change to any of them builds
# afresh. A build counts only once it is complete (the folder then holds COMPLETE); builds on one
# machine take turns. (The libraries' CMake files name absolute paths, so the build cannot be made
# elsewhere and moved into place.) The revisions built are listed in <key>/licences/sources.txt.
# Usage: tools/web/libraries.sh               build (or reuse) the libraries
#        tools/web/libraries.sh --revisions   only print the revisions a build would use now
# DUSTREACH_DEBIAN_MIRROR and DUSTREACH_DEBIAN_KEYRING name another archive and the key it is
# signed with.
set -euo pipefail

case ${1:-build} in
    build | --revisions) ;;
    *) echo "usage: tools/web/libraries.sh [--revisions]" >&2; exit 2 ;;
esac

# The source packages, in build order, and the revisions this script was last tested with:
# Debian 12's.
readonly PACKAGES=(libsdl2 freetype harfbuzz libsdl2-image libsdl2-ttf)
declare -rA TESTED_WITH=(
    [libsdl2]=2.26.5+dfsg-1
    [freetype]=2.12.1+dfsg-5+deb12u4
    [harfbuzz]=6.0.0+dfsg-3
    [libsdl2-image]=2.6.3+dfsg-1
    [libsdl2-ttf]=2.20.1+dfsg-2
)
readonly MIRROR=${DUSTREACH_DEBIAN_MIRROR:-http://deb.debian.org}
readonly KEYRING=${DUSTREACH_DEBIAN_KEYRING:-/usr/share/keyrings/debian-archive-keyring.gpg}

# Everything the libraries are built with; part of the cache key. Optimised for size: every byte
# is downloaded and compiled before the game starts, and the game's own code (built -O3) does the
# per-pixel work. (-Oz saves under 1 % more; see docs/performance.md.)
readonly CFLAGS_WEB="-Os"
readonly LIBSDL2_OPTIONS=(-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON
    -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF
    -DSDL_POWER=OFF -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_LOCALE=OFF)
# FreeType with only what reads and draws the game's TrueType font (FREETYPE_MODULES below) and
# no compressed font formats.
readonly FREETYPE_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON)
readonly FREETYPE_MODULES="FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_smooth_renderer_class )
FT_USE_MODULE( FT_Renderer_Class, ft_raster1_renderer_class )"
# HarfBuzz in its smallest configuration (HB_TINY: OpenType shaping without variations, colour,
# CFF, AAT, threads...): all the game's plain Latin texts need, and spaced the same. The site is
# single-threaded: HarfBuzz then needs no locks.
readonly HARFBUZZ_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DHB_HAVE_FREETYPE=ON -DHB_BUILD_SUBSET=OFF
    -DCMAKE_DISABLE_FIND_PACKAGE_Threads=ON -DCMAKE_C_FLAGS=-DHB_TINY -DCMAKE_CXX_FLAGS=-DHB_TINY)
readonly LIBSDL2_IMAGE_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_VENDORED=OFF
    -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_BACKEND_STB=ON
    -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_BMP=OFF -DSDL2IMAGE_GIF=OFF
    -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF
    -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF
    -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_PNG_SAVE=OFF -DSDL2IMAGE_JPG_SAVE=OFF)
readonly LIBSDL2_TTF_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=ON
    -DSDL2TTF_SAMPLES=OFF)

# Debian's emscripten runs its JavaScript optimiser on Debian's node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

say() { echo "web libraries: $*" >&2; }

# options_for PACKAGE: sets options to the package's CMake options.
options_for() {
    case $1 in
        libsdl2) options=("${LIBSDL2_OPTIONS[@]}") ;;
        freetype) options=("${FREETYPE_OPTIONS[@]}") ;;
        harfbuzz) options=("${HARFBUZZ_OPTIONS[@]}") ;;
        libsdl2-image) options=("${LIBSDL2_IMAGE_OPTIONS[@]}") ;;
        libsdl2-ttf) options=("${LIBSDL2_TTF_OPTIONS[@]}") ;;
    esac
}

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/dustreach/web-libraries
apt_dir=$cache_root/apt
mkdir -p "$cache_root"
# One build, or one reading of the index, at a time on a machine.
exec 9>"$cache_root/lock"
flock 9

# ---- The revisions Debian serves, read through apt with a configuration of our own -------------
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
cat >"$apt_dir/sources.list" <<EOF
deb-src [signed-by=$KEYRING] $MIRROR/debian bookworm main
deb-src [signed-by=$KEYRING] $MIRROR/debian bookworm-updates main
deb-src [signed-by=$KEYRING] $MIRROR/debian-security bookworm-security main
EOF
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "Debug::NoLocking=1"
    -o "APT::Sandbox::User=$(id -un)")

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

declare -A revision
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
# built_from: the packages and revisions, on one line.
built_from() {
    local package list=()
    for package in "${PACKAGES[@]}"; do
        list+=("$package ${revision[$package]}")
    done
    (IFS=, && echo "${list[*]}" | sed 's/,/, /g')
}

if [[ ${1:-build} == --revisions ]]; then
    for package in "${PACKAGES[@]}"; do
        echo "$package ${revision[$package]}"
    done
    exit 0
fi

emscripten_version=$(emcc --version | sed -n 1p)
key_text=$emscripten_version
for package in "${PACKAGES[@]}"; do
    options_for "$package"
    key_text+=$'\n'"$package ${revision[$package]} ${options[*]}"
done
key_text+=$'\n'"$CFLAGS_WEB"$'\n'"$FREETYPE_MODULES"$'\n'"recipe $(sha256sum <"$0" | cut -c1-16)"
key=$(printf '%s' "$key_text" | sha256sum | cut -c1-16)
prefix=$cache_root/$key
if [[ -f $prefix/COMPLETE ]]; then
    say "reusing $prefix ($(built_from))"
    echo "$prefix"
    exit 0
fi

# ---- Sources ------------------------------------------------------------------------------------
mkdir -p "$apt_dir/sources"
# fetch PACKAGE: unpacks the source package's served revision into $apt_dir/sources/.
fetch() {
    local package=$1 version=${revision[$1]}
    local tree=$apt_dir/sources/$package-$version
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

for package in "${PACKAGES[@]}"; do
    fetch "$package"
done
# FreeType's configuration: its module list, and no zlib or LZW for compressed fonts.
freetype_config=$apt_dir/sources/freetype-${revision[freetype]}/include/freetype/config
printf '%s\n' "$FREETYPE_MODULES" >"$freetype_config/ftmodule.h"
sed -i -e 's|^#define FT_CONFIG_OPTION_USE_\(ZLIB\|LZW\)$|/* & */|' "$freetype_config/ftoption.h"

# ---- Builds ------------------------------------------------------------------------------------------
rm -rf "$prefix"
work=$(mktemp -d "$cache_root/building.XXXXXX")
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)

# build PACKAGE: configures, builds and installs one library into the prefix, where the next ones
# find it.
build() {
    local package=$1 version=${revision[$1]} options
    options_for "$package"
    say "building $package $version"
    emcmake cmake -S "$apt_dir/sources/$package-$version" -B "$work/$package" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$CFLAGS_WEB" \
        -DCMAKE_CXX_FLAGS_RELEASE="$CFLAGS_WEB" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" "${options[@]}" >"$work/$package.log" 2>&1 ||
        { tail -n 30 "$work/$package.log" >&2; return 1; }
    cmake --build "$work/$package" -j"$jobs" >>"$work/$package.log" 2>&1 ||
        { tail -n 30 "$work/$package.log" >&2; return 1; }
    cmake --install "$work/$package" >>"$work/$package.log" 2>&1 ||
        { tail -n 30 "$work/$package.log" >&2; return 1; }
    # The site carries the licence of everything it links.
    mkdir -p "$prefix/licences"
    cp "$apt_dir/sources/$package-$version/debian/copyright" \
        "$prefix/licences/$package.copyright"
}

for package in "${PACKAGES[@]}"; do
    build "$package"
done
# Built with stb_image, SDL2_image needs neither libjpeg nor libpng, but the package file it
# installs still asks for both; later SDL2_image releases skip them the same way.
sed -i -e 's/NOT SDL2IMAGE_VENDORED AND NOT TARGET \(JPEG::JPEG\|PNG::PNG\))/NOT SDL2IMAGE_VENDORED AND NOT SDL2IMAGE_BACKEND_STB AND NOT TARGET \1)/' \
    "$prefix/lib/cmake/SDL2_image/SDL2_imageConfig.cmake"

# What the site was built from, for its licence folder.
{
    echo "The site's libraries, built with $emscripten_version from Debian's source packages:"
    for package in "${PACKAGES[@]}"; do
        echo "$package ${revision[$package]}"
    done
} >"$prefix/licences/sources.txt"
printf '%s\n' "$key_text" >"$prefix/KEY"
touch "$prefix/COMPLETE"
# The sources are needed again only for another build, which fetches them afresh.
rm -rf "$apt_dir/sources"
say "built into $prefix ($(built_from))"
echo "$prefix"
