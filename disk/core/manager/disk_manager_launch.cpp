#include "disk/core/manager/disk_manager_launch.h"

#include <random>

#include "disk/core/manager/disk_manager_dialog.h"
#include "mainwindow/core/norvale_dialog.h"
#include "protocol/core/device_requests.h"
#include "resources/resource.h"

namespace norvale {

DiskIds DefaultDiskIds() {
    auto engine = std::make_shared<std::mt19937_64>(std::random_device{}());
    DiskIds ids;
    ids.mbrSignature = [engine] {
        const auto value = static_cast<std::uint32_t>((*engine)());
        return value != 0 ? value : 1u;
    };
    ids.newGuid = [engine] {
        std::uint8_t bytes[16];
        for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>((*engine)());
        bytes[7] = static_cast<std::uint8_t>((bytes[7] & 0x0F) | 0x40);  // version 4 (data3, little-endian)
        bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
        return Guid::FromBytes(bytes);
    };
    return ids;
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
