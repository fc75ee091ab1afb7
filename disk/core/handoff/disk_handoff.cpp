#include "disk/core/handoff/disk_handoff.h"

#include "disk/core/manager/disk_manager_launch.h"
#include "disk/core/partition/partition_dialog.h"
#include "disk/core/inventory/volume_names.h"
#include "mainwindow/core/norvale_dialog.h"
#include "mainwindow/core/norvale_sections.h"
#include "protocol/core/device_requests.h"

namespace norvale {

TargetDiskState DiskManagementHandoff::FindByTarget(const std::wstring& targetName) {
    switch (ports_.inventory.FindByTarget(targetName)) {
        case TargetDisk::BareDisk:
            return TargetDiskState::BareDisk;
        case TargetDisk::HasVolume:
            return TargetDiskState::HasVolume;
        case TargetDisk::None:
            break;
    }
    return TargetDiskState::None;
}

int DiskManagementHandoff::RunFormatWizard(CNorvaleDlg& dialog, const std::wstring& targetName) {
    WizardTarget target{targetName, SelectedApplianceTarget(dialog, targetName),
                        [&dialog, targetName] { dialog.Targets().LogoutTarget(dialog, targetName, false); }};
    CWizardDialog wizard(ports_.wizard, std::move(target));
    return wizard.Run(dialog.Surface());
}

void DiskManagementHandoff::OpenDiskManager(CNorvaleDlg& dialog) {
    if (ports_.openDiskManager) ports_.openDiskManager(dialog);
}

std::vector<std::wstring> DiskManagementHandoff::LetteredVolumes(const std::wstring& targetName) {
    std::vector<std::wstring> letters;
    for (const VolumeRecord& record : ports_.inventory.Refresh()) {
        if (SameName(record.targetName, targetName) && record.HasLetter()) letters.push_back(record.driveLetter);
    }
    return letters;
}

std::function<void(CNorvaleDlg&)> DiskManagerOpener(const DiskManagementPorts& ports) {
    return [ports](CNorvaleDlg& dialog) {
        const PartitionPorts partition{ports.disks,   ports.inventory, ports.scriptFiles, ports.commands,
                                       ports.version, ports.wow64,     ports.network,     ports.driveTypes,
                                       ports.errors,  ports.ids,       ports.clock,       ports.formats};
        IdSourcePort& ids = ports.ids;
        const DiskManagerPorts manager{
            InventoryPorts{ports.disks, ports.wmi, ports.version, ports.trace},
            ports.scriptFiles,
            ports.commands,
            ports.clock,
            ports.errors,
            ports.network,
            ports.driveTypes,
            ports.wow64,
            DiskIds{[&ids] { return ids.NewMbrSignature(); }, [&ids] { return ids.NewGuid(); }},
            [&dialog] { return QueryTargetCount(dialog.Protocol()); },
            [partition](DialogSurfacePort& owner, const PartitionJob& job) {
                return RunPartitionManager(owner, job, partition);
            },
            [&dialog] { dialog.Shares().RefreshDriveLetters(dialog); }};
        const DeviceProtocol& protocol = dialog.Protocol();
        OpenDiskManager(dialog.Surface(), {protocol.SelectedDeviceIp, protocol.SelectedDeviceOtherIp}, manager);
    };
}

ExpectedTarget SelectedApplianceTarget(CNorvaleDlg& dialog, const std::wstring& targetName) {
    const DeviceProtocol& protocol = dialog.Protocol();
    return ExpectedTarget{targetName, {protocol.SelectedDeviceIp, protocol.SelectedDeviceOtherIp}};
}

}  // namespace norvale
