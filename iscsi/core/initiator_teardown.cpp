#include "iscsi/core/initiator_teardown.h"

#include "platform/core/initiator/command_lines.h"

namespace norvale {

void InitiatorTeardown::ForgetDevice(const std::wstring& deviceIp) {
    commands_.RunConsoleCommand(ClearPersistentDevicesCommand());
    // An address that could split the line builds none: the portal stays.
    const CommandLine portal = RemoveTargetPortalCommand(deviceIp);
    if (portal.Built()) commands_.RunConsoleCommand(portal.text);
    commands_.RunConsoleCommand(ListTargetsCommand());
}

}  // namespace norvale
