#!/usr/bin/env bash
# The test machine: a qemu virtual machine with Debian 12's own kernel, which
# runs 32-bit code, and Debian's Wine with its 32-bit half, for machines whose
# kernel runs none. It is built once per machine from Debian packages, cached
# outside the source tree under a key made from its recipe (image/), and
# every boot starts from the same disk.
#
#   vm32.sh key                  the cache key of the current recipe
#   vm32.sh accel                kvm or tcg: what a boot would use here
#   vm32.sh prepare              build the machine unless the cache holds it
#   vm32.sh run BUILD_HOST BUILD_WIN OUT [SUITE...]
#                                boot it and run tests/run_wine_suites.sh
#                                there; results in OUT/logs/wine-suites.results
#
# Environment: NORVALE_VM_CACHE (default /var/cache/norvale/vm32),
# NORVALE_VM_ACCEL (kvm or tcg; default kvm when /dev/kvm works),
# NORVALE_VM_MEMORY (MB per machine, default 2048), NORVALE_VM_CPUS (per
# machine; default 2 under KVM, 1 under TCG), NORVALE_VM_LANES (machines that
# run the suites side by side; default one per core as memory allows, at most 2).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cache=${NORVALE_VM_CACHE:-/var/cache/norvale/vm32}

say() { printf '%s\n' "$*"; }
die() { printf 'vm32: %s\n' "$*" >&2; exit 1; }

# The recipe is every file of image/: changing one of them builds a new machine.
vm_key() {
    (cd "$here/image" && sha256sum -- * | sha256sum | cut -c1-16)
}

# KVM when it boots Debian's kernel, else software emulation (TCG). /dev/kvm
# can be there and still fail: nested virtualisation that runs only kernels
# built for it leaves the guest hanging before its first message. So a kernel
# is booted until it panics (about a second under KVM), once per host kernel.
vm_accel() {  # [DIR holding vmlinuz]
    local kernel=${1:-}/vmlinuz probe
    case ${NORVALE_VM_ACCEL:-} in
        kvm | tcg) say "$NORVALE_VM_ACCEL"; return ;;
        "") ;;
        *) die "NORVALE_VM_ACCEL is kvm or tcg, not $NORVALE_VM_ACCEL" ;;
    esac
    [ -w /dev/kvm ] && [ -f "$kernel" ] || { say tcg; return; }
    mkdir -p "$cache"
    probe=$cache/kvm-probe-$(uname -r)
    if [ ! -f "$probe" ]; then
        local console
        console=$(mktemp)
        if timeout 20 qemu-system-x86_64 -accel kvm -cpu host -m 256 -nodefaults -display none -no-reboot \
            -serial "file:$console" -kernel "$kernel" -append "console=ttyS0 panic=-1" >/dev/null 2>&1 &&
            grep -q 'Kernel panic' "$console"; then
            echo kvm >"$probe"
        else
            echo tcg >"$probe"
        fi
        rm -f "$console"
    fi
    cat "$probe"
}

# Boots DIR's kernel with its disk, for at most LIMIT seconds; replaces the
# calling (background) shell with qemu, so its pid is qemu's.
# Usage: boot DIR CONSOLE_LOG MODE DISK_OPTS LIMIT [qemu args]
boot() {
    local dir=$1 console=$2 mode=$3 disk=$4 limit=$5 accel cpu cpus
    shift 5
    accel=$(vm_accel "$dir")
    if [ "$accel" = kvm ]; then
        cpu=host cpus=${NORVALE_VM_CPUS:-2}
    else
        # With SMAP on, qemu 7.2's emulated 32-bit iret faults in the guest
        # kernel and every 32-bit Wine process dies. One processor: two
        # emulated ones wait for each other whenever the host preempts one
        # (Wine's start took twice as long on a busy host); more machines
        # side by side use the cores instead.
        cpu=max,smap=off cpus=${NORVALE_VM_CPUS:-1}
    fi
    say "booting the test machine ($accel, mode $mode)"
    exec timeout -k 10 "$limit" qemu-system-x86_64 -accel "$accel" -cpu "$cpu" -m "${NORVALE_VM_MEMORY:-2048}" -smp "$cpus" \
        -nodefaults -no-user-config -display none -no-reboot -serial "file:$console" \
        -kernel "$dir/vmlinuz" -initrd "$dir/initrd.img" \
        -append "console=ttyS0 root=/dev/vda rw rootfstype=ext4 init=/usr/local/sbin/norvale-init norvale.mode=$mode panic=1 fsck.mode=skip quiet loglevel=3" \
        -drive "file=$dir/root.img,format=raw,if=virtio,$disk" "$@"
}

