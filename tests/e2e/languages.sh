#!/usr/bin/env bash
# The program in the administrator's language under Wine, at 96 DPI (the DPI
# suite takes every language at 120, 144 and 192). With the locale German,
# Japanese and Russian in turn (LC_ALL, which Wine takes for the system
# default language) the main window shows that language's texts, each fitting
# its control and none left in English (norvale_tests.exe, Win32Languages);
# in Japanese so do the CHAP dialog, Drive Select, the disk manager, the
# partition manager, the wizard and the real norvale.exe (the probe). Then
# every language of the table in place. Screenshots: OUT/e2e/lang-*.png.
#
#   languages.sh BUILD_HOST BUILD_WIN OUT
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_lib.sh"
. "$here/../integration/netns_lib.sh"
. "$here/fit_lib.sh"

fit_setup lang "$@"

nv_ns alone
unset DISPLAY
NV_XVFB_SCREEN=1600x1200x24 xvfb_start || exit 1
NV_WINE_USED=1
trap 'xvfb_stop; nv_cleanup' EXIT

set_dpi 96
# LOCALE TAG and the Refresh button's text (control 1002) in it.
for language in "de_DE.UTF-8 de Aktualisieren" "ja_JP.UTF-8 ja 更新" "ru_RU.UTF-8 ru Обновить"; do
    read -r locale tag word <<<"$language"
    log=$out/logs/lang-$tag-dialogs.log
    # Every dialog in Japanese, whose font is the locale's own; the main
    # window in the others (each Wine start costs a minute under emulation).
    only=NORVALE_TEST_DIALOGS=main
    [ "$tag" = ja ] && only=
    run_dialog_tests "$log" 'Win32Languages.*' "LC_ALL=$locale $only" "%s-system" &&
        report PASS "$tag: the dialogs in the system's language" "$(grep -E '^\[  PASSED' "$log")" ||
        report FAIL "$tag: the dialogs in the system's language" "$(grep -E 'Failure|needs|header|label|still shows' "$log" | head -6 | tr '\n' ';')"
    # The real program once, in the script measured in the locale's own font.
    [ "$tag" = ja ] || continue
    if seen=$(probe_main_window "$out/logs/lang-$tag-main.log" "$shots/lang-$tag-main-window.png" \
        "LC_ALL=$locale" text 1002 fits "MS Shell Dlg 2" 8); then
        grep -qF "text 1002 \"$word\"" <<<"$seen" && report PASS "$tag: norvale.exe in its language" "$word" ||
            report FAIL "$tag: norvale.exe in its language" "$(grep '^text' <<<"$seen")"
        grep -q '^fits' <<<"$seen" && ! grep -q 'probe:' <<<"$seen" &&
            report PASS "$tag: norvale.exe's texts fit" "$(grep '^fits' <<<"$seen")" ||
            report FAIL "$tag: norvale.exe's texts fit" "$(grep 'probe:' <<<"$seen" | tr '\n' ';')"
    else
        report FAIL "$tag: norvale.exe" "no window titled \"$title\""
    fi
done
log=$out/logs/lang-all-dialogs.log
run_dialog_tests "$log" 'Win32Languages.*' "NORVALE_TEST_LANGUAGES=all NORVALE_LANGUAGE_SHOTS=1" "%s" &&
    report PASS "every language: dialogs fit" "$(grep -E '^\[  PASSED' "$log")" ||
    report FAIL "every language: dialogs fit" "$(grep -E 'Failure|needs|header|label' "$log" | head -6 | tr '\n' ';')"
WINEPREFIX="$NV_WINEPREFIX" timeout 20 wineserver -k 2>/dev/null

echo "DETAIL: German, Japanese and Russian as the system language, norvale.exe in Japanese, every language in place; 96 DPI (the DPI suite takes 120, 144, 192); $failures failed; screenshots out/e2e/lang-*.png"
[ "$failures" -eq 0 ]
