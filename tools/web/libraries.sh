#!/usr/bin/env bash
# Builds the libraries the browser version links, SDL2, SDL2_image, SDL2_ttf, FreeType and
# HarfBuzz, from Debian's own source packages with Debian's emscripten, once per machine, and
# prints the folder they are installed in (include/, lib/, lib/cmake/, licences/) as its last line.
# HarfBuzz is there because Debian's desktop SDL2_ttf shapes text with it: without it the same
# strings come out spaced differently.
#
# Debian's source index, the revisions, the cache and the licences are handled as for every copy
# of these libraries, by tools/libraries/debian_sources.sh. A build goes into
#     ${XDG_CACHE_HOME:-~/.cache}/dustreach/web-libraries/<key>/
# and the revisions built are listed in <key>/licences/sources.txt.
# Usage: tools/web/libraries.sh               build (or reuse) the libraries
#        tools/web/libraries.sh --revisions   only print the revisions a build would use now
# DUSTREACH_DEBIAN_MIRROR and DUSTREACH_DEBIAN_KEYRING name another archive and the key it is
# signed with.
set -euo pipefail

case ${1:-build} in
    build | --revisions) ;;
    *) echo "usage: tools/web/libraries.sh [--revisions]" >&2; exit 2 ;;
esac

readonly LIBRARIES_LABEL="web libraries"
readonly LIBRARIES_CACHE=web-libraries
# shellcheck source-path=SCRIPTDIR source=../libraries/debian_sources.sh
source "$(dirname "$0")/../libraries/debian_sources.sh"
# The source packages, in build order.
readonly PACKAGES=(libsdl2 freetype harfbuzz libsdl2-image libsdl2-ttf)

# Everything the libraries are built with; part of the cache key. Optimised for size: every byte
# is downloaded and compiled before the game starts, and the game's own code (built -O3) does the
# per-pixel work. (-Oz saves under 1 % more; see docs/performance.md.)
readonly CFLAGS_WEB="-Os"
# Each package's CMake options are in the array named after it, where the shared script's
# options_for finds them.
# shellcheck disable=SC2034 # read by name
readonly LIBSDL2_OPTIONS=(-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON
    -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF
    -DSDL_POWER=OFF -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_LOCALE=OFF)
# FreeType without compressed font formats, with only the modules the shared script names.
# shellcheck disable=SC2034 # read by name
readonly FREETYPE_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON)
# HarfBuzz in its smallest configuration (HB_TINY: OpenType shaping without variations, colour,
# CFF, AAT, threads...): all the game's plain Latin texts need, and spaced the same. The site is
# single-threaded: HarfBuzz then needs no locks.
# shellcheck disable=SC2034 # read by name
readonly HARFBUZZ_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DHB_HAVE_FREETYPE=ON -DHB_BUILD_SUBSET=OFF
    -DCMAKE_DISABLE_FIND_PACKAGE_Threads=ON -DCMAKE_C_FLAGS=-DHB_TINY -DCMAKE_CXX_FLAGS=-DHB_TINY)
# shellcheck disable=SC2034 # read by name
readonly LIBSDL2_IMAGE_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_VENDORED=OFF
    -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_BACKEND_STB=ON
    -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_BMP=OFF -DSDL2IMAGE_GIF=OFF
    -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF
    -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF
    -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_PNG_SAVE=OFF -DSDL2IMAGE_JPG_SAVE=OFF)
# shellcheck disable=SC2034 # read by name
readonly LIBSDL2_TTF_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=ON
    -DSDL2TTF_SAMPLES=OFF)

# Debian's emscripten runs its JavaScript optimiser on Debian's node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

read_revisions
if [[ ${1:-build} == --revisions ]]; then
    print_revisions
    exit 0
fi

emscripten_version=$(emcc --version | sed -n 1p)
choose_prefix "$emscripten_version" "$CFLAGS_WEB" "$0"
if [[ -f $prefix/COMPLETE ]]; then
    say "reusing $prefix ($(built_from))"
    echo "$prefix"
    exit 0
fi

fetch_sources
start_builds
for package in "${PACKAGES[@]}"; do
    build "$package" emcmake cmake -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS_RELEASE="$CFLAGS_WEB" -DCMAKE_CXX_FLAGS_RELEASE="$CFLAGS_WEB"
done
# Built with stb_image, SDL2_image needs neither libjpeg nor libpng, but the package file it
# installs still asks for both; later SDL2_image releases skip them the same way.
sed -i -e 's/NOT SDL2IMAGE_VENDORED AND NOT TARGET \(JPEG::JPEG\|PNG::PNG\))/NOT SDL2IMAGE_VENDORED AND NOT SDL2IMAGE_BACKEND_STB AND NOT TARGET \1)/' \
    "$prefix/lib/cmake/SDL2_image/SDL2_imageConfig.cmake"

finish_builds "The site's libraries, built with $emscripten_version from Debian's source packages:"
echo "$prefix"