cmd_prepare() {
    local key dir building begin step
    command -v mmdebstrap >/dev/null && command -v qemu-system-x86_64 >/dev/null ||
        die "needs mmdebstrap and qemu-system-x86 (./norvale setup installs them)"
    key=$(vm_key)
    dir=$cache/$key
    if [ -f "$dir/ready" ]; then
        touch "$dir/ready"
        say "test machine $key: cached in $dir"
        return 0
    fi
    mkdir -p "$cache"
    # One build per machine at a time; whoever waited finds it ready.
    exec 9>"$cache/.lock"
    flock 9
    if [ -f "$dir/ready" ]; then
        say "test machine $key: built meanwhile in $dir"
        return 0
    fi
    building=$cache/$key.building
    rm -rf "$building" "$dir"
    mkdir -p "$building"
    say "building test machine $key in $dir"
    begin=$(date +%s)
    "$here/image/mkroot.sh" "$building" >"$building/mkroot.log" 2>&1 ||
        { tail -30 "$building/mkroot.log"; die "the root file system failed (log: $building/mkroot.log)"; }
    step=$(date +%s)
    say "PHASE vm-root $((step - begin)) root file system and disk ($(du -sh --apparent-size "$building/root.img" | cut -f1), $(du -sh "$building/root.img" | cut -f1) used)"
    # The prefixes need 32-bit code, so the machine makes them itself, on a
    # boot that writes to its disk.
    boot "$building" "$building/prefixes.console" prefixes cache=unsafe 1800 &
    wait $!
    grep -a 'NORVALE-PREFIXES' "$building/prefixes.console"
    grep -aq 'NORVALE-PREFIXES status=0' "$building/prefixes.console" ||
        { tail -40 "$building/prefixes.console"; die "the Wine prefixes failed (console: $building/prefixes.console)"; }
    say "PHASE vm-prefixes $(($(date +%s) - step)) Wine prefixes made in the machine"
    mv "$building" "$dir"
    touch "$dir/ready"
    # Machines of older recipes nobody booted for two days go.
    find "$cache" -mindepth 2 -maxdepth 2 -name ready -mtime +1 -printf '%h\n' | xargs -r rm -rf
    say "test machine $key built in $(($(date +%s) - begin)) s"
}

# How many machines run the suites side by side: one per core, as memory
# allows (NORVALE_VM_LANES overrides).
vm_lanes() {
    local cores available_mb lanes
    [ -n "${NORVALE_VM_LANES:-}" ] && { say "$NORVALE_VM_LANES"; return; }
    cores=$(nproc 2>/dev/null || echo 1)
    available_mb=$(awk '/^MemAvailable:/ { print int($2 / 1024) }' /proc/meminfo)
    lanes=$((available_mb / (${NORVALE_VM_MEMORY:-2048} + 512)))
    [ "$lanes" -gt "$cores" ] && lanes=$cores
    [ "$lanes" -gt 2 ] && lanes=2
    [ "$lanes" -lt 1 ] && lanes=1
    say "$lanes"
}

