# shellcheck shell=bash
# A real SMB server (Debian's Samba) inside a test namespace; sourced by
# netns_lib.sh, whose cleanup stops every smbd started here by its process id.
#
#   nv_start_smbd NS ADDRESS TAG CONFIG
#       smbd in NS on ADDRESS:445 serving the shares of every appliance in a
#       norvale-sim configuration (names without their lock marks: "music*0"
#       is music), each a folder $NV_DIR/TAG-shares/NAME, to one account:
#       "smbUser" (admin unless given) with "smbPassword" (else the
#       appliance's adminPassword). Shares named in "publicShares" take anyone
#       without a password too. Its files live in $NV_DIR/TAG-smb; sets
#       SMB_SHARES to the folder of the share folders.
#
# Anonymous access to any other share is refused, as an appliance with
# passwords refuses it.

NV_SMBD_PIDS=()

nv_smbd_listens() { ip netns exec "$1" bash -c "exec 3<>/dev/tcp/$2/445" 2>/dev/null; }  # NS ADDRESS

nv_start_smbd() {  # NS ADDRESS TAG CONFIG
    local ns dir="$NV_DIR/$3-smb" shares="$NV_DIR/$3-shares" user password name pid
    ns="$(nv_name "$1")"
    command -v smbd >/dev/null || nv_fail "smbd is not installed (./norvale setup installs samba)"
    mkdir -p "$dir" "$shares"
    {
        printf '[global]\nserver role = standalone server\ninterfaces = %s/32\nbind interfaces only = yes\n' "$2"
        printf 'disable netbios = yes\nsmb ports = 445\nmap to guest = bad user\nusername map = %s/users.map\n' "$dir"
        for name in lock state cache pid; do printf "%s directory = %s\n" "$name" "$dir"; done
        printf "ncalrpc dir = %s\n" "$dir"
        printf 'private dir = %s\npassdb backend = tdbsam:%s/passdb.tdb\nlog file = %s/smbd.log\n' "$dir" "$dir" "$dir"
    } >"$dir/smb.conf"
    # Shares, then the account (user, password in Base64: it may hold anything).
    local kind field secret
    while read -r kind name field; do
        if [[ $kind == share ]]; then
            mkdir -p "$shares/$name"
            printf '[%s]\npath = %s/%s\nread only = no\nguest ok = %s\n' "$name" "$shares" "$name" \
                "${field:-no}" >>"$dir/smb.conf"
        elif [[ $kind == account ]]; then
            user=$name
            secret=$field
        fi
    done < <(python3 - "$4" <<'PY'
import base64, json, sys
for appliance in json.load(open(sys.argv[1]))["appliances"]:
    for entry in appliance.get("shares", []):
        star, at = entry.find("*"), entry.find("@")
        if star > 0: entry = entry[:star]
        elif at >= 0 and entry[at + 1:].lower() in ("0", "1"): entry = entry[:at]
        print("share", entry, "yes" if entry in appliance.get("publicShares", []) else "no")
    secret = appliance.get("smbPassword", appliance.get("adminPassword", ""))
    print("account", appliance.get("smbUser", "admin"), base64.b64encode(secret.encode()).decode() or "-")
PY
)
    # (read gives empty fields at the end: decoded only now)
    password=$(base64 -d <<<"$secret")
    # Samba's accounts are system users: the appliance's user stands for nobody.
    printf 'nobody = %s\n' "$user" >"$dir/users.map"
    printf '%s\n%s\n' "$password" "$password" | ip netns exec "$ns" smbpasswd -c "$dir/smb.conf" -s -a nobody \
        >/dev/null || nv_fail "smbd ($3): cannot set the password"
    # A group of its own: smbd ends its process group when it stops.
    ip netns exec "$ns" setsid smbd -F --no-process-group -s "$dir/smb.conf" >"$dir/smbd.out" 2>&1 &
    pid=$!
    NV_SMBD_PIDS+=("$pid")
    SMB_SHARES=$shares
    nv_wait_ready "$pid" "smbd ($3)" "$dir/smbd.out" nv_smbd_listens "$ns" "$2"
}

nv_stop_smbds() {
    nv_end_pids "${NV_SMBD_PIDS[@]}"
    NV_SMBD_PIDS=()
}
