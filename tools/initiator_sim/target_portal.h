// What stands behind the simulated initiator's network: the targets it
// discovers and logs in to. By default the appliance configuration answers
// (targets as configured); a real iSCSI target can answer instead
// (RealTargets), so that logins, CHAP and capacities are a target's own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/disksim/block_store.h"

namespace norvale::sim {

struct Portal {
    std::string address;
    std::uint16_t port = 3260;
};

// A logged-in session's first LUN (LUN 1; LUN 0 is the target's controller):
// its bytes, as a disk's block store.
class LunSession : public disksim::BlockStore {};

struct TargetLogin {
    enum class Outcome { LoggedIn, AuthenticationFailed, ConnectionFailed, NoSuchTarget };
    Outcome outcome = Outcome::ConnectionFailed;
    std::shared_ptr<LunSession> lun;  // null when the target has no LUN
    std::string detail;               // what the target or the network said
    // The session itself: it lasts as long as this (and `lun`) is held.
    std::shared_ptr<void> session;
};

class TargetNetwork {
public:
    virtual ~TargetNetwork() = default;
    // SendTargets at the portal: the target names, nullopt when nobody answers.
    virtual std::optional<std::vector<std::string>> SendTargets(const Portal& portal) = 0;
    // Logs in (with CHAP when `user` has a value; `secret` as bytes); the
    // session lasts as long as the answer's `session` is held.
    virtual TargetLogin LogIn(const Portal& portal, const std::string& target, const std::optional<std::string>& user,
                              const std::string& secret) = 0;
};

}  // namespace norvale::sim
