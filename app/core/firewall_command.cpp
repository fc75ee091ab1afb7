#include "app/core/firewall_command.h"

#include "mainwindow/core/doctor/firewall_setup.h"

namespace norvale {

std::optional<int> RunFirewallCommandLine(const std::vector<std::wstring>& arguments, FirewallPort& firewall,
                                          const std::wstring& programPath, TracePort& log) {
    if (arguments.empty() || arguments.front() != L"--firewall") return std::nullopt;
    const std::optional<FirewallVerb> verb = arguments.size() == 2 ? ParseFirewallVerb(arguments[1]) : std::nullopt;
    if (!verb || programPath.empty()) {
        log.Trace(L"firewall: refused a command line that is not \"--firewall install|repair|repair-public|remove|status\"");
        return kFirewallUsage;
    }
    return RunFirewallVerb(*verb, firewall, programPath, log);
}

}  // namespace norvale
