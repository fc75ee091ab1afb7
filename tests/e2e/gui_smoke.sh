#!/usr/bin/env bash
# Starts the real norvale.exe under Wine on a virtual display and checks that
# its main window appears with the product title; keeps a screenshot.
#   gui_smoke.sh NORVALE_EXE OUT_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_lib.sh"

exe=$1 out=$2
title="Orrin's HVB-3300-12 Norvale"
prefix=${NORVALE_WINEPREFIX:-$out/wine/prefix64}
wine=${NORVALE_WINE:-wine}
[ -f "$prefix/system.reg" ] || { WINEPREFIX="$prefix" WINEDEBUG=-all $wine wineboot -i >/dev/null 2>&1; }

xvfb_start || exit 1
cleanup() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    xvfb_stop
}
trap cleanup EXIT

WINEPREFIX="$prefix" WINEDEBUG=-all $wine "$exe" >"$out/logs/gui-smoke-wine.log" 2>&1 &
if ! id=$(wait_for_window "$title" 60); then
    echo "no window titled \"$title\""
    xwininfo -root -tree | head -40
    exit 1
fi
sleep 1
screenshot "$out/gui-smoke.png" "$id"
echo "DETAIL: window \"$title\" shown (id $id), screenshot out/gui-smoke.png"
