#!/usr/bin/env bash
# Starts the real norvale.exe under Wine on a virtual display, in a network
# namespace of its own whose one network has nobody on it but a silent
# neighbour (nothing answers, and nothing leaves this machine), and checks
# that its main window appears with the product title and that the
# discovery doctor opens after the empty first pass, its checks in the
# support log; keeps screenshots of both.
#   gui_smoke.sh BUILD_HOST BUILD_WIN OUT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_args "gui_smoke.sh BUILD_HOST BUILD_WIN OUT_DIR" "$@"
e2e_prefix "${NORVALE_WINEPREFIX:-$OUT/wine/prefix64}"
REPORT_WIDTH=46

PC_ADDRESS=10.77.0.2
nv_ns alone
nv_ns silent
nv_link alone pc0 $PC_ADDRESS/24 silent s0 10.77.0.9/24
e2e_display
wineserver_stop
support_log() { ls "$NV_WINEPREFIX"/drive_c/users/*/AppData/Local/Norvale/norvale.log 2>/dev/null | head -1; }
rm -f "$(support_log)"

mkdir -p "$OUT/logs"
nv_exec alone env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" timeout 180 $NV_WINE "$EXE" \
    >"$OUT/logs/gui-smoke-wine.log" 2>&1 &
if ! id=$(wait_for_window "$TITLE" 60); then
    echo "no window titled \"$TITLE\""
    xwininfo -root -tree | head -40
    exit 1
fi
report PASS "main window" "\"$TITLE\""
sleep 1
screenshot "$OUT/gui-smoke.png" "$id"

DOCTOR_TITLE="Norvale: no storage device found"
if doctor=$(wait_for_window "$DOCTOR_TITLE" 90); then
    report PASS "the doctor opens after the empty first pass" "\"$DOCTOR_TITLE\""
    # Its checks run behind it: the log's lines tell when they have ended.
    for _ in $(seq 1 120); do grep -q 'doctor: network-category' "$(support_log)" 2>/dev/null && break; sleep 0.5; done
    sleep 1
    screenshot "$OUT/gui-smoke-doctor.png" "$doctor"
else
    report FAIL "the doctor opens after the empty first pass" "no window titled \"$DOCTOR_TITLE\""
fi
log=$(support_log)
doctor_lines=$(tr -d '\r' <"${log:-/dev/null}" 2>/dev/null | grep -o 'doctor: .*')
contains "support log: the interface, by its address" "doctor: sockets: fine: Norvale listened on 1 interface(s):" "$doctor_lines"
contains "support log: the PC's address named" "($PC_ADDRESS)" "$doctor_lines"
# Wine's firewall answers E_NOTIMPL: the doctor says so and goes on.
contains "support log: the firewall rules, not read" "doctor: firewall-rules: not read:" "$doctor_lines"
contains "support log: the network category" "doctor: network-category:" "$doctor_lines"
printf '%s\n' "$doctor_lines" >"$OUT/logs/gui-smoke-doctor.txt"

# The firewall setup runs without a window, beside the running instance.
nv_exec alone env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" timeout 120 $NV_WINE "$EXE" \
    --firewall status >>"$OUT/logs/gui-smoke-wine.log" 2>&1
expect "--firewall status beside the window: exit 2 (no rule readable)" 2 "$?"
contains "support log: the setup says it changed nothing" "firewall: the inbound rules could not be read; nothing changed" \
    "$(tr -d '\r' <"$(support_log)" 2>/dev/null)"
WINEPREFIX="$NV_WINEPREFIX" timeout 20 wineserver -k 2>/dev/null
((FAILURES == 0)) || exit 1
echo "DETAIL: $(file -b "$EXE" | cut -d, -f1) showed \"$TITLE\" and, after a pass that found nothing, the doctor ($(grep -c . <<<"$doctor_lines") checks in the support log); screenshots out/gui-smoke*.png"
