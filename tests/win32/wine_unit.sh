#!/usr/bin/env bash
# norvale_tests.exe under Wine, in a 64-bit prefix (where the 32-bit build
# runs under WOW64) or in a WINEARCH=win32 prefix, on a virtual display: the
# dialog tests open real windows.
#   wine_unit.sh win64|win32 BUILD_HOST BUILD_WIN OUT
# Run through tests/run_wine_suites.sh, which gives the fresh prefixes.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=${1:?usage: wine_unit.sh win64|win32 BUILD_HOST BUILD_WIN OUT}
exe=${3:?}/tests/norvale_tests.exe
case $arch in
    win64) prefix=${NORVALE_WINEPREFIX:-} where="a 64-bit prefix" ;;
    win32) prefix=${NORVALE_WINEPREFIX32:-} where="a WINEARCH=win32 prefix" ;;
    *) echo "unknown prefix kind $arch" >&2; exit 2 ;;
esac
[ -f "$prefix/system.reg" ] || { echo "no $arch prefix: run me through tests/run_wine_suites.sh" >&2; exit 2; }
. "$here/../e2e/xvfb_lib.sh"
xvfb_start || exit 1
trap 'WINEPREFIX="$prefix" timeout 10 wineserver -k 2>/dev/null; xvfb_stop' EXIT

kind=$(file -b "$exe" | cut -d, -f1)
echo "$exe: $kind; Wine $(${NORVALE_WINE:-wine} --version) in $where"
# The drawing tests of the 64-bit prefix's run leave screenshots (disk bar,
# striped list, dialog templates) in OUT/e2e.
out=${4:?}
shots=()
if [ "$arch" = win64 ]; then
    mkdir -p "$out/e2e"
    shots=(NORVALE_SHOT_DIR="Z:${out//\//\\}\\e2e")
fi
# Into a file, not a pipe: a console host that Wine leaves behind after a
# test's child was ended would hold a pipe open, and the run would wait for
# it until its time limit; the wineserver's end (trap) takes it away.
raw=$(mktemp)
env "${shots[@]}" WINEPREFIX=$prefix ${NORVALE_WINE:-wine} "$exe" --gtest_brief=1 >"$raw" 2>&1
rc=$?
output=$(tr -d '\r' <"$raw")
rm -f "$raw"
if [ "$arch" = win64 ] && command -v convert >/dev/null; then
    for shot in "$out"/e2e/*.bmp; do
        [ -f "$shot" ] && convert "$shot" "${shot%.bmp}.png" 2>/dev/null && rm -f "$shot"
    done
fi
printf '%s\n' "$output"
# The last summary is the executable's own (some tests start it again as a child).
passed=$(grep -E '^\[  PASSED  \]' <<<"$output" | tail -1 | sed 's/^\[  PASSED  \] //; s/\.$//')
skipped=$(grep -E '^\[  SKIPPED \] [0-9]' <<<"$output" | tail -1 | awk '{print $4}')
echo "DETAIL: ${passed:-no result}, ${skipped:-0} skipped; $kind in $where"
exit "$rc"
