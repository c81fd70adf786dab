#!/usr/bin/env bash
# Writes NAME.gz (gzip -9) and NAME.br (brotli, best) beside every file of a finished site that is
# large enough to gain from it, for a server that sends them in the file's place (tools/web/serve.py;
# docs name the settings of common hosts). The last step of ./web build: it looks at whatever files
# the folder holds, under any name. A compressed file is kept only where it saves a tenth of the
# bytes (pictures and fonts that are packed already gain nothing); it carries its original's time,
# so one whose original changed or went away is replaced or removed on the next run.
# Usage: tools/web/compress.sh SITE_FOLDER
set -euo pipefail

if [[ $# -ne 1 || ! -d $1 ]]; then
    echo "usage: tools/web/compress.sh SITE_FOLDER" >&2
    exit 2
fi
# Below a packet's worth of bytes, compression saves no time.
readonly SMALLEST=1400

# Stale ones first: an original that is gone or has another time than its compressed form.
while IFS= read -r -d '' packed; do
    original=${packed%.*}
    if [[ ! -f $original || $original -nt $packed || $original -ot $packed ]]; then
        rm -f "$packed"
    fi
done < <(find "$1" -type f \( -name '*.gz' -o -name '*.br' \) -print0)

# write ORIGINAL SUFFIX COMMAND...: ORIGINAL compressed by COMMAND (reading standard input) into
# ORIGINAL.SUFFIX, unless that exists or would not pay.
write() {
    local original=$1 packed=$1.$2
    shift 2
    [[ -f $packed ]] && return 0
    "$@" <"$original" >"$packed.tmp"
    if (($(stat -c %s "$packed.tmp") * 10 <= $(stat -c %s "$original") * 9)); then
        touch -r "$original" "$packed.tmp"
        mv "$packed.tmp" "$packed"
    else
        rm -f "$packed.tmp"
    fi
}

while IFS= read -r -d '' original; do
    write "$original" gz gzip -9 -n -c
    write "$original" br brotli -q 11 -c
done < <(find "$1" -type f ! -name '*.gz' ! -name '*.br' ! -name '*.tmp' -size +"$SMALLEST"c -print0)
