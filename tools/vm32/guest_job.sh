#!/bin/sh
# The test machine's job, started by its init from the shared source tree.
# Programs may write beside themselves, as on Windows (a test copies its
# child program next to itself): the read-only shares get a scratch layer in
# memory, dropped at power-off, and the results share goes back on top.
# Then the network pieces the suites build their LAN from, and the Windows
# suites with the prefixes baked into the machine's disk. Arguments as for
# tests/run_wine_suites.sh.
modprobe -a veth bridge overlay
. /run/norvale/out/vm32/job.env
for mount in $NORVALE_MOUNTS; do
    tag=${mount%%:*} rest=${mount#*:}
    path=${rest%:*} access=${rest##*:}
    if [ "$access" = ro ]; then
        mkdir -p "/tmp/scratch/$tag/up" "/tmp/scratch/$tag/work"
        mount -t overlay overlay -o "lowerdir=$path,upperdir=/tmp/scratch/$tag/up,workdir=/tmp/scratch/$tag/work" "$path"
    else
        mount --bind /run/norvale/out "$path"
    fi
done
# Several machines may share the list: each claims its next suite.
lane=$(sed -n 's/.*norvale\.lane=\([0-9]*\).*/\1/p' /proc/cmdline)
export NORVALE_RESULTS=$NORVALE_OUT/logs/wine-suites.lane${lane:-1}.results NORVALE_CLAIMS=$NORVALE_OUT/vm32/claims
# The suites' prefixes go on the machine's own disk (discarded at power-off):
# its /tmp is a tmpfs, which keeps no user attributes on this kernel, and
# Wine would lose every hidden or system mark of a file there.
export NORVALE_WINE=wine NORVALE_PREFIX_TEMPLATES=/opt/wineprefix NORVALE_EMULATED NORVALE_SCRATCH=/var/tmp
exec "$(dirname "$0")/../../tests/run_wine_suites.sh" "$@"
