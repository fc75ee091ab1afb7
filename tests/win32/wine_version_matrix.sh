#!/bin/sh
# Runs the live version test of norvale_tests.exe once per Windows version that
# Wine can pretend to be, and checks the WOW64 answer in a 64-bit and a 32-bit
# prefix. Usage: wine_version_matrix.sh PREFIX EXE [WIN32_PREFIX]
# PREFIX is a 64-bit prefix; WIN32_PREFIX is made with WINEARCH=win32 when absent.
# Prints one line per run and exits non-zero when any run fails.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 PREFIX EXE [WIN32_PREFIX]" >&2
    exit 2
fi
prefix=$1
exe=$2
win32_prefix=${3:-}
filter='Win32VersionSource.ReportsTheConfiguredWineVersion'
export WINEDEBUG=-all
# The Wine loader for EXE (wine64 where only the 64-bit build can run); a
# 64-bit program is never under WOW64 and needs no 32-bit prefix run.
wine=${NORVALE_WINE:-wine}
expect_wow64=${NORVALE_EXPECT_WOW64:-1}

# The Version value the prefix had before, to put back at the end.
saved_version=$(WINEPREFIX=$prefix $wine reg query 'HKCU\Software\Wine' /v Version 2>/dev/null |
                tr -d '\r' | awk '$1 == "Version" { print $3 }')

restore() {
    if [ -n "$saved_version" ]; then
        WINEPREFIX=$prefix $wine reg add 'HKCU\Software\Wine' /v Version /d "$saved_version" /f >/dev/null 2>&1
    else
        WINEPREFIX=$prefix $wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1
    fi
    WINEPREFIX=$prefix wineserver -w
}
trap restore EXIT

failures=0

# run_case PREFIX VERSION EXPECT_WOW64
run_case() {
    WINEPREFIX=$1 $wine reg add 'HKCU\Software\Wine' /v Version /d "$2" /f >/dev/null 2>&1
    # The registry change takes effect for processes started after the server has written it.
    WINEPREFIX=$1 wineserver -w
    output=$(WINEPREFIX=$1 NORVALE_WINE_VERSION=$2 NORVALE_EXPECT_WOW64=$3 \
             timeout 60 $wine "$exe" --gtest_filter="$filter" 2>&1 | tr -d '\r')
    seen=$(printf '%s\n' "$output" | grep '^version ' | head -n 1)
    if printf '%s\n' "$output" | grep -q '^\[  PASSED  \] 1 test'; then
        echo "PASS $2 wow64=$3: $seen"
    else
        echo "FAIL $2 wow64=$3: $seen"
        printf '%s\n' "$output" | grep -E 'Failure|Expected|Which is|actual' | sed 's/^/    /'
        failures=$((failures + 1))
    fi
}

for version in winxp win2003 vista win7 win2008r2 win10 win98; do
    run_case "$prefix" "$version" "$expect_wow64"
done

if [ "$expect_wow64" = 0 ]; then
    [ "$failures" -eq 0 ] && echo "all version runs passed (64-bit build: no WOW64 runs)"
    exit $((failures != 0))
fi

if [ -z "$win32_prefix" ]; then
    win32_prefix=$(mktemp -d /tmp/norvale-wine32-XXXXXX)
    made_win32_prefix=$win32_prefix
fi
if [ ! -f "$win32_prefix/system.reg" ]; then
    WINEARCH=win32 WINEPREFIX=$win32_prefix $wine wineboot -i >/dev/null 2>&1
fi
run_case "$win32_prefix" win7 0
WINEPREFIX=$win32_prefix wineserver -k >/dev/null 2>&1
if [ -n "${made_win32_prefix:-}" ]; then rm -rf "$made_win32_prefix"; fi

if [ "$failures" -ne 0 ]; then
    echo "$failures version run(s) failed"
    exit 1
fi
echo "all version runs passed"
