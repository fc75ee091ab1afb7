#!/usr/bin/env bash
# norvale-disk-flow on the Windows whose disks it lays out differently, each
# image then read by tools that share no code with the program: where every
# partition starts (from Vista on the first 1 MiB boundary after the table
# and Windows' reserved partition, Windows 7's wizard at 64 KiB on MBR, XP
# at sector 63), the reserved partition's size (16 MiB less its offset from
# Windows 10 and Server 2016 on, 128 MiB before), the table (sgdisk or
# sfdisk --verify, over a 4096-byte loop device for 4 KiB sectors) and each
# file system (ntfsfix -n, fsck.fat -n; loop devices need root). A Delete aimed at the reserved
# partition finds no menu, asks nothing and leaves it.
#
#   disk_layouts.sh BUILD_HOST_DIR
set -u
HERE="$(cd "$(dirname "$0")" && pwd)"
BUILD_HOST="${1:?usage: disk_layouts.sh BUILD_HOST_DIR}"
source "$HERE/../e2e/e2e_lib.sh"
REPORT_WIDTH=56
FLOW="$BUILD_HOST/tools/diskflow/norvale-disk-flow"
[[ -x "$FLOW" ]] || nv_fail "build norvale-disk-flow in $BUILD_HOST first"
WORK="$(mktemp -d /tmp/norvale-layouts.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
MiB=1048576

source "$HERE/image_checks.sh"

# NAME WINDOWS SIZE SECTOR "ACTIONS" (empty: the wizard) EXPECTED
# EXPECTED: the partitions in table order as start:length, "*" for a data
# partition's length, R: before a reserved one.
run_case() {
    local name=$1 windows=$2 size=$3 sector=$4 actions=$5 expected=$6 dir out image got
    dir="$WORK/$name"
    mkdir -p "$dir"
    local args=(--windows "$windows" --size "$size" --sector-size "$sector" --work-dir "$dir")
    [[ -n "$actions" ]] && args+=(--no-wizard --actions "$actions")
    out=$("$FLOW" "${args[@]}" 2>&1)
    image=$(sed -n 's/^image: \(.*\) ([0-9]* bytes)$/\1/p' <<<"$out")
    if [[ -z "$image" ]]; then
        report FAIL "$name" "no image: $(tail -2 <<<"$out" | tr '\n' ' ')"
        return
    fi
    layout_of "$name" "$image" "$sector"
    got=$LAYOUT
    if [[ "$got" != "$expected" ]]; then
        report FAIL "$name" "partitions [$got], expected [$expected]"
    elif ! table_clean "$image" "$sector"; then
        report FAIL "$name" "the table does not verify"
    elif grep -q 'All files on the disk will disappear' <<<"$out" && [[ "$actions" == *"delete 1"* ]]; then
        report FAIL "$name" "a question was asked about the reserved partition"
    else
        report PASS "$name" "$got"
    fi
    rm -rf "$dir"
}

R10_512="R:17408:$((16 * MiB - 17408))" R10_4K="R:24576:$((16 * MiB - 24576))" R7="R:17408:$((128 * MiB))"
run_case "7 wizard, MBR at 64 KiB" 7 10G 512 "" "65536:*"
run_case "7 Adds on MBR" 7 10G 512 "init; add 1G ntfs; add 2G fat32" "$MiB:* $((1025 * MiB)):*"
run_case "7 wizard, 3 TB GPT after 128 MiB" 7 3T 512 "" "$R7 $((129 * MiB)):*"
run_case "10 wizard, 3 TB GPT at 16 MiB" 10 3T 512 "" "$R10_512 $((16 * MiB)):*"
run_case "10 Adds, Delete on the reserved partition" 10 3T 512 "init; add 1G ntfs; add 2G fat32; delete 1" \
    "$R10_512 $((16 * MiB)):* $((1040 * MiB)):*"
run_case "2008 R2 Adds on MBR" 2008r2 10G 512 "init; add 1G ntfs; add 1G ntfs" "$MiB:* $((1025 * MiB)):*"
run_case "2019 wizard, 4 KiB sectors" 2019 3T 4096 "" "$R10_4K $((16 * MiB)):*"
run_case "2019 Adds, 4 KiB sectors, Delete on reserved" 2019 3T 4096 "init; add 1G ntfs; add 1G ntfs; delete 1" \
    "$R10_4K $((16 * MiB)):* $((1040 * MiB)):*"
run_case "Vista wizard, MBR at 1 MiB" vista 10G 512 "" "$MiB:*"
run_case "Vista Adds on MBR" vista 10G 512 "init; add 1G ntfs; add 1G fat32" "$MiB:* $((1025 * MiB)):*"
run_case "XP wizard keeps sector 63" xp 10G 512 "" "32256:*"
run_case "XP Add keeps sector 63" xp 10G 512 "init; add 1G ntfs" "32256:*"

echo "DETAIL: $FAILURES failed; every image read by fdisk, sgdisk/sfdisk, blkid, ntfsfix and fsck.fat"
((FAILURES == 0))
