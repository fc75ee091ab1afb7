// The behaviour of one appliance: what it answers to a request that reached
// it. No sockets here; the simulator carries the answers over the network and
// moves the address when a settings request asks for it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "tools/simulator/appliance_config.h"
#include "tools/simulator/wire_format.h"

namespace norvale::sim {

struct AddressChange {
    std::string address;
    std::string netmask;
    std::string gateway;
    bool dhcp = false;
};

struct Answer {
    Bytes datagram;
    // Set by the settings requests: the simulator moves the address before it
    // sends the answer, so the answer comes from the new address.
    std::optional<AddressChange> move;
};

// One entry of the QueryTargetList answer: name|chap@user$base64(password).
std::string TargetListEntry(const TargetConfig& target);

class Appliance {
public:
    explicit Appliance(ApplianceConfig config);

    const ApplianceConfig& Config() const { return config_; }
    const std::string& Address() const { return address_; }
    const std::string& Netmask() const { return netmask_; }
    Identity DeviceId() const;

    // Whether a management request names this appliance (bytes 11..20).
    bool IsAddressedBy(const Request& request) const;

    // The answer to a request, or nothing: management requests for another
    // device, unknown sub-commands and settings with a bad address go unanswered.
    std::optional<Answer> Respond(const Request& request);

    // Called once the network carries the new address.
    void CompleteMove(const AddressChange& change);

    static constexpr std::size_t kPageSize = 10;

private:
    std::optional<Answer> RespondToQuery(const Request& request) const;
    std::optional<Answer> RespondToSettings(const Request& request);
    Identity DeviceIdFor(const std::string& address) const;
    std::string SharePage(const std::string& indexText) const;
    std::string TargetListText() const;

    ApplianceConfig config_;
    std::string address_;
    std::string netmask_;
    std::string gateway_;
    bool dhcp_;
    std::size_t nextPoolEntry_ = 0;
};

}  // namespace norvale::sim
