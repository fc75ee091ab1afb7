// The network list port over INetworkListManager (Vista and later): the
// connected networks, each with its name and category.
#pragma once

#include "mainwindow/core/doctor/network_list_port.h"

namespace norvale::win32 {

class Win32NetworkList final : public NetworkListPort {
public:
    std::optional<std::vector<ConnectedNetwork>> ConnectedNetworks() override;
};

}  // namespace norvale::win32
