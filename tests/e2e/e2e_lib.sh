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
#                           PC namespace (it owns the sockets), lingering SECONDS,
#                           with the desktop kept open until it ends (keep_desktop)
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
#   install_share_provider [SERVER=FOLDER ...]
#                           the network-provider stand-in in the prefix (share_prefix.sh),
#                           asking the daemon started last
#   start_program SECONDS   norvale.exe in the PC namespace: sets PROGRAM; its
#                           window may take START_WAIT seconds to show
#   program_not_shown       fails the suite where it did not, with what is known
#   probe COMMANDS...       norvale_probe.exe against the program's window: sets
#                           PROBE_OUT (PROBE_SECONDS its limit, PROBE_LIMIT unless set);
#                           a failed run is reported. One probe serves every call
#                           (a Wine start costs seconds under emulation); it is
#                           started again when it or its wineserver has gone
#   value KIND ID, rows_of LIST, row_of LIST NAME, box
#                           what the last probe read
#   watch_answers           norvale_answer_watch.exe beside the program, ready
#                           when it returns (call it just before start_program)
#   phase NAME              the phase under which the watch files what follows
#   watched_answers LIMIT PHASE...
#                           ends the watch: each named phase passes when the
#                           window answered WM_NULL within LIMIT ms throughout
#                           (not counting where the whole machine stood still);
#                           sets VISIBLE_MS (start to visible window) and
#                           VISIBLE_ROWS (the rows its lists held then)
#   start_time TITLE IMAGE COMMAND...
#                           ms from COMMAND's start until a window of TITLE shows,
#                           watched the same way; IMAGE is then ended (taskkill)
#   winver_visible          start_time of Wine's winver in this prefix: sets WINVER_MS
E2E_LIB_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$E2E_LIB_DIR/../integration/netns_lib.sh"
source "$E2E_LIB_DIR/xvfb_lib.sh"

ROOT="$(cd "$E2E_LIB_DIR/../.." && pwd)"
TITLE="Orrin's HVB-3300-12 Norvale"
NV_WINE="${NORVALE_WINE:-wine}"
NV_WINEBOOT="$NV_WINE wineboot"
REPORT_WIDTH=${REPORT_WIDTH:-50}
# Seconds the program's window may take to show, and a probe's request (a
# request may wait that long first). In the emulated test machine the window
# takes 13 s alone and 30 s and more while the host's suites share its cores.
START_WAIT=90 PROBE_LIMIT=300
[[ -n "${NORVALE_EMULATED:-}" ]] && START_WAIT=300 PROBE_LIMIT=400
FAILURES=0
DAEMON_PID="" PORT="" PROGRAM="" PROBE_OUT="" PROBE_PID="" PROBE_SERVED="" PROBE_N=0 PROBE_STARTS=0

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
    WATCH="$BUILD_WIN/tests/e2e/norvale_answer_watch.exe"
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
    probe_end
    WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null
    WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -w 2>/dev/null
}

