// The "iSCSI Drive Mapping" group of the main dialog: the selected
// appliance's targets ten to a page with whether the PC is connected to each,
// the refresh of the initiator's send-target portals, the initiator's
// prerequisites (installed, service running) with their notices, Connect and
// Disconnect with the CHAP dialog, and the logout a LAN change needs.
//
// It sees the dialog it sits in only through TargetGroupHost; the program's
// composition links it to the main dialog's target hooks (app/core).
//
//   SessionDiskHandoff disks(wmi);     // or disk management, linked at the top
//   CTargetSection targets(TargetSectionPorts{wmi, commands, services, registry, version,
//                                             delayProcess, location, SystemClock(), disks, wow64});
//   targets.OnConnect(host);           // host: a TargetGroupHost
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "iscsi/core/service_control_port.h"
#include "iscsi/core/targets/delay_process_port.h"
#include "iscsi/core/targets/initiator_notices.h"
#include "iscsi/core/targets/process_watch.h"
#include "iscsi/core/targets/target_disk_handoff.h"
#include "iscsi/core/targets/target_group_host.h"
#include "platform/core/clock_port.h"
#include "platform/core/console/command_runner.h"
#include "platform/core/elevation_port.h"
#include "platform/core/error_text_port.h"
#include "platform/core/initiator/wmi_connections.h"
#include "platform/core/program_location_port.h"
#include "platform/core/registry_port.h"
#include "platform/core/secret_text.h"
#include "platform/core/trace_port.h"
#include "platform/core/version/version_source_port.h"
#include "platform/core/version/windows_version_info.h"

namespace norvale {

// Every port must outlive the section; `delayProcess` also every watcher
// worker (a delay process may outlive the dialog).
struct TargetSectionPorts {
    WmiConnections& wmi;
    CommandRunner& commands;
    ServiceControlPort& services;
    RegistryPort& registry;
    VersionSourcePort& version;
    DelayProcessPort& delayProcess;
    ProgramLocationPort& location;
    ClockPort& clock;
    TargetDiskHandoff& disks;
    // The WOW64 answer the application took at start.
    bool wow64 = false;
    // Connect, Disconnect and Management need an administrator: without an
    // elevated token they are refused with one message (null: never refused).
    ElevationPort* elevation = nullptr;
    // Where failed service requests and refused target names are written
    // down (null: nowhere).
    TracePort* log = nullptr;
    // The system's wording of a refused service request's error, for the log
    // (null: the code alone).
    const ErrorTextPort* errorTexts = nullptr;
};

// What the group remembers between messages, named after the dialog
// members they stand for.
struct TargetGroupState {
    // The selected device's targets the initiator knows, upper case, sorted;
    // a target reachable through two of the device's portals is in twice.
    // Row r of the shown page is entry targetPageStart + r.
    std::vector<std::wstring> TargetNames;
    // Every MSiSCSI_ConnectionStatistics InstanceName, sorted.
    std::vector<std::wstring> ConnectionInstanceNames;
    // Up to and including the first ":" of the last name the list took.
    std::wstring TargetNamePrefix;
    // The target of the not-connected row clicked last; an automatic
    // connect logs in to it.
    std::wstring SelectedTargetFullName;
    // The next list fill runs the connect by itself (the service was just
    // started, or the initiator just installed).
    bool AutoConnectPending = false;
    // That connect is under way. Its message boxes (and the wizard) run a
    // message loop in which the list timer fires again: the fill it brings
    // must not start a second connect of the same target.
    bool AutoConnectRunning = false;
    // A portal refresh was started for the shown device and page.
    bool PortalRefreshStarted = false;
    // The install notice is on screen (or the installer ran from it).
    bool InstallPromptShown = false;
    // The target being connected needs CHAP, and the CHAP dialog logged in.
    bool ChapRequired = false;
    bool ChapLoginDone = false;
};

class CTargetSection final {
public:
    explicit CTargetSection(TargetSectionPorts ports);
    ~CTargetSection();
    CTargetSection(const CTargetSection&) = delete;
    CTargetSection& operator=(const CTargetSection&) = delete;

    // The dialog opened: forget every pending connect and refresh.
    void ResetFlags();
    // A device with targets was clicked: the availability check, which
    // fills the list from the device or refreshes the initiator's portals.
    void RefreshTargets(TargetGroupHost& dialog);
    // Empties the target list and disables Connect and Management.
    void ClearTargetList(TargetGroupHost& dialog);
    void OnTargetListTimer(TargetGroupHost& dialog);
    void OnListClicked(TargetGroupHost& dialog);
    void OnConnect(TargetGroupHost& dialog);
    void OnManagement(TargetGroupHost& dialog);
    void OnPageChanged(TargetGroupHost& dialog);
    // The delay process of a portal refresh ended; `process` is its handle.
    void OnProcessTerminated(TargetGroupHost& dialog, std::intptr_t process);
    // The dialog came back from the minimised state.
    void OnRestored(TargetGroupHost& dialog);
    void OnServiceStartTimer(TargetGroupHost& dialog);
    // Before the selected device's address changes: log out of every target
    // of it that the list shows as connected.
    void DisconnectActiveTargets(TargetGroupHost& dialog);
    // Logs the initiator out of one target (its full iSCSI name): every
    // session and persistent login; with `removeDevices` the target's
    // lettered volumes first stop being mounted at start-up.
    void LogoutTarget(TargetGroupHost& dialog, const std::wstring& targetName, bool removeDevices);
    // The dialog window is going: nothing may be posted to it any more.
    void OnDialogEnding(TargetGroupHost& dialog);

