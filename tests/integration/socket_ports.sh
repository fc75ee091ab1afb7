#!/usr/bin/env bash
# Proves the socket ports on a real segment: netprobe (host build, and the
# Windows build under Wine) against norvale-sim in network namespaces.
#
#   socket_ports.sh BUILD_HOST_DIR [BUILD_WIN32_DIR]
#
# One summary line per case; exit status 1 when any case fails.
set -u
HERE="$(cd "$(dirname "$0")" && pwd)"
SOURCE_DIR="$(cd "$HERE/../.." && pwd)"
BUILD_HOST="${1:?usage: socket_ports.sh BUILD_HOST_DIR [BUILD_WIN32_DIR]}"
BUILD_WIN32="${2:-}"
source "$HERE/../e2e/e2e_lib.sh"
REPORT_WIDTH=44

NV_SIM="$BUILD_HOST/tools/simulator/norvale-sim"
HOST_PROBE="$BUILD_HOST/tests/integration/netprobe"
[[ -x "$NV_SIM" && -x "$HOST_PROBE" ]] || nv_fail "build norvale-sim and netprobe in $BUILD_HOST first"


# --- the Windows probe --------------------------------------------------------
# BUILD_WIN32_DIR is whichever Windows build Wine can run here, and
# NORVALE_WINE the Wine loader for it (the test command chooses both: the
# 64-bit build under wine64 where the kernel runs no 32-bit code).
WIN_PROBE=""
WIN_NOTE=""
if [[ -n "$BUILD_WIN32" ]]; then
    WIN_PROBE="$BUILD_WIN32/tests/integration/netprobe.exe"
    [[ -f "$WIN_PROBE" ]] || nv_fail "no $WIN_PROBE"
    [[ "$NV_WINE" == wine ]] || WIN_NOTE=" ($(basename "$NV_WINE"))"
    nv_wine_prefix || nv_fail "cannot make the Wine prefix"
fi

# probe FLAVOUR NS ARGS...: netprobe's output on stdout.
probe() {
    local flavour="$1" ns="$2"; shift 2
    if [[ "$flavour" == host ]]; then
        nv_exec "$ns" "$HOST_PROBE" "$@"
    else
        nv_wine "$ns" "$WIN_PROBE" "$@" 2>/dev/null | tr -d '\r'
    fi
}

# devices_on OUTPUT ADDRESS: the devices of our own DiscoverReplies that the
# receiver of ADDRESS delivered, sorted, once each, space-separated.
devices_on() {
    awk -v want="$2" '
        $1 == "local" { index_of[$3] = $2 }
        $1 == "recv" && $3 == "type=07" && $6 == "client=mine" {
            if ($2 == index_of[want]) { sub("device=", "", $5); print $5 }
        }' <<<"$1" | sort -u | paste -sd' '
}

# lengths_on OUTPUT ADDRESS: lengths of foreign datagrams the receiver delivered.
lengths_on() {
    awk -v want="$2" '
        $1 == "local" { index_of[$3] = $2 }
        $1 == "recv" && $6 == "client=other" && $2 == index_of[want] { sub("len=", "", $4); print $4 }
        ' <<<"$1" | sort -un | paste -sd' '
}

expect_devices() {  # expect_devices CASE OUTPUT ADDRESS EXPECTED
    local got; got="$(devices_on "$2" "$3")"
    if [[ "$got" == "$4" ]]; then
        report PASS "$1" "$3 heard: $got"
    else
        report FAIL "$1" "$3 heard: '${got}', expected '$4'"
        sed 's/^/    | /' <<<"$2" >&2
    fi
}

appliance_json() {  # appliance_json INTERFACE ID ADDRESS NAME
    cat <<EOF
{"appliances": [{"interface": "$1", "id": "$2", "address": "$3", "name": "$4"}]}
EOF
}

