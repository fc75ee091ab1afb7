# Network-namespace harness for the integration scripts; source it.
#
# Every namespace, link and process it makes carries the prefix nv<pid>, lives
# only inside namespaces of its own, and is removed on exit, failure or signal.
#
#   nv_ns NAME                      make namespace <prefix>NAME (lo up, no rp_filter)
#   nv_link NS1 IF1 ADDR1 NS2 IF2 ADDR2
#                                   veth pair between two namespaces; ADDRs as a.b.c.d/len or "-"
#   nv_bridge NAME                  namespace holding bridge br0: one segment for many
#   nv_bridge_port BRIDGE NS IF ADDR
#                                   attach namespace NS (interface IF, address ADDR) to the bridge
#   nv_exec NS CMD...               run a command inside a namespace
#   nv_start_sim NS CONFIG TAG      start norvale-sim in NS, wait for its ready file;
#                                   its log is $NV_DIR/TAG.log
#   nv_stop_sims                    SIGTERM every simulator started so far, and wait for it
#   nv_wine NS EXE ARGS...          run a Windows program under Wine inside NS
#
# Needs: NV_SIM (path to norvale-sim) for nv_start_sim; root; iproute2.

NV_PREFIX="nv$$"
NV_DIR="$(mktemp -d /tmp/${NV_PREFIX}.XXXXXX)"
NV_NAMESPACES=()
NV_SIM_PIDS=()
NV_WINEPREFIX="${NV_WINEPREFIX:-/tmp/wine-sim}"

