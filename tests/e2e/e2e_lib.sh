# shellcheck shell=bash
# The one library of the end-to-end and integration scripts and the demo;
# source it. It brings the network-namespace harness (netns_lib.sh: every
# namespace and simulator removed on exit) and the display helpers
# (xvfb_lib.sh), and adds what the scripts would otherwise each write again:
#
#   e2e_args USAGE BUILD_HOST BUILD_WIN OUT
#                           the usual three arguments: sets BUILD_HOST, BUILD_WIN,
#                           OUT (absolute: Wine wants absolute prefixes), SHOTS
#                           (OUT/e2e), and the programs NV_SIM, DAEMON, EXE, PROBE
#   e2e_need FILE...        stops with a message unless every file exists
#   report PASS|FAIL|SKIP NAME DETAIL, expect NAME EXPECTED ACTUAL,
#   contains NAME NEEDLE HAYSTACK
#                           one line per case; FAILURES counts the failed ones
#   e2e_prefix DIR          makes the Wine prefix once (nv_wine_prefix) or stops
#   wineserver_stop         ends the prefix's wineserver and waits for its end
#   in_pc CMD...            runs CMD in the PC namespace, with the prefix and the display
#   pc_wineserver SECONDS   a fresh wineserver for the prefix, started inside the
#                           PC namespace (it owns the sockets), lingering SECONDS
#   e2e_display             a display (Xvfb unless DISPLAY works) and e2e_finish on exit
#   e2e_finish              ends the program, the initiator daemon, the display
#                           and the namespaces (the EXIT trap of e2e_display)
#   start_daemon TAG CONFIG ARGS...
#                           norvale-initiator-sim on the PC namespace's loopback,
#                           where the stand-ins reach it: sets DAEMON_PID and PORT
#   stop_daemon, ask ARGS...  end the daemon; ask it over its client
#   install_standins [--without-initiator]
#                           the initiator's stand-ins in the prefix (initiator_prefix.sh)
#                           under a wineserver of the PC namespace
#   start_program SECONDS   norvale.exe in the PC namespace: sets PROGRAM
#   probe COMMANDS...       norvale_probe.exe against the program's window: sets
#                           PROBE_OUT (PROBE_SECONDS its limit, 300 unless set);
#                           a failed run is reported
#   value KIND ID, rows_of LIST, row_of LIST NAME, box
#                           what the last probe read
E2E_LIB_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$E2E_LIB_DIR/../integration/netns_lib.sh"
source "$E2E_LIB_DIR/xvfb_lib.sh"

ROOT="$(cd "$E2E_LIB_DIR/../.." && pwd)"
TITLE="Orrin's HVB-3300-12 Norvale"
NV_WINE="${NORVALE_WINE:-wine}"
NV_WINEBOOT="$NV_WINE wineboot"
REPORT_WIDTH=${REPORT_WIDTH:-50}
FAILURES=0
DAEMON_PID="" PORT="" PROGRAM="" PROBE_OUT=""

e2e_args() {  # USAGE BUILD_HOST BUILD_WIN OUT
    local usage=$1
    [[ -n "${2:-}" && -n "${3:-}" && -n "${4:-}" ]] || { echo "usage: $usage" >&2; exit 2; }
    BUILD_HOST="$2"
    BUILD_WIN="$3"
    OUT="$(mkdir -p "$4" && cd "$4" && pwd)"
    SHOTS="$OUT/e2e"
    NV_SIM="$BUILD_HOST/tools/simulator/norvale-sim"
    DAEMON="$BUILD_HOST/tools/initiator_sim/norvale-initiator-sim"
    EXE="$BUILD_WIN/app/norvale.exe"
    PROBE="$BUILD_WIN/tests/e2e/norvale_probe.exe"
}

