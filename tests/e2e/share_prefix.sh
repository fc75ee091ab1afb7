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
reg() { WINEPREFIX="$PREFIX" WINEDEBUG=-all timeout 120 $WINE reg add "$@" /f /reg:64 >/dev/null || fail "reg add $1"; }

[[ -f "$DLL" ]] || fail "missing $DLL (build the Windows tests first)"
[[ -f "$PREFIX/system.reg" ]] || fail "$PREFIX is no Wine prefix"
mkdir -p "$PREFIX/drive_c/norvale-shares"
cp "$DLL" "$PREFIX/drive_c/norvale-shares/" || fail "cannot copy the provider"
reg 'HKLM\Software\NorvaleTest\ShareCheck' /v Endpoint /d "$ENDPOINT"
reg 'HKLM\System\CurrentControlSet\Control\NetworkProvider\Order' /v ProviderOrder /d NorvaleShares
reg 'HKLM\System\CurrentControlSet\Services\NorvaleShares\NetworkProvider' /v ProviderPath \
    /d 'C:\norvale-shares\norvale_np_standin.dll'
reg 'HKLM\System\CurrentControlSet\Services\NorvaleShares\NetworkProvider' /v Name /d 'Norvale test shares'
shift 3
mkdir -p "$PREFIX/dosdevices/unc"
for view in "$@"; do
    ln -sfn "${view#*=}" "$PREFIX/dosdevices/unc/${view%%=*}" || fail "cannot make the view of ${view%%=*}"
done
