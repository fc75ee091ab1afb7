// The firewall port over Windows' own interfaces: INetFwPolicy2 and its
// rules from Vista on, INetFwMgr's authorized applications on XP SP2 and
// Server 2003 (a program there is "blocked" by an entry that is switched
// off, which is what XP's "Keep Blocking" answer makes). Either is created
// per call, in the calling thread's apartment.
#pragma once

#include "mainwindow/core/doctor/firewall_port.h"

namespace norvale::win32 {

class Win32Firewall final : public FirewallPort {
public:
    std::optional<unsigned> ActiveProfiles() override;
    std::optional<FirewallProfileState> ProfileState(unsigned profile) override;
    std::optional<PolicyModifyState> ModifyState() override;
    std::optional<std::vector<FirewallRule>> InboundRules() override;
    std::optional<std::vector<std::wstring>> OtherFirewalls() override;
    bool AddRule(const FirewallRule& rule) override;
    bool RemoveRule(const FirewallRule& rule) override;
};

}  // namespace norvale::win32
