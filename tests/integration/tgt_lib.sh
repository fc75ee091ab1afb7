# shellcheck shell=bash
# A real iSCSI target (Debian's tgt) inside a test namespace; sourced by
# netns_lib.sh, whose cleanup stops every tgtd started here by its process id.
#
#   nv_start_tgt NS ADDRESS TAG     tgtd in NS serving ADDRESS:3260 (its log
#                                   $NV_DIR/TAG.tgtd.log); sets TGT to its
#                                   control port, for the calls below
#   nv_tgt_target TGT NAME [BYTES [SECTOR]]
#                                   a target; with BYTES a LUN 1 of that size
#                                   (sectors of SECTOR bytes, 512 unless given)
#                                   in a sparse backing file $NV_DIR/TAG-NAME.lun
#   nv_tgt_chap TGT NAME USER SECRET
#                                   the target takes only that CHAP account
#   nv_tgt_from_config TGT CONFIG   the targets of every appliance in a
#                                   norvale-sim configuration: names as the
#                                   initiator knows them (lower case, "-" for
#                                   "_"), lunBytes, sectorBytes, CHAP accounts
#   nv_tgt_sessions TGT             "target initiator-name address" of every session
#   nv_stop_tgts                    stops them all (offline, targets, system)
#
# tgtd logs a refused CHAP login ("authentication ... failed"); it does not log
# a good one: nv_tgt_sessions shows those while they last.

NV_TGT_PIDS=()
NV_TGT_PORTS=()
declare -A NV_TGT_TAG=() NV_TGT_TIDS=()

nv_tgt_answers() { tgtadm -C "$1" --op show --mode sys >/dev/null 2>&1; }

nv_start_tgt() {  # NS ADDRESS TAG
    local ns port pid
    ns="$(nv_name "$1")"
    command -v tgtd >/dev/null || nv_fail "tgtd is not installed (./norvale setup installs tgt)"
    # A control port of its own: its socket lives under /var/run/tgtd.
    # (a short: at most 32767)
    port=$(( 1000 + ($$ * 8) % 30000 + ${#NV_TGT_PIDS[@]} ))
    mkdir -p /var/run/tgtd
    ip netns exec "$ns" tgtd -f -C "$port" --iscsi "portal=$2:3260" >"$NV_DIR/$3.tgtd.log" 2>&1 &
    pid=$!
    NV_TGT_PIDS+=("$pid") NV_TGT_PORTS+=("$port")
    NV_TGT_TAG[$port]=$3 NV_TGT_TIDS[$port]=""
    nv_wait_ready "$pid" "tgtd ($3)" "$NV_DIR/$3.tgtd.log" nv_tgt_answers "$port"
    TGT=$port
}

nv_tgt_tid() {  # TGT NAME: the target's id, made from its position
    local tid=1 name
    for name in ${NV_TGT_TIDS[$1]}; do [[ $name == "$2" ]] && { echo "$tid"; return; }; tid=$((tid + 1)); done
    echo "$tid"
}

nv_tgt_target() {  # TGT NAME [BYTES [SECTOR]]
    local tid file
    tid=$(nv_tgt_tid "$1" "$2")
    NV_TGT_TIDS[$1]+=" $2"
    tgtadm -C "$1" --lld iscsi --op new --mode target --tid "$tid" -T "$2" || nv_fail "tgt: target $2"
    if [[ -n "${3:-}" && "${3:-0}" != 0 ]]; then
        file="$NV_DIR/${NV_TGT_TAG[$1]}-$2.lun"
        truncate -s "$3" "$file"
        tgtadm -C "$1" --lld iscsi --op new --mode logicalunit --tid "$tid" --lun 1 -b "$file" \
            --blocksize "${4:-512}" || nv_fail "tgt: LUN of $2"
    fi
    tgtadm -C "$1" --lld iscsi --op bind --mode target --tid "$tid" -I ALL || nv_fail "tgt: access to $2"
}

nv_tgt_lun_file() { echo "$NV_DIR/${NV_TGT_TAG[$1]}-$2.lun"; }  # TGT NAME

nv_tgt_chap() {  # TGT NAME USER SECRET
    local tid
    tid=$(nv_tgt_tid "$1" "$2")
    tgtadm -C "$1" --lld iscsi --op new --mode account --user "$3" --password "$4" 2>/dev/null
    tgtadm -C "$1" --lld iscsi --op bind --mode account --tid "$tid" --user "$3" || nv_fail "tgt: CHAP for $2"
}

nv_tgt_from_config() {  # TGT CONFIG
    local kind name bytes sector user secret
    # One line per target: name, bytes, sector, and the CHAP account in
    # Base64 (a secret may hold blanks and quotes).
    while read -r kind name bytes sector user secret; do
        [[ $kind == target ]] || continue
        nv_tgt_target "$1" "$name" "$bytes" "$sector"
        [[ $user != - ]] && nv_tgt_chap "$1" "$name" "$(base64 -d <<<"$user")" "$(base64 -d <<<"$secret")"
    done < <(python3 - "$2" <<'PY'
import base64, json, sys
b64 = lambda s: base64.b64encode(s.encode()).decode() or "-"
for appliance in json.load(open(sys.argv[1]))["appliances"]:
    for t in appliance.get("targets", []):
        name = t["name"].lower().replace("_", "-")
        chap = (b64(t.get("user", "")), b64(t.get("password", ""))) if t.get("chap") else ("-", "-")
        print("target", name, t.get("lunBytes", 0), t.get("sectorBytes", 512), *chap)
PY
)
}

nv_tgt_sessions() {  # TGT
    tgtadm -C "$1" --lld iscsi --op show --mode target |
        awk '/^Target [0-9]+:/ { target = $3 } /Initiator:/ { name = $2 } /IP Address:/ { print target, name, $3 }'
}

nv_stop_tgts() {
    local i port pid tid name
    for i in "${!NV_TGT_PIDS[@]}"; do
        port=${NV_TGT_PORTS[$i]} pid=${NV_TGT_PIDS[$i]}
        tgtadm -C "$port" --op update --mode sys --name State -v offline >/dev/null 2>&1
        tid=1
        for name in ${NV_TGT_TIDS[$port]}; do
            tgtadm -C "$port" --lld iscsi --op delete --mode target --tid "$tid" --force >/dev/null 2>&1
            tid=$((tid + 1))
        done
        tgtadm -C "$port" --op delete --mode system >/dev/null 2>&1
        # SIGTERM alone does not end tgtd; the system delete does.
        nv_end_pids "$pid"
    done
    NV_TGT_PIDS=() NV_TGT_PORTS=()
}
