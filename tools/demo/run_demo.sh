#!/usr/bin/env bash
# The demo: a small LAN of simulated appliances in private network namespaces
# and the real norvale.exe under Wine on the PC side of it.
#
#   run_demo.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR
#
# With a usable DISPLAY the program stays open until its window is closed;
# without one it runs on Xvfb, and OUT_DIR/demo.png is saved either way.
set -u
HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
BUILD_HOST="${1:?usage: run_demo.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR}"
BUILD_WIN="${2:?}"
OUT="$(mkdir -p "${3:?}" && cd "$3" && pwd)"   # Wine wants absolute prefixes
source "$ROOT/tests/integration/netns_lib.sh"
source "$ROOT/tests/e2e/xvfb_lib.sh"

NV_SIM="$BUILD_HOST/tools/simulator/norvale-sim"
EXE="$BUILD_WIN/mainwindow/norvale.exe"
TITLE="Orrin's HVB-3300-12 Norvale"
[[ -x "$NV_SIM" && -f "$EXE" ]] || nv_fail "build first: ./norvale build"
NV_WINE="${NORVALE_WINE:-wine}"
NV_WINEBOOT="$NV_WINE wineboot"
NV_WINEPREFIX="$OUT/wine/demo-prefix"
mkdir -p "$OUT/wine"

# One segment: the PC and three appliances, two of them in one namespace.
nv_ns pc
nv_ns nas1
nv_ns nas2
nv_bridge lan
nv_bridge_port lan pc pc0 192.168.10.2/24
nv_bridge_port lan nas1 n1 192.168.10.20/24
nv_bridge_port lan nas2 n2 192.168.10.40/24

cat >"$NV_DIR/nas1.json" <<'JSON'
{"appliances": [
  {"interface": "n1", "id": "00:1a:2b:00:00:20", "address": "192.168.10.20", "netmask": "255.255.255.0",
   "gateway": "192.168.10.1", "name": "Archive", "port": "eth0", "otherAddress": "192.168.11.20",
   "service": "iscsi", "adminPassword": "demo",
   "shares": ["public", "music*0", "backup@1", "photos", "video"],
   "targets": [{"name": "iqn.2026-12.com.orrin:archive.lun0"},
               {"name": "iqn.2026-12.com.orrin:archive.lun1", "chap": true, "user": "pcuser", "password": "secret123456"}],
   "http": {"address": "192.168.10.20", "port": 80}, "dhcpPool": ["192.168.10.60"]},
  {"interface": "n1", "id": "00:1a:2b:00:00:21", "address": "192.168.10.21", "netmask": "255.255.255.0",
   "gateway": "192.168.10.1", "name": "Media", "dhcp": true, "service": "none",
   "shares": ["movies", "series"], "dhcpPool": ["192.168.10.61"]}
]}
JSON
cat >"$NV_DIR/nas2.json" <<'JSON'
{"appliances": [
  {"interface": "n2", "id": "00:1a:2b:00:00:40", "address": "192.168.10.40", "netmask": "255.255.255.0",
   "gateway": "192.168.10.1", "name": "Office", "port": "eth1", "otherAddress": "10.0.0.40",
   "service": "iscsi", "shares": ["docs", "scans"],
   "targets": [{"name": "iqn.2026-12.com.orrin:office.lun0"}]}
]}
JSON
nv_start_sim nas1 "$NV_DIR/nas1.json" nas1
nv_start_sim nas2 "$NV_DIR/nas2.json" nas2
echo "Simulated appliances: Archive 192.168.10.20, Media 192.168.10.21 (DHCP), Office 192.168.10.40"

nv_wine_prefix || nv_fail "could not make the Wine prefix"
xvfb_start || nv_fail "no display"
interactive=0
[[ -z "${XVFB_PID:-}" ]] && interactive=1
trap 'xvfb_stop; nv_cleanup' EXIT
NV_KEEP_DIR=1

# The wineserver owns the sockets, so it starts inside the PC namespace.
NV_WINE_USED=1
WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null
WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -w 2>/dev/null
in_pc() { nv_exec pc env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" "$@"; }
in_pc $NV_WINE "$EXE" >"$OUT/demo-wine.log" 2>&1 &
program=$!
if ! window=$(wait_for_window "$TITLE" 60); then
    nv_fail "norvale.exe showed no window (see $OUT/demo-wine.log)"
fi
# Once the first discovery pass has listed the appliances, select Archive,
# as a user would, so the picture shows its LAN settings too.
PROBE="$BUILD_WIN/tests/e2e/norvale_probe.exe"
if [[ -f "$PROBE" ]] && rows=$(in_pc timeout 60 $NV_WINE "$PROBE" "$TITLE" wait 30 wait-rows 1000 3 30 2>/dev/null | tr -d '\r'); then
    archive=$(awk '$1 == "row" && $2 == 1000 && $4 ~ /^Archive\|/ { print $3 }' <<<"$rows")
    [[ -n "$archive" ]] && in_pc timeout 60 $NV_WINE "$PROBE" "$TITLE" click-row 1000 "$archive" >/dev/null 2>&1
else
    sleep 6   # the first discovery pass runs while the dialog opens
fi
screenshot "$OUT/demo.png" "$window"
echo "Screenshot: $OUT/demo.png"

if [[ $interactive == 1 ]]; then
    echo "norvale.exe is running on $DISPLAY; close its window to end the demo."
    wait "$program"
else
    WINEPREFIX="$NV_WINEPREFIX" wineserver -k 2>/dev/null
    wait "$program" 2>/dev/null
fi
echo "What the appliances received: $NV_DIR/nas1.log, $NV_DIR/nas2.log"
