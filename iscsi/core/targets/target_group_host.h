// What the iSCSI group may read or change of the dialog it sits in: the
// dialog's surface (its own controls, its message boxes, its timers), its
// background steps and its one flow at a time, the device protocol (the
// selected appliance and its requests), the first row of the shown target
// page, and the drive letters of the share group, which a connected
// target's new volume may have taken.
#pragma once

#include "controls/core/background_steps.h"
#include "controls/core/dialog_surface_port.h"
#include "controls/core/step_gate.h"
#include "protocol/core/device_protocol.h"

namespace norvale {

class TargetGroupHost {
public:
    virtual ~TargetGroupHost() = default;
    virtual DialogSurfacePort& Surface() = 0;
    virtual BackgroundSteps& Steps() = 0;
    virtual StepGate& Gate() = 0;
    virtual DeviceProtocol& Protocol() = 0;
    // First target of the shown page (0, 10, 20, ...).
    virtual int TargetPageStart() const = 0;
    virtual void SetTargetPageStart(int first) = 0;
    // Reads the mapped drives again and offers the free letters anew.
    virtual void RefreshDriveLetters() = 0;
};

}  // namespace norvale
