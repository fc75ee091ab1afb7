#include "disk/core/manager/disk_manager_launch.h"

#include "disk/core/manager/disk_manager_dialog.h"
#include "disk/core/partition/random_id_source.h"
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

int OpenDiskManager(DiskManagementHost& host, DiskManagerPorts ports) {
    ports.targetCount = [&host] { return host.TargetCount(); };
    ports.refreshDriveLetters = [&host] { host.RefreshDriveLetters(); };
    return OpenDiskManager(host.Surface(), host.SelectedAppliance(), ports);
}

}  // namespace norvale
