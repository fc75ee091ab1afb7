# The DPI and language suites' steps: norvale.exe's main window asked by
# norvale_probe.exe, and norvale_tests.exe's dialog tests, in one prefix whose
# DPI changes between runs. The caller runs fit_setup, then makes the
# namespace "alone" and a display.

# Sets exe, probe, tests, title, wine, out, shots and NV_WINEPREFIX (the
# suite's own unless NORVALE_WINEPREFIX names one) and prepares the prefix.
fit_setup() {  # SUITE BUILD_HOST BUILD_WIN OUT
    local build_win=${3:?usage: ${0##*/} BUILD_HOST BUILD_WIN OUT}
    out=$(mkdir -p "${4:?}" && cd "$4" && pwd)
    exe=$build_win/app/norvale.exe
    probe=$build_win/tests/e2e/norvale_probe.exe
    tests=$build_win/tests/norvale_tests.exe
    [[ -f "$exe" && -f "$probe" && -f "$tests" ]] || nv_fail "build norvale.exe, norvale_probe.exe and norvale_tests.exe first"
    title="Orrin's HVB-3300-12 Norvale"
    wine=${NORVALE_WINE:-wine}
    shots=$out/e2e
    mkdir -p "$shots" "$out/logs"
    NV_WINEPREFIX=${NORVALE_WINEPREFIX:-$out/wine/$1-prefix}
    prepare_prefix
}

failures=0
report() {  # PASS|FAIL NAME DETAIL
    printf '%-4s %-48s %s\n' "$1" "$2" "$3"
    [[ "$1" == PASS ]] || failures=$((failures + 1))
}

in_ns() { nv_exec alone env WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all DISPLAY="$DISPLAY" "$@"; }

# The test executable's windows unmanaged (without a window manager on the
# virtual screen Wine waits a second or two for each dialog to go), and
# Tahoma linked to Debian's Chinese and Japanese fonts as Windows links it
# to its own East Asian fonts, so that those texts are measured in glyphs.
prepare_prefix() {
    [ -f "$NV_WINEPREFIX/system.reg" ] || WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all $wine wineboot -i >/dev/null 2>&1
    WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all timeout 60 $wine reg add \
        'HKCU\Software\Wine\AppDefaults\norvale_tests.exe\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    WINEPREFIX="$NV_WINEPREFIX" WINEDEBUG=-all timeout 60 $wine reg add \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ \
        /d 'wqy-microhei.ttc,WenQuanYi Micro Hei\0ipag.ttf,IPAGothic' /f >/dev/null 2>&1
    WINEPREFIX="$NV_WINEPREFIX" timeout 20 wineserver -w 2>/dev/null
}

# Wine 8 takes the DPI from HKCU\Control Panel\Desktop\LogPixels when its
# server starts.
set_dpi() {
    WINEPREFIX="$NV_WINEPREFIX" timeout 20 wineserver -k 2>/dev/null
    WINEPREFIX="$NV_WINEPREFIX" timeout 20 wineserver -w 2>/dev/null
    in_ns timeout 60 $wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    WINEPREFIX="$NV_WINEPREFIX" timeout 20 wineserver -w 2>/dev/null
}

# Starts norvale.exe (ENV such as LC_ALL=de_DE.UTF-8 before it, may be
# empty), prints what the probe answers to PROBE_ARGS about its main window,
# saves a screenshot and ends it; false when no window showed.
probe_main_window() {  # LOG SHOT ENV PROBE_ARGS...
    local log=$1 shot=$2 env=$3 id="" program
    shift 3
    in_ns env $env timeout 120 $wine "$exe" >"$log" 2>&1 &
    program=$!
    if id=$(wait_for_window "$title" 60); then
        # One probe run for all: under emulation each Wine start takes seconds.
        in_ns env $env timeout 60 $wine "$probe" "$title" wait 10 wait-idle "$@" 2>&1 | tr -d '\r'
        sleep 1
        screenshot "$shot" "$id"
    fi
    WINEPREFIX="$NV_WINEPREFIX" timeout 20 wineserver -k 2>/dev/null
    wait "$program" 2>/dev/null
    [ -n "$id" ]
}

# Runs the tests FILTER of norvale_tests.exe (ENV before them); the log goes
# to LOG and each screenshot NAME.bmp to OUT/e2e as the printf FORMAT of NAME
# ('_' as '-') in PNG; answers the tests' exit status.
run_dialog_tests() {  # LOG FILTER ENV FORMAT
    # A folder of the suite's own: the DPI and languages suites may run at once.
    local log=$1 filter=$2 env=$3 format=$4 tmp=$out/wine/shots-${0##*/} raw rc shot name
    rm -rf "$tmp"
    mkdir -p "$tmp/png"
    raw=$(mktemp)
    in_ns env $env NORVALE_SHOT_DIR="Z:${tmp//\//\\}" timeout 900 $wine "$tests" --gtest_filter="$filter" \
        --gtest_brief=1 >"$raw" 2>&1
    rc=$?
    tr -d '\r' <"$raw" >"$log"
    rm -f "$raw"
    for shot in "$tmp"/*.bmp; do
        [ -f "$shot" ] || continue
        printf -v name "$format" "$(basename "${shot%.bmp}" | tr '_' '-')"
        mv "$shot" "$tmp/png/$name.bmp"
    done
    # One ImageMagick run for all of them: under emulation each start counts.
    compgen -G "$tmp/png/*.bmp" >/dev/null &&
        { mogrify -path "$shots" -format png "$tmp"/png/*.bmp 2>/dev/null || cp "$tmp"/png/*.bmp "$shots/"; }
    rm -rf "$tmp"
    return $rc
}
