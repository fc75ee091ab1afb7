#!/usr/bin/env bash
# The program at 120, 144 and 192 DPI under Wine, against 96 DPI: the main window
# (the real norvale.exe, checked from outside by norvale_probe.exe: its size
# and that every text fits its control), and the CHAP dialog, Drive Select,
# the disk manager with its bars (and in a high-contrast scheme), the
# partition manager and the format wizard from their templates
# (norvale_tests.exe, whose tests check the texts fit as well). One prefix,
# its LogPixels switched between the runs. Screenshots: OUT/e2e/dpiN-*.png.
#
#   dpi.sh BUILD_HOST BUILD_WIN OUT
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_lib.sh"
. "$here/../integration/netns_lib.sh"
. "$here/fit_lib.sh"

fit_setup dpi "$@"
# The template tests that open the dialogs named above (the CHAP one is the
# first of the iSCSI group's), the discovery doctor, and the dialogs in every
# language of the table (their screenshots are the languages suite's).
dialog_tests='Win32TargetDialogs.TheChap*:Win32SelectDrive.*:Win32DiskManager.*:Win32PartitionManager.*:Win32FormatWizard.*:Win32Doctor.*:Win32Languages.*'

# Nothing leaves this machine: the program's discovery runs in a namespace
# with loopback only, and the wineserver with it.
nv_ns alone
# A screen of its own, large enough for the main window at 192 DPI.
unset DISPLAY
NV_XVFB_SCREEN=2400x1600x24 xvfb_start || exit 1
NV_WINE_USED=1
trap 'xvfb_stop; nv_cleanup' EXIT
declare -A width height
main_window_at() {  # DPI
    local dpi=$1 size seen_all seen
    if ! seen_all=$(probe_main_window "$out/logs/dpi-$dpi-main.log" "$shots/dpi$dpi-main.png" "" \
        size fits "MS Shell Dlg 2" 8); then
        report FAIL "$dpi DPI: main window" "no window titled \"$title\""
        return
    fi
    size=$(grep '^size ' <<<"$seen_all")
    read -r _ width[$dpi] height[$dpi] _ _ _ _ seen <<<"$size"
    if [[ "$seen" == "$dpi" ]]; then
        report PASS "$dpi DPI: main window" "${width[$dpi]} x ${height[$dpi]} pixels"
    else
        report FAIL "$dpi DPI: main window" "the probe saw [$size]"
    fi
    if grep -q '^fits' <<<"$seen_all" && ! grep -q 'probe:' <<<"$seen_all"; then
        report PASS "$dpi DPI: main window's texts fit" "$(grep '^fits' <<<"$seen_all")"
    else
        report FAIL "$dpi DPI: main window's texts fit" "$(grep 'probe:' <<<"$seen_all" | tr '\n' ';')"
    fi
}

dialogs_at() {  # DPI; every language too, in place
    local dpi=$1 log=$out/logs/dpi-$1-dialogs.log
    if run_dialog_tests "$log" "$dialog_tests" NORVALE_TEST_LANGUAGES=all "dpi$dpi-%s"; then
        report PASS "$dpi DPI: dialogs from their templates" "$(grep -E '^\[  PASSED  \]' "$log" | tail -1)"
    else
        report FAIL "$dpi DPI: dialogs from their templates" "$(grep -E '^\[  FAILED  \]|Failure|needs|header|label|still shows' "$log" | head -6 | tr '\n' ';')"
    fi
}

for dpi in 96 120 144 192; do
    set_dpi "$dpi"
    main_window_at "$dpi"
    [ "$dpi" = 96 ] || dialogs_at "$dpi"
done
WINEPREFIX="$NV_WINEPREFIX" timeout 20 wineserver -k 2>/dev/null

# The main window grows with the DPI: about 1.25, 1.5 and 2 times its 96-DPI size.
# Its template is in dialog units, which follow the font's measures rather
# than the DPI exactly (Wine's: 7 x 13 pixels for 4 x 8 units at 96 DPI,
# 10 x 19 at 144, 13 x 24 at 192), hence the tenth either way.
for dpi in 120 144 192; do
    if [[ -n "${width[96]:-}" && -n "${width[$dpi]:-}" ]]; then
        ratio=$(awk -v a="${width[$dpi]}" -v b="${width[96]}" -v c="${height[$dpi]}" -v d="${height[96]}" \
            'BEGIN { printf "%.2f %.2f", a / b, c / d }')
        expected=$(awk -v dpi="$dpi" 'BEGIN { printf "%.2f", dpi / 96 }')
        if awk -v r="$ratio" -v e="$expected" 'BEGIN { split(r, x, " "); exit !(x[1] > e * 0.9 && x[1] < e * 1.1 && x[2] > e * 0.9 && x[2] < e * 1.1) }'; then
            report PASS "$dpi DPI: main window $expected times as big" "width and height x $ratio"
        else
            report FAIL "$dpi DPI: main window $expected times as big" "width and height x $ratio"
        fi
    fi
done

echo "DETAIL: main window ${width[96]:-?}x${height[96]:-?} at 96 DPI, ${width[120]:-?}x${height[120]:-?} at 120, ${width[144]:-?}x${height[144]:-?} at 144, ${width[192]:-?}x${height[192]:-?} at 192; $failures failed; screenshots out/e2e/dpi*.png"
[ "$failures" -eq 0 ]
