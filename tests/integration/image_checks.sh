# shellcheck shell=bash
# Reading a disk image with tools that share no code with the program: its
# partitions (fdisk), its table (sgdisk or sfdisk --verify, over a 4096-byte
# loop device for 4 KiB sectors) and each file system (ntfsfix -n,
# fsck.fat -n). Sourced by the disk scripts; WORK is their scratch folder.

# The partitions of IMAGE (sector size SECTOR) as "start length type" in bytes.
partitions() {  # IMAGE SECTOR
    fdisk -b "$2" -l -o Start,Sectors,Type "$1" 2>/dev/null |
        awk -v s="$2" 'found { printf "%.0f %.0f %s\n", $1 * s, $2 * s, ($3 == "Microsoft" && $4 == "reserved") ? "reserved" : "data" }
                       $1 == "Start" { found = 1 }'
}

# The table as a tool of its own reads it.
table_clean() {  # IMAGE SECTOR
    local dev ok=1
    if [[ $2 == 512 ]]; then
        if fdisk -l "$1" 2>/dev/null | grep -q 'Disklabel type: gpt'; then
            sgdisk --verify "$1" | grep -q 'No problems found'
        else
            sfdisk --verify "$1" >/dev/null 2>&1
        fi
        return
    fi
    dev=$(losetup -b 4096 -f --show -r "$1" 2>/dev/null) || { fdisk -b 4096 -l "$1" >/dev/null 2>&1; return; }
    sgdisk --verify "$dev" | grep -q 'No problems found' || ok=0
    losetup -d "$dev"
    ((ok))
}

# The file system of a partition, checked through a read-only loop device
# over its extent (a copy where there is no loop device; slow for terabytes).
fs_clean() {  # IMAGE START LENGTH
    local target dev="" type rc
    type=$(blkid -p -o value -s TYPE -O "$2" "$1" 2>/dev/null)
    if dev=$(losetup -f --show -r -o "$2" --sizelimit "$3" "$1" 2>/dev/null); then
        target=$dev
    else
        target="$WORK/part.img"
        dd if="$1" of="$target" bs=4M iflag=skip_bytes,count_bytes skip="$2" count="$3" conv=sparse status=none
    fi
    case "$type" in
        ntfs) ntfsfix -n "$target" >/dev/null 2>&1 ;;
        vfat) fsck.fat -n "$target" >/dev/null 2>&1 ;;
        *) false ;;
    esac
    rc=$?
    if [[ -n "$dev" ]]; then losetup -d "$dev"; else rm -f "$target"; fi
    return $rc
}


# The partitions of IMAGE in table order as "start:*" (data) and
# "R:start:length" (Windows' reserved partition); every data partition's file
# system is checked, and a failure reported under NAME. Sets LAYOUT (not a
# subshell: the failures must count).
layout_of() {  # NAME IMAGE SECTOR
    local got="" start length kind
    while read -r start length kind; do
        [[ -z "$start" ]] && continue
        if [[ $kind == reserved ]]; then got+="R:$start:$length "; else got+="$start:* "; fi
        if [[ $kind == data ]] && ! fs_clean "$2" "$start" "$length"; then
            report FAIL "$1: the file system at $start" "not clean"
        fi
    done < <(partitions "$2" "$3")
    LAYOUT=${got% }
}
