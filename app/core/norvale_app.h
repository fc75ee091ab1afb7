// The application object: one instance per desktop, the Windows version
// read once, then the main dialog for the life of the process.
#pragma once

#include <optional>

#include "app/core/norvale_app_ports.h"
#include "mainwindow/core/norvale_sections.h"
#include "mainwindow/core/ports/norvale_system_files_port.h"
#include "platform/core/trace_port.h"
#include "platform/core/version/version_source_port.h"
#include "platform/core/version/windows_version_info.h"
#include "protocol/core/device_protocol.h"

namespace norvale {

struct NorvaleAppPorts {
    SingleInstancePort& instance;
    VersionSourcePort& version;
    DialogRunnerPort& dialogs;
    DeviceProtocol& protocol;
    SystemFilesPort& files;
    // The support log: a start that ends without the main window says why.
    TracePort& log = SilentTrace();
};

inline constexpr int kExitNoMainWindow = 2;

class CNorvaleApp {
public:
    explicit CNorvaleApp(NorvaleAppPorts ports, NorvaleDlgSections sections = {})
        : ports_(ports), sections_(sections) {}

    // Always false: the process ends when this returns, at once for a second
    // instance, otherwise once the main dialog has closed.
    bool InitInstance();

    // 1 when the main dialog could not start the socket layer, 2 when its
    // window could not be made (a failure, not an ordinary end), else 0.
    int ExitCode() const { return exitCode_; }
    // Whether InitInstance ran the main dialog (false: another instance runs).
    bool RanMainDialog() const { return ranMainDialog_; }
    // Read once at start; empty when the platform could not tell.
    const std::optional<WindowsVersionInfo>& Version() const { return version_; }
    bool Wow64() const { return wow64_; }

private:
    // Brings an instance that already runs to the front; true when one does.
    bool ActivateRunningInstance(const std::wstring& title);

    NorvaleAppPorts ports_;
    NorvaleDlgSections sections_;
    std::optional<WindowsVersionInfo> version_;
    bool wow64_ = false;
    bool ranMainDialog_ = false;
    int exitCode_ = 0;
};

}  // namespace norvale
