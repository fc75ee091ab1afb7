#!/bin/sh
# Makes the two Wine prefixes the Windows suites start from: DIR/win64 (a
# 32-bit program runs there under WOW64) and DIR/win32 (WINEARCH=win32).
# The test machine makes them once, on the boot that builds it; where the
# kernel runs 32-bit code the suite runner makes them once per run.
#
#   wine_prefixes.sh DIR [WINE]        (WINE: the loader, default wine)
#
# Exit status 0 only when both prefixes have their registry files.
set -u
dir=$1
wine=${2:-wine}
export WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs .NET or HTML.
export WINEDLLOVERRIDES="mscoree,mshtml="

make_prefix() {  # ARCH
    prefix=$dir/$1
    # wineboot writes the registry files only when its server ends, and a
    # first boot now and then fails under load: check, and try once more.
    for attempt in 1 2; do
        [ -f "$prefix/system.reg" ] && [ -f "$prefix/user.reg" ] && break
        echo "wineboot $1 (attempt $attempt) at $(date +%T)"
        rm -rf "$prefix"
        mkdir -p "$prefix"
        WINEARCH=$1 WINEPREFIX=$prefix timeout 600 $wine wineboot -i
        WINEPREFIX=$prefix timeout 120 wineserver -w
    done
    # Without a window manager Wine waits 2 s for every window it hides or
    # destroys unless it manages the windows itself.
    WINEPREFIX=$prefix timeout 120 $wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    WINEPREFIX=$prefix timeout 120 wineserver -w
    grep -q '"Managed"="N"' "$prefix/user.reg"
}

status=0
make_prefix win64 || status=1
make_prefix win32 || status=1
echo "prefixes done at $(date +%T)"
exit $status
