#!/usr/bin/env bash
# The real norvale.exe under Wine maps the appliance's shares for real: smbd
# in the appliance's namespace serves them with a password, and the
# network-provider stand-in in the prefix (tests/shares) takes Wine's
# WNetAddConnection2W and WNetCancelConnection2W, checks each connection's
# credentials against that smbd (smbclient, through the simulated network's
# daemon) and defines the letter through Wine's mount manager as a remote
# drive. Windows is XP here: after six attempts without credentials the
# program asks for them in its own login dialog. (From Vista on it lets
# Windows ask, with CONNECT_INTERACTIVE, for which Wine answers 67 without
# asking any provider: that way cannot be shown under Wine.) Cases:
#   - Connect with the right password: the letter shows in the share list's
#     Location and in the drive-letter list, as a remote drive;
#   - a wrong password: the program's attempts, as smbd refused them, and
#     its message;
#   - a share the server does not have; a letter already in use (the
#     program drops the old connection first); Disconnect.
#
#   shares.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR
#
# Screenshots go to OUT_DIR/e2e/shares-*.png. One line per case; exit 1 when any fails.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_args "shares.sh BUILD_HOST_DIR BUILD_WINDOWS_DIR OUT_DIR" "$@"
e2e_need "$NV_SIM" "$DAEMON" "$EXE" "$PROBE" "$BUILD_WIN/tests/shares/norvale_np_standin.dll"
mkdir -p "$SHOTS"

DEVICE_LIST=1000 SHARE_LIST=1001 SHARE_CONNECT=1003 SHARE_DISCONNECT=1004 DRIVES=1013 EXIT=1009
LOGIN_USER=1081 LOGIN_PASSWORD=1083 OK=1
SECRET='Pa"ss word-12'
BOX_WAIT=60 DIALOG_WAIT=60
[[ -n "${NORVALE_EMULATED:-}" ]] && BOX_WAIT=180 DIALOG_WAIT=120

nv_ns pc
nv_ns nas1
nv_bridge lan
nv_bridge_port lan pc pc0 192.168.10.2/24
nv_bridge_port lan nas1 n1 192.168.10.20/24
# The appliance lists a share its server does not have ("ghost").
archive() {  # SHARES
    printf '{"appliances": [{"interface": "n1", "id": "00:1a:2b:00:00:20", "address": "192.168.10.20",
      "netmask": "255.255.255.0", "gateway": "192.168.10.1", "name": "Archive", "service": "none",
      "shares": [%s], "adminPassword": "Pa\\"ss word-12", "http": {"address": "192.168.10.20", "port": 80}}]}\n' "$1"
}
archive '"music*0", "data*0", "ghost*0"' >"$NV_DIR/archive.json"
archive '"music*0", "data*0"' >"$NV_DIR/server.json"
nv_start_sim nas1 "$NV_DIR/archive.json" nas1
nv_start_smbd nas1 192.168.10.20 nas1 "$NV_DIR/server.json"

e2e_display
start_daemon daemon "$NV_DIR/archive.json"
e2e_prefix "${NORVALE_WINEPREFIX:-$NV_DIR/prefix}"
install_share_provider "Archive=$SMB_SHARES"
xp=winxp
[[ -d "$NV_WINEPREFIX/drive_c/windows/syswow64" ]] && xp=winxp64
in_pc $NV_WINE reg add 'HKCU\Software\Wine' /v Version /d $xp /f >/dev/null 2>&1

