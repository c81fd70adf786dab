#!/usr/bin/env bash
# Builds the libraries the Windows game links statically, SDL2, SDL2_image, SDL2_ttf, FreeType,
# HarfBuzz and libjpeg-turbo, from Debian's own source packages with Debian's
# mingw-w64, once per machine, and prints the folder they are installed in (include/, lib/,
# lib/cmake/, licences/) as its last line.
# SDL2_image reads PNG with its own decoder (stb_image: lossless, the same pixels as libpng) and
# JPEG with libjpeg-turbo, as Debian's desktop SDL2_image does: stb_image's JPEG decoder rounds
# some pixels differently, and the pictures must come out as on the desktop, to the pixel. It
# writes PNG too, for the tests' pictures of what they drew.
#
# Debian's source index, the revisions, the cache and the licences are handled as for every copy
# of these libraries, by tools/libraries/debian_sources.sh. A build goes into
#     ${XDG_CACHE_HOME:-~/.cache}/dustreach/windows-libraries/<key>/
# and the revisions built are listed in <key>/licences/sources.txt.
# Usage: tools/windows/libraries.sh               build (or reuse) the libraries
#        tools/windows/libraries.sh --revisions   only print the revisions a build would use now
set -euo pipefail

case ${1:-build} in
    build | --revisions) ;;
    *) echo "usage: tools/windows/libraries.sh [--revisions]" >&2; exit 2 ;;
esac

readonly LIBRARIES_LABEL="windows libraries"
readonly LIBRARIES_CACHE=windows-libraries
# shellcheck source-path=SCRIPTDIR source=../libraries/debian_sources.sh
source "$(dirname "$0")/../libraries/debian_sources.sh"
TOOLCHAIN=$(cd "$(dirname "$0")/../../cmake" && pwd)/WindowsToolchain.cmake
readonly TOOLCHAIN
# The source packages, in build order.
readonly PACKAGES=(libsdl2 freetype harfbuzz libjpeg-turbo libsdl2-image libsdl2-ttf)

# Everything the libraries are built with; part of the cache key.
readonly CFLAGS_WINDOWS="-O2"
# Each package's CMake options are in the array named after it, where the shared script's
# options_for finds them.
# SDL with everything it has on Windows but audio and its own tests: the joystick and
# game-controller subsystems stay, with the virtual joystick.
# shellcheck disable=SC2034 # read by name
readonly LIBSDL2_OPTIONS=(-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_AUDIO=OFF)
# FreeType without compressed font formats, with only the modules the shared script names.
# shellcheck disable=SC2034 # read by name
readonly FREETYPE_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON)
# HarfBuzz as the browser's (HB_TINY): the game's plain Latin texts spaced as on the desktop.
# shellcheck disable=SC2034 # read by name
readonly HARFBUZZ_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DHB_HAVE_FREETYPE=ON -DHB_BUILD_SUBSET=OFF
    -DCMAKE_DISABLE_FIND_PACKAGE_Threads=ON -DCMAKE_C_FLAGS=-DHB_TINY -DCMAKE_CXX_FLAGS=-DHB_TINY)
# With its SIMD code (nasm), as Debian builds it: the fast DCT SDL2_image asks for rounds as the
# desktop's does.
# shellcheck disable=SC2034 # read by name
readonly LIBJPEG_TURBO_OPTIONS=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
    -DREQUIRE_SIMD=ON -DCMAKE_INSTALL_DEFAULT_LIBDIR=lib)
# shellcheck disable=SC2034 # read by name
readonly LIBSDL2_IMAGE_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_VENDORED=OFF
    -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_BACKEND_STB=ON
    -DSDL2IMAGE_BACKEND_WIC=OFF
    -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_BMP=OFF -DSDL2IMAGE_GIF=OFF
    -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF
    -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF
    -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_JXL=OFF
    -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_PNG_SAVE=ON -DSDL2IMAGE_JPG_SAVE=OFF)
# shellcheck disable=SC2034 # read by name
readonly LIBSDL2_TTF_OPTIONS=(-DBUILD_SHARED_LIBS=OFF -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=ON
    -DSDL2TTF_SAMPLES=OFF)

read_revisions
if [[ ${1:-build} == --revisions ]]; then
    print_revisions
    exit 0
fi

compiler_version="$(x86_64-w64-mingw32-g++-posix --version | sed -n 1p), $(nasm -v)"
choose_prefix "$compiler_version" "$CFLAGS_WINDOWS $(cat "$TOOLCHAIN")" "$0"
if [[ -f $prefix/COMPLETE ]]; then
    say "reusing $prefix ($(built_from))"
    echo "$prefix"
    exit 0
fi

fetch_sources
# SDL2_image takes stb_image for both formats or for neither: JPEG goes to libjpeg-turbo here.
image_source=$(source_tree libsdl2-image)
sed -i -e '0,/^#if defined(USE_STBIMAGE)$/s//#if 0 \/* JPEG through libjpeg *\//' \
    "$image_source/IMG_jpg.c"
sed -i -e '/^if(SDL2IMAGE_JPG)$/,/^endif()$/s/if(NOT SDL2IMAGE_BACKEND_STB AND /if(/' \
    "$image_source/CMakeLists.txt"
start_builds
for package in "${PACKAGES[@]}"; do
    build "$package" cmake -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS_RELEASE="$CFLAGS_WINDOWS" -DCMAKE_CXX_FLAGS_RELEASE="$CFLAGS_WINDOWS"
done
# The installed package file asks for libpng too, which stb_image replaces.
sed -i -e 's/NOT SDL2IMAGE_VENDORED AND NOT TARGET PNG::PNG)/NOT SDL2IMAGE_VENDORED AND NOT SDL2IMAGE_BACKEND_STB AND NOT TARGET PNG::PNG)/' \
    "$prefix/lib/cmake/SDL2_image/SDL2_imageConfig.cmake"

finish_builds "The Windows game's libraries, built with $compiler_version from Debian's source packages:"
echo "$prefix"
