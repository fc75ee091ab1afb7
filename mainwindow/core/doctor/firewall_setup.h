// The program's own firewall setup, run as "norvale.exe --firewall VERB"
// without a window (elevated by the doctor's Fix button, or by the
// installer):
//   install        adds the discovery allow rule (Domain and Private)
//   repair         removes the inbound block rules for this program's path
//                  and adds the allow rule anew (Domain and Private)
//   repair-public  the same, the Public profile included (the user said yes
//                  to that for a Public network)
//   remove         takes away the rules install and repair added
//   status         changes nothing; tells whether a repair is needed
// It never turns a firewall off and never touches another program's rules.
// The exit code says how it went (FirewallExit).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "mainwindow/core/doctor/firewall_port.h"
#include "platform/core/trace_port.h"

namespace norvale {

enum class FirewallVerb { Install, Repair, RepairPublic, Remove, Status };

enum FirewallExit : int {
    kFirewallDone = 0,         // changed as asked; status: nothing to repair
    kFirewallNeedsRepair = 1,  // status only
    kFirewallUnreadable = 2,   // the rules could not be read: nothing changed
    kFirewallPolicyLocked = 3, // a policy forbids local changes: nothing changed
    kFirewallRefused = 4,      // Windows refused a change
    kFirewallUsage = 64,       // no such verb
};

// Our rule is known by its name and grouping together.
inline constexpr wchar_t kDiscoveryRuleName[] = L"Norvale appliance discovery (UDP 13579)";
inline constexpr wchar_t kDiscoveryRuleGrouping[] = L"Norvale";

std::optional<FirewallVerb> ParseFirewallVerb(std::wstring_view text);

// The allow rule: this program, UDP, local port 13579, from the local subnet.
FirewallRule DiscoveryAllowRule(const std::wstring& programPath, unsigned profiles);

bool IsOwnRule(const FirewallRule& rule);
// The same rule in every field (paths compared without case).
bool SameRule(const FirewallRule& a, const FirewallRule& b);
// An inbound block rule for this very program (paths compared as Windows does, without case).
bool BlocksProgram(const FirewallRule& rule, const std::wstring& programPath);
// An enabled inbound allow rule that lets the appliances' answers reach this
// program in at least one of `profiles`.
bool AllowsDiscovery(const FirewallRule& rule, const std::wstring& programPath, unsigned profiles);

// Carries out `verb`; every change and its result goes to `log`, a line each.
int RunFirewallVerb(FirewallVerb verb, FirewallPort& firewall, const std::wstring& programPath, TracePort& log);

}  // namespace norvale
