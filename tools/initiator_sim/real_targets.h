// The targets of a real iSCSI target (tgt on these machines), reached with
// libiscsi: SendTargets on a discovery session, logins with CHAP as the
// target checks it, READ CAPACITY 16 for the LUN's size, and READ/WRITE 16
// for its bytes. Every exchange is bounded by a timeout.
#pragma once

#include <optional>
#include <string>

#include "tools/initiator_sim/target_portal.h"

namespace norvale::sim {

class RealTargets final : public TargetNetwork {
public:
    // `initiatorName` is the name the target sees; with `redirect`, every
    // portal the initiator is given is reached at that one instead (a target
    // served on another address than the simulated appliance's).
    explicit RealTargets(std::string initiatorName, std::optional<Portal> redirect = std::nullopt,
                         int timeoutSeconds = 5);

    std::optional<std::vector<std::string>> SendTargets(const Portal& portal) override;
    TargetLogin LogIn(const Portal& portal, const std::string& target, const std::optional<std::string>& user,
                      const std::string& secret) override;

private:
    std::string Where(const Portal& portal) const;

    std::string initiatorName_;
    std::optional<Portal> redirect_;
    int timeoutSeconds_;
};

// "HOST" or "HOST:PORT" (3260 when left out); nullopt when malformed.
std::optional<Portal> ParsePortal(const std::string& text);

}  // namespace norvale::sim
