#!/usr/bin/env bash
# The demo: a small LAN of simulated appliances in private network namespaces
# and the real norvale.exe under Wine on the PC side of it, with the simulated
# iSCSI initiator behind the Windows stand-ins in the demo's prefix (its
# service running, one of Archive's targets already connected), so the iSCSI
# group shows the appliances' live targets. The appliances' services are real
# ones: tgtd serves their iSCSI targets (the simulated initiator logs in there
# with libiscsi) and smbd Archive's shares, which the network-provider
# stand-in in the prefix maps for real.
#
#   run_demo.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR
#
# With a usable DISPLAY the program stays open until its window is closed;
# without one it runs on Xvfb, and OUT_DIR/demo.png is saved either way.
set -u
source "$(dirname "$0")/../../tests/e2e/e2e_lib.sh"
e2e_args "run_demo.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR" "$@"
[[ -x "$NV_SIM" && -f "$EXE" ]] || nv_fail "build first: ./norvale build"
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
   "shares": ["public", "music*0", "backup@1", "photos", "video"], "publicShares": ["public"],
   "targets": [{"name": "iqn.2026-12.com.orrin:archive.lun0", "lunBytes": 1073741824},
               {"name": "iqn.2026-12.com.orrin:archive.lun1", "chap": true, "user": "pcuser", "password": "secret123456",
                "lunBytes": 2147483648},
               {"name": "iqn.2026-12.com.orrin:archive.blank", "lunBytes": 10737418240}],
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
   "targets": [{"name": "iqn.2026-12.com.orrin:office.lun0", "lunBytes": 1073741824}]}
]}
JSON
nv_start_sim nas1 "$NV_DIR/nas1.json" nas1
nv_start_sim nas2 "$NV_DIR/nas2.json" nas2
echo "Simulated appliances: Archive 192.168.10.20, Media 192.168.10.21 (DHCP), Office 192.168.10.40"
# Their real services: the iSCSI targets (tgt) and Archive's shares (Samba;
# user admin, password demo; "public" takes anyone).
if command -v tgtd >/dev/null && command -v smbd >/dev/null; then
    nv_start_tgt nas1 192.168.10.20 nas1-target
    nv_tgt_from_config "$TGT" "$NV_DIR/nas1.json"
    nv_start_tgt nas2 192.168.10.40 nas2-target
    nv_tgt_from_config "$TGT" "$NV_DIR/nas2.json"
    python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); d["appliances"] = d["appliances"][:1]; print(json.dumps(d))' \
        "$NV_DIR/nas1.json" >"$NV_DIR/archive-smb.json"
    nv_start_smbd nas1 192.168.10.20 nas1 "$NV_DIR/archive-smb.json"
    ARCHIVE_SHARES=$SMB_SHARES
    REAL_TARGETS=--real-targets
    echo "Real services: tgtd on 192.168.10.20 and 192.168.10.40, smbd on 192.168.10.20 (user admin, password demo)"
else
    REAL_TARGETS=""
    echo "tgt or Samba missing (./norvale setup installs them): targets from the configuration, no shares"
fi

# The initiator knows both appliances' targets; it listens on the PC's
# loopback, where the stand-ins reach it.
python3 -c 'import json, sys; print(json.dumps({"appliances": [a for f in sys.argv[1:] for a in json.load(open(f))["appliances"]]}))' \
    "$NV_DIR/nas1.json" "$NV_DIR/nas2.json" >"$NV_DIR/initiator.json"
DAEMON_PID=""
if [[ -x "$DAEMON" ]]; then
    nv_exec pc "$DAEMON" --config "$NV_DIR/initiator.json" --listen 127.0.0.1:0 --port-file "$NV_DIR/initiator.port" \
        --service stopped --statistics-names suffixed --log "$NV_DIR/initiator.log" $REAL_TARGETS \
        >"$NV_DIR/initiator.err" 2>&1 &
    DAEMON_PID=$!
    for _ in $(seq 1 100); do [[ -s "$NV_DIR/initiator.port" ]] && break; sleep 0.1; done
