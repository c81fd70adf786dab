#!/bin/sh
# Builds the Debian package from a clean release build in build-pkg/ of the source tree; the
# package lands as build-pkg/dustreach_<version>_<arch>.deb. Needs cmake, a C++17 compiler, the
# SDL2, SDL2_image and SDL2_ttf development packages and dpkg-dev.
set -eu
cd -- "$(dirname -- "$0")/.."
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build-pkg -j2
(cd build-pkg && cpack -G DEB)
