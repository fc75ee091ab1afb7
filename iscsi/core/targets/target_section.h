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
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "iscsi/core/service_control_port.h"
#include "iscsi/core/targets/delay_process_port.h"
#include "iscsi/core/targets/initiator_notices.h"
#include "iscsi/core/targets/process_watch.h"
#include "iscsi/core/targets/service_start.h"
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

// A flow of the dialog (StepGate::Ticket), kept by every continuation of it.
using TargetFlow = StepGate::Ticket;

class CTargetSection final {
public:
    explicit CTargetSection(TargetSectionPorts ports);
    ~CTargetSection();
    CTargetSection(const CTargetSection&) = delete;
    CTargetSection& operator=(const CTargetSection&) = delete;

    // The dialog opened: forget every pending connect and refresh.
    void ResetFlags();
    // A device with targets was clicked: the availability check, which
    // fills the list from the device or refreshes the initiator's portals,
    // within the click's flow.
    void RefreshTargets(TargetGroupHost& dialog, const TargetFlow& flow);
    // Empties the target list and disables Connect and Management.
    void ClearTargetList(TargetGroupHost& dialog);
    void OnTargetListTimer(TargetGroupHost& dialog);
    void OnListClicked(TargetGroupHost& dialog);
    void OnConnect(TargetGroupHost& dialog);
    void OnManagement(TargetGroupHost& dialog);
    void OnPageChanged(TargetGroupHost& dialog);
    // The dialog came back from the minimised state.
    void OnRestored(TargetGroupHost& dialog);
    void OnServiceStartTimer(TargetGroupHost& dialog);
    // The targets of the shown list that are connected (full names): a
    // change of the device's address logs them out first.
    std::vector<std::wstring> ActiveTargets(TargetGroupHost& dialog) const;
    // Logs the initiator out of one target (its full iSCSI name): every
    // session and persistent login; with `removeDevices` the target's
    // lettered volumes first stop being mounted at start-up. Blocks: runs
    // on a step's worker and touches nothing of the dialog.
    void LogoutTargetWork(const std::wstring& targetName, bool removeDevices, const std::wstring& deviceIp);
    // The dialog window is going: nothing may be posted to it any more.
    void OnDialogEnding(TargetGroupHost& dialog);

    const TargetGroupState& State() const { return state_; }
    // The full target name each row of the shown page stands for.
    const std::vector<std::wstring>& RowTargets() const { return rowTargets_; }
    // Delay processes started whose handle is not closed yet.
    std::size_t PendingDelayProcesses() const { return static_cast<std::size_t>(watcher_.Pending()); }

private:
    using Then = std::function<void()>;

    // --- prerequisites (target_section.cpp)
    // The availability check of a click: the list (not connecting).
    void CheckInitiator(TargetGroupHost& dialog, const TargetFlow& flow);
    // The same before a connect: the service started (or the install notice
    // shown); `then` when the connect may go on.
    void PrepareConnect(TargetGroupHost& dialog, const TargetFlow& flow, Then then);
    // After the background step that asked the manager (service_start.h):
    // a disabled service is refused with a message (the connect goes no
    // further), a started one is watched by timer and the notice shown;
    // `then` when the connect may go on.
    void AfterServiceStartAttempt(TargetGroupHost& dialog, const TargetFlow& flow, ServiceStartAttempt attempt,
                                  Then then);
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
    void RefreshTargetList(TargetGroupHost& dialog, const TargetFlow& flow);
    void FillTargetListFromDevice(TargetGroupHost& dialog, const TargetFlow& flow);
    void StartPortalRefresh(TargetGroupHost& dialog, const TargetFlow& flow);
    void RefreshPortals(TargetGroupHost& dialog, const TargetFlow& flow);
    void FillTargetListFromInitiator(TargetGroupHost& dialog, const TargetFlow& flow);
    void OnTargetClicked(TargetGroupHost& dialog, int count);
    void StartTargetListTimer(TargetGroupHost& dialog);
    void EnableTargetButtons(TargetGroupHost& dialog, bool enabled);
    bool PrefixMatching();

    // --- connect and disconnect (target_connect.cpp)
    void OnConnectClicked(TargetGroupHost& dialog, const TargetFlow& flow);
    // The connect after the availability check: a portal refresh first when
    // the service just came up, else the login at once.
    void ContinueConnect(TargetGroupHost& dialog, const TargetFlow& flow);
    // `then(false)` when the user cancelled the CHAP dialog: the buttons
    // stay off until the next click on the list.
    void ConnectTarget(TargetGroupHost& dialog, const TargetFlow& flow, bool automatic,
                       std::function<void(bool)> then);
    void LogInAll(TargetGroupHost& dialog, const TargetFlow& flow, std::vector<std::wstring> targets,
                  std::size_t next, const std::wstring& initiatorName, bool automatic,
                  std::function<void(bool)> then);
    // The login lines of one target (plain, or through the CHAP dialog).
    void LogIn(TargetGroupHost& dialog, const TargetFlow& flow, const std::wstring& target,
               const std::wstring& initiatorName, Then then);
    void RequestChapLogin(TargetGroupHost& dialog, const std::wstring& userName, const SecretText& encodedPassword);
    void AfterLogin(TargetGroupHost& dialog, const TargetFlow& flow, const std::wstring& target, bool automatic,
                    Then then);
    void HandOverDisk(TargetGroupHost& dialog, const TargetFlow& flow, const std::wstring& target,
                      bool firstValueTrue, bool automatic, Then then);
    void DisconnectSelectedTargets(TargetGroupHost& dialog, const TargetFlow& flow);
    // The target of page row `row`; empty when the list has none for it.
    std::wstring TargetOfRow(int row) const;
    void ShowWarning(TargetGroupHost& dialog, unsigned textId, MessageIcon icon);
    // False, with a trace line saying why, for a name that is not an iSCSI
    // name: it must not reach a command line, a WQL query or the list.
    bool AcceptTargetName(const std::wstring& name, const wchar_t* source);
    // A query ran out of time (the provider hangs): the user is told and
    // gets the buttons back. True when that happened.
    bool ReportWmiTimeout(TargetGroupHost& dialog, bool timedOut);

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
    // taking messages; the connect (its flow kept here) goes on when it ends.
    std::unique_ptr<ServiceHandle> startingService_;
    std::chrono::milliseconds startGiveUp_{0};
    bool startNoticeShown_ = false;
    TargetFlow startFlow_;
    Then startThen_;
};

}  // namespace norvale
