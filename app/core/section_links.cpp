#include "app/core/section_links.h"

#include <cstdlib>

#include "protocol/core/device_requests.h"

namespace norvale {

CNorvaleDlg& MainDialogHost::Dialog() const {
    // Only a target hook of a dialog leads here, and the link binds that
    // dialog first; anything else is a wiring fault of the program itself.
    if (dialog_ == nullptr) std::abort();
    return *dialog_;
}

DialogSurfacePort& MainDialogHost::Surface() { return Dialog().Surface(); }

BackgroundSteps& MainDialogHost::Steps() { return Dialog().Steps(); }

StepGate& MainDialogHost::Gate() { return Dialog().Gate(); }

DeviceProtocol& MainDialogHost::Protocol() { return Dialog().Protocol(); }

int MainDialogHost::TargetPageStart() const { return Dialog().State().targetPageStart; }

void MainDialogHost::SetTargetPageStart(int first) { Dialog().State().targetPageStart = first; }

void MainDialogHost::RefreshDriveLetters() {
    CNorvaleDlg& dialog = Dialog();
    dialog.Shares().RefreshDriveLetters(dialog);
}

ApplianceAddresses MainDialogHost::SelectedAppliance() {
    const DeviceProtocol& protocol = Dialog().Protocol();
    return {protocol.SelectedDeviceIp, protocol.SelectedDeviceOtherIp};
}

int MainDialogHost::TargetCount() { return QueryTargetCount(Dialog().Protocol()); }

void MainDialogHost::LogoutTarget(const std::wstring& targetName, const std::wstring& deviceIp) {
    Dialog().Targets().LogoutTargetWork(targetName, false, deviceIp);
}

TargetDiskState DiskHandoffLink::FindByTarget(const std::wstring& targetName) {
    switch (disks_.FindByTarget(targetName)) {
        case TargetDisk::BareDisk:
            return TargetDiskState::BareDisk;
        case TargetDisk::HasVolume:
            return TargetDiskState::HasVolume;
        case TargetDisk::VolumesToCome:
            return TargetDiskState::VolumesToCome;
        case TargetDisk::None:
            break;
    }
    return TargetDiskState::None;
}

}  // namespace norvale
