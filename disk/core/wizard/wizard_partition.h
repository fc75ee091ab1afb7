// The wizard's partitioning step: the whole empty disk of a new target
// becomes one partition. The disk is checked to still be the target's before
// anything is written, a table read that failed is never taken for an empty
// disk, and a refused write leaves the disk as it was.
#pragma once

#include <cstdint>
#include <string>

#include "disk/core/inventory/disk_identity.h"
#include "disk/core/stack/disk_port.h"
#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/wizard/wizard_plan.h"

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
        SystemError,  // a request failed: `error` is its code, the table is as it
                      // was
    };
    Outcome outcome = Outcome::Refused;
    std::uint32_t error = 0;
    std::wstring refusal;
    PartitionExtent extent;
    bool initialisedGpt = false;

    bool Written() const { return outcome == Outcome::Written; }
};

struct WizardPartitionPorts {
    DiskPort& disks;
    DiskInventory& inventory;
    DiskScripts& scripts;
};

WizardPartitionResult CreateWizardPartition(const WizardPartitionPorts& ports,
                                            const WizardPartitionRequest& request);

}  // namespace norvale
