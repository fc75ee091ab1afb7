// "norvale.exe --firewall VERB": the program's firewall setup without a
// window (firewall_setup.h), for the doctor's elevated Fix and the
// installer. It takes nothing but its verb, since it runs elevated.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mainwindow/core/doctor/firewall_port.h"
#include "platform/core/trace_port.h"

namespace norvale {

// `arguments`: the command line after the program's name. nullopt when it
// does not ask for the firewall setup (the window opens as always);
// otherwise the exit code (kFirewallUsage for anything but one known verb).
std::optional<int> RunFirewallCommandLine(const std::vector<std::wstring>& arguments, FirewallPort& firewall,
                                          const std::wstring& programPath, TracePort& log);

}  // namespace norvale