e2e_need() {  # FILE...
    local file missing=()
    for file in "$@"; do [[ -f "$file" ]] || missing+=("$(basename "$file")"); done
    ((${#missing[@]} == 0)) || nv_fail "build ${missing[*]} first"
}

report() {  # PASS|FAIL|SKIP NAME DETAIL
    printf "%-4s %-${REPORT_WIDTH}s %s\n" "$1" "$2" "$3"
    [[ "$1" != FAIL ]] || FAILURES=$((FAILURES + 1))
}
expect() {  # NAME EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then report PASS "$1" "$3"; else report FAIL "$1" "expected [$2], got [$3]"; fi
}
contains() {  # NAME NEEDLE HAYSTACK
    if grep -qF -- "$2" <<<"$3"; then report PASS "$1" "$2"; else report FAIL "$1" "[$2] not in [$3]"; fi
}

e2e_prefix() {  # DIR
    NV_WINEPREFIX="$1"
    nv_wine_prefix || nv_fail "cannot make the Wine prefix $1"
}

wineserver_stop() {
    WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null
    WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -w 2>/dev/null
}

in_pc() { nv_exec pc env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" "$@"; }

pc_wineserver() {  # SECONDS
    wineserver_stop
    in_pc wineserver -p "$1"
}

e2e_display() {
    xvfb_start || nv_fail "no display"
    NV_WINE_USED=1
    trap e2e_finish EXIT
}

e2e_finish() {
    [[ -n "$PROGRAM" ]] && kill "$PROGRAM" 2>/dev/null
    stop_daemon
    xvfb_stop
    nv_cleanup
}

start_daemon() {  # TAG CONFIG ARGS...
    local tag=$1 config=$2
    shift 2
    rm -f "$NV_DIR/$tag.port"
    nv_exec pc "$DAEMON" --config "$config" --listen 127.0.0.1:0 --port-file "$NV_DIR/$tag.port" \
        --log "$NV_DIR/$tag.log" "$@" >"$NV_DIR/$tag.err" 2>&1 &
    DAEMON_PID=$!
    for _ in $(seq 1 100); do [[ -s "$NV_DIR/$tag.port" ]] && break; sleep 0.1; done
    PORT="$(cat "$NV_DIR/$tag.port" 2>/dev/null)"
    [[ -n "$PORT" ]] || nv_fail "the initiator daemon did not start: $(cat "$NV_DIR/$tag.err")"
}
stop_daemon() {
    nv_stop "$DAEMON_PID"
    DAEMON_PID=""
}
ask() { nv_exec pc "$DAEMON" --ask "127.0.0.1:$PORT" "$@" 2>&1; }

install_standins() {  # [--without-initiator]
    pc_wineserver 600
    in_pc env NORVALE_WINE="$NV_WINE" "$E2E_LIB_DIR/initiator_prefix.sh" "$NV_WINEPREFIX" "$BUILD_WIN" \
        "127.0.0.1:$PORT" "$@" 2>"$NV_DIR/install.err" ||
        nv_fail "cannot install the stand-ins: $(cat "$NV_DIR/install.err")"
}

start_program() {  # SECONDS
    in_pc timeout "$1" $NV_WINE "$EXE" >"$NV_DIR/norvale.log" 2>&1 &
    PROGRAM=$!
}

probe() {  # COMMANDS...; sets PROBE_OUT, answers the probe's status
    local status
    in_pc timeout "${PROBE_SECONDS:-300}" $NV_WINE "$PROBE" "$TITLE" "$@" >"$NV_DIR/probe.out" 2>"$NV_DIR/probe.err"
    status=$?
    PROBE_OUT="$(tr -d '\r' <"$NV_DIR/probe.out")"
    # Everything the probe read from the windows, for searches over the whole run.
    cat "$NV_DIR/probe.out" >>"$NV_DIR/probe-all.out"
    if [[ $status -ne 0 ]]; then
        report FAIL "probe: $*" "$(tr -d '\r' <"$NV_DIR/probe.err" | grep -v fixme | tail -2)"
    fi
    return $status
}
value() { grep -E "^$1 $2 " <<<"$PROBE_OUT" | tail -1 | cut -d' ' -f3-; }
# The rows of a list as "cell|cell" lines, and the index of the row whose first cell is NAME.
rows_of() { grep "^row $1 " <<<"$PROBE_OUT" | cut -d' ' -f4-; }
row_of() { awk -v list="$1" -v name="$2" -F'|' '$0 ~ "^row " list " " { split($1, head, " "); if (head[4] == name) print head[3] }' <<<"$PROBE_OUT"; }
box() { grep '^box ' <<<"$PROBE_OUT" | tail -1 | cut -d' ' -f2-; }
