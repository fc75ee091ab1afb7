#!/usr/bin/env bash
# Installs the iSCSI initiator stand-ins into a Wine prefix, in place of the
# Microsoft initiator, all talking to a running norvale-initiator-sim:
#   - iscsicli.exe where the command runner finds it: C:\windows\system32 and,
#     in a 64-bit prefix, C:\windows\syswow64 too (the runner turns WOW64
#     redirection off, so even a 32-bit program resolves the 64-bit folder);
#   - the WMI locator DLL registered as CLSID_WbemLocator in the registry view
#     of the build's bitness (a 32-bit DLL in a 64-bit prefix goes to the
#     32-bit view, Wow6432Node), replacing Wine's own wbemprox;
#   - the MSiSCSI service (demand start, stopped) with its display name
#     "Microsoft iSCSI Initiator Service", also under
#     SYSTEM\ControlSet001\Services where the product looks for it;
#   - the daemon's address under HKLM\SOFTWARE\NorvaleTest\InitiatorSim.
#
#   initiator_prefix.sh PREFIX BUILD_WINDOWS_DIR 127.0.0.1:PORT [--without-initiator]
#
# --without-initiator leaves out iscsicli.exe and the service (a Windows
# without the initiator); the WMI locator still answers, from a daemon started
# with --not-installed. NORVALE_WINE names the Wine loader (default: wine).
# The prefix's wineserver is left running; exit status 1 when a step fails.
set -u
PREFIX="${1:?usage: initiator_prefix.sh PREFIX BUILD_WINDOWS_DIR ENDPOINT [--without-initiator]}"
BUILD_WIN="${2:?}"
ENDPOINT="${3:?}"
WITH_INITIATOR=1
[[ "${4:-}" == --without-initiator ]] && WITH_INITIATOR=0
WINE="${NORVALE_WINE:-wine}"
LOCATOR_CLSID='{4590F811-1D3A-11D0-891F-00AA004B2E24}'

fail() { echo "initiator_prefix: $*" >&2; exit 1; }
wine_run() { WINEPREFIX="$PREFIX" WINEDEBUG=-all timeout 120 $WINE "$@"; }

ISCSICLI="$BUILD_WIN/tests/initiator/iscsicli.exe"
LOCATOR_DLL="$BUILD_WIN/tests/initiator/norvale_wbem_standin.dll"
SERVICE_EXE="$BUILD_WIN/tests/msiscsi_standin.exe"
for file in "$ISCSICLI" "$LOCATOR_DLL" "$SERVICE_EXE"; do
    [[ -f "$file" ]] || fail "missing $file (build the Windows tests first)"
done
[[ -f "$PREFIX/system.reg" ]] || fail "$PREFIX is no Wine prefix"

# Which registry view the DLL's bitness belongs in.
PREFIX_64=0
[[ -d "$PREFIX/drive_c/windows/syswow64" ]] && PREFIX_64=1
BUILD_64=0
file "$LOCATOR_DLL" | grep -q 'PE32+' && BUILD_64=1
CLASSES='HKLM\Software\Classes'
# Which reg.exe a loader starts differs (Debian's "wine" picks the 32-bit
# one when wine32 is installed, and that one writes to Wow6432Node): name the
# view, so the paths below are the literal ones in either case.
VIEW=()
[[ $PREFIX_64 == 1 ]] && VIEW=(/reg:64)
[[ $PREFIX_64 == 1 && $BUILD_64 == 0 ]] && CLASSES='HKLM\Software\Wow6432Node\Classes'

STANDIN_DIR="$PREFIX/drive_c/norvale-initiator"
mkdir -p "$STANDIN_DIR"
cp "$LOCATOR_DLL" "$SERVICE_EXE" "$STANDIN_DIR/" || fail "cannot copy the stand-ins"

wine_run reg add 'HKLM\Software\NorvaleTest\InitiatorSim' /v Endpoint /d "$ENDPOINT" /f "${VIEW[@]}" >/dev/null ||
    fail "cannot write the daemon's address"
wine_run reg add "$CLASSES\\CLSID\\$LOCATOR_CLSID\\InprocServer32" /ve \
    /d 'C:\norvale-initiator\norvale_wbem_standin.dll' /f "${VIEW[@]}" >/dev/null || fail "cannot register the WMI locator"
wine_run reg add "$CLASSES\\CLSID\\$LOCATOR_CLSID\\InprocServer32" /v ThreadingModel /d Both /f "${VIEW[@]}" >/dev/null ||
    fail "cannot register the WMI locator"

if [[ $WITH_INITIATOR == 1 ]]; then
    cp "$ISCSICLI" "$PREFIX/drive_c/windows/system32/" || fail "cannot place iscsicli.exe"
    [[ $PREFIX_64 == 1 ]] && { cp "$ISCSICLI" "$PREFIX/drive_c/windows/syswow64/" || fail "cannot place iscsicli.exe"; }
    # A prefix used again (the demo's) has the service already.
    if ! wine_run reg query 'HKLM\SYSTEM\CurrentControlSet\Services\MSiSCSI' >/dev/null 2>&1; then
        wine_run sc create MSiSCSI binpath= 'C:\norvale-initiator\msiscsi_standin.exe' type= own start= demand \
            displayname= 'Microsoft iSCSI Initiator Service' >/dev/null || fail "cannot create the MSiSCSI service"
    fi
    # Wine keeps CurrentControlSet as a key of its own and has no
    # ControlSet001, where the product looks for installed services (on
    # Windows the one is a link to the other): the entry goes there too.
    wine_run reg add 'HKLM\SYSTEM\ControlSet001\Services\MSiSCSI' /v DisplayName \
        /d 'Microsoft iSCSI Initiator Service' /f "${VIEW[@]}" >/dev/null || fail "cannot write the service's registry entry"
    wine_run reg query 'HKLM\SYSTEM\CurrentControlSet\Services\MSiSCSI' /v DisplayName 2>/dev/null |
        grep -q 'Microsoft iSCSI Initiator Service' || fail "the MSiSCSI service has no display name"
fi
exit 0
