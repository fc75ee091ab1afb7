#!/usr/bin/env bash
# The real norvale.exe under Wine runs its iSCSI group against simulated
# appliances and the simulated initiator: norvale-initiator-sim inside the PC
# namespace with the Windows stand-ins in the prefix (iscsicli.exe, the WMI
# locator, the MSiSCSI service stopped at start), driven from outside by
# norvale_probe.exe as a user would. The appliances' targets are a real
# target's: tgtd in each appliance's namespace, to which the simulated
# initiator discovers and logs in over iSCSI (libiscsi), CHAP checked there:
#   - a click on an iSCSI appliance lists its targets: from the appliance
#     (every row NO) while the service is stopped;
#   - Connect of a plain target shows the service notice, starts the
#     service, and the target is logged in by itself (the stand-in saw the
#     exact lines); the row turns YES, the list now from the initiator;
#   - a CHAP target opens dialog 229: a wrong password is refused with its
#     message, the right one connects, and the secret is in no log;
#   - Disconnect logs out (the target sees each session come and go; a wrong
#     secret that passes the program's own check is refused by the target);
#   - a watch beside the program times how long its window keeps a sender
#     waiting: at most 250 ms through the service start and the CHAP connect;
#   - Windows XP without the initiator: every row NO, Connect shows the
#     install notice and its OK the missing-installer message.
#
#   iscsi.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR
#
# NORVALE_WINE names the Wine loader (as the test command chose it);
# NORVALE_WINEPREFIX and NORVALE_WINEPREFIX32, when set, are fresh prefixes to
# use (64-bit, and WINEARCH=win32 for the XP part of a 32-bit build); without
# them the script makes its own.
# Screenshots go to OUT_DIR/e2e/iscsi-*.png. One line per case; exit 1 when any fails.
# The waits are upper bounds, generous for a machine that emulates its processor.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_args "iscsi.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR" "$@"
e2e_need "$NV_SIM" "$DAEMON" "$EXE" "$PROBE" "$WATCH"
mkdir -p "$SHOTS"

# Control ids: the main dialog, the CHAP dialog (229) and the notices (232, 233).
DEVICE_LIST=1000 EXIT=1009 TARGET_LIST=1029 TARGET_CONNECT=1030 MANAGEMENT=1031
CHAP_USER=1032 CHAP_PASSWORD=1033 SERVICE_NAME=1087 SERVICE_LINE=1086 INSTALL_TEXT=1074 OK=1
# The CHAP target's secret: a quote and a blank, which must not split the line.
CHAP_SECRET='Pa"ss word-12'
# How long a box or dialog may take to come: a login runs several console
# programs, each of which takes seconds to start under software emulation.
BOX_WAIT=30 DIALOG_WAIT=5
[[ -n "${NORVALE_EMULATED:-}" ]] && BOX_WAIT=180 DIALOG_WAIT=60


# --- the LAN: the PC and two appliances --------------------------------------
nv_ns pc
nv_ns nas1
nv_ns nas2
nv_bridge lan
nv_bridge_port lan pc pc0 192.168.10.2/24
nv_bridge_port lan nas1 n1 192.168.10.20/24
nv_bridge_port lan nas2 n2 192.168.10.40/24

# Archive lists its plain target with "_" (the initiator knows it with "-"),
# a CHAP target (a secret with a quote and a blank, which reaches iscsicli as
# the hex of its bytes; its Base64 padding the list's "=" separator eats) and
# a third target. None has a LUN: under Wine no disk
# stands behind a session, and a disk without a volume would open the format
# wizard (its own suite, wizard.sh); here every connect ends with message 260.
ARCHIVE='{"interface": "n1", "id": "00:1a:2b:00:00:20", "address": "192.168.10.20", "netmask": "255.255.255.0",
   "gateway": "192.168.10.1", "name": "Archive", "service": "iscsi",
   "targets": [{"name": "iqn.2026-12.com.orrin:archive_lun0"},
               {"name": "iqn.2026-12.com.orrin:archive.secure", "chap": true, "user": "chap_usr",
                "password": "Pa\"ss word-12"},
               {"name": "iqn.2026-12.com.orrin:archive.empty"}]}'
OFFICE='{"interface": "n2", "id": "00:1a:2b:00:00:40", "address": "192.168.10.40", "netmask": "255.255.255.0",
   "gateway": "192.168.10.1", "name": "Office", "service": "iscsi",
   "targets": [{"name": "iqn.2026-12.com.orrin:office.lun0", "lunBytes": 1073741824}]}'
