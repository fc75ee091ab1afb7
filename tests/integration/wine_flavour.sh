#!/usr/bin/env bash
# The Windows programs of the integration cases (netprobe.exe and
# norvale-cli.exe) under Wine against norvale-sim in network namespaces: the
# Winsock port and the command-line client as the shipped build runs them.
#   wine_flavour.sh BUILD_HOST BUILD_WIN OUT
# The prefix is NORVALE_WINEPREFIX (run me through tests/run_wine_suites.sh).
set -u
here=$(cd "$(dirname "$0")" && pwd)
build_host=${1:?usage: wine_flavour.sh BUILD_HOST BUILD_WIN OUT}
build_win=${2:?}
[ -f "${NORVALE_WINEPREFIX:-}/system.reg" ] || { echo "no prefix: run me through tests/run_wine_suites.sh" >&2; exit 2; }
export NV_WINEPREFIX=$NORVALE_WINEPREFIX NORVALE_FLAVOURS=wine
rc=0
for script in socket_ports.sh cli_cases.sh; do
    echo "== $script"
    "$here/$script" "$build_host" "$build_win" || rc=1
done
echo "DETAIL: $(file -b "$build_win/tools/cli/norvale-cli.exe" | cut -d, -f1) netprobe.exe and norvale-cli.exe against simulated appliances"
exit $rc
