#!/usr/bin/env bash
# norvale-disk-flow against a real iSCSI target: tgtd in a namespace of its
# own serves a LUN from a sparse backing file, the simulated initiator logs
# in with libiscsi (CHAP checked by the target), and every byte the flow
# writes (the table, the file system) travels over iSCSI. The backing file
# is then read as an image by fdisk, sfdisk, sgdisk, blkid, ntfsfix and
# fsck.fat. A wrong secret is refused by the target and nothing is written.
#
#   disk_over_iscsi.sh BUILD_HOST_DIR
set -u
HERE="$(cd "$(dirname "$0")" && pwd)"
BUILD_HOST="${1:?usage: disk_over_iscsi.sh BUILD_HOST_DIR}"
source "$HERE/../e2e/e2e_lib.sh"
source "$HERE/image_checks.sh"
REPORT_WIDTH=56
FLOW="$BUILD_HOST/tools/diskflow/norvale-disk-flow"
[[ -x "$FLOW" ]] || nv_fail "build norvale-disk-flow in $BUILD_HOST first"
WORK="$NV_DIR/work"
mkdir -p "$WORK"
MiB=1048576
USER_NAME=chap_usr SECRET='Pa"ss word-12'

nv_ns target
nv_start_tgt target 127.0.0.1 lun

# NAME WINDOWS BYTES SECTOR SECRET FLOW-ARGS EXPECTED: each case its own
# target (the flow takes the portal's first: the others go offline first).
# EXPECTED as in disk_layouts.sh; "-" for a refused login.
CASE=0
run_case() {
    local name=$1 windows=$2 bytes=$3 sector=$4 secret=$5 extra=$6 expected=$7 iqn lun out got
    CASE=$((CASE + 1))
    iqn="iqn.2026-12.com.orrin:flow$CASE"
    nv_tgt_target "$TGT" "$iqn" "$bytes" "$sector"
    nv_tgt_chap "$TGT" "$iqn" "$USER_NAME" "$SECRET"
    lun=$(nv_tgt_lun_file "$TGT" "$iqn")
    # shellcheck disable=SC2086
    out=$(nv_exec target "$FLOW" --windows "$windows" --portal 127.0.0.1:3260 --chap "$USER_NAME:$secret" \
        --work-dir "$WORK/$CASE" $extra 2>&1)
    printf '%s\n' "$out" >"$NV_DIR/flow-$CASE.out"
    # The finished target leaves the portal's list to the next case.
    tgtadm -C "$TGT" --lld iscsi --op delete --mode target --tid "$CASE" --force >/dev/null 2>&1
    if [[ $expected == - ]]; then
        # The appliance's list agrees with what the user typed: only the
        # target knows better, and the login fails.
        if ! grep -q -- '-- the target is logged out' <<<"$out" || grep -q '^lun: ' <<<"$out"; then
            report FAIL "$name" "the login went through: $(tail -3 <<<"$out" | tr '\n' ' ')"
        elif ! grep -q 'authentication of .* failed' "$NV_DIR/lun.tgtd.log"; then
            report FAIL "$name" "the target's log shows no refused login"
        elif [[ $(stat -c %b "$lun") != 0 ]]; then
            report FAIL "$name" "the LUN was written: $(stat -c %b "$lun") blocks"
        else
            report PASS "$name" "the target refused, the LUN untouched"
        fi
        return
    fi
    grep -q "^lun: iscsi://127.0.0.1:3260/$iqn/1 ($bytes bytes)" <<<"$out" ||
        { report FAIL "$name" "no disk over iSCSI: $(tail -3 <<<"$out" | tr '\n' ' ')"; return; }
    layout_of "$name" "$lun" "$sector"
    got=$LAYOUT
    if [[ "$got" != "$expected" ]]; then
        report FAIL "$name" "partitions [$got], expected [$expected]"
    elif ! table_clean "$lun" "$sector"; then
        report FAIL "$name" "the table does not verify"
    elif [[ $sector == 512 ]] && ! sfdisk --dump "$lun" >/dev/null 2>&1; then
        report FAIL "$name" "sfdisk cannot read the table"
    else
        report PASS "$name" "$got ($(($(stat -c %b "$lun") / 2)) KiB written)"
    fi
}

R10="R:17408:$((16 * MiB - 17408))" R10_4K="R:24576:$((16 * MiB - 24576))"
run_case "10, CHAP, 3 TB: GPT and NTFS over iSCSI" 10 3298534883328 512 "$SECRET" "" "$R10 $((16 * MiB)):*"
run_case "7, CHAP: MBR and FAT32 over iSCSI" 7 10737418240 512 "$SECRET" --fat32 "65536:*"
run_case "2019, 4 KiB sectors over iSCSI" 2019 3298534883328 4096 "$SECRET" "" "$R10_4K $((16 * MiB)):*"
run_case "a wrong secret: the target refuses" 10 10737418240 512 "Wrong-secret-16" "" -

echo "DETAIL: norvale-disk-flow over iSCSI to tgt (libiscsi, CHAP), $FAILURES failed; each LUN read back by fdisk, sgdisk/sfdisk, blkid, ntfsfix and fsck.fat"
((FAILURES == 0))