in_pc() { nv_exec pc env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" "$@"; }

pc_wineserver() {  # SECONDS
    wineserver_stop
    in_pc wineserver -p "$1"
    keep_desktop
}
# Wine closes the desktop (explorer.exe quits) a second after its last
# program ends, and the next program brings up a new one: on an emulated
# processor a suite's next program started while that happened, and once in
# a few runs it ended without a window. A cmd.exe waiting on a pipe that only
# this shell writes to is a program of the desktop until the wineserver or
# the suite ends, so explorer starts once and stays.
DESKTOP_HOLD=""
keep_desktop() {
    if [[ -z "$DESKTOP_HOLD" ]]; then
        mkfifo "$NV_DIR/desktop-hold" && exec {DESKTOP_HOLD}<>"$NV_DIR/desktop-hold" || return 0
    fi
    in_pc $NV_WINE cmd /c pause <"$NV_DIR/desktop-hold" >/dev/null 2>&1 &
}

e2e_display() {
    xvfb_start || nv_fail "no display"
    NV_WINE_USED=1
    trap e2e_finish EXIT
}

e2e_finish() {
    # What the programs and simulators wrote, kept where a case failed.
    if ((FAILURES > 0)) && [[ -n "${OUT:-}" && -d "$NV_DIR" ]]; then
        local keep="$OUT/logs/$(basename "$0" .sh)-files"
        mkdir -p "$keep" && cp "$NV_DIR"/*.log "$NV_DIR"/*.out "$NV_DIR"/*.err "$keep"/ 2>/dev/null
    fi
    [[ -n "$PROGRAM" ]] && kill "$PROGRAM" 2>/dev/null
    probe_end
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

install_share_provider() {  # [SERVER=FOLDER ...]
    pc_wineserver 600
    in_pc env NORVALE_WINE="$NV_WINE" "$E2E_LIB_DIR/share_prefix.sh" "$NV_WINEPREFIX" "$BUILD_WIN" \
        "127.0.0.1:$PORT" "$@" 2>"$NV_DIR/install.err" ||
        nv_fail "cannot install the network provider: $(cat "$NV_DIR/install.err")"
}

start_program() {  # SECONDS
    in_pc timeout "$1" $NV_WINE "$EXE" >"$NV_DIR/norvale.log" 2>&1 &
    PROGRAM=$!
}
# What there is to know when the program's window never showed: whether it
# runs, where its threads wait, how far its support log got, and Wine's
# backtrace of every thread. Then the suite ends.
program_not_shown() {
    report FAIL "main window lists the appliances" "$(cat "$NV_DIR/probe.err")"
    if kill -0 "$PROGRAM" 2>/dev/null; then
        echo "norvale.exe still runs; its output:"
    else
        wait "$PROGRAM"
        echo "norvale.exe has ended with exit code $?; its output:"
    fi
    tail -20 "$NV_DIR/norvale.log"
    ps -eLo pid,tid,stat,wchan:24,pcpu,args | grep -i '[n]orvale\|[w]ineserver\|[e]xplorer' | cut -c1-150
    tail -n 20 "$NV_WINEPREFIX"/drive_c/users/*/AppData/Local/Norvale/* 2>/dev/null
    in_pc timeout 120 $NV_WINE winedbg --command "bt all" 2>&1 | grep -v '^fixme' | head -150
    exit 1
}

# The serving probe's folder, C:\probe-N of the prefix (a fresh one per start).
probe_folder() { echo "$NV_WINEPREFIX/drive_c/probe-$1"; }
probe_end() {
    [[ -n "$PROBE_PID" ]] || return 0
    : >"$PROBE_SERVED/stop" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$PROBE_PID" 2>/dev/null || break; sleep 0.1; done
    nv_stop "$PROBE_PID" 2>/dev/null
    PROBE_PID=""
}
probe() {  # COMMANDS...; sets PROBE_OUT, answers the probe's status
    local status=124 request
    if [[ -z "$PROBE_PID" ]] || ! kill -0 "$PROBE_PID" 2>/dev/null || [[ "$PROBE_SERVED" != "$(probe_folder "")"* ]]; then
        probe_end
        PROBE_SERVED=$(probe_folder $((++PROBE_STARTS))) PROBE_N=0
        rm -rf "$PROBE_SERVED" && mkdir -p "$PROBE_SERVED"
        in_pc $NV_WINE "$PROBE" --serve "C:\\$(basename "$PROBE_SERVED")" >"$NV_DIR/probe-serve.log" 2>&1 &
        PROBE_PID=$!
    fi
    request="$PROBE_SERVED/$((++PROBE_N))"
    printf '%s\n' "$TITLE" "$@" >"$request.tmp" && mv "$request.tmp" "$request.req"
    for _ in $(seq 1 $((${PROBE_SECONDS:-$PROBE_LIMIT} * 20))); do
        [[ -s "$request.rc" ]] && status=$(tr -d '\r\n' <"$request.rc") && break
        kill -0 "$PROBE_PID" 2>/dev/null || break
        sleep 0.05
    done
    # A probe that did not answer in time is ended; the next call starts one.
    [[ -s "$request.rc" ]] || { echo "probe: no answer (status $status)" >>"$request.err"; probe_end; }
    cp "$request.out" "$NV_DIR/probe.out" 2>/dev/null || : >"$NV_DIR/probe.out"
    cp "$request.err" "$NV_DIR/probe.err" 2>/dev/null || : >"$NV_DIR/probe.err"
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

# --- how long the window keeps a sender waiting ------------------------------
WATCH_PID="" WATCH_T0=0
# Starts the watch for TITLE (with STOP and PHASES as Windows paths, or "-")
# and returns once it is ready; its output goes to OUTFILE.
start_watch() {  # TITLE STOP PHASES OUTFILE
    in_pc $NV_WINE "$WATCH" "$1" 600 "$2" "$3" >"$4" 2>"$4.err" &
    WATCH_PID=$!
    for _ in $(seq 1 600); do
        grep -q watching "$4" 2>/dev/null && WATCH_T0=$(date +%s%3N) && return 0
        sleep 0.1
    done
    nv_fail "the answer watch did not start: $(cat "$4.err")"
}
watch_answers() {
    rm -f "$NV_WINEPREFIX/drive_c/answer-stop" "$NV_WINEPREFIX/drive_c/answer-phase"
    start_watch "$TITLE" 'C:\answer-stop' 'C:\answer-phase' "$NV_DIR/watch.out"
}
phase() {
    printf '%s\n' "$1" >"$NV_WINEPREFIX/drive_c/answer-phase"
    echo "phase $1 from $(($(date +%s%3N) - WATCH_T0)) ms" >>"$NV_DIR/phases.log"
}
watched_answers() {  # LIMIT_MS PHASE...
    local limit=$1 name longest samples all
    shift
    # On a machine that emulates its processor everything takes longer: the
    # limit grows with winver's time against the 600 ms it takes on a PC.
    if [[ -n "${WINVER_MS:-}" ]] && ((WINVER_MS > 600)); then limit=$((limit * WINVER_MS / 600)); fi
    : >"$NV_WINEPREFIX/drive_c/answer-stop"
    for _ in $(seq 1 150); do kill -0 "$WATCH_PID" 2>/dev/null || break; sleep 0.2; done
    kill "$WATCH_PID" 2>/dev/null
    wait "$WATCH_PID" 2>/dev/null
    VISIBLE_MS=$(awk '$1 == "visible" { print $2 }' "$NV_DIR/watch.out" | tr -d '\r')
    VISIBLE_ROWS=$(awk '$1 == "visible" { print $4 }' "$NV_DIR/watch.out" | tr -d '\r')
    all=$(awk '$1 == "answer" { printf "%s %s ms; ", $2, $4 }' "$NV_DIR/watch.out" | tr -d '\r')
    report INFO "longest wait for an answer, by phase" "$all"
    cat "$NV_DIR/phases.log" 2>/dev/null | sed 's/^/      /'
    grep '^slow ' "$NV_DIR/watch.out" | tr -d '\r' | head -30 | sed 's/^/      /'
    for name in "$@"; do
        read -r longest samples < <(awk -v p="$name" '$1 == "answer" && $2 == p { print $4, $6 }' "$NV_DIR/watch.out" | tr -d '\r')
        if [[ -z "$longest" ]]; then
            report FAIL "the window answers during $name" "no samples"
        elif ((longest <= limit)); then
            report PASS "the window answers during $name" "longest wait $longest ms of $samples (limit $limit)"
        else
            report FAIL "the window answers during $name" "longest wait $longest ms (limit $limit)"
        fi
    done
}
start_time() {  # TITLE IMAGE COMMAND...: ms until its window shows; it is then ended
    local title=$1 image=$2 pid
    shift 2
    start_watch "$title" - - "$NV_DIR/start.out"
    in_pc "$@" >/dev/null 2>&1 &
    pid=$!
    wait "$WATCH_PID"
    awk '$1 == "visible" { print $2 }' "$NV_DIR/start.out" | tr -d '\r'
    in_pc $NV_WINE taskkill /f /im "$image" >/dev/null 2>&1
    wait "$pid" 2>/dev/null
}
winver_visible() { WINVER_MS=$(start_time "About Wine*" winver.exe $NV_WINE winver); }
