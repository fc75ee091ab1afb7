#!/usr/bin/env bash
# The product's real Win32 adapters against the iSCSI initiator stand-ins in a
# fresh Wine prefix: norvale-initiator-sim on loopback, initiator_prefix.sh,
# then norvale_initiator_tests.exe (a portal, the targets, a login with its
# session, disk and statistics, a logout, CHAP refused and accepted, the
# service started through the service adapter, WMI unreachable).
#
#   initiator_standins.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR
#
# NORVALE_WINE names the Wine loader. Logs stay in OUT_DIR/initiator-e2e.* when
# a case fails (or NORVALE_KEEP_LOGS is set). Exit status 1 when any case fails.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_args "initiator_standins.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR" "$@"
TESTS="$BUILD_WIN/tests/initiator/norvale_initiator_tests.exe"
e2e_need "$DAEMON" "$TESTS"
REPORT_WIDTH=52

DIR="$(mktemp -d "$OUT/initiator-e2e.XXXXXX")"
# A fresh 64-bit prefix from the suite runner when it hands one (making one
# takes minutes under software emulation), else one of our own.
NV_WINEPREFIX="${NORVALE_WINEPREFIX:-$DIR/prefix}"
NV_WINEBOOT_SECONDS=180
cleanup() {
    [[ -n "$DAEMON_PID" ]] && kill "$DAEMON_PID" 2>/dev/null && wait "$DAEMON_PID" 2>/dev/null
    DAEMON_PID=""
    NV_WINE_USED=1 nv_cleanup
    if ((FAILURES == 0)) && [[ -z "${NORVALE_KEEP_LOGS:-}" ]]; then rm -rf "$DIR"; else echo "logs kept in $DIR"; fi
}
trap cleanup EXIT

# The appliance the test program expects (initiator_standin_test.cpp).
cat >"$DIR/appliances.json" <<'JSON'
{"appliances": [
  {"interface": "n1", "id": "00:1a:2b:00:00:20", "address": "192.168.10.20", "name": "Archive",
   "port": "eth0", "otherAddress": "192.168.11.20",
   "targets": [{"name": "iqn.2026-12.com.orrin:archive.lun0", "lunBytes": 1073741824},
               {"name": "iqn.2026-12.com.orrin:archive.secure", "chap": true, "user": "chap_user",
                "password": "Sixteen-chars-16", "lunBytes": 2147483648},
               {"name": "iqn.2026-12.com.orrin:archive.empty"}]}
]}
JSON

"$DAEMON" --config "$DIR/appliances.json" --listen 127.0.0.1:0 --port-file "$DIR/port" --service stopped \
    --start-delay 300 --log "$DIR/daemon.log" &
DAEMON_PID=$!
for _ in $(seq 1 100); do [[ -s "$DIR/port" ]] && break; sleep 0.1; done
PORT="$(cat "$DIR/port" 2>/dev/null)"
[[ -n "$PORT" ]] || { report FAIL "daemon listens" "no port in $DIR/port"; exit 1; }
report PASS "daemon listens" "127.0.0.1:$PORT"

start=$(date +%s)
nv_wine_prefix || { report FAIL "fresh prefix" "wineboot failed"; exit 1; }
if NORVALE_WINE="$NV_WINE" "$E2E_LIB_DIR/initiator_prefix.sh" "$NV_WINEPREFIX" "$BUILD_WIN" "127.0.0.1:$PORT" 2>"$DIR/install.err"; then
    report PASS "stand-ins installed" "$(($(date +%s) - start)) s with the prefix"
else
    report FAIL "stand-ins installed" "$(cat "$DIR/install.err")"
    exit 1
fi

# From a folder of its own, so that the runner finds the installed iscsicli.exe.
mkdir -p "$NV_WINEPREFIX/drive_c/initiator-test"
cp "$TESTS" "$NV_WINEPREFIX/drive_c/initiator-test/"
WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all timeout 300 $NV_WINE "$NV_WINEPREFIX/drive_c/initiator-test/norvale_initiator_tests.exe" \
    >"$DIR/tests.log" 2>&1
status=$?
passed=$(grep -c '^\[       OK \]' "$DIR/tests.log")
failed=$(grep -c '^\[  FAILED  \].*(' "$DIR/tests.log")
if ((status == 0 && passed > 0)); then
    report PASS "real adapters against the stand-ins" "$passed cases"
else
    report FAIL "real adapters against the stand-ins" "status $status, $failed failed; see $DIR/tests.log"
    grep -B2 -A12 'Failure' "$DIR/tests.log" | head -60
fi

# Plain, Base64 (as the appliance sends it) and hex (as iscsicli takes it).
secret=Sixteen-chars-16
if grep -qF -e "$secret" -e "$(printf %s "$secret" | base64 | tr -d '=')" \
    -e "$(printf %s "$secret" | od -An -tx1 | tr -d ' \n')" "$DIR/daemon.log" "$DIR/tests.log"; then
    report FAIL "no CHAP secret in any log" "see $DIR"
else
    report PASS "no CHAP secret in any log" "daemon and test logs, plain, Base64 and hex"
fi

echo "DETAIL: $passed Windows cases against the stand-ins, $FAILURES failed checks"
((FAILURES == 0))
