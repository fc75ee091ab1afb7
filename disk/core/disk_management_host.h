// What disk management may ask of the window that opens it (the main
// dialog): its surface to be modal over, the selected appliance's two
// addresses and its target count, the share group's drive letters read
// again after a change, and the logout of a target whose format wizard was
// cancelled.
#pragma once

#include <string>

#include "controls/core/dialog_surface_port.h"

namespace norvale {

// SelectedDeviceIp and SelectedDeviceOtherIp as the main dialog holds them.
struct ApplianceAddresses {
    std::wstring ip;
    std::wstring otherIp;
};

class DiskManagementHost {
public:
    virtual ~DiskManagementHost() = default;
    virtual DialogSurfacePort& Surface() = 0;
    virtual ApplianceAddresses SelectedAppliance() = 0;
    // The appliance's target count as it answers now: -1 when it did not.
    // Blocks: called on a step's worker.
    virtual int TargetCount() = 0;
    // Reads the mapped drives again (a step of the host's own).
    virtual void RefreshDriveLetters() = 0;
    // Logs the initiator out of the target of the appliance at `deviceIp`
    // (every session and persistent login), its persistent devices left as
    // they are. Blocks: called on a step's worker.
    virtual void LogoutTarget(const std::wstring& targetName, const std::wstring& deviceIp) = 0;
};

}  // namespace norvale
