#include "mainwindow/core/doctor/firewall_setup.h"

#include <cwctype>
#include <vector>

#include "protocol/core/protocol_constants.h"

namespace norvale {

namespace {

std::wstring Folded(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towlower(c));
    return folded;
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return !a.empty() && Folded(a) == Folded(b); }

bool IsAny(const std::wstring& field) { return field.empty() || field == L"*"; }

// Whether a port list ("13579", "80,13000-14000", "*") holds `port`.
bool PortListHolds(const std::wstring& list, unsigned port) {
    if (IsAny(list)) return true;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(L',', start), list.size());
        const std::wstring item = list.substr(start, end - start);
        const std::size_t dash = item.find(L'-');
        try {
            const unsigned low = static_cast<unsigned>(std::stoul(item.substr(0, dash)));
            const unsigned high = dash == std::wstring::npos ? low : static_cast<unsigned>(std::stoul(item.substr(dash + 1)));
            if (low <= port && port <= high) return true;
        } catch (...) {
            // A keyword (RPC, Teredo) or a malformed item holds no plain port.
        }
        start = end + 1;
    }
    return false;
}

const wchar_t* VerbName(FirewallVerb verb) {
    switch (verb) {
        case FirewallVerb::Install: return L"install";
        case FirewallVerb::Repair: return L"repair";
        case FirewallVerb::RepairPublic: return L"repair-public";
        case FirewallVerb::Remove: return L"remove";
        case FirewallVerb::Status: return L"status";
    }
    return L"";
}

class Setup {
public:
    Setup(FirewallPort& firewall, const std::wstring& path, TracePort& log) : firewall_(firewall), path_(path), log_(log) {}

    int Run(FirewallVerb verb) {
        const auto rules = firewall_.InboundRules();
        if (!rules) {
            Log(L"the inbound rules could not be read; nothing changed");
            return kFirewallUnreadable;
        }
        if (verb == FirewallVerb::Status) return Status(*rules);
        if (firewall_.ModifyState().value_or(PolicyModifyState::Allowed) == PolicyModifyState::GroupPolicyOverride) {
            Log(L"a group policy forbids local rules; nothing changed");
            return kFirewallPolicyLocked;
        }
        bool ok = true;
        unsigned profiles = kProfileDomain | kProfilePrivate;
        for (const FirewallRule& rule : *rules) {
            const bool repairing = verb == FirewallVerb::Repair || verb == FirewallVerb::RepairPublic;
            const bool ours = IsOwnRule(rule);
            // A rule of ours that already covered Public keeps covering it.
            if (ours && verb != FirewallVerb::Remove) profiles |= rule.profiles & kProfilePublic;
            if (ours || (repairing && BlocksProgram(rule, path_))) ok = Remove(rule) && ok;
        }
        if (verb == FirewallVerb::Remove) return ok ? kFirewallDone : kFirewallRefused;
        if (verb == FirewallVerb::RepairPublic) profiles |= kProfilePublic;
        const FirewallRule allow = DiscoveryAllowRule(path_, profiles);
        const bool added = firewall_.AddRule(allow);
        Log(std::wstring(added ? L"added" : L"could not add") + L" the allow rule for UDP 13579 (" +
            ProfileNames(profiles) + L")");
        return ok && added ? kFirewallDone : kFirewallRefused;
    }

private:
    int Status(const std::vector<FirewallRule>& rules) {
        bool blocked = false;
        bool allowed = false;
        for (const FirewallRule& rule : rules) {
            blocked = blocked || (rule.enabled && BlocksProgram(rule, path_));
            allowed = allowed || AllowsDiscovery(rule, path_, kAllProfiles);
        }
        Log(std::wstring(blocked ? L"a block rule" : L"no block rule") + L" for this program, " +
            (allowed ? L"an allow rule" : L"no allow rule") + L" for its answers");
        return !blocked && allowed ? kFirewallDone : kFirewallNeedsRepair;
    }

    bool Remove(const FirewallRule& rule) {
        const bool removed = firewall_.RemoveRule(rule);
        Log(std::wstring(removed ? L"removed" : L"could not remove") + L" the " +
            (rule.action == RuleAction::Block ? L"block" : L"allow") + L" rule \"" + rule.name + L"\"");
        return removed;
    }

    static std::wstring ProfileNames(unsigned profiles) {
        std::wstring names;
        for (const auto& [bit, name] : {std::pair{kProfileDomain, L"Domain"}, std::pair{kProfilePrivate, L"Private"},
                                        std::pair{kProfilePublic, L"Public"}}) {
            if ((profiles & bit) == 0) continue;
            names += (names.empty() ? L"" : L", ") + std::wstring(name);
        }
        return names;
    }

    void Log(const std::wstring& line) { log_.Trace(L"firewall: " + line); }

    FirewallPort& firewall_;
    const std::wstring& path_;
    TracePort& log_;
};

}  // namespace

std::optional<FirewallVerb> ParseFirewallVerb(std::wstring_view text) {
    for (FirewallVerb verb : {FirewallVerb::Install, FirewallVerb::Repair, FirewallVerb::RepairPublic,
                              FirewallVerb::Remove, FirewallVerb::Status}) {
        if (Folded(text) == VerbName(verb)) return verb;
    }
    return std::nullopt;
}

FirewallRule DiscoveryAllowRule(const std::wstring& programPath, unsigned profiles) {
    FirewallRule rule;
    rule.name = kDiscoveryRuleName;
    rule.grouping = kDiscoveryRuleGrouping;
    rule.application = programPath;
    rule.action = RuleAction::Allow;
    rule.protocol = kProtocolUdp;
    rule.localPorts = std::to_wstring(kDevicePort);
    rule.remoteAddresses = L"LocalSubnet";
    rule.profiles = profiles;
    return rule;
}

bool IsOwnRule(const FirewallRule& rule) {
    return rule.name == kDiscoveryRuleName && rule.grouping == kDiscoveryRuleGrouping;
}

bool SameRule(const FirewallRule& a, const FirewallRule& b) {
    return a.name == b.name && a.grouping == b.grouping && Folded(a.application) == Folded(b.application) &&
           a.action == b.action && a.enabled == b.enabled && a.protocol == b.protocol && a.localPorts == b.localPorts &&
           a.remoteAddresses == b.remoteAddresses && a.profiles == b.profiles;
}

bool BlocksProgram(const FirewallRule& rule, const std::wstring& programPath) {
    return rule.action == RuleAction::Block && SamePath(rule.application, programPath);
}

bool AllowsDiscovery(const FirewallRule& rule, const std::wstring& programPath, unsigned profiles) {
    return rule.enabled && rule.action == RuleAction::Allow && (rule.profiles & profiles) != 0 &&
           (rule.application.empty() || SamePath(rule.application, programPath)) &&
           (rule.protocol == kProtocolAny || rule.protocol == kProtocolUdp) && PortListHolds(rule.localPorts, kDevicePort);
}

int RunFirewallVerb(FirewallVerb verb, FirewallPort& firewall, const std::wstring& programPath, TracePort& log) {
    log.Trace(std::wstring(L"firewall: ") + VerbName(verb) + L" for " + programPath);
    return Setup(firewall, programPath, log).Run(verb);
}

}  // namespace norvale
