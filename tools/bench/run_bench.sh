#!/usr/bin/env bash
# The protocol benchmark: norvale-bench in a PC namespace against 1, 48, 100
# and 500 simulated appliances on one segment, one interface on the PC side;
# then a PC with 1, 4 and 10 interfaces (veth pairs), an appliance behind each.
#   run_bench.sh BUILD_HOST_DIR
set -u
HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
BUILD_HOST="${1:?usage: run_bench.sh BUILD_HOST_DIR}"
source "$ROOT/tests/integration/netns_lib.sh"
NV_SIM="$BUILD_HOST/tools/simulator/norvale-sim"
BENCH="$BUILD_HOST/tools/bench/norvale-bench"
[[ -x "$NV_SIM" && -x "$BENCH" ]] || nv_fail "build norvale-sim and norvale-bench first"

nv_ns pc
nv_ns nas
nv_link pc pc0 10.9.0.1/16 nas n0 10.9.0.2/16

# N appliances in one simulator, each on an address of its own. Real
# appliances do not answer in the same microsecond: the answers are spread
# over the first second of the pass, well inside its 1.5 s.
config() {  # count
    local n=$1 i sep=""
    printf '{"appliances": ['
    for ((i = 0; i < n; i++)); do
        printf '%s{"interface": "n0", "id": "02:00:00:00:%02x:%02x", "address": "10.9.%d.%d", "netmask": "255.255.0.0", "name": "NAS-%d", "service": "iscsi", "replyDelayMs": %d}' \
            "$sep" $((i / 256)) $((i % 256)) $((1 + i / 250)) $((1 + i % 250)) "$i" $((i * 1000 / n))
        sep=", "
    done
    printf ']}\n'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
for n in 1 48 100 500; do
    config "$n" >"$NV_DIR/bench-$n.json"
    nv_start_sim nas "$NV_DIR/bench-$n.json" "sim-$n"
    echo "== $n appliance(s)"
    if [[ $n == 1 ]]; then
        nv_exec pc "$BENCH" --expect "$n" --passes 3 --login-ip 10.9.1.1
    else
        nv_exec pc "$BENCH" --expect "$n" --passes 3
    fi
    nv_stop_sims
done

# One pass asks every interface at once: its wall time stays one schedule.
for k in 1 4 10; do
    nv_ns "pc$k"
    nv_ns "nas$k"
    sep=""
    printf '{"appliances": [' >"$NV_DIR/ifaces-$k.json"
    for ((i = 0; i < k; i++)); do
        nv_link "pc$k" "p$i" "10.$((20 + i)).0.1/24" "nas$k" "n$i" "10.$((20 + i)).0.2/24"
        printf '%s{"interface": "n%d", "id": "02:00:00:01:%02x:%02x", "address": "10.%d.0.10", "netmask": "255.255.255.0", "name": "IF-%d", "service": "iscsi", "replyDelayMs": %d}' \
            "$sep" "$i" "$k" "$i" $((20 + i)) "$i" $((i * 50)) >>"$NV_DIR/ifaces-$k.json"
        sep=", "
    done
    printf ']}\n' >>"$NV_DIR/ifaces-$k.json"
    nv_start_sim "nas$k" "$NV_DIR/ifaces-$k.json" "ifaces-$k"
    echo "== $k interface(s), one appliance behind each"
    nv_exec "pc$k" "$BENCH" --expect "$k" --passes 3
    nv_stop_sims
done
