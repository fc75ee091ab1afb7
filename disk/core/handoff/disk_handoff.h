// Disk management behind the iSCSI group: what a connected target's disk
// looks like, the format wizard for an empty one, the disk manager, and the
// lettered volumes whose persistent devices a logout removes.
//
// Each call that opens a dialog is made over a DiskManagementHost (the main
// dialog); the program's composition links this to the iSCSI group's
// hand-off (app/core).
//
//   DiskManagementHandoff disks(DiskHandoffPorts{inventory, wizardPorts,
//                                                DiskManagerOpener(managementPorts)});
//   disks.RunFormatWizard(host, L"IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0");
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "disk/core/disk_management_host.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/partition/id_source_port.h"
#include "disk/core/wizard/wizard_dialog.h"
#include "platform/core/trace_port.h"

namespace norvale {

struct DiskHandoffPorts {
    DiskInventory& inventory;
    WizardPorts wizard;
    // Opens the disk manager modally over the host for its selected
    // appliance (its two addresses).
    std::function<void(DiskManagementHost&)> openDiskManager;
};

class DiskManagementHandoff final {
public:
    explicit DiskManagementHandoff(DiskHandoffPorts ports) : ports_(std::move(ports)) {}

    // How the disk of a target that is now connected stands (a fresh look):
    // a disk without volume that holds partitions reads VolumesToCome.
    // Blocks: called on a step's worker.
    TargetDisk FindByTarget(const std::wstring& targetName);
    // The number of the target's disk, -1 when it has none. Blocks.
    std::int32_t DiskOf(const std::wstring& targetName);
    // A disk that holds partitions without a volume: the wizard's message,
    // over the host; nothing is run on the disk.
    void ReportHeldPartitions(DiskManagementHost& host, std::int32_t disk);
    // The format wizard over the host for the target's empty disk; answers
    // its cancel mark (0: not cancelled). The wizard checks every write
    // against the host's selected appliance, and its Cancel logs the target
    // out through the host.
    int RunFormatWizard(DiskManagementHost& host, const std::wstring& targetName);
    void OpenDiskManager(DiskManagementHost& host);
    // The drive roots ("E:\") of the target's lettered volumes, from a
    // freshly refreshed inventory. Blocks: called on a step's worker.
    std::vector<std::wstring> LetteredVolumes(const std::wstring& targetName);

private:
    DiskHandoffPorts ports_;
};

// What the disk manager and the partition manager it opens work through.
struct DiskManagementPorts {
    DiskPort& disks;
    DiskInventory& inventory;
    WmiConnections& wmi;
    VersionSourcePort& version;
    TracePort& trace;
    ScriptFilePort& scriptFiles;
    CommandRunner& commands;
    NetworkDrivePort& network;
    DriveTypePort& driveTypes;
    ErrorTextPort& errors;
    IdSourcePort& ids;
    ClockPort& clock;
    FormatEngine& formats;
    bool wow64 = false;
};

// Opens the disk manager modally over the host for its selected appliance,
// with the partition manager behind Add; the ports must outlive the answer.
std::function<void(DiskManagementHost&)> DiskManagerOpener(const DiskManagementPorts& ports);

// The appliance the host has selected, as the owner of `targetName`.
ExpectedTarget SelectedApplianceTarget(DiskManagementHost& host, const std::wstring& targetName);

}  // namespace norvale
