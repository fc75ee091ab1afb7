#!/usr/bin/env bash
# The real norvale.exe under Wine connects a target whose disk carries no
# volume: the format wizard opens for it (its name in upper case), and its
# Cancel logs the target out again. The appliance runs in norvale-sim, the
# initiator in norvale-initiator-sim behind its stand-ins in the prefix; the
# probe drives the windows from outside as a user would. Wine has no disks
# behind the initiator's sessions, so the wizard never learns the disk's size:
# it says so after its bounded wait and leaves only Cancel, which is what is
# tested here (the partitioning itself is proven on the simulated Windows,
# also over iSCSI: tests/integration/disk_over_iscsi.sh). The target is a
# real one, tgtd in the appliance's namespace with a 10 GiB LUN: the
# initiator logs in there, and the target sees the session come and go.
#
#   wizard.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR
#
# NORVALE_WINE names the Wine loader; NORVALE_WINEPREFIX, when set, is a fresh
# prefix to use. Screenshots go to OUT_DIR/e2e/wizard-*.png. One line per
# case; exit 1 when any fails.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_args "wizard.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR" "$@"
e2e_need "$NV_SIM" "$DAEMON" "$EXE" "$PROBE"
mkdir -p "$SHOTS"

DEVICE_LIST=1000 EXIT=1009 TARGET_LIST=1029 TARGET_CONNECT=1030 CANCEL=2
WIZARD_TARGET=1040 WIZARD_STATUS=1044 WIZARD_OK=1

nv_ns pc
nv_ns nas1
nv_bridge lan
nv_bridge_port lan pc pc0 192.168.10.2/24
nv_bridge_port lan nas1 n1 192.168.10.20/24
ARCHIVE='{"interface": "n1", "id": "00:1a:2b:00:00:20", "address": "192.168.10.20", "netmask": "255.255.255.0",
   "gateway": "192.168.10.1", "name": "Archive", "service": "iscsi",
   "targets": [{"name": "iqn.2026-12.com.orrin:archive.blank", "lunBytes": 10737418240}]}'
printf '{"appliances": [%s]}\n' "$ARCHIVE" >"$NV_DIR/archive.json"
nv_start_sim nas1 "$NV_DIR/archive.json" nas1
nv_start_tgt nas1 192.168.10.20 nas1-target
nv_tgt_from_config "$TGT" "$NV_DIR/archive.json"

e2e_display
start_daemon daemon "$NV_DIR/archive.json" --real-targets
e2e_prefix "${NORVALE_WINEPREFIX:-$NV_DIR/prefix}"
install_standins
start_program 900
probe wait $START_WAIT wait-rows $DEVICE_LIST 1 60 || program_not_shown
probe click-row $DEVICE_LIST "$(row_of $DEVICE_LIST Archive)" wait-rows $TARGET_LIST 1 60
probe click-row $TARGET_LIST 0 text $TARGET_CONNECT
expect "the target offers Connect" '"Connect"' "$(value text $TARGET_CONNECT)"

# Connect: the login, then the wizard for the disk without volume.
probe click-async $TARGET_CONNECT dialog Format 180 text $WIZARD_TARGET enabled $WIZARD_OK text $WIZARD_STATUS
expect "the wizard opens for the target, its name in upper case" '"IQN.2026-12.COM.ORRIN:ARCHIVE.BLANK"' \
    "$(value text $WIZARD_TARGET)"
expect "without a disk size OK stays disabled" 0 "$(value enabled $WIZARD_OK)"
contains "... and the status line says why" "did not report its size in time" "$(value text $WIZARD_STATUS)"
screenshot "$SHOTS/wizard-no-disk.png" "$(xdotool search --name '^Format$' 2>/dev/null | head -1)" 2>/dev/null
log="$(ask LOG | tr -d '\r')"
contains "the stand-in saw the login" "0 accepted iscsicli logintarget iqn.2026-12.com.orrin:archive.blank" "$log"
expect "... and the target holds its session" "iqn.2026-12.com.orrin:archive.blank iqn.1991-05.com.microsoft:norvale-pc 192.168.10.2" \
    "$(nv_tgt_sessions "$TGT")"

# Cancel undoes the connection.
probe dialog Format 5 click $CANCEL main wait-idle
for _ in $(seq 1 60); do
    log="$(ask LOG | tr -d '\r')"
    grep -q 'iscsicli removepersistenttarget' <<<"$log" && break
    sleep 1
done
contains "Cancel logs the target out" "0 accepted iscsicli logouttarget " "$log"
contains "... and removes its persistent login" "0 accepted iscsicli removepersistenttarget " "$log"
expect "no session is left" 0 "$(ask STATE | grep -c '^session ')"
expect "... also at the target" "" "$(nv_tgt_sessions "$TGT")"
probe click $EXIT

echo "DETAIL: connect through the format wizard end to end, $FAILURES failed; screenshot in ${SHOTS#"$ROOT"/}/wizard-*.png"
((FAILURES == 0))