printf '{"appliances": [%s]}\n' "$ARCHIVE" >"$NV_DIR/nas1.json"
printf '{"appliances": [%s]}\n' "$OFFICE" >"$NV_DIR/nas2.json"
printf '{"appliances": [%s, %s]}\n' "$ARCHIVE" "$OFFICE" >"$NV_DIR/initiator.json"
nv_start_sim nas1 "$NV_DIR/nas1.json" nas1
nv_start_sim nas2 "$NV_DIR/nas2.json" nas2
nv_start_tgt nas1 192.168.10.20 nas1-target
nv_tgt_from_config "$TGT" "$NV_DIR/nas1.json"
ARCHIVE_TGT=$TGT
nv_start_tgt nas2 192.168.10.40 nas2-target
nv_tgt_from_config "$TGT" "$NV_DIR/nas2.json"
PC_INITIATOR="iqn.1991-05.com.microsoft:norvale-pc 192.168.10.2"

# --- the initiator daemon, the prefix and the display --------------------------
# Polls the target list until a row reads NAME|STATE; answers the rows.
wait_target() {  # NAME STATE SECONDS
    local end=$((SECONDS + $3))
    # Bounded by the clock: under emulation one probe run alone takes seconds.
    while :; do
        probe rows $TARGET_LIST >/dev/null
        grep -qx "$1|$2" <<<"$(rows_of $TARGET_LIST)" && break
        ((SECONDS < end)) || break
        sleep 0.5
    done
    rows_of $TARGET_LIST | paste -sd ' '
}
# The program's dialogs carry its title too: the main window is the largest.
main_window() {
    local id best="" area=0 WIDTH HEIGHT X Y SCREEN WINDOW
    for id in $(xdotool search --name "^${TITLE}\$" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
        ((WIDTH * HEIGHT > area)) && { area=$((WIDTH * HEIGHT)); best=$id; }
    done
    echo "$best"
}
shot_main() { screenshot "$SHOTS/$1.png" "$(main_window)" 2>/dev/null; }
# The screen where the main window lies, with the dialogs over it.
shot_screen() {
    local WIDTH HEIGHT X Y SCREEN WINDOW
    if eval "$(xdotool getwindowgeometry --shell "$(main_window)" 2>/dev/null)" && [[ -n "${WIDTH:-}" ]]; then
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$SHOTS/$1.png" 2>/dev/null
    else
        screenshot "$SHOTS/$1.png" 2>/dev/null
    fi
}
iscsicli_log() { ask LOG | tr -d '\r'; }

e2e_display

# --- Windows 7 with the initiator, its service stopped ------------------------
start_daemon daemon "$NV_DIR/initiator.json" --service stopped --start-delay 5000 --statistics-names suffixed \
    --real-targets
e2e_prefix "${NORVALE_WINEPREFIX:-$NV_DIR/prefix}"
install_standins
# The wait limit grows with the machine's slowness, as winver measures it.
winver_visible
watch_answers
phase other
start_program 900
probe wait $START_WAIT wait-rows $DEVICE_LIST 2 60 || program_not_shown
archive=$(row_of $DEVICE_LIST Archive)
probe click-row $DEVICE_LIST "$archive" wait-rows $TARGET_LIST 3 60 enabled $MANAGEMENT
expect "service stopped: the appliance's list, every row NO" \
    "iqn.2026-12.com.orrin:archive_lun0|NO iqn.2026-12.com.orrin:archive.secure|NO iqn.2026-12.com.orrin:archive.empty|NO" \
    "$(rows_of $TARGET_LIST | paste -sd ' ')"
expect "the service is still stopped" "stopped" "$(ask SERVICE state | tail -1)"

# Connect starts the service under its notice; the target then connects by itself.
probe click-row $TARGET_LIST 0 text $TARGET_CONNECT
expect "a row that reads NO offers Connect" '"Connect"' "$(value text $TARGET_CONNECT)"
phase service-start
probe click-async $TARGET_CONNECT dialog-with $SERVICE_LINE 60 peek $SERVICE_LINE peek $SERVICE_NAME
shot_screen iscsi-service-notice
expect "the service start notice" '"Windows is trying to start the following service..." "Microsoft iSCSI Initiator Service"' \
    "$(value peek $SERVICE_LINE) $(value peek $SERVICE_NAME)"
probe gone $SERVICE_LINE 120 wait-idle
expect "the service runs" "running" "$(ask SERVICE state | tail -1)"
# The list shows its rows once the connect has ended, after its message.
NO_LUN="\"Warning\" \"The target doesn't allocated to the iSCSI LUN.\""
probe wait-box $BOX_WAIT answer-box $OK main wait-idle
expect "the connected target has no disk: message 260" "$NO_LUN" "$(box)"
expect "the plain target connected by itself" "ARCHIVE-LUN0|YES ARCHIVE.EMPTY|NO ARCHIVE.SECURE|NO" \
    "$(wait_target ARCHIVE-LUN0 YES 90)"
phase other
log=$(iscsicli_log)
contains "the stand-in saw the login" \
    "0 accepted iscsicli logintarget iqn.2026-12.com.orrin:archive-lun0 t * * ROOT\\ISCSIPRT\\0000_0 * * * * * * * * * * * * 0" "$log"
contains "... and the persistent login" \
    "0 accepted iscsicli persistentlogintarget iqn.2026-12.com.orrin:archive-lun0 t * * ROOT\\ISCSIPRT\\0000_0 * * * * * * * * * * * * 0" "$log"
# One automatic connect only (its message's loop must not start another), and
# no disk to bind.
expect "no binding after the automatic connect" 0 "$(grep -c 'BindPersistentVolumes' <<<"$log")"
expect "the target holds the session" "iqn.2026-12.com.orrin:archive-lun0 $PC_INITIATOR" "$(nv_tgt_sessions "$ARCHIVE_TGT")"
refused=$(grep -c ' refused ' <<<"$log")
expect "no line was refused" 0 "$refused"

# A click lists the targets from the initiator, with their state.
probe click-row $DEVICE_LIST "$archive" wait-rows $TARGET_LIST 3 60
shot_main iscsi-target-list
expect "a click lists the targets from the initiator" "ARCHIVE-LUN0|YES ARCHIVE.EMPTY|NO ARCHIVE.SECURE|NO" \
    "$(rows_of $TARGET_LIST | paste -sd ' ')"

# A secret the appliance's list would not refuse (the account changed on the
# target alone) reaches the target, which refuses it.
ask ISCSICLI 'iscsicli logintarget iqn.2026-12.com.orrin:archive.secure t * * * * * * * * * * * "chap_usr" "Other-secret-16" 1 * 0' \
    >"$NV_DIR/refused-login.out"
contains "a wrong secret is refused by the target" "authentication of iqn.1991-05.com.microsoft:norvale-pc failed" \
    "$(cat "$NV_DIR/nas1-target.tgtd.log")"
contains "... and iscsicli says so" "Authentication Failure." "$(cat "$NV_DIR/refused-login.out")"

# CHAP: dialog 229, a wrong password refused, the right one connects.
# The list may be between a refill and the next: wait until it shows the row.
wait_target ARCHIVE.SECURE NO 60 >/dev/null
phase chap-connect
probe click-row $TARGET_LIST "$(row_of $TARGET_LIST ARCHIVE.SECURE)" click-async $TARGET_CONNECT dialog-with $CHAP_USER 60 \
    set-text $CHAP_USER chap_usr set-text $CHAP_PASSWORD Wrong-secret-16
shot_screen iscsi-chap-dialog
probe dialog-with $CHAP_USER $DIALOG_WAIT click $OK wait-box $BOX_WAIT
expect "a wrong password is refused" "\"$TITLE\" \"Password Error.\"" "$(box)"
probe wait-box 1 answer-box $OK dialog-with $CHAP_USER $DIALOG_WAIT text $CHAP_PASSWORD
expect "the dialog stays, its password field emptied" '""' "$(value text $CHAP_PASSWORD)"
probe dialog-with $CHAP_USER $DIALOG_WAIT set-text $CHAP_PASSWORD "$CHAP_SECRET" click $OK main wait-idle
# The session's missing disk is told first; the list follows once it is read.
probe wait-box $BOX_WAIT answer-box $OK main wait-idle
expect "... and message 260 for its missing disk" "$NO_LUN" "$(box)"
expect "the right credentials connect" "ARCHIVE-LUN0|YES ARCHIVE.EMPTY|NO ARCHIVE.SECURE|YES" \
    "$(wait_target ARCHIVE.SECURE YES 90)"
log=$(iscsicli_log)
contains "the CHAP login, its password hidden in the log" \
    '0 accepted iscsicli logintarget IQN.2026-12.COM.ORRIN:ARCHIVE.SECURE t * * ROOT\ISCSIPRT\0000_0 * * * * * * * * "chap_usr" "***" 1 * 0' "$log"
contains "the target took the secret" "iqn.2026-12.com.orrin:archive.secure $PC_INITIATOR" "$(nv_tgt_sessions "$ARCHIVE_TGT")"
phase other
# The secret in every form it could leak in: plain, Base64 (as the appliance
# sends it) and hex (as iscsicli takes it), in every log and every text the
# probe read from the windows.
leaks=""
for form in "$CHAP_SECRET" Wrong-secret "$(printf %s "$CHAP_SECRET" | base64 | tr -d '=')" \
    "$(printf %s "$CHAP_SECRET" | od -An -tx1 | tr -d ' \n')"; do
    if grep -rqiF -- "$form" "$NV_DIR"/*.log "$NV_DIR/probe-all.out" || grep -qiF -- "$form" <<<"$log"; then
        leaks+=" [$(printf %s "$form" | wc -c) characters]"
    fi
done
expect "no form of the CHAP secret (plain, Base64, hex) in any log or window text" "" "$leaks"

# Disconnect of the plain target.
probe rows $TARGET_LIST
probe click-row $TARGET_LIST "$(row_of $TARGET_LIST ARCHIVE-LUN0)" text $TARGET_CONNECT
expect "a row that reads YES offers Disconnect" '"Disconnect"' "$(value text $TARGET_CONNECT)"
probe click $TARGET_CONNECT
expect "Disconnect logs out" "ARCHIVE-LUN0|NO ARCHIVE.EMPTY|NO ARCHIVE.SECURE|YES" "$(wait_target ARCHIVE-LUN0 NO 90)"
log=$(iscsicli_log)
contains "the stand-in saw the logout" "0 accepted iscsicli logouttarget " "$log"
contains "... and the persistent login removed" \
    '0 accepted iscsicli removepersistenttarget  "ROOT\ISCSIPRT\0000_0" "IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0" * "192.168.10.20" 3260' "$log"
state=$(ask STATE)
expect "one session left, the CHAP target's" 1 "$(grep -c '^session ' <<<"$state")"
expect "... also at the target" "iqn.2026-12.com.orrin:archive.secure $PC_INITIATOR" "$(nv_tgt_sessions "$ARCHIVE_TGT")"
probe click $EXIT
watched_answers 250 service-start chap-connect
for _ in $(seq 1 100); do kill -0 "$PROGRAM" 2>/dev/null || break; sleep 0.1; done
PROGRAM=""
stop_daemon
WINEPREFIX="$NV_WINEPREFIX" timeout 10 wineserver -k 2>/dev/null

# --- Windows XP without the initiator -------------------------------------------
start_daemon xp-daemon "$NV_DIR/initiator.json" --not-installed
xp_prefix="$NV_DIR/prefix-xp"
[[ -n "${NORVALE_WINEPREFIX32:-}" ]] && file "$EXE" | grep -q 'PE32 ' && xp_prefix="$NORVALE_WINEPREFIX32"
e2e_prefix "$xp_prefix"
install_standins --without-initiator
xp=winxp
[[ -d "$NV_WINEPREFIX/drive_c/windows/syswow64" ]] && xp=winxp64
in_pc $NV_WINE reg add 'HKCU\Software\Wine' /v Version /d $xp /f >/dev/null 2>&1
# The installer for a 32-bit program on 64-bit Windows is the x64 one.
installer=Initiator-2.08-build3825-x86fre.exe
file "$EXE" | grep -q 'PE32 ' && [[ $xp == winxp64 ]] && installer=Initiator-2.08-build3825-x64fre.exe
folder=$(in_pc $NV_WINE winepath -w "$(dirname "$EXE")" 2>/dev/null | tr -d '\r')
start_program 900
probe wait $START_WAIT wait-rows $DEVICE_LIST 2 60 || program_not_shown
archive=$(row_of $DEVICE_LIST Archive)
probe click-row $DEVICE_LIST "$archive" wait-rows $TARGET_LIST 3 60
expect "XP without the initiator: the appliance's list, every row NO" \
    "iqn.2026-12.com.orrin:archive_lun0|NO iqn.2026-12.com.orrin:archive.secure|NO iqn.2026-12.com.orrin:archive.empty|NO" \
    "$(rows_of $TARGET_LIST | paste -sd ' ')"
probe click-row $TARGET_LIST 0 click $TARGET_CONNECT dialog-with $INSTALL_TEXT 60 text $INSTALL_TEXT
shot_screen iscsi-install-notice
contains "Connect shows the install notice" "This application requires the use of a full install of Microsoft's iSCSI initiator" \
    "$(value text $INSTALL_TEXT)"
probe dialog-with $INSTALL_TEXT $DIALOG_WAIT click $OK wait-box $BOX_WAIT
expect "no installer: the message names it and the program's folder" \
    "\"$TITLE\" \"The $installer does not exist in $folder Please copy or move $installer to the above folder.\"" "$(box)"
probe wait-box 1 answer-box $OK dialog-with $INSTALL_TEXT $DIALOG_WAIT
expect "the notice stays" "dialog-with $INSTALL_TEXT" "$(tail -1 <<<"$PROBE_OUT")"
expect "nothing reached the initiator" "" "$(iscsicli_log)"
probe click $EXIT

echo "DETAIL: iSCSI group end to end, $FAILURES failed; screenshots in ${SHOTS#"$ROOT"/}/iscsi-*.png"
((FAILURES == 0))
