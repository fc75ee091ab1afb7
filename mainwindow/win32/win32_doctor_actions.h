// The doctor's outside actions on Windows: the program's own firewall setup
// started elevated through ShellExecuteEx ("runas", Windows asks the
// user's consent), the network settings, and Windows Network Diagnostics.
#pragma once

#include <string>

#include "mainwindow/core/doctor/doctor_actions_port.h"

namespace norvale::win32 {

class Win32DoctorActions final : public DoctorActionsPort {
public:
    // `programPath`: this executable; `settingsApp`: Windows 10 or later,
    // whose network settings are a page of the Settings app.
    Win32DoctorActions(std::wstring programPath, bool settingsApp);

    std::optional<int> RunFirewallSetup(FirewallVerb verb) override;
    bool OpenNetworkSettings() override;
    bool DiagnosticsAvailable() override;
    bool StartDiagnostics() override;

private:
    std::wstring programPath_;
    bool settingsApp_;
};

}  // namespace norvale::win32
