// Disk management behind the iSCSI group: what a connected target's disk
// looks like, the format wizard for an empty one, the disk manager, and the
// lettered volumes whose persistent devices a logout removes.
//
//   DiskManagementHandoff disks(DiskHandoffPorts{inventory, wizardPorts,
//   openDiskManager}); CTargetSection targets(TargetSectionPorts{..., disks,
//   ...});
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "disk/core/partition/id_source_port.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/wizard/wizard_dialog.h"
#include "iscsi/core/targets/target_disk_handoff.h"
#include "platform/core/trace_port.h"

namespace norvale {

struct DiskHandoffPorts {
    DiskInventory& inventory;
    WizardPorts wizard;
    // Opens the disk manager modally over the main dialog for its selected
    // appliance (its two addresses).
    std::function<void(CNorvaleDlg&)> openDiskManager;
};

class DiskManagementHandoff final : public TargetDiskHandoff {
public:
    explicit DiskManagementHandoff(DiskHandoffPorts ports) : ports_(std::move(ports)) {}

    TargetDiskState FindByTarget(const std::wstring& targetName) override;
    // The wizard checks every write against the selected appliance's target.
    int RunFormatWizard(CNorvaleDlg& dialog, const std::wstring& targetName) override;
    void OpenDiskManager(CNorvaleDlg& dialog) override;
    std::vector<std::wstring> LetteredVolumes(const std::wstring& targetName) override;

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

// Opens the disk manager modally over the main dialog for its selected
// appliance, with the partition manager behind Add; the ports must outlive
// the answer.
std::function<void(CNorvaleDlg&)> DiskManagerOpener(const DiskManagementPorts& ports);

// The appliance the main dialog has selected, as the owner of `targetName`.
ExpectedTarget SelectedApplianceTarget(CNorvaleDlg& dialog, const std::wstring& targetName);

}  // namespace norvale
