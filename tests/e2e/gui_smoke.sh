#!/usr/bin/env bash
# Starts the real norvale.exe under Wine on a virtual display, in a network
# namespace of its own with no interface but loopback (a PC without a
# network: the first discovery pass finds nothing, and nothing leaves this
# machine), and checks that its main window appears with the product title;
# keeps a screenshot.
#   gui_smoke.sh BUILD_HOST BUILD_WIN OUT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_args "gui_smoke.sh BUILD_HOST BUILD_WIN OUT_DIR" "$@"
e2e_prefix "${NORVALE_WINEPREFIX:-$OUT/wine/prefix64}"

nv_ns alone
e2e_display
wineserver_stop

mkdir -p "$OUT/logs"
nv_exec alone env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" timeout 120 $NV_WINE "$EXE" \
    >"$OUT/logs/gui-smoke-wine.log" 2>&1 &
if ! id=$(wait_for_window "$TITLE" 60); then
    echo "no window titled \"$TITLE\""
    xwininfo -root -tree | head -40
    exit 1
fi
sleep 1
screenshot "$OUT/gui-smoke.png" "$id"
echo "DETAIL: $(file -b "$EXE" | cut -d, -f1) showed \"$TITLE\" on a PC without a network; screenshot out/gui-smoke.png"
