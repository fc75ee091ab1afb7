#include "disk/core/handoff/disk_handoff.h"

#include "disk/core/volume_names.h"
#include "mainwindow/core/norvale_dialog.h"

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

ExpectedTarget SelectedApplianceTarget(CNorvaleDlg& dialog, const std::wstring& targetName) {
    const DeviceProtocol& protocol = dialog.Protocol();
    return ExpectedTarget{targetName, {protocol.SelectedDeviceIp, protocol.SelectedDeviceOtherIp}};
}

}  // namespace norvale
