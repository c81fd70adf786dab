#!/usr/bin/env bash
# Builds every download into dist/, each named with the version CMake's project version gives
# (CMakeLists.txt, the one place it is written):
#     dustreach_<version>_<arch>.deb           the Debian package (tools/make_package.sh)
#     dustreach-<version>-windows-x64.zip      the Windows game (./windows build)
#     dustreach-<version>-web.zip              the browser version's site (./web build)
#     SHA256SUMS                               the SHA-256 of the three, for sha256sum -c
# Installs what is missing on the way, as the scripts it calls do. dist/ is made afresh.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(Dustreach VERSION \([0-9][0-9.]*\) .*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "release: no project version in CMakeLists.txt" >&2; exit 1; }

tools/install_packages.sh g++ cmake pkg-config make libsdl2-dev libsdl2-image-dev \
    libsdl2-ttf-dev dpkg-dev
tools/make_package.sh
./windows build
./web build
# ./web build writes the site's zip (tools/web/zip_site.sh).
site_zip=build-web/dustreach-$version-web.zip

downloads=(build-pkg/dustreach_"$version"_*.deb
    "build-windows/dustreach-$version-windows-x64.zip" "$site_zip")
for download in "${downloads[@]}"; do
    [[ -f $download ]] || { echo "release: $download was not made" >&2; exit 1; }
done
rm -rf dist
mkdir dist
cp "${downloads[@]}" dist/
(cd dist && sha256sum -- *.deb *.zip >SHA256SUMS)
echo "release: dist/ holds"
ls -l dist
