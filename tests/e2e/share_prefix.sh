#!/usr/bin/env bash
# Installs the network-provider stand-in (tests/shares) into a Wine prefix:
# Wine's mpr.dll then hands WNetAddConnection2W and WNetCancelConnection2W to
# it, and it asks the simulated network's daemon at ENDPOINT whether the
# appliance's SMB server takes the credentials. For test prefixes only.
#
#   share_prefix.sh PREFIX BUILD_WINDOWS_DIR 127.0.0.1:PORT [SERVER=FOLDER ...]
#
# Wine resolves a remote drive's "unc/SERVER/SHARE" mount point inside the
# prefix's dosdevices folder, and a drive whose folder is missing reads as no
# drive at all: each SERVER=FOLDER makes the prefix's view of \\SERVER the
# folder that holds that server's shares (the SMB server's own share folders,
# on this same machine).
set -u
PREFIX="${1:?usage: share_prefix.sh PREFIX BUILD_WINDOWS_DIR ENDPOINT [SERVER=FOLDER ...]}"
BUILD_WIN="${2:?}"
ENDPOINT="${3:?}"
WINE="${NORVALE_WINE:-wine}"
DLL="$BUILD_WIN/tests/shares/norvale_np_standin.dll"
fail() { echo "share_prefix: $*" >&2; exit 1; }

[[ -f "$DLL" ]] || fail "missing $DLL (build the Windows tests first)"
[[ -f "$PREFIX/system.reg" ]] || fail "$PREFIX is no Wine prefix"
mkdir -p "$PREFIX/drive_c/norvale-shares"
cp "$DLL" "$PREFIX/drive_c/norvale-shares/" || fail "cannot copy the provider"
# One registry import: under emulation every Wine start takes seconds.
# (The here-document halves backslashes; the file wants them doubled in values.)
cat >"$PREFIX/drive_c/norvale-shares/provider.reg" <<REG || fail "cannot write the registry file"
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\NorvaleTest\ShareCheck]
"Endpoint"="$ENDPOINT"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\NetworkProvider\Order]
"ProviderOrder"="NorvaleShares"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\NorvaleShares\NetworkProvider]
"ProviderPath"="C:\\\\norvale-shares\\\\norvale_np_standin.dll"
"Name"="Norvale test shares"
REG
WINEPREFIX="$PREFIX" WINEDEBUG=-all timeout 120 $WINE reg import 'C:\norvale-shares\provider.reg' /reg:64 >/dev/null 2>&1 ||
    fail "cannot import the provider's registry entries"
shift 3
mkdir -p "$PREFIX/dosdevices/unc"
for view in "$@"; do
    ln -sfn "${view#*=}" "$PREFIX/dosdevices/unc/${view%%=*}" || fail "cannot make the view of ${view%%=*}"
done