# Ends processes by id: SIGTERM, then SIGKILL for any still there after 5 s
# (a sanitized program's leak check at exit can hang in a namespace and
# spin on a processor until killed).
nv_end_pids() {  # PID...
    local pid
    (($# > 0)) || return 0
    kill -TERM "$@" 2>/dev/null
    for _ in $(seq 1 50); do
        for pid in "$@"; do kill -0 "$pid" 2>/dev/null && break; pid=""; done
        [[ -z "$pid" ]] && break
        sleep 0.1
    done
    kill -KILL "$@" 2>/dev/null
    for pid in "$@"; do wait "$pid" 2>/dev/null; done
    return 0
}

nv_cleanup() {
    local ns
    nv_stop_tgts
    nv_stop_smbds
    nv_end_pids "${NV_SIM_PIDS[@]}"
    NV_SIM_PIDS=()
    if [[ -n "${NV_WINE_USED:-}" ]]; then
        WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null
    fi
    for ns in "${NV_NAMESPACES[@]}"; do ip netns del "$ns" 2>/dev/null; done
    NV_NAMESPACES=()
    [[ "${NV_KEEP_DIR:-0}" == 1 ]] || rm -rf "$NV_DIR"
}
source "$(dirname "${BASH_SOURCE[0]}")/tgt_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/smb_lib.sh"
trap nv_cleanup EXIT
trap 'exit 130' INT TERM

nv_fail() { echo "netns: $*" >&2; exit 1; }

nv_name() { echo "${NV_PREFIX}$1"; }

nv_ns() {
    local ns; ns="$(nv_name "$1")"
    ip netns add "$ns" || nv_fail "cannot create namespace $ns"
    NV_NAMESPACES+=("$ns")
    ip -n "$ns" link set lo up
    # Answers come from addresses that may lie outside the receiving
    # interface's subnet (an appliance that just moved): no reverse-path drop.
    ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
    # Strong host, as Windows: an address answers ARP only on its own interface,
    # and ARP requests name an address of the interface they leave by (else a
    # neighbour may learn one interface's address at the other's hardware
    # address), so unicast to entry i really arrives on interface i.
    ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.arp_ignore=1 net.ipv4.conf.all.arp_announce=2
}

nv_exec() { local ns; ns="$(nv_name "$1")"; shift; ip netns exec "$ns" "$@"; }

# Ends a program started as `nv_exec NS PROGRAM ... &`: $! is the subshell
# that runs nv_exec, so the program itself is its child and goes first.
nv_stop() {  # PID
    [[ -n "${1:-}" ]] || return 0
    nv_end_pids $(pgrep -P "$1") "$1"
}

# Address, up, rp_filter off and the multicast route on one interface.
nv_configure_if() {
    local ns="$1" ifname="$2" address="$3"
    ip netns exec "$ns" sysctl -qw "net.ipv4.conf.$ifname.rp_filter=0"
    [[ "$address" == "-" ]] || ip -n "$ns" addr add "$address" dev "$ifname" || nv_fail "address $address on $ns/$ifname"
    ip -n "$ns" link set "$ifname" up
    ip -n "$ns" route add 224.0.0.0/4 dev "$ifname" 2>/dev/null || true
}

nv_link() {
    local ns1 ns2; ns1="$(nv_name "$1")"; ns2="$(nv_name "$4")"
    ip link add "$2" netns "$ns1" type veth peer name "$5" netns "$ns2" || nv_fail "veth $1/$2 - $4/$5"
    nv_configure_if "$ns1" "$2" "$3"
    nv_configure_if "$ns2" "$5" "$6"
}

nv_bridge() {
    nv_ns "$1"
    local ns; ns="$(nv_name "$1")"
    ip -n "$ns" link add br0 type bridge || nv_fail "bridge in $ns"
    # Multicast floods to every port; no snooping that might hold back 224.0.0.1.
    ip -n "$ns" link set br0 type bridge mcast_snooping 0 2>/dev/null || true
    ip -n "$ns" link set br0 up
}

NV_BRIDGE_PORTS=0
nv_bridge_port() {
    local bridge ns; bridge="$(nv_name "$1")"; ns="$(nv_name "$2")"
    NV_BRIDGE_PORTS=$((NV_BRIDGE_PORTS + 1))
    local port="p${NV_BRIDGE_PORTS}"
    ip link add "$port" netns "$bridge" type veth peer name "$3" netns "$ns" || nv_fail "bridge port for $2/$3"
    ip -n "$bridge" link set "$port" master br0
    ip -n "$bridge" link set "$port" up
    nv_configure_if "$ns" "$3" "$4"
}

# Waits at most 10 s until CMD succeeds; fails, showing LOG, when PID ends
# first or the time is up.
nv_wait_ready() {  # PID WHAT LOG CMD...
    local pid=$1 what=$2 log=$3 tries=0
    shift 3
    until "$@"; do
        kill -0 "$pid" 2>/dev/null || { cat "$log" >&2 2>/dev/null; nv_fail "$what ended early"; }
        tries=$((tries + 1))
        ((tries < 200)) || nv_fail "$what not ready after 10 s"
        sleep 0.05
    done
}

# Waits (at most 10 s) for the simulator's ready file.
nv_start_sim() {
    local ns config="$2" tag="$3"
    ns="$(nv_name "$1")"
    [[ -x "${NV_SIM:-}" ]] || nv_fail "NV_SIM does not name norvale-sim"
    local ready="$NV_DIR/$tag.ready"
    rm -f "$ready"
    ip netns exec "$ns" "$NV_SIM" --config "$config" --log "$NV_DIR/$tag.log" --ready-file "$ready" \
        >>"$NV_DIR/$tag.err" 2>&1 &
    local pid=$!
    NV_SIM_PIDS+=("$pid")
    nv_wait_ready "$pid" "norvale-sim ($tag)" "$NV_DIR/$tag.err" test -s "$ready"
}

nv_stop_sims() {
    nv_end_pids "${NV_SIM_PIDS[@]}"
    NV_SIM_PIDS=()
}

# Wine creates its sockets in the wineserver, so the server must start inside
# the namespace: stop any earlier one of this prefix first, wait for it after.
nv_wine() {
    local ns; ns="$(nv_name "$1")"; shift
    NV_WINE_USED=1
    WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null
    WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -w 2>/dev/null
    ip netns exec "$ns" env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all timeout 60 "${NV_WINE:-wine}" "$@"
    local status=$?
    ip netns exec "$ns" env WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null
    return $status
}

# Makes the Wine prefix once. wineboot writes the registry files only when
# its wineserver ends, and a first boot now and then fails under load: wait
# for the server, check the files, and try once more. NV_WINEBOOT_SECONDS
# bounds each boot (120 s unless set).
nv_wine_prefix() {
    local attempt
    for attempt in 1 2; do
        [[ -f "$NV_WINEPREFIX/system.reg" ]] && return 0
        WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all timeout "${NV_WINEBOOT_SECONDS:-120}" ${NV_WINEBOOT:-wineboot} -i >/dev/null 2>&1
        # No window manager here: let Wine place its windows itself rather
        # than wait 2 s for every window it hides.
        WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all timeout 60 ${NV_WINE:-wine} reg add \
            'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        WINEPREFIX="$NV_WINEPREFIX" timeout 60 wineserver -w 2>/dev/null
    done
    [[ -f "$NV_WINEPREFIX/system.reg" ]]
}
