// What the iSCSI group may read or change of the dialog it sits in: the
// dialog's surface (its own controls, its message boxes, its timers), the
// device protocol (the selected appliance and its requests), the first row
// of the shown target page, the drive letters of the share group, which a
// connected target's new volume may have taken, and the registered message
// the dialog hands back to the group when a delay process ended.
#pragma once

#include "controls/core/dialog_surface_port.h"
#include "protocol/core/device_protocol.h"

namespace norvale {

class TargetGroupHost {
public:
    virtual ~TargetGroupHost() = default;
    virtual DialogSurfacePort& Surface() = 0;
    virtual DeviceProtocol& Protocol() = 0;
    // First target of the shown page (0, 10, 20, ...).
    virtual int TargetPageStart() const = 0;
    virtual void SetTargetPageStart(int first) = 0;
    // Reads the mapped drives again and offers the free letters anew.
    virtual void RefreshDriveLetters() = 0;
    // The name of the registered message that the dialog turns into the
    // group's OnProcessTerminated.
    virtual const wchar_t* ProcessTerminatedMessage() const = 0;
};

}  // namespace norvale
