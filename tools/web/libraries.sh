#!/usr/bin/env bash
# Builds the libraries the browser version links, SDL2, SDL2_image, SDL2_ttf, FreeType and
# HarfBuzz, from Debian's own source packages with Debian's emscripten, once per machine, and
# prints the folder they are installed in (include/, lib/, lib/cmake/, licences/) as its last line.
# HarfBuzz is there because Debian's desktop SDL2_ttf shapes text with it: without it the same
# strings come out spaced differently.
#
# The sources come through apt with a private configuration (its own source list and state
# folder, under the cache folder): the machine's apt sources are never read or changed, and no
# root is needed. The versions are pinned below. A build goes into
#     ${XDG_CACHE_HOME:-~/.cache}/dustreach/web-libraries/<key>/
# where <key> is a hash of the versions, the compiler's version, the build flags and this script,
# so later runs and fresh clones on the same machine reuse it, and a change to any of them builds
# afresh. A build counts only once it is complete (the folder then holds COMPLETE); builds on one
# machine take turns. (The libraries' CMake files name absolute paths, so the build cannot be made
# elsewhere and moved into place.)
# Usage: tools/web/libraries.sh
set -euo pipefail

# Pinned source versions: Debian 12's.
readonly SDL2_VERSION=2.26.5+dfsg-1
readonly SDL2_IMAGE_VERSION=2.6.3+dfsg-1
readonly SDL2_TTF_VERSION=2.20.1+dfsg-2
readonly FREETYPE_VERSION=2.12.1+dfsg-5+deb12u4
readonly HARFBUZZ_VERSION=6.0.0+dfsg-3
readonly MIRROR=${DUSTREACH_DEBIAN_MIRROR:-http://deb.debian.org}

# Everything the libraries are built with; part of the cache key. Optimised for size: the site's
# whole download is held to 3 MB, and the game's own code (built -O3) does the per-pixel work.
readonly CFLAGS_WEB="-Os"
readonly SDL2_OPTIONS=(-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON
    -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF
    -DSDL_POWER=OFF -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_LOCALE=OFF)
readonly FREETYPE_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON)
# The site is single-threaded: HarfBuzz then needs no locks.
readonly HARFBUZZ_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DHB_HAVE_FREETYPE=ON -DHB_BUILD_SUBSET=OFF
    -DCMAKE_DISABLE_FIND_PACKAGE_Threads=ON)
readonly SDL2_IMAGE_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_VENDORED=OFF
    -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_BACKEND_STB=ON
    -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_BMP=OFF -DSDL2IMAGE_GIF=OFF
    -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF
    -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF
    -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_PNG_SAVE=OFF -DSDL2IMAGE_JPG_SAVE=OFF)
readonly SDL2_TTF_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=ON
    -DSDL2TTF_SAMPLES=OFF)

# Debian's emscripten runs its JavaScript optimiser on Debian's node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

say() { echo "web libraries: $*" >&2; }

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/dustreach/web-libraries
emscripten_version=$(emcc --version | sed -n 1p)
key_text="$emscripten_version
libsdl2 $SDL2_VERSION ${SDL2_OPTIONS[*]}
freetype $FREETYPE_VERSION ${FREETYPE_OPTIONS[*]}
harfbuzz $HARFBUZZ_VERSION ${HARFBUZZ_OPTIONS[*]}
libsdl2-image $SDL2_IMAGE_VERSION ${SDL2_IMAGE_OPTIONS[*]}
libsdl2-ttf $SDL2_TTF_VERSION ${SDL2_TTF_OPTIONS[*]}
$CFLAGS_WEB
recipe $(sha256sum <"$0" | cut -c1-16)"
key=$(printf '%s' "$key_text" | sha256sum | cut -c1-16)
prefix=$cache_root/$key
mkdir -p "$cache_root"
exec 9>"$cache_root/lock"
flock 9
if [[ -f $prefix/COMPLETE ]]; then
    say "reusing $prefix"
    echo "$prefix"
    exit 0
