#!/usr/bin/env bash
# The desktop menu entry and the AppStream metadata that the install ships pass their validators and
# name the launcher and the icon that the install puts in place; the manual page formats without a
# warning.
# Arguments: the built dustreach (unused), the source folder.
set -euo pipefail
entry=$2/packaging/org.dustreach.Dustreach.desktop
desktop-file-validate "$entry"
grep -qx 'Exec=dustreach' "$entry" || { echo "FAIL: Exec is not the launcher" >&2; exit 1; }
grep -qx 'Icon=dustreach' "$entry" || { echo "FAIL: Icon is not dustreach" >&2; exit 1; }
# 48 x 48 is the one size every icon theme must have.
[[ -f $2/assets/icons/48x48/dustreach.png ]] || { echo "FAIL: no 48 px icon" >&2; exit 1; }
# Pedantic notes pass; an info, a warning or an error fails.
appstreamcli validate --strict --no-net "$2/packaging/org.dustreach.Dustreach.metainfo.xml"
if command -v man >/dev/null; then
    warnings=$(man --warnings -l "$2/packaging/dustreach.6" 2>&1 >/dev/null)
    [[ -z $warnings ]] || { echo "FAIL: manual page: $warnings" >&2; exit 1; }
fi
echo "PASS: desktop entry, metainfo and manual page are valid"
