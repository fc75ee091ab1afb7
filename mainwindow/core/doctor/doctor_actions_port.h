// What the doctor's buttons start outside the program. Each call blocks
// until Windows has answered (the elevated setup until it has ended, within
// its bound), so the doctor calls them from its background steps.
#pragma once

#include <optional>

#include "mainwindow/core/doctor/firewall_setup.h"

namespace norvale {

class DoctorActionsPort {
public:
    virtual ~DoctorActionsPort() = default;
    // Runs "norvale.exe --firewall VERB" elevated (Windows asks the user's
    // consent) and answers its exit code; nullopt when the user declined or
    // it could not start or did not end within its bound.
    virtual std::optional<int> RunFirewallSetup(FirewallVerb verb) = 0;
    // Opens Windows' network settings (the Settings page on Windows 10 and
    // later, the Network and Sharing Center before); false when it failed.
    virtual bool OpenNetworkSettings() = 0;
    // Whether Windows Network Diagnostics exists here (ndfapi.dll), and
    // starting it.
    virtual bool DiagnosticsAvailable() = 0;
    virtual bool StartDiagnostics() = 0;
};

}  // namespace norvale
