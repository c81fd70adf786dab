#!/bin/bash
# The browser libraries' revisions, against a signed archive of our own on the disk (no network):
# tools/web/libraries.sh takes the revision the archive serves, a newer one or one that replaced
# the tested revision, with a notice naming both; offline it keeps the index it read last; with no
# index at all it says so and fails.
# Arguments: the built dustreach executable (unused), the source tree.
set -u
source_dir=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/dustreach-revisions.XXXXXX")
trap 'gpgconf --homedir "$work/gnupg" --kill all 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The key the archive is signed with.
export GNUPGHOME=$work/gnupg
mkdir -m 700 "$GNUPGHOME"
gpg --batch -q --passphrase '' --quick-gen-key "Dustreach test archive" ed25519 sign never
gpg --batch -q --export >"$work/keyring.gpg"

# suite DIR SUITE [PACKAGE=REVISION...]: a signed suite with a source index naming those packages.
suite() {
    local dists=$work/archive/$1/dists/$2 entry
    mkdir -p "$dists/main/source"
    for entry in "${@:3}"; do
        printf 'Package: %s\nBinary: %s\nVersion: %s\nMaintainer: nobody <nobody@example.org>\n' \
            "${entry%%=*}" "${entry%%=*}" "${entry#*=}"
        printf 'Architecture: any\nFormat: 3.0 (quilt)\nDirectory: pool/main/%s\n\n' "${entry%%=*}"
    done >"$dists/main/source/Sources"
    {
        printf 'Suite: %s\nCodename: %s\nDate: %s\nComponents: main\nArchitectures: source\n' \
            "$2" "$2" "$(date -Ru)"
        printf 'SHA256:\n %s %s main/source/Sources\n' \
            "$(sha256sum <"$dists/main/source/Sources" | cut -d' ' -f1)" \
            "$(stat -c %s "$dists/main/source/Sources")"
    } >"$dists/Release"
    gpg --batch -q --yes --clearsign -o "$dists/InRelease" "$dists/Release"
}
tested() {
    sed -n "s/^ *\[$1\]=//p" "$source_dir/tools/libraries/debian_sources.sh"
}
# FreeType has a security update; HarfBuzz's tested revision is gone, replaced by a newer one.
suite debian bookworm "libsdl2=$(tested libsdl2)" "freetype=$(tested freetype)" \
    "harfbuzz=6.0.0+dfsg-3+deb12u9" "libsdl2-image=$(tested libsdl2-image)" \
    "libsdl2-ttf=$(tested libsdl2-ttf)"
suite debian bookworm-updates
suite debian-security bookworm-security "freetype=2.12.1+dfsg-5+deb12u99"

# revisions: runs the script's --revisions with the archive; its output in $out, notices in $err.
revisions() {
    XDG_CACHE_HOME=$work/cache DUSTREACH_DEBIAN_MIRROR=file://$work/archive \
        DUSTREACH_DEBIAN_KEYRING=$work/keyring.gpg \
        "$source_dir/tools/web/libraries.sh" --revisions >"$work/out" 2>"$work/err"
}
expected="libsdl2 $(tested libsdl2)
freetype 2.12.1+dfsg-5+deb12u99
harfbuzz 6.0.0+dfsg-3+deb12u9
libsdl2-image $(tested libsdl2-image)
libsdl2-ttf $(tested libsdl2-ttf)"

revisions || fail "the served revisions are refused: $(cat "$work/err")"
[[ $(cat "$work/out") == "$expected" ]] || fail "not the served revisions: $(cat "$work/out")"
grep -q "notice: Debian serves freetype 2.12.1+dfsg-5+deb12u99; tested with $(tested freetype)" \
    "$work/err" || fail "no notice for the newer FreeType: $(cat "$work/err")"
grep -q "notice: Debian serves harfbuzz 6.0.0+dfsg-3+deb12u9; tested with $(tested harfbuzz)" \
    "$work/err" || fail "no notice for the replaced HarfBuzz: $(cat "$work/err")"
[[ $(grep -c notice "$work/err") == 2 ]] || fail "notices for unchanged packages: $(cat "$work/err")"

# Offline: the archive is gone, the index read before still names the same revisions.
mv "$work/archive" "$work/archive.away"
revisions || fail "offline, the index read before is not used: $(cat "$work/err")"
[[ $(cat "$work/out") == "$expected" ]] || fail "offline, other revisions: $(cat "$work/out")"
grep -q "could not be read afresh; using the one read" "$work/err" ||
    fail "offline, no notice: $(cat "$work/err")"

# Offline with no index read before: a plain failure.
rm -rf "$work/cache"
if revisions; then
    fail "no index at all, yet revisions: $(cat "$work/out")"
fi
grep -q "could not be read from file://$work/archive, and none was read before" "$work/err" ||
    fail "no index at all, no reason given: $(cat "$work/err")"

if ((failures > 0)); then
    exit 1
fi
echo "The served revisions are built, with a notice where they differ; offline, the last index."
