// Windows' firewall as the discovery doctor reads it and the program's own
// firewall setup changes it. The Win32 adapter speaks INetFwPolicy2 (Vista
// and later) or INetFwMgr's authorized applications (XP SP2, Server 2003);
// tests use a rule store that behaves like Windows'.
//
// Every read answers nullopt where Windows could not tell (an interface that
// is missing or not implemented): the doctor then says "could not be read"
// and goes on.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace norvale {

// The profile bits as NET_FW_PROFILE_TYPE2 numbers them.
inline constexpr unsigned kProfileDomain = 1;
inline constexpr unsigned kProfilePrivate = 2;
inline constexpr unsigned kProfilePublic = 4;
inline constexpr unsigned kAllProfiles = kProfileDomain | kProfilePrivate | kProfilePublic;

// IP protocol numbers of a rule (NET_FW_IP_PROTOCOL); 256 is any.
inline constexpr int kProtocolUdp = 17;
inline constexpr int kProtocolAny = 256;

struct FirewallProfileState {
    std::optional<bool> enabled;
    // "Block all incoming connections, including those in the list of allowed apps".
    std::optional<bool> blockAllInbound;
    // What happens to a datagram no rule matches.
    std::optional<bool> inboundBlockedByDefault;
};

enum class RuleAction { Allow, Block };

struct FirewallRule {
    std::wstring name;
    std::wstring grouping;
    std::wstring application;  // full path; empty: every program
    RuleAction action = RuleAction::Allow;
    bool enabled = true;
    int protocol = kProtocolAny;
    std::wstring localPorts;       // empty or "*": any
    std::wstring remoteAddresses;  // empty or "*": any
    unsigned profiles = kAllProfiles;
};

// Whether the local firewall rules may be changed at all (LocalPolicyModifyState).
enum class PolicyModifyState { Allowed, GroupPolicyOverride, InboundBlockedByPolicy };

class FirewallPort {
public:
    virtual ~FirewallPort() = default;

    // The profiles in force now (bits above).
    virtual std::optional<unsigned> ActiveProfiles() = 0;
    virtual std::optional<FirewallProfileState> ProfileState(unsigned profile) = 0;
    virtual std::optional<PolicyModifyState> ModifyState() = 0;
    // Every inbound rule.
    virtual std::optional<std::vector<FirewallRule>> InboundRules() = 0;
    // The names of other firewalls registered with Windows (INetFwProducts).
    virtual std::optional<std::vector<std::wstring>> OtherFirewalls() = 0;

    // Adds an inbound rule; false when Windows refused.
    virtual bool AddRule(const FirewallRule& rule) = 0;
    // Removes exactly the inbound rule that equals `rule` in every field
    // (Windows removes by name, and the allow and block rules its prompt
    // makes share one: the adapter gives the rule a name of its own first).
    virtual bool RemoveRule(const FirewallRule& rule) = 0;
};

}  // namespace norvale
