#!/usr/bin/env bash
# Runs the Windows suites of tests/wine_suites.txt one after the other, each
# with fresh Wine prefixes and under its time limit: directly where the kernel
# runs 32-bit code, and as the job of the test machine (tools/vm32) where it
# does not. The caller reads the results file, never this script's status
# alone: a suite without a SUITE line did not finish.
#
#   run_wine_suites.sh BUILD_HOST BUILD_WIN OUT [NAME...]
#
# Results (NORVALE_RESULTS, default OUT/logs/wine-suites.results), one line
# each, written as it happens:
#   BEGIN NAME SECONDS        a suite starts, with its time limit
#   SUITE NAME rc=N seconds=S detail=...
#   END
# Environment: NORVALE_WINE (the loader, default wine); NORVALE_PREFIX_TEMPLATES,
# a directory holding the prefixes win64/ and win32/ to start from (made once
# under OUT/wine/templates when unset); NORVALE_CLAIMS, a directory shared by
# several runners taking suites from the same list (each suite runs where its
# claim, a subdirectory, was made first).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build_host=$(cd "${1:?usage: run_wine_suites.sh BUILD_HOST BUILD_WIN OUT [NAME...]}" && pwd)
build_win=$(cd "${2:?}" && pwd)
out=$(mkdir -p "${3:?}" && cd "$3" && pwd)
shift 3
wanted=" $* "
results=${NORVALE_RESULTS:-$out/logs/wine-suites.results}
export NORVALE_WINE=${NORVALE_WINE:-wine}
export WINEDEBUG=-all
mkdir -p "$out/logs" "$(dirname "$results")"
: >"$results"

templates=${NORVALE_PREFIX_TEMPLATES:-}
if [ -z "$templates" ]; then
    templates=$out/wine/templates
    rm -rf "$templates"
    if ! "$root/tools/vm32/image/wine_prefixes.sh" "$templates" "$NORVALE_WINE" >"$out/logs/wine-prefixes.log" 2>&1; then
        echo "cannot make the Wine prefixes (see $out/logs/wine-prefixes.log)" >&2
    fi
fi

# A suite may change its prefixes at will: it gets an overlay of the template
# (a copy where overlays cannot be mounted), dropped when it ends.
# NORVALE_SCRATCH names where they live: it must keep extended attributes,
# where Wine stores what Windows keeps of a file (hidden, system).
scratch=$(mktemp -d "${NORVALE_SCRATCH:-/tmp}/norvale-suite.XXXXXX")
fresh_prefix() {  # ARCH DIR
    local lower=$templates/$1 dir=$2
    mkdir -p "$dir" "$dir.up" "$dir.work"
    mount -t overlay overlay -o "lowerdir=$lower,upperdir=$dir.up,workdir=$dir.work" "$dir" 2>/dev/null ||
        cp -a "$lower/." "$dir/"
}
drop_prefix() {  # DIR
    WINEPREFIX=$1 timeout 20 wineserver -k 2>/dev/null
    mountpoint -q "$1" && umount "$1"
    rm -rf "$1" "$1.up" "$1.work"
}
trap 'drop_prefix "$scratch/win64"; drop_prefix "$scratch/win32"; rm -rf "$scratch"' EXIT

while read -r name limit script args; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    [[ "$wanted" == "  " || "$wanted" == *" $name "* ]] || continue
    [ -z "${NORVALE_CLAIMS:-}" ] || mkdir "$NORVALE_CLAIMS/$name" 2>/dev/null || continue
    echo "BEGIN $name $limit" >>"$results"
    log=$out/logs/$name.log
    fresh_prefix win64 "$scratch/win64"
    fresh_prefix win32 "$scratch/win32"
    start=$(date +%s)
    # shellcheck disable=SC2086 # the list's arguments are words
    NORVALE_WINEPREFIX=$scratch/win64 NORVALE_WINEPREFIX32=$scratch/win32 \
        timeout -k 10 "$limit" "$root/$script" $args "$build_host" "$build_win" "$out" \
        >"$log" 2>&1 </dev/null
    rc=$?
    [ $rc -eq 124 ] && echo "FAIL: time limit of $limit s reached" >>"$log"
    detail=$(grep -E '^DETAIL: ' "$log" | tail -1 | sed 's/^DETAIL: //')
    drop_prefix "$scratch/win64"
    drop_prefix "$scratch/win32"
    echo "SUITE $name rc=$rc seconds=$(($(date +%s) - start)) detail=$detail" >>"$results"
done <"$root/tests/wine_suites.txt"
echo END >>"$results"
