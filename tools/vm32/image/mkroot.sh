#!/bin/sh
# Builds the test machine's disk: one mmdebstrap pass (amd64 + i386) of the
# packages listed beside this script, from the Debian archive only, written
# into a sparse raw ext4 image. The kernel and initrd are copied out beside
# it, because qemu boots them directly.
#
#   mkroot.sh DIR        (as root; writes DIR/root.img, DIR/vmlinuz, DIR/initrd.img)
#
# Boots use the image with snapshot=on: the guest may write anywhere, and
# every boot starts from the same disk.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
tree=$dir/tree
rm -rf "$tree"
mkdir -p "$tree"

packages=$(grep -v -e '^#' -e '^[[:space:]]*$' "$here/packages" | paste -sd, -)

# Only the virtio disk and ext4 are needed before the root is mounted: a
# small initrd boots in a second even under software emulation. The
# settings go in before the kernel package, so its initrd is made once.
initrd_hook='mkdir -p "$1/etc/initramfs-tools/conf.d" "$1/usr/share/initramfs-tools/modules.d"
echo MODULES=list > "$1/etc/initramfs-tools/conf.d/norvale"
printf "virtio_pci\nvirtio_blk\next4\n" > "$1/usr/share/initramfs-tools/modules.d/norvale"'

build_tree() {  # [MIRROR LINES...]
rm -rf "$tree" && mkdir -p "$tree"
mmdebstrap --variant=apt --architectures=amd64,i386 --include="$packages" \
    --dpkgopt='path-exclude=/usr/share/man/*' \
    --dpkgopt='path-exclude=/usr/share/doc/*' \
    --dpkgopt='path-exclude=/usr/share/info/*' \
    --dpkgopt='path-exclude=/usr/share/locale/*' \
    --essential-hook="$initrd_hook" \
    --customize-hook='echo norvale-vm > "$1/etc/hostname"' \
    --customize-hook='printf "127.0.0.1 localhost\n127.0.0.1 norvale-vm\n" > "$1/etc/hosts"' \
    --customize-hook='mkdir -p "$1/usr/local/lib/norvale" "$1/opt/wineprefix"' \
    --customize-hook="copy-in $here/norvale-init /usr/local/sbin" \
    --customize-hook="copy-in $here/wine_prefixes.sh /usr/local/lib/norvale" \
    bookworm "$tree" "$@"
}

# A mirror caught mid-sync answers an index of the wrong size, and
# mmdebstrap takes any failed index as fatal: try again, and then without
# the security archive (a test machine, rebuilt when its package list
# changes), rather than fail the whole test run.
if ! build_tree; then
    echo "mkroot: the archive failed; once more in 30 s"
    sleep 30
    build_tree || {
        echo "mkroot: without the security archive"
        build_tree "deb http://deb.debian.org/debian bookworm main" \
            "deb http://deb.debian.org/debian bookworm-updates main"
    } || exit 1
fi

cp "$(ls "$tree"/boot/vmlinuz-* | tail -1)" "$dir/vmlinuz"
cp "$(ls "$tree"/boot/initrd.img-* | tail -1)" "$dir/initrd.img"

# Room for the two Wine prefixes (about 2 GB) that the first boot adds.
size_mb=$(( $(du -sm "$tree" | cut -f1) + 3072 ))
rm -f "$dir/root.img"
truncate -s "${size_mb}M" "$dir/root.img"
mkfs.ext4 -q -F -L norvale -O ^has_journal -E root_owner=0:0 -d "$tree" "$dir/root.img"
rm -rf "$tree"
