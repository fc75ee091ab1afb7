#!/usr/bin/env bash
# The real norvale.exe under Wine connects a target whose disk carries no
# volume: the format wizard opens for it (its name in upper case), and its
# Cancel logs the target out again. The appliance runs in norvale-sim, the
# initiator in norvale-initiator-sim behind its stand-ins in the prefix; the
# probe drives the windows from outside as a user would. Wine has no disks
# behind the initiator's sessions, so the wizard never learns the disk's size:
# it says so after its bounded wait and leaves only Cancel, which is what is
# tested here (the partitioning itself is proven on the simulated Windows).
#
#   wizard.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR
#
# NORVALE_WINE names the Wine loader; NORVALE_WINEPREFIX, when set, is a fresh
# prefix to use. Screenshots go to OUT_DIR/e2e/wizard-*.png. One line per
# case; exit 1 when any fails.
set -u
HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
BUILD_HOST="${1:?usage: wizard.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR}"
BUILD_WIN="${2:?}"
OUT="$(mkdir -p "${3:?}" && cd "$3" && pwd)"
source "$ROOT/tests/integration/netns_lib.sh"
source "$HERE/xvfb_lib.sh"

NV_SIM="$BUILD_HOST/tools/simulator/norvale-sim"
DAEMON="$BUILD_HOST/tools/initiator_sim/norvale-initiator-sim"
EXE="$BUILD_WIN/app/norvale.exe"
PROBE="$BUILD_WIN/tests/e2e/norvale_probe.exe"
TITLE="Orrin's HVB-3300-12 Norvale"
[[ -x "$NV_SIM" && -x "$DAEMON" && -f "$EXE" && -f "$PROBE" ]] ||
    nv_fail "build norvale-sim, norvale-initiator-sim, norvale.exe and norvale_probe.exe first"
NV_WINE="${NORVALE_WINE:-wine}"
SHOTS="$OUT/e2e"
mkdir -p "$SHOTS"

DEVICE_LIST=1000 EXIT=1009 TARGET_LIST=1029 TARGET_CONNECT=1030 CANCEL=2
WIZARD_TARGET=1040 WIZARD_STATUS=1044 WIZARD_OK=1

FAILURES=0
report() {  # PASS|FAIL NAME DETAIL
    printf '%-4s %-50s %s\n' "$1" "$2" "$3"
    [[ "$1" == PASS ]] || FAILURES=$((FAILURES + 1))
}
expect() { if [[ "$2" == "$3" ]]; then report PASS "$1" "$3"; else report FAIL "$1" "expected [$2], got [$3]"; fi; }
contains() { if grep -qF -- "$2" <<<"$3"; then report PASS "$1" "$2"; else report FAIL "$1" "[$2] not in [$3]"; fi; }

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

DAEMON_PID="" PORT="" PROGRAM=""
in_pc() { nv_exec pc env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" "$@"; }
ask() { nv_exec pc "$DAEMON" --ask "127.0.0.1:$PORT" "$@" 2>&1; }
finish() {
    [[ -n "$PROGRAM" ]] && kill "$PROGRAM" 2>/dev/null
    nv_stop "$DAEMON_PID"
    xvfb_stop
    nv_cleanup
}
PROBE_OUT=""
probe() {
    local status
    in_pc timeout 300 $NV_WINE "$PROBE" "$TITLE" "$@" >"$NV_DIR/probe.out" 2>"$NV_DIR/probe.err"
    status=$?
    PROBE_OUT="$(tr -d '\r' <"$NV_DIR/probe.out")"
    [[ $status -eq 0 ]] || report FAIL "probe: $*" "$(tr -d '\r' <"$NV_DIR/probe.err" | grep -v fixme | tail -2)"
    return $status
}
value() { grep -E "^$1 $2 " <<<"$PROBE_OUT" | tail -1 | cut -d' ' -f3-; }
rows_of() { grep "^row $1 " <<<"$PROBE_OUT" | cut -d' ' -f4-; }
row_of() { awk -v list="$1" -v name="$2" -F'|' '$0 ~ "^row " list " " { split($1, head, " "); if (head[4] == name) print head[3] }' <<<"$PROBE_OUT"; }

xvfb_start || nv_fail "no display"
NV_WINE_USED=1
trap finish EXIT

rm -f "$NV_DIR/daemon.port"
nv_exec pc "$DAEMON" --config "$NV_DIR/archive.json" --listen 127.0.0.1:0 --port-file "$NV_DIR/daemon.port" \
    --log "$NV_DIR/daemon.log" >"$NV_DIR/daemon.err" 2>&1 &
DAEMON_PID=$!
for _ in $(seq 1 100); do [[ -s "$NV_DIR/daemon.port" ]] && break; sleep 0.1; done
PORT="$(cat "$NV_DIR/daemon.port" 2>/dev/null)"
[[ -n "$PORT" ]] || nv_fail "the initiator daemon did not start: $(cat "$NV_DIR/daemon.err")"

NV_WINEPREFIX="${NORVALE_WINEPREFIX:-$NV_DIR/prefix}"
nv_wine_prefix || nv_fail "cannot make the Wine prefix"
WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null
WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -w 2>/dev/null
in_pc wineserver -p 600
in_pc env NORVALE_WINE="$NV_WINE" "$HERE/initiator_prefix.sh" "$NV_WINEPREFIX" "$BUILD_WIN" "127.0.0.1:$PORT" \
    2>"$NV_DIR/install.err" || nv_fail "cannot install the stand-ins: $(cat "$NV_DIR/install.err")"

in_pc timeout 900 $NV_WINE "$EXE" >"$NV_DIR/norvale.log" 2>&1 &
PROGRAM=$!
if ! probe wait 90 wait-rows $DEVICE_LIST 1 60; then
    echo "DETAIL: the main window never listed the appliance"
    exit 1
fi
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
probe click $EXIT

echo "DETAIL: connect through the format wizard end to end, $FAILURES failed; screenshot in ${SHOTS#"$ROOT"/}/wizard-*.png"
((FAILURES == 0))