fi

# ---- Sources, through apt with a configuration of our own ----------------------------------------
apt_dir=$cache_root/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat >"$apt_dir/sources.list" <<EOF
deb-src [signed-by=$keyring] $MIRROR/debian bookworm main
deb-src [signed-by=$keyring] $MIRROR/debian bookworm-updates main
deb-src [signed-by=$keyring] $MIRROR/debian-security bookworm-security main
EOF
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "Debug::NoLocking=1"
    -o "APT::Sandbox::User=$(id -un)")

index_read=false
# fetch PACKAGE VERSION: unpacks the source package into $apt_dir/sources/PACKAGE-VERSION.
fetch() {
    local package=$1 version=$2
    local tree=$apt_dir/sources/$package-$version
    [[ -d $tree ]] && return 0
    if [[ $index_read == false ]]; then
        say "reading Debian's source index"
        apt-get "${apt_options[@]}" -qq update >&2
        index_read=true
    fi
    say "fetching $package $version"
    local download
    download=$(mktemp -d "$apt_dir/sources/download.XXXXXX")
    if ! (cd "$download" && apt-get "${apt_options[@]}" -qq source --download-only \
        "$package=$version" >&2); then
        rm -rf "$download"
        say "Debian's archive no longer offers $package $version; raise the pin in $0"
        return 1
    fi
    # The .dsc's hashes were checked by apt against the signed index.
    (cd "$download" && dpkg-source --no-check -x ./*.dsc unpacked >/dev/null)
    mv "$download/unpacked" "$tree"
    rm -rf "$download"
}

fetch libsdl2 "$SDL2_VERSION"
fetch freetype "$FREETYPE_VERSION"
fetch harfbuzz "$HARFBUZZ_VERSION"
fetch libsdl2-image "$SDL2_IMAGE_VERSION"
fetch libsdl2-ttf "$SDL2_TTF_VERSION"

# ---- Builds ------------------------------------------------------------------------------------------
rm -rf "$prefix"
work=$(mktemp -d "$cache_root/building.XXXXXX")
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)

# build PACKAGE VERSION OPTIONS...: configures, builds and installs one library into the prefix,
# where the next ones find it.
build() {
    local package=$1 version=$2
    shift 2
    say "building $package $version"
    emcmake cmake -S "$apt_dir/sources/$package-$version" -B "$work/$package" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$CFLAGS_WEB" \
        -DCMAKE_CXX_FLAGS_RELEASE="$CFLAGS_WEB" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" "$@" >"$work/$package.log" 2>&1 ||
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

build libsdl2 "$SDL2_VERSION" "${SDL2_OPTIONS[@]}"
build freetype "$FREETYPE_VERSION" "${FREETYPE_OPTIONS[@]}"
build harfbuzz "$HARFBUZZ_VERSION" "${HARFBUZZ_OPTIONS[@]}"
build libsdl2-image "$SDL2_IMAGE_VERSION" "${SDL2_IMAGE_OPTIONS[@]}"
# Built with stb_image, SDL2_image needs neither libjpeg nor libpng, but the package file it
# installs still asks for both; later SDL2_image releases skip them the same way.
sed -i -e 's/NOT SDL2IMAGE_VENDORED AND NOT TARGET \(JPEG::JPEG\|PNG::PNG\))/NOT SDL2IMAGE_VENDORED AND NOT SDL2IMAGE_BACKEND_STB AND NOT TARGET \1)/' \
    "$prefix/lib/cmake/SDL2_image/SDL2_imageConfig.cmake"
build libsdl2-ttf "$SDL2_TTF_VERSION" "${SDL2_TTF_OPTIONS[@]}"

printf '%s\n' "$key_text" >"$prefix/KEY"
touch "$prefix/COMPLETE"
# The sources are needed again only for another build, which fetches them afresh.
rm -rf "$apt_dir/sources" "$apt_dir/lists"
say "built into $prefix"
echo "$prefix"