fi
INITIATOR="127.0.0.1:$(cat "$NV_DIR/initiator.port" 2>/dev/null)"
ask() { nv_exec pc "$DAEMON" --ask "$INITIATOR" "$@" 2>/dev/null; }


e2e_prefix "$NV_WINEPREFIX"
# Title bars with their caption buttons, as on Windows.
"$ROOT/tools/demo/marlett.sh" "$NV_WINEPREFIX" "$OUT/wine/fonts-wine"
e2e_display
interactive=0
[[ -z "${XVFB_PID:-}" ]] && interactive=1
NV_KEEP_DIR=1
pc_wineserver 600
if [[ -n "$DAEMON_PID" ]]; then
    in_pc env NORVALE_WINE="$NV_WINE" "$ROOT/tests/e2e/initiator_prefix.sh" "$NV_WINEPREFIX" "$BUILD_WIN" "$INITIATOR" \
        >"$NV_DIR/initiator-install.log" 2>&1 || echo "The initiator stand-ins could not be installed (see $NV_DIR)"
    # Shares are mapped through the network-provider stand-in, which asks the
    # same daemon whether smbd takes the credentials.
    [[ -n "$REAL_TARGETS" ]] && { in_pc env NORVALE_WINE="$NV_WINE" "$ROOT/tests/e2e/share_prefix.sh" "$NV_WINEPREFIX" \
        "$BUILD_WIN" "$INITIATOR" "Archive=$ARCHIVE_SHARES" >>"$NV_DIR/initiator-install.log" 2>&1 || echo "The network provider could not be installed"; }
    # The initiator's service runs, and Archive's first target was connected
    # before the program started.
    in_pc $NV_WINE sc start MSiSCSI >/dev/null 2>&1
    for _ in $(seq 1 50); do [[ "$(ask SERVICE state | tail -1)" == running ]] && break; sleep 0.2; done
    ask PUT MSiSCSIInitiator_SendTargetPortalClass PortalAddress 192.168.10.20 >/dev/null &&
        ask ISCSICLI "iscsicli logintarget iqn.2026-12.com.orrin:archive.lun0 t * * * * * * * * * * * * * * * 0" >/dev/null &&
        echo "Simulated iSCSI initiator on $INITIATOR: service running, Archive's lun0 connected"
fi
in_pc $NV_WINE "$EXE" >"$OUT/demo-wine.log" 2>&1 &
program=$!
if ! window=$(wait_for_window "$TITLE" 60); then
    nv_fail "norvale.exe showed no window (see $OUT/demo-wine.log)"
fi
# Once the first discovery pass has listed the appliances, select Archive,
# as a user would, so the picture shows its LAN settings too.
if [[ -f "$PROBE" ]] && rows=$(in_pc timeout 60 $NV_WINE "$PROBE" "$TITLE" wait 30 wait-rows 1000 3 30 2>/dev/null | tr -d '\r'); then
    archive=$(awk '$1 == "row" && $2 == 1000 && $4 ~ /^Archive\|/ { print $3 }' <<<"$rows")
    # The click refreshes the initiator's portals; its list follows a moment later.
    [[ -n "$archive" ]] && in_pc timeout 60 $NV_WINE "$PROBE" "$TITLE" click-row 1000 "$archive" \
        wait-rows 1029 2 20 >/dev/null 2>&1
else
    sleep 6   # the first discovery pass runs while the dialog opens
fi
screenshot "$OUT/demo.png" "$window"
echo "Screenshot: $OUT/demo.png"