    const TargetGroupState& State() const { return state_; }
    // The full target name each row of the shown page stands for.
    const std::vector<std::wstring>& RowTargets() const { return rowTargets_; }
    // Delay processes started whose end has not been handled.
    std::size_t PendingDelayProcesses() const { return watcher_.Pending(); }

private:
    // --- prerequisites (target_prerequisites.cpp)
    void CheckInitiator(TargetGroupHost& dialog, bool connecting);
    void StartInitiatorService(TargetGroupHost& dialog);
    bool ServiceStarting() const;
    void StartServiceOnOlderWindows(TargetGroupHost& dialog, ServiceHandle* service);
    // Before a start: a disabled service is refused with a message (and the
    // connect goes no further); a manual one is made automatic so that the
    // persistent logins come back after a restart.
    bool ReadyToStart(TargetGroupHost& dialog, ServiceHandle& service);
    // ServiceHandle::Start, a refusal written to the support log.
    bool StartLogged(ServiceHandle& service);
    // One line of the support log for a service request the manager refused.
    void LogServiceRefusal(const std::wstring& what, std::uint32_t error);
    // Needs an administrator and the process is not elevated: says so, once
    // per click; the caller then does nothing.
    bool RefusedWithoutAdmin(TargetGroupHost& dialog);
    void ShowInstallNotice(TargetGroupHost& dialog);
    void OnInstallOk(TargetGroupHost& dialog);
    std::optional<WindowsVersionInfo> Version();
    bool VistaOrLater();

    // --- the list (target_list.cpp)
    void RefreshTargetList(TargetGroupHost& dialog);
    void FillTargetListFromDevice(TargetGroupHost& dialog);
    void StartPortalRefresh(TargetGroupHost& dialog);
    void RefreshPortals(TargetGroupHost& dialog);
    void FillTargetListFromInitiator(TargetGroupHost& dialog);
    std::vector<std::wstring> CollectTargetNames(CWmiWrapper& wmi, const std::wstring& deviceIp);
    void OnTargetClicked(TargetGroupHost& dialog);
    void StartTargetListTimer(TargetGroupHost& dialog);
    void EnableTargetButtons(TargetGroupHost& dialog, bool enabled);
    bool PrefixMatching();
    void ReadInstanceNames(CWmiWrapper& wmi);
    // `Active` of the target's statistics selection.
    std::vector<std::wstring> ReadActive(CWmiWrapper& wmi, const std::wstring& targetName);

    // --- connect and disconnect (target_connect.cpp)
    void OnConnectClicked(TargetGroupHost& dialog);
    // The connect after the availability check: a portal refresh first when
    // the service just came up, else the login at once.
    void ContinueConnect(TargetGroupHost& dialog);
    // False when the user cancelled the CHAP dialog: the buttons stay off
    // until the next click on the list.
    bool ConnectTarget(TargetGroupHost& dialog, bool automatic);
    // The login lines of one target (plain, or through the CHAP dialog).
    void LogIn(TargetGroupHost& dialog, const std::wstring& target, const std::wstring& initiatorName);
    void RequestChapLogin(TargetGroupHost& dialog, const std::wstring& userName, const SecretText& encodedPassword);
    void AfterLogin(TargetGroupHost& dialog, const std::wstring& target, bool automatic);
    void HandOverDisk(TargetGroupHost& dialog, const std::wstring& target, bool firstValueTrue, bool automatic);
    void RemovePersistentLogins(TargetGroupHost& dialog, CWmiWrapper& wmi, const std::wstring& target);
    void DisconnectSelectedTargets(TargetGroupHost& dialog);
    // The target of page row `row`; empty when the list has none for it.
    std::wstring TargetOfRow(int row) const;
    void ShowWarning(TargetGroupHost& dialog, unsigned textId, MessageIcon icon);
    // False, with a trace line saying why, for a name that is not an iSCSI
    // name: it must not reach a command line, a WQL query or the list.
    bool AcceptTargetName(const std::wstring& name, const wchar_t* source);
    // A query of `wmi` ran out of time (the provider hangs): the user is
    // told and gets the buttons back. True when that happened.
    bool ReportWmiTimeout(TargetGroupHost& dialog, CWmiWrapper& wmi);

    TargetSectionPorts ports_;
    TargetGroupState state_;
    // The last initiator check found the service disabled: no connect follows.
    bool serviceDisabled_ = false;
    std::vector<std::wstring> rowTargets_;
    DelayProcessWatcher watcher_;
    CWinService serviceNotice_;
    InstallDialog installNotice_;
    // The dialog the install notice belongs to, while it is open.
    TargetGroupHost* installOwner_ = nullptr;
    // A service start still pending: polled by timer, so the window keeps
    // taking messages; the connect goes on when it ends.
    std::unique_ptr<ServiceHandle> startingService_;
    std::chrono::milliseconds startGiveUp_{0};
    bool startNoticeShown_ = false;
};

}  // namespace norvale
