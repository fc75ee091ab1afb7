#!/usr/bin/env bash
# Runs the live version test of norvale_tests.exe once per Windows version
# that Wine can pretend to be in the 64-bit prefix, where the 32-bit build is
# under WOW64, and once in the WINEARCH=win32 prefix, where it is not. Each
# run also checks what IsWow64 and the WOW64 redirection adapter answer.
#   wine_version_matrix.sh BUILD_HOST BUILD_WIN OUT
# The prefixes are NORVALE_WINEPREFIX and NORVALE_WINEPREFIX32 (run me
# through tests/run_wine_suites.sh). One line per run; exit 1 when any fails.
set -u
exe=${2:?usage: wine_version_matrix.sh BUILD_HOST BUILD_WIN OUT}/tests/norvale_tests.exe
prefix64=${NORVALE_WINEPREFIX:-}
prefix32=${NORVALE_WINEPREFIX32:-}
for prefix in "$prefix64" "$prefix32"; do
    [ -f "$prefix/system.reg" ] || { echo "no prefix: run me through tests/run_wine_suites.sh" >&2; exit 2; }
done
filter='Win32VersionSource.ReportsTheConfiguredWineVersion'
export WINEDEBUG=-all
wine=${NORVALE_WINE:-wine}
failures=0

# Wine takes the version a program sees from HKCU\Software\Wine\AppDefaults\
# NAME.exe: each version gets a name of its own, a link to the test
# executable, so one registry import sets them all and one server serves
# every run (a Wine start costs seconds in a virtual machine without KVM).
links=$(mktemp -d /tmp/norvale-versions.XXXXXX)
trap 'for p in "$prefix64" "$prefix32"; do WINEPREFIX=$p timeout 10 wineserver -k 2>/dev/null; done; rm -rf "$links"' EXIT

set_versions() {  # PREFIX VERSION...
    local prefix=$1 version
    shift
    {
        echo REGEDIT4
        for version in "$@"; do
            ln -sf "$exe" "$links/v_$version.exe"
            printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\v_%s.exe]\n"Version"="%s"\n' "$version" "$version"
        done
    } >"$links/versions.reg"
    WINEPREFIX=$prefix wineserver -p 600
    WINEPREFIX=$prefix timeout 120 $wine reg import "$(winepath_of "$links/versions.reg")" >/dev/null 2>&1
}
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

run_case() {  # PREFIX VERSION EXPECT_WOW64
    output=$(WINEPREFIX=$1 NORVALE_WINE_VERSION=$2 NORVALE_EXPECT_WOW64=$3 \
             timeout 120 $wine "$links/v_$2.exe" --gtest_filter="$filter" 2>&1 | tr -d '\r')
    seen="$(printf '%s\n' "$output" | grep -E '^(version|wow64) ' | paste -sd';' | sed 's/;/; /')"
    if printf '%s\n' "$output" | grep -q '^\[  PASSED  \] 1 test'; then
        echo "PASS $2 wow64=$3: $seen"
    else
        echo "FAIL $2 wow64=$3: $seen"
        printf '%s\n' "$output" | grep -E 'Failure|Expected|Which is|actual' | sed 's/^/    /'
        failures=$((failures + 1))
    fi
}

versions64=(winxp win2003 vista win7 win2008r2 win10 win98)
set_versions "$prefix64" "${versions64[@]}"
for version in "${versions64[@]}"; do
    run_case "$prefix64" "$version" 1
done
# Windows 11: Wine 8.0 has no name for it. A program without a version of its
# own gets the one the prefix's registry describes, so the registry says
# Windows 11 23H2 (the named runs above are not affected).
ln -sf "$exe" "$links/v_win11.exe"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"CurrentVersion"="10.0"\n"CurrentBuild"="22631"\n"CurrentBuildNumber"="22631"\n"CSDVersion"=""\n"ProductName"="Windows 11 Pro"\n' >"$links/win11.reg"
WINEPREFIX=$prefix64 timeout 120 $wine reg import "$(winepath_of "$links/win11.reg")" >/dev/null 2>&1
run_case "$prefix64" win11 1
set_versions "$prefix32" win7 winxp
run_case "$prefix32" win7 0
run_case "$prefix32" winxp 0

if [ "$failures" -ne 0 ]; then
    echo "$failures version run(s) failed"
    exit 1
fi
echo "DETAIL: 10 version runs of $(file -b "$exe" | cut -d, -f1): IsWow64 TRUE and redirection switched in the 64-bit prefix, FALSE and none in the win32 prefix"