# Boots the lanes and waits for them. The guest mounts the shares at the
# host's own paths, so every script and path works unchanged there: the
# source tree read-only, OUT writable. Each lane takes the next suite nobody
# has claimed (a directory under OUT/vm32/claims) and writes its results to
# OUT/logs/wine-suites.laneN.results.
cmd_run() {
    local build_host=${1:?usage: vm32.sh run BUILD_HOST BUILD_WIN OUT [SUITE...]} build_win=${2:?} out=${3:?}
    shift 3
    local dir lanes lane path n=0 mounts="src:$root:ro" shares=() pids=() status=0
    dir=$cache/$(vm_key)
    [ -f "$dir/ready" ] || die "the test machine is not built (vm32.sh prepare)"
    touch "$dir/ready"
    out=$(mkdir -p "$out" && cd "$out" && pwd)
    build_host=$(cd "$build_host" && pwd)
    build_win=$(cd "$build_win" && pwd)
    case "$root$out$build_host$build_win" in *[[:space:]:]*) die "paths with blanks or colons cannot be shared" ;; esac
    shares+=(-virtfs "local,path=$root,mount_tag=src,security_model=none,readonly=on")
    for path in "$build_host" "$build_win"; do
        [[ "$path/" == "$root/"* ]] && continue
        n=$((n + 1))
        mounts+=" build$n:$path:ro"
        shares+=(-virtfs "local,path=$path,mount_tag=build$n,security_model=none,readonly=on")
    done
    mounts+=" out:$out:rw"
    shares+=(-virtfs "local,path=$out,mount_tag=out,security_model=passthrough")

    mkdir -p "$out/vm32" "$out/logs"
    rm -rf "$out/vm32/claims" "$out"/logs/wine-suites*.results "$out"/logs/vm32-console*.log
    mkdir -p "$out/vm32/claims"
    {
        printf 'NORVALE_MOUNTS="%s"\nNORVALE_OUT="%s"\n' "$mounts" "$out"
        # Suites with loads meant for hardware scale them down under TCG.
        [ "$(vm_accel "$dir")" = tcg ] && printf 'NORVALE_EMULATED=1\n'
        printf 'NORVALE_JOB="%s/tools/vm32/guest_job.sh %s %s %s %s"\n' "$root" "$build_host" "$build_win" "$out" "$*"
    } >"$out/vm32/job.env"

    lanes=$(vm_lanes)
    say "running the suites in $lanes machine(s)"
    for lane in $(seq 1 "$lanes"); do
        run_lane "$dir" "$out" "$lane" "${shares[@]}" &
        pids+=($!)
    done
    for lane in "${!pids[@]}"; do
        wait "${pids[$lane]}" || status=1
    done
    return $status
}

# One machine: boots it, ends it when it stops writing results (a suite gets
# its own time limit from its BEGIN line and a minute more, the boot five),
# and answers whether its runner reached its END line; qemu's own exit status
# says nothing about the suites.
run_lane() {  # DIR OUT LANE qemu-args...
    local dir=$1 out=$2 lane=$3 results console pid size last_size=-1 last_change allowance=300
    shift 3
    results=$out/logs/wine-suites.lane$lane.results
    console=$out/logs/vm32-console.lane$lane.log
    boot "$dir" "$console" "job norvale.lane=$lane" snapshot=on 14400 "$@" &
    pid=$!
    last_change=$(date +%s)
    while kill -0 "$pid" 2>/dev/null; do
        sleep 1
        size=$(stat -c %s "$results" 2>/dev/null || echo 0)
        if [ "$size" != "$last_size" ]; then
            last_size=$size
            last_change=$(date +%s)
            allowance=$(awk '$1 == "BEGIN" { limit = $3 + 60 } $1 == "SUITE" { limit = 120 }
                             END { print limit ? limit : 300 }' "$results" 2>/dev/null || echo 300)
        fi
        if [ $(($(date +%s) - last_change)) -gt "$allowance" ]; then
            say "lane $lane gave no result for $allowance s: machine ended"
            echo "vm32: ended by the host after $allowance s without a result" >>"$console"
            kill "$pid" 2>/dev/null
            sleep 2
            kill -9 "$pid" 2>/dev/null
            break
        fi
    done
    wait "$pid" 2>/dev/null
    grep -qx END "$results" 2>/dev/null
}

case ${1:-} in
    key) vm_key ;;
    accel) vm_accel "$cache/$(vm_key)" ;;
    prepare) cmd_prepare ;;
    run) shift; cmd_run "$@" ;;
    *) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
