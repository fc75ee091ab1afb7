#!/usr/bin/env bash
# The release's MSI under Wine, as msiexec on a PC would take it: a silent
# per-machine install into Program Files (x86)\Norvale of the 64-bit prefix
# (the package is 32-bit), the Start-menu shortcut and the Add/Remove
# Programs entry, the installed exe showing its main window, an upgrade to
# the next build number replacing it, and a silent uninstall that leaves no
# file, shortcut or entry behind.
#
#   msi_wine.sh BUILD_HOST BUILD_WIN OUT
#
# Installs OUT/release/dist/norvale-*-win32.msi, which the release suite
# leaves there.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/xvfb_lib.sh"
. "$here/../integration/netns_lib.sh"

out=$(cd "${3:?usage: msi_wine.sh BUILD_HOST BUILD_WIN OUT}" && pwd)
dist=$out/release/dist
# The test run makes the release beside the Windows suites and marks it
# pending meanwhile.
for _ in $(seq 1 900); do [ -e "$out/release-pending" ] || break; sleep 1; done
msi=$(ls "$dist"/norvale-*-win32.msi 2>/dev/null | head -1)
[ -n "$msi" ] || { echo "no MSI in $dist: run the release suite (./norvale test) first"; exit 1; }
installer_yaml=$(ls "$dist"/winget/Orrin.Norvale/*/Orrin.Norvale.installer.yaml | head -1)
code=$(sed -n 's/^ProductCode: "\(.*\)"$/\1/p' "$installer_yaml")
version=$(sed -n 's/^PackageVersion: "\(.*\)"$/\1/p' "$installer_yaml")
title="Orrin's HVB-3300-12 Norvale"
wine=${NORVALE_WINE:-wine}
export WINEPREFIX=${NORVALE_WINEPREFIX:-$out/wine/release-prefix}
export WINEDEBUG=-all
# No menu entries on the host's desktop for the shortcut the MSI makes.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
NV_WINEPREFIX=$WINEPREFIX
[ -f "$WINEPREFIX/system.reg" ] || nv_wine_prefix || { echo "cannot make the Wine prefix"; exit 1; }

failures=0
check() {  # NAME, command...
    local name=$1
    shift
    if "$@"; then printf 'PASS  %s\n' "$name"; else printf 'FAIL  %s\n' "$name"; failures=$((failures + 1)); fi
}
c=$WINEPREFIX/drive_c
install_dir="$c/Program Files (x86)/Norvale"
# Windows puts a per-machine package's shortcut in the All Users Start menu;
# Wine 8 resolves ProgramMenuFolder to the installing user's even so.
shortcuts=("$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Norvale.lnk"
           "$c/users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Norvale.lnk")
any_shortcut() { [ -s "${shortcuts[0]}" ] || [ -s "${shortcuts[1]}" ]; }
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code"
arp() {  # VALUE: the 32-bit view, where a 32-bit package's entry lives
    timeout 60 $wine reg query "$uninstall_key" /v "$1" /reg:32 2>/dev/null | tr -d '\r' |
        awk -v v="$1" '$1 == v { $1 = ""; $2 = ""; sub(/^  */, ""); print }'
}
msiexec() {  # ARGS...
    timeout 300 $wine msiexec "$@"
    local rc=$?
    timeout 60 wineserver -w
    return $rc
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# --- install --------------------------------------------------------------------------
check "msiexec /i /qn succeeds" msiexec /i "$(windows_path "$msi")" /qn /l*v "$(windows_path "$out/logs/release-msi-install.txt")"
check "norvale.exe in Program Files (x86)\\Norvale" test -s "$install_dir/norvale.exe"
check "LICENSE.txt and README.txt beside it" test -s "$install_dir/LICENSE.txt" -a -s "$install_dir/README.txt"
check "nothing in the 64-bit Program Files" test ! -e "$c/Program Files/Norvale"
check "a Start-menu shortcut" any_shortcut
check "Add/Remove Programs: DisplayName Norvale" test "$(arp DisplayName)" = Norvale
check "Add/Remove Programs: DisplayVersion $version" test "$(arp DisplayVersion)" = "$version"
check "Add/Remove Programs: Publisher Orrin" test "$(arp Publisher)" = Orrin
# The installer's custom actions run the installed program's firewall setup,
# which writes what it did to the support log (Wine's firewall lets it read
# no rules, so it changes nothing there).
support_log() { cat "$c"/users/*/AppData/Local/Norvale/norvale.log 2>/dev/null | tr -d '\r'; }
ran_setup() { support_log | grep -F "firewall: $1 for " | grep -qiF '\Norvale\norvale.exe'; }
check "the installer ran norvale.exe --firewall install" ran_setup install

# --- the installed program ---------------------------------------------------------------
nv_ns alone
xvfb_start || exit 1
NV_WINE_USED=1
trap 'xvfb_stop; nv_cleanup' EXIT
nv_exec alone env WINEPREFIX="$WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="$WINEDLLOVERRIDES" DISPLAY="$DISPLAY" \
    timeout 120 $wine "C:\\Program Files (x86)\\Norvale\\norvale.exe" >"$out/logs/release-msi-norvale.log" 2>&1 &
if id=$(wait_for_window "$title" 60); then
    check "the installed norvale.exe shows its main window" true
    for _ in $(seq 1 20); do xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && break; sleep 0.5; done
    sleep 1
    screenshot "$out/release/installed.png" "$id"
else
    check "the installed norvale.exe shows its main window" false
fi
timeout 20 wineserver -k
timeout 20 wineserver -w

# --- upgrade ------------------------------------------------------------------------------
# The next build number differs only in the fourth field, which Windows
# Installer does not compare: it must still replace this one, not sit beside it.
next_msi=$(ls "$out"/release/upgrade/norvale-*-win32.msi 2>/dev/null | head -1)
next_code=$(cat "$out/release/upgrade/product-code" 2>/dev/null)
if [ -n "$next_msi" ] && [ -n "$next_code" ]; then
    next_version=$(basename "$next_msi" | sed 's/^norvale-\(.*\)-win32.msi$/\1/')
    check "msiexec /i of $next_version over $version succeeds" msiexec /i "$(windows_path "$next_msi")" /qn
    check "the $version entry is gone" bash -c "! timeout 60 $wine reg query '$uninstall_key' /reg:32 >/dev/null 2>&1"
    uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$next_code"
    check "one entry, for $next_version" test "$(arp DisplayVersion)" = "$next_version"
    check "norvale.exe still installed" test -s "$install_dir/norvale.exe"
    code=$next_code
else
    check "an MSI of the next build to upgrade to (from the release suite)" false
fi

# --- uninstall --------------------------------------------------------------------------
check "msiexec /x /qn succeeds" msiexec /x "$code" /qn /l*v "$(windows_path "$out/logs/release-msi-uninstall.txt")"
left=$(find "$install_dir" 2>/dev/null)
check "no file left in Program Files (x86)\\Norvale${left:+: $left}" test -z "$left"
check "the shortcut is gone" bash -c "[ ! -e '${shortcuts[0]}' ] && [ ! -e '${shortcuts[1]}' ]"
check "the uninstaller ran norvale.exe --firewall remove" ran_setup remove
check "the uninstall entry is gone" bash -c "! timeout 60 $wine reg query '$uninstall_key' /reg:32 >/dev/null 2>&1"

echo "DETAIL: $(basename "$msi") installed into Program Files (x86)\\Norvale, its window shown, upgraded, uninstalled without a trace; $failures failed"
[ "$failures" -eq 0 ]
