// The disk inventory: which volumes and disks of the PC belong to iSCSI
// sessions, and the layout of one disk. Read-only towards the disks; every
// answer comes from the disk port and the initiator's session list.
#pragma once

#include <cstdint>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "disk/core/inventory/disk_layout.h"
#include "disk/core/inventory/volume_record.h"
#include "disk/core/stack/disk_port.h"
#include "platform/core/initiator/wmi_connections.h"
#include "platform/core/trace_port.h"
#include "platform/core/version/version_source_port.h"

namespace norvale {

struct InventoryPorts {
    DiskPort& disks;
    WmiConnections& wmi;  // the inventory asks through its own site
    VersionSourcePort& version;
    TracePort& trace;  // the walk's diagnostic trace; the product's sink drops it
};

// What find-by-target answers (the values the connect flow tests).
enum class TargetDisk : int {
    None = -1,       // no record of the target
    HasVolume = 0,   // its first record is a volume
    BareDisk = 1,    // its disk carries no volume yet
    // Its disk holds partitions whose volumes Windows has not mounted yet
    // (the hand-off tells this apart; the inventory itself does not).
    VolumesToCome = 2,
};

class DiskInventory {
public:
    explicit DiskInventory(const InventoryPorts& ports);

    // A fresh inventory: the fixed volumes on iSCSI disks and one record per
    // iSCSI disk without a volume, tagged with their target, sorted by disk
    // and partition. Empty when the session list cannot be read.
    VolumeInventory Refresh();

    // The first record of a fresh inventory on `disk` (never disk 0, the
    // system disk) with `partition` (0: any).
    std::optional<VolumeRecord> FindPartition(std::int32_t disk, std::int32_t partition);

    // How the first record of `targetName` (case-insensitive) stands.
    TargetDisk FindByTarget(const std::wstring& targetName);

    // Geometry size in whole MiB, 0 when unreadable.
    std::int64_t DiskSize(std::uint32_t disk);
    DiskLayout BuildLayout(std::uint32_t disk);

    // The letter ("E:\") whose DOS device is the volume's device, or "*".
    std::wstring DriveLetterOfDevice(const std::wstring& volumeGuidPath);

    // The session list as the initiator reports it now; nullopt when it
    // cannot be read.
    std::optional<std::vector<SessionInfo>> Sessions();

    // Refreshes made so far (a wait's cost).
    std::uint64_t Refreshes() const { return refreshes_; }

private:
    bool OlderWindows();
    void Trace(const std::wstring& text) { ports_.trace.Trace(text); }

    InventoryPorts ports_;
    std::atomic<std::uint64_t> refreshes_{0};
};

}  // namespace norvale
