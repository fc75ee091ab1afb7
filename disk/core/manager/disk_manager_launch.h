// How the rest of the program opens the disk manager ("Management",
// template 234): modally over an owner dialog, for the two addresses of one
// appliance, with the ports it works through. The dialog refreshes itself
// after every change by closing and opening anew; this call returns when
// the last instance has ended.
//
//   DiskManagerPorts ports{inventoryPorts, scriptFiles, runner, clock, errorText,
//                          network, driveTypes, isWow64, DefaultDiskIds(),
//                          [&] { return targetCount; }, runPartitionManager,
//                          [&] { lettersChanged(); }};
//   OpenDiskManager(owner, {ip, otherIp}, ports);
//   OpenDiskManager(host, ports);     // over a DiskManagementHost
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controls/core/dialog_surface_port.h"
#include "disk/core/disk_management_host.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/partition_job.h"
#include "disk/core/scripts/script_file_port.h"
#include "disk/core/stack/guid.h"
#include "platform/core/clock_port.h"
#include "platform/core/console/command_runner.h"
#include "platform/core/drives/drive_type_port.h"
#include "platform/core/drives/network_drive_port.h"
#include "platform/core/error_text_port.h"

namespace norvale {

// The identities a new partition table gets: an MBR disk signature (never
// 0) and GPT disk ids.
struct DiskIds {
    std::function<std::uint32_t()> mbrSignature;
    std::function<Guid()> newGuid;
};

// Random signatures and version-4 GUIDs from the standard library's random
// device (Windows: the system's cryptographic generator).
DiskIds DefaultDiskIds();

// The partition manager ("Partition Manager", template 237) run modally over
// `owner` for the job; answers 0 when nothing was done, 1 when the partition
// was made, 2 when the partition table could not be written.
using PartitionManagerRun = std::function<int(DialogSurfacePort& owner, const PartitionJob& job)>;

struct DiskManagerPorts {
    InventoryPorts inventory;  // its DiskPort also opens the drives for the table requests
    ScriptFilePort& scriptFiles;
    CommandRunner& runner;  // diskpart scripts and the initiator's persistent devices
    ClockPort& clock;
    ErrorTextPort& errorText;  // the system's wording of a failed request
    NetworkDrivePort& network;  // the letters offered by Mount
    DriveTypePort& driveTypes;
    bool wow64 = false;  // the process runs under WOW64 (as read at start-up)
    DiskIds ids;
    // The appliance's target count (QueryTargetCount): -1 when it did not
    // answer. With 0 the dialog stays empty.
    std::function<int()> targetCount;
    PartitionManagerRun runPartitionManager;
    // The main dialog's drive letters, read again after a change.
    std::function<void()> refreshDriveLetters;
};

// Runs the disk manager over `owner` until the user closes it; answers the
// end code of the last instance (-1 when the dialog could not be created).
int OpenDiskManager(DialogSurfacePort& owner, const ApplianceAddresses& addresses, const DiskManagerPorts& ports);

// The same over the host (the main dialog: its Management button, the
// connect flow): for its selected appliance, with the target count asked of
// the appliance and the host's drive letters read again after a change (the
// ports' own targetCount and refreshDriveLetters are not used).
int OpenDiskManager(DiskManagementHost& host, DiskManagerPorts ports);

}  // namespace norvale
