// The initiator's side of a change of an appliance's address: after its
// connected targets were logged out, the persistent devices are cleared, the
// appliance's send-target portal is removed and the target list is read
// again, so the initiator keeps nothing that points at the old address.
#pragma once

#include <string>

#include "platform/core/console/command_runner.h"

namespace norvale {

class InitiatorTeardown {
public:
    // The runner must outlive this.
    explicit InitiatorTeardown(CommandRunner& commands) : commands_(commands) {}

    void ForgetDevice(const std::wstring& deviceIp);

private:
    CommandRunner& commands_;
};

}  // namespace norvale
