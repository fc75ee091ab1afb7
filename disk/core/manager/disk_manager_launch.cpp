#include "disk/core/manager/disk_manager_launch.h"

#include "disk/core/manager/disk_manager_dialog.h"
#include "disk/core/partition/random_id_source.h"
#include "mainwindow/core/norvale_dialog.h"
#include "protocol/core/device_requests.h"
#include "resources/resource.h"

namespace norvale {

DiskIds DefaultDiskIds() {
    return DiskIds{[] { return RandomIds().NewMbrSignature(); }, [] { return RandomIds().NewGuid(); }};
}

int OpenDiskManager(DialogSurfacePort& owner, const ApplianceAddresses& addresses, const DiskManagerPorts& ports) {
    // Each pass is one nest of refreshes; a pass that reached the nesting
    // bound ends with the next instance still to open.
    for (;;) {
        CDiskMgrDlg dialog(ports, addresses);
        const int code = owner.RunModal(dialog, IDD_DISK_MANAGER);
        if (code == -1) return code;
        if (!dialog.ReopenPending()) return dialog.SuccessorCode().value_or(code);
    }
}

int OpenDiskManager(CNorvaleDlg& mainDialog, DiskManagerPorts ports) {
    DeviceProtocol& protocol = mainDialog.Protocol();
    ports.targetCount = [&protocol] { return QueryTargetCount(protocol); };
    ports.refreshDriveLetters = [&mainDialog] { mainDialog.Shares().RefreshDriveLetters(mainDialog); };
    return OpenDiskManager(mainDialog.Surface(), {protocol.SelectedDeviceIp, protocol.SelectedDeviceOtherIp}, ports);
}

}  // namespace norvale