# --- topology: one segment (a bridge), the PC on it, appliances joining ------
nv_ns pc
nv_ns appA
nv_ns appB
nv_bridge seg
nv_bridge_port seg pc pc0 10.1.0.1/24
nv_bridge_port seg appA a0 10.1.0.20/24
nv_bridge_port seg appB b0 10.1.0.30/24
appliance_json a0 00:11:22:33:44:20 10.1.0.20 NAS-A >"$NV_DIR/a.json"
appliance_json b0 00:11:22:33:44:30 10.1.0.30 NAS-B >"$NV_DIR/b.json"

# NORVALE_FLAVOURS narrows the runs (the Windows suites ask for "wine" alone).
FLAVOURS=(host)
[[ -n "$WIN_PROBE" ]] && FLAVOURS+=(wine)
[[ -n "${NORVALE_FLAVOURS:-}" ]] && read -ra FLAVOURS <<<"$NORVALE_FLAVOURS"
LISTEN_HOST=1200
LISTEN_WINE=3000
listen_ms() { [[ "$1" == host ]] && echo $LISTEN_HOST || echo $LISTEN_WINE; }
label() { [[ "$1" == host ]] && echo "host" || echo "wine${WIN_NOTE:+64}"; }

nv_start_sim appA "$NV_DIR/a.json" simA
for flavour in "${FLAVOURS[@]}"; do
    out="$(probe "$flavour" pc --listen-ms "$(listen_ms "$flavour")")"
    expect_devices "$(label "$flavour"): one appliance" "$out" 10.1.0.1 "10.1.0.20"
done

nv_start_sim appB "$NV_DIR/b.json" simB
for flavour in "${FLAVOURS[@]}"; do
    out="$(probe "$flavour" pc --listen-ms "$(listen_ms "$flavour")")"
    expect_devices "$(label "$flavour"): two appliances" "$out" 10.1.0.1 "10.1.0.20 10.1.0.30"
done

# The PC gets a second interface on the same segment: both receivers hear both.
nv_bridge_port seg pc pc1 10.1.0.2/24
for flavour in "${FLAVOURS[@]}"; do
    out="$(probe "$flavour" pc --listen-ms "$(listen_ms "$flavour")")"
    expect_devices "$(label "$flavour"): two PC interfaces, first" "$out" 10.1.0.1 "10.1.0.20 10.1.0.30"
    expect_devices "$(label "$flavour"): two PC interfaces, second" "$out" 10.1.0.2 "10.1.0.20 10.1.0.30"
done

# Unicast to each PC address reaches that address's receiver and no other
# (9 bytes to 10.1.0.2, 2 bytes to 10.1.0.1), though all receivers share the port.
# The datagrams keep coming until the probe has listened, however long the
# program takes to start.
for flavour in "${FLAVOURS[@]}"; do
    rm -f "$NV_DIR/listened"
    ( while [[ ! -e "$NV_DIR/listened" ]]; do
          sleep 0.4
          nv_exec appA bash -c 'echo -n probe-one >/dev/udp/10.1.0.2/13579; echo -n p0 >/dev/udp/10.1.0.1/13579' 2>/dev/null
      done ) &
    sender=$!
    out="$(probe "$flavour" pc --no-send --listen-ms "$(listen_ms "$flavour")")"
    touch "$NV_DIR/listened"
    wait "$sender"
    first="$(lengths_on "$out" 10.1.0.1)"
    second="$(lengths_on "$out" 10.1.0.2)"
    if [[ "$first" == "2" && "$second" == "9" ]]; then
        report PASS "$(label "$flavour"): unicast reaches its own receiver" "10.1.0.1 got len $first, 10.1.0.2 got len $second"
    else
        report FAIL "$(label "$flavour"): unicast reaches its own receiver" "10.1.0.1 got '$first' (want 2), 10.1.0.2 got '$second' (want 9)"
        sed 's/^/    | /' <<<"$out" >&2
    fi
done

nv_stop_sims
if ((FAILURES > 0)); then
    echo "socket ports: $FAILURES case(s) failed"
    exit 1
fi
echo "socket ports: all cases passed"
