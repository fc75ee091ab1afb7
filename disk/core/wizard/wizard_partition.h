// The wizard's partitioning step: the whole empty disk of a new target
// becomes one partition. The disk is checked to still be the target's before
// anything is run or written (the online script included), a table read that
// failed is never taken for an empty disk, a disk that holds any partition
// entry is never repartitioned, and a refused write leaves the disk as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disk/core/inventory/disk_identity.h"
#include "disk/core/stack/disk_port.h"
#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/wizard/wizard_plan.h"
#include "platform/core/clock_port.h"

namespace norvale {

struct WizardPartitionRequest {
    std::int32_t disk = -1;
    std::wstring diskText;  // the record's disk number as text (for the online script)
    std::int64_t sizeMiB = 0;
    bool gpt = false;
    int osClass = -1;
    bool olderWindows = false;  // Windows 2000: the older table requests, MBR only
    ExpectedTarget owner;
};

struct WizardPartitionResult {
    enum class Outcome {
        Written,      // the table holds the new partition and the system has read it
        Refused,      // nothing was written: `refusal` says why
        HoldsPartitions,  // the disk has partition entries: nothing was run or written
        SystemError,  // a request failed: `error` is its code, the table is as it
                      // was
    };
    Outcome outcome = Outcome::Refused;
    std::uint32_t error = 0;
    std::wstring refusal;
    PartitionExtent extent;
    bool initialisedGpt = false;
    std::uint32_t partitionNumber = 1;

    bool Written() const { return outcome == Outcome::Written; }
};

struct WizardPartitionPorts {
    DiskPort& disks;
    DiskInventory& inventory;
    DiskScripts& scripts;
    ClockPort& clock;  // the wait for the reserved partition of a new GPT table
};

enum class WizardDiskContent {
    Empty,            // no table, or a table without a used entry
    HoldsPartitions,  // any used entry, whatever its type or state
    Unreadable,
};

// The disk's geometry and exact size, read with read access only; nullopt
// when it cannot be opened or does not answer.
std::optional<WizardDisk> ReadWizardDisk(DiskPort& disks, std::int32_t disk);

// What the disk holds, read with read access only: nothing is run or written.
WizardDiskContent ReadWizardDiskContent(DiskPort& disks, std::int32_t disk, bool olderWindows);

WizardPartitionResult CreateWizardPartition(const WizardPartitionPorts& ports,
                                            const WizardPartitionRequest& request);

}  // namespace norvale
