#!/bin/sh
# Builds the Debian package from a clean release build in build-pkg/ of the source tree; the
# package lands as build-pkg/dustreach_<version>_<arch>.deb. Then, when lintian is installed, runs
# Debian's own checks on it and fails on any error or warning they report. Needs cmake, a C++17
# compiler, the SDL2, SDL2_image and SDL2_ttf development packages and dpkg-dev.
set -eu
cd -- "$(dirname -- "$0")/.."
# Debian's own compiler and linker flags with every hardening feature, as its package builds use.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build-pkg -j2
# A package of an earlier version would otherwise be checked alongside the new one.
rm -f build-pkg/dustreach_*.deb
(cd build-pkg && cpack -G DEB)
if command -v lintian >/dev/null; then
    lintian --info --display-info --fail-on error,warning build-pkg/dustreach_*.deb
else
    echo "make_package: lintian is not installed; the package was not checked"
fi