# What smbd answered since the last look, as COUNTxUSER:CODE runs of
# attempts ("-" for no user): sets ATTEMPTS.
SEEN=0
look_at_attempts() {
    local lines
    lines=$(grep '^SHARE ' "$NV_DIR/daemon.log" | tail -n +$((SEEN + 1)))
    SEEN=$((SEEN + $(grep -c . <<<"$lines")))
    ATTEMPTS=$(awk 'NF >= 6 { user = (NF == 7) ? $3 : "-"; print user, $(NF - 1) }' <<<"$lines" | uniq -c |
        awk '{ print $1 "x" $2 ":" $3 }' | paste -sd ' ')
}
shot() { screenshot "$SHOTS/shares-$1.png" 2>/dev/null; }
# Connect SHARE on the letter item ITEM of the list; types PASSWORD into the
# login dialog; waits for the box the connect ends with. The rows come from
# the probe before (under emulation each probe run takes seconds).
connect() {  # SHARE ITEM PASSWORD
    probe click-row $SHARE_LIST "$(row_of $SHARE_LIST "$1")" select-combo $DRIVES "$2" \
        click-async $SHARE_CONNECT dialog-with $LOGIN_USER $DIALOG_WAIT \
        set-text $LOGIN_USER admin set-text $LOGIN_PASSWORD "$3" click $OK main wait-box $BOX_WAIT
}
# Answers the box and reads the share list and the letter list.
answer_and_look() { probe wait-box 5 answer-box $OK main wait-idle rows $SHARE_LIST combo $DRIVES; }
listed() { rows_of $SHARE_LIST | paste -sd ' '; }

start_program 900
probe wait $START_WAIT wait-rows $DEVICE_LIST 1 60 || program_not_shown
probe click-row $DEVICE_LIST "$(row_of $DEVICE_LIST Archive)" wait-rows $SHARE_LIST 3 60 combo $DRIVES
expect "the shares, none mapped" "music| data| ghost|" "$(listed)"
# The highest free letter comes first (Wine's Z: is its root folder, a fixed drive).
L=$(value combo $DRIVES | sed -n 's/^0 "\([D-Z]:\)".*/\1/p')
expect "the highest free letter is offered first" Y: "$L"

connect music 0 "$SECRET"
shot mapped
expect "the right password maps the share" '"Confirm" "Successfully mapped drive."' "$(box)"
look_at_attempts
expect "... after six attempts without it" "6x-:5 1xadmin:0" "$ATTEMPTS"
answer_and_look
expect "Location shows the letter" "music|$L data| ghost|" "$(listed)"
contains "... and the letter list the connection" "$L \\\\Archive\\music" "$(value combo $DRIVES)"

connect data 1 Wrong-secret-16
shot wrong-password
expect "a wrong password: the program's message" '"Error" "Failed to map drive."' "$(box)"
look_at_attempts
expect "... after its twelve attempts, as smbd refused them" "6x-:5 6xadmin:1326" "$ATTEMPTS"
answer_and_look

connect ghost 1 "$SECRET"
expect "a share the server does not have" '"Error" "Failed to map drive."' "$(box)"
look_at_attempts
expect "... smbd's answer: no such share" "6x-:67 6xadmin:67" "$ATTEMPTS"
answer_and_look
expect "nothing changed by the failures" "music|$L data| ghost|" "$(listed)"

# The letter is taken by music: the program drops that connection first.
connect data 0 "$SECRET"
expect "a letter in use: connected anew" '"Confirm" "Successfully mapped drive."' "$(box)"
answer_and_look
expect "... the letter now data's, music's dropped" "music| data|$L ghost|" "$(listed)"
contains "... and the letter list says so" "$L \\\\Archive\\data" "$(value combo $DRIVES)"
shot letter-reused

probe click-row $SHARE_LIST "$(row_of $SHARE_LIST data)" click $SHARE_DISCONNECT wait-box $BOX_WAIT
expect "Disconnect" '"Confirm" "Successfully unmapped drive."' "$(box)"
answer_and_look
expect "... the letter free again" "music| data| ghost|" "$(listed)"
contains "... and offered first again" "0 \"$L\"" "$(value combo $DRIVES)"
probe click $EXIT

echo "DETAIL: share mapping against smbd through the network-provider stand-in, $FAILURES failed; screenshots in ${SHOTS#"$ROOT"/}/shares-*.png"
((FAILURES == 0))
