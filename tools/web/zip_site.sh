#!/usr/bin/env bash
# Packs a built site into OUTPUT_FOLDER/dustreach-<version>-web.zip, ready to upload to a static
# host or a game portal: index.html at the top of the archive, every other file at its place
# beside it. <version> is the project's (CMakeLists.txt). ./web build runs it; a release does too.
#
# The .gz and .br files stay out. They serve only a host set up to send them in their originals'
# place (docs/browser.md); static hosts and portals that take an upload compress by themselves and
# would serve them as files of their own, a third of the archive's size for nothing.
# The archive is the same for the same site: its entries sorted, each dated by SOURCE_DATE_EPOCH
# (1 January 1980, the format's first day, unless set), without the builder's user.
# Usage: tools/web/zip_site.sh SITE_FOLDER [OUTPUT_FOLDER]   (OUTPUT_FOLDER: SITE_FOLDER's parent)
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 || ! -f $1/index.html ]]; then
    echo "usage: tools/web/zip_site.sh SITE_FOLDER [OUTPUT_FOLDER]" >&2
    exit 2
fi
site=$(realpath "$1")
output=$(realpath "${2:-$site/..}")
version=$(sed -n 's/^project(Dustreach VERSION \([0-9.]*\).*/\1/p' \
    "$(dirname "$0")/../../CMakeLists.txt")
if [[ -z $version ]]; then
    echo "zip_site: no project version in CMakeLists.txt" >&2
    exit 1
fi
archive=$output/dustreach-$version-web.zip

staging=$(mktemp -d)
trap 'rm -rf "$staging" "$staging.zip"' EXIT
cp -R "$site/." "$staging"
find "$staging" -type f \( -name '*.gz' -o -name '*.br' \) -delete
find "$staging" -exec touch -h -d "@${SOURCE_DATE_EPOCH:-315532800}" {} +
(cd "$staging" && find . -type f -printf '%P\n' | LC_ALL=C sort |
    TZ=UTC zip -q -X -D -9 "$staging.zip" -@)
mv "$staging.zip" "$archive"
echo "zip_site: $archive ($(stat -c %s "$archive") bytes)"
