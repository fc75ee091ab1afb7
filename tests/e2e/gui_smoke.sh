#!/usr/bin/env bash
# Starts the real norvale.exe under Wine on a virtual display, in a network
# namespace of its own with no interface but loopback (a PC without a
# network: the first discovery pass finds nothing, and nothing leaves this
# machine), and checks that its main window appears with the product title;
# keeps a screenshot.
#   gui_smoke.sh BUILD_HOST BUILD_WIN OUT_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_lib.sh"
. "$here/../integration/netns_lib.sh"

exe=${2:?usage: gui_smoke.sh BUILD_HOST BUILD_WIN OUT_DIR}/app/norvale.exe
out=${3:?}
title="Orrin's HVB-3300-12 Norvale"
NV_WINEPREFIX=${NORVALE_WINEPREFIX:-$out/wine/prefix64}
wine=${NORVALE_WINE:-wine}
[ -f "$NV_WINEPREFIX/system.reg" ] || { WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all $wine wineboot -i >/dev/null 2>&1; }

nv_ns alone
xvfb_start || exit 1
NV_WINE_USED=1
trap 'xvfb_stop; nv_cleanup' EXIT
WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null
WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -w 2>/dev/null

nv_exec alone env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" timeout 120 $wine "$exe" \
    >"$out/logs/gui-smoke-wine.log" 2>&1 &
if ! id=$(wait_for_window "$title" 60); then
    echo "no window titled \"$title\""
    xwininfo -root -tree | head -40
    exit 1
fi
sleep 1
screenshot "$out/gui-smoke.png" "$id"
echo "DETAIL: $(file -b "$exe" | cut -d, -f1) showed \"$title\" on a PC without a network; screenshot out/gui-smoke.png"
