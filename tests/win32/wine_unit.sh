#!/usr/bin/env bash
# norvale_tests.exe under Wine, in a 64-bit prefix (where the 32-bit build
# runs under WOW64) or in a WINEARCH=win32 prefix, on a virtual display: the
# dialog tests open real windows.
#   wine_unit.sh win64|win32|fresh BUILD_HOST BUILD_WIN OUT
# Run through tests/run_wine_suites.sh, which gives the fresh prefixes. With
# "fresh" the prefix is made here as a new user makes one, by `wineboot -i`
# alone, and the tests start the moment it returns, while the prefix is still
# settling (its service manager, for one): no test may count on a settled one.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=${1:?usage: wine_unit.sh win64|win32|fresh BUILD_HOST BUILD_WIN OUT}
exe=${3:?}/tests/norvale_tests.exe
case $arch in
    win64) prefix=${NORVALE_WINEPREFIX:-} where="a 64-bit prefix" ;;
    win32) prefix=${NORVALE_WINEPREFIX32:-} where="a WINEARCH=win32 prefix" ;;
    fresh) prefix="" where="a prefix just made by wineboot -i" ;;
    *) echo "unknown prefix kind $arch" >&2; exit 2 ;;
esac
source "$here/../e2e/e2e_lib.sh"
if [ "$arch" = fresh ]; then
    prefix=$NV_DIR/prefix
elif [ ! -f "$prefix/system.reg" ]; then
    echo "no $arch prefix: run me through tests/run_wine_suites.sh" >&2
    exit 2
fi
NV_WINEPREFIX=$prefix
e2e_display
if [ "$arch" = fresh ]; then
    # On the display, as a user at a desktop runs it: the desktop process
    # that wineboot starts serves every later program of its session.
    boot_start=$(date +%s)
    WINEPREFIX=$prefix WINEDEBUG=-all timeout 300 ${NORVALE_WINE:-wine} wineboot -i >/dev/null 2>&1
    where="$where ($(($(date +%s) - boot_start)) s)"
    # Its registry files come only when its wineserver ends: not looked for.
    [ -d "$prefix/drive_c" ] || { echo "wineboot -i made no prefix" >&2; exit 1; }
    # A user's desktop has a window manager; this display has none, and
    # without one Wine waits 2 s for every window it hides unless it manages
    # them itself (the other prefixes are made so too).
    WINEPREFIX=$prefix WINEDEBUG=-all timeout 120 ${NORVALE_WINE:-wine} reg add 'HKCU\Software\Wine\X11 Driver' \
        /v Managed /d N /f >/dev/null 2>&1
fi

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
# The portable core's tests run natively and once under Wine (the 64-bit
# prefix's run, for the i686 code); the other prefixes run the tests of the
# Windows adapters (tests/win32, every suite named Win32...), which are what
# a prefix's state can change.
filter=()
[ "$arch" = win64 ] || filter=(--gtest_filter='Win32*')
env "${shots[@]}" WINEPREFIX=$prefix ${NORVALE_WINE:-wine} "$exe" --gtest_brief=1 "${filter[@]}" >"$raw" 2>&1
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