# Without a display the tour goes on by itself: Archive's public share is
# mapped for real (smbd takes it without a password, so the first attempt
# connects; the letter then reads as a remote drive),
if [[ $interactive == 0 && -f "$PROBE" && -n "${archive:-}" && -n "$REAL_TARGETS" ]]; then
    rows=$(in_pc timeout 60 $NV_WINE "$PROBE" "$TITLE" rows 1001 2>/dev/null | tr -d '\r')
    public=$(awk '$1 == "row" && $2 == 1001 && $4 ~ /^public\|/ { print $3 }' <<<"$rows")
    mapped=$(in_pc timeout 300 $NV_WINE "$PROBE" "$TITLE" click-row 1001 "${public:-0}" click 1003 wait-box 120 \
        2>/dev/null | tr -d '\r')
    screenshot "$OUT/demo-share.png" "$window"
    in_pc timeout 60 $NV_WINE "$PROBE" "$TITLE" wait-box 5 answer-box 1 main wait-idle rows 1001 >"$NV_DIR/demo-share.out" 2>&1
    echo "Mapping \\\\Archive\\public: $(grep '^box ' <<<"$mapped" | cut -d' ' -f2-); share list: $(grep '^row 1001 ' \
        "$NV_DIR/demo-share.out" | cut -d' ' -f4 | tr -d '\r' | paste -sd ' ') ($OUT/demo-share.png)"
fi
# and Connect of Archive's blank
# target opens the format wizard (Wine has no disk behind the session, so it
# can only be cancelled, which logs the target out again).
if [[ $interactive == 0 && -f "$PROBE" && -n "${archive:-}" ]]; then
    rows=$(in_pc timeout 60 $NV_WINE "$PROBE" "$TITLE" rows 1029 2>/dev/null | tr -d '\r')
    blank=$(awk '$1 == "row" && $2 == 1029 && toupper($4) ~ /ARCHIVE.BLANK/ { print $3 }' <<<"$rows")
    if [[ -n "$blank" ]] && in_pc timeout 300 $NV_WINE "$PROBE" "$TITLE" click-row 1029 "$blank" click-async 1030 \
            dialog Format 180 >/dev/null 2>&1; then
        screenshot "$OUT/demo-wizard.png" "$(xdotool search --name '^Format$' 2>/dev/null | head -1)"
        echo "Screenshot of the format wizard: $OUT/demo-wizard.png"
        in_pc timeout 60 $NV_WINE "$PROBE" "$TITLE" dialog Format 5 click 2 main wait-idle >/dev/null 2>&1
    fi
fi
# The disk half where Wine cannot reach it: the same controllers on the
# simulated Windows, whose disk image the real partitioning tools read.
FLOW="$BUILD_HOST/tools/diskflow/norvale-disk-flow"
if [[ $interactive == 0 && -x "$FLOW" ]]; then
    rm -rf "$OUT/disk-flow" && mkdir -p "$OUT/disk-flow"
    "$FLOW" --windows 7 --size 10G --work-dir "$OUT/disk-flow" >"$OUT/demo-disk-flow.txt" 2>&1
    image=$(sed -n 's/^image: \(.*\) ([0-9]* bytes)$/\1/p' "$OUT/demo-disk-flow.txt" | tail -1)
    if [[ -n "$image" ]]; then
        { echo "-- sfdisk -d"; sfdisk -d "$image"; echo "-- blkid"; blkid -p -O 65536 "$image"; } \
            >>"$OUT/demo-disk-flow.txt" 2>&1
    fi
    echo "The disk half on a simulated Windows 7: $OUT/demo-disk-flow.txt"
fi

if [[ $interactive == 1 ]]; then
    echo "norvale.exe is running on $DISPLAY; close its window to end the demo."
    wait "$program"
else
    WINEPREFIX="$NV_WINEPREFIX" wineserver -k 2>/dev/null
    wait "$program" 2>/dev/null
fi
echo "What the appliances received: $NV_DIR/nas1.log, $NV_DIR/nas2.log; the initiator: $NV_DIR/initiator.log"
echo "The targets' and the SMB server's logs: $NV_DIR/nas1-target.tgtd.log, $NV_DIR/nas1-smb/smbd.log"
