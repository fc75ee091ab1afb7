// The networks the PC is connected to and the category Windows gave each
// (INetworkListManager). Public turns off discovery of and by the PC and
// comes with the strictest firewall profile.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace norvale {

enum class NetworkCategory { Public, Private, Domain };

struct ConnectedNetwork {
    std::wstring name;
    NetworkCategory category = NetworkCategory::Public;
};

class NetworkListPort {
public:
    virtual ~NetworkListPort() = default;
    // nullopt: Windows could not tell (no network list service, Windows XP).
    virtual std::optional<std::vector<ConnectedNetwork>> ConnectedNetworks() = 0;
};

}  // namespace norvale
