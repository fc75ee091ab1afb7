// The iSCSI group's routing and the initiator's prerequisites: installed,
// service running, the notices. The list is in target_list.cpp, Connect and
// Disconnect in target_connect.cpp.
#include "iscsi/core/targets/target_section.h"

#include <chrono>

#include "iscsi/core/targets/initiator_prerequisites.h"
#include "iscsi/core/targets/target_texts.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_reader.h"
#include "protocol/core/device_requests.h"
#include "resources/resource.h"

namespace norvale {

namespace {

using std::chrono::milliseconds;

// The service's state is asked this often while it starts.
constexpr milliseconds kServicePoll{100};
// A service stuck in start-pending must not hang the program: after this it
// counts as not having reached running.
constexpr milliseconds kServiceStartLimit{30000};

}  // namespace

CTargetSection::CTargetSection(TargetSectionPorts ports)
    : ports_(ports),
      watcher_(ports.delayProcess),
      installNotice_(
          [this] {
              if (installOwner_ != nullptr) OnInstallOk(*installOwner_);
          },
          // Closed without running the installer: nothing is to resume when
          // the dialog is restored later.
          [this] { state_.InstallPromptShown = false; }) {}

CTargetSection::~CTargetSection() = default;

void CTargetSection::ResetFlags() {
    state_.AutoConnectPending = false;
    state_.PortalRefreshStarted = false;
    state_.InstallPromptShown = false;
    state_.ChapRequired = false;
    state_.ChapLoginDone = false;
}

void CTargetSection::RefreshTargets(TargetGroupHost& dialog, const TargetFlow& flow) {
    state_.PortalRefreshStarted = false;
    CheckInitiator(dialog, flow);
}

void CTargetSection::OnTargetListTimer(TargetGroupHost& dialog) {
    // Another flow runs (a connect not yet ended, say): the fill follows it.
    const TargetFlow flow = dialog.Gate().Enter(dialog.Surface());
    if (!flow) {
        StartTargetListTimer(dialog);
        return;
    }
    FillTargetListFromInitiator(dialog, flow);
}

void CTargetSection::OnListClicked(TargetGroupHost& dialog) {
    const TargetFlow flow = dialog.Gate().Enter(dialog.Surface());
    if (!flow) return;
    DeviceProtocol& protocol = dialog.Protocol();
    dialog.Steps().Run(
        dialog.Surface(), [&protocol] { return QueryTargetCount(protocol); },
        [this, &dialog, flow](int count) { OnTargetClicked(dialog, count); });
}

void CTargetSection::OnConnect(TargetGroupHost& dialog) {
    // A login, a logout or persistent settings of the initiator: a close
    // meanwhile waits for the change to end.
    if (const TargetFlow flow = dialog.Gate().Enter(dialog.Surface(), FlowWrites::Yes)) OnConnectClicked(dialog, flow);
}

void CTargetSection::OnManagement(TargetGroupHost& dialog) {
    if (RefusedWithoutAdmin(dialog)) return;
    ports_.disks.OpenDiskManager();
}

bool CTargetSection::RefusedWithoutAdmin(TargetGroupHost& dialog) {
    if (!LacksAdministratorRights(ports_.elevation, Version())) return false;
    ShowWarning(dialog, target_text::kNeedsAdministrator, MessageIcon::Exclamation);
    return true;
}

void CTargetSection::LogServiceRefusal(const std::wstring& what, std::uint32_t error) {
    if (!ports_.log) return;
    std::wstring line = L"service MSiSCSI: " + what;
    if (error != 0) {
        line += L": error " + std::to_wstring(error);
        if (ports_.errorTexts) line += L": " + OneLineTextOf(*ports_.errorTexts, error);
    }
    ports_.log->Trace(line);
}

void CTargetSection::OnRestored(TargetGroupHost& dialog) {
    // Back from the installer: connect the chosen target once the portals
    // are refreshed.
    if (!state_.InstallPromptShown) return;
    const TargetFlow flow = dialog.Gate().Enter(dialog.Surface(), FlowWrites::Yes);
    if (!flow) return;
    state_.InstallPromptShown = false;
    state_.AutoConnectPending = true;
    OnConnectClicked(dialog, flow);
}

void CTargetSection::OnDialogEnding(TargetGroupHost&) {
    startingService_.reset();
    startFlow_.reset();
    startThen_ = nullptr;
    installOwner_ = nullptr;
}

std::optional<WindowsVersionInfo> CTargetSection::Version() { return ReadWindowsVersion(ports_.version); }

bool CTargetSection::VistaOrLater() {
    const std::optional<WindowsVersionInfo> version = Version();
    return version && IsVistaOrLater(*version);
}

void CTargetSection::CheckInitiator(TargetGroupHost& dialog, const TargetFlow& flow) {
    serviceDisabled_ = false;
    const std::optional<WindowsVersionInfo> version = Version();
    const bool vista = version && IsVistaOrLater(*version);
    // Vista and later bring the initiator with Windows, whatever the
    // registry says.
    if (vista || IsInitiatorInstalled(ports_.registry, version, ports_.wow64)) {
        if (!state_.PortalRefreshStarted) RefreshTargetList(dialog, flow);
        return;
    }
    FillTargetListFromDevice(dialog, flow);
}

void CTargetSection::PrepareConnect(TargetGroupHost& dialog, const TargetFlow& flow, Then then) {
    serviceDisabled_ = false;
    const std::optional<WindowsVersionInfo> version = Version();
    const bool vista = version && IsVistaOrLater(*version);
    if (!vista && !IsInitiatorInstalled(ports_.registry, version, ports_.wow64)) {
        ShowInstallNotice(dialog);
        return;
    }
    if (state_.PortalRefreshStarted) {
        then();
        return;
    }
    if (startingService_) return;  // a start is already being watched
    ServiceControlPort& services = ports_.services;
    const bool started = dialog.Steps().Run(
        dialog.Surface(), [&services] { return AttemptServiceStart(services, kInitiatorServiceName); },
        [this, &dialog, flow, then](ServiceStartAttempt attempt) mutable {
            AfterServiceStartAttempt(dialog, flow, std::move(attempt), std::move(then));
        });
    if (!started) then();
}

void CTargetSection::AfterServiceStartAttempt(TargetGroupHost& dialog, const TargetFlow& flow,
                                              ServiceStartAttempt attempt, Then then) {
    if (!attempt.service) {
        // The connect is tried all the same; the initiator then refuses it.
        LogServiceRefusal(L"the service could not be opened", attempt.openError);
        then();
        return;
    }
    // Already running: the connect goes ahead at once, without a notice.
    if (attempt.stateBefore != ServiceState::Stopped) {
        if (attempt.stateBefore == ServiceState::Running || attempt.stateBefore == ServiceState::StartPending) {
            if (!VistaOrLater()) state_.AutoConnectPending = true;
        }
        then();
        return;
    }
    if (attempt.disabled) {
        serviceDisabled_ = true;
        if (ports_.log) ports_.log->Trace(L"service MSiSCSI: start type Disabled, not started");
        ShowWarning(dialog, target_text::kServiceDisabled, MessageIcon::Exclamation);
        return;
    }
    // Persistent logins are restored by the service when Windows starts it.
    if (attempt.automaticRefused) {
        LogServiceRefusal(L"the start type could not be set to Automatic", *attempt.automaticRefused);
    }
    if (!attempt.started) {
        LogServiceRefusal(L"the service manager refused the start", attempt.startError);
        then();
        return;
    }
    // Polled by timer from here until it runs: the window keeps answering
    // while the service starts, and the notice stays up meanwhile.
    startNoticeShown_ = dialog.Surface().OpenModeless(serviceNotice_, IDD_SERVICE_NOTICE);
    startingService_ = std::move(attempt.service);
    startGiveUp_ = ports_.clock.Now() + kServiceStartLimit;
    startFlow_ = flow;
    startThen_ = std::move(then);
    dialog.Surface().SetTimer(IDT_SERVICE_START, kServicePoll);
    // The service start's timer goes on with the connect.
    EnableTargetButtons(dialog, false);
}

void CTargetSection::OnServiceStartTimer(TargetGroupHost& dialog) {
    if (!startingService_) return;
    DialogSurfacePort& surface = dialog.Surface();
    const std::optional<ServiceState> state = startingService_->QueryState();
    if (state == ServiceState::StartPending && ports_.clock.Now() < startGiveUp_) {
        surface.SetTimer(IDT_SERVICE_START, kServicePoll);
        return;
    }
    startingService_.reset();
    const TargetFlow flow = std::move(startFlow_);
    const Then then = std::move(startThen_);
    startFlow_.reset();
    startThen_ = nullptr;
    // The initiator just came up: it learns the device's targets first.
    if (state == ServiceState::Running) state_.AutoConnectPending = true;
    if (startNoticeShown_) surface.CloseModeless(serviceNotice_);
    startNoticeShown_ = false;
    if (state == ServiceState::StartPending) {
        // Still starting after the limit: the user is told, and the connect
        // stops there (the initiator answers nothing yet).
        ShowWarning(dialog, target_text::kServiceStartTimedOut, MessageIcon::Exclamation);
        EnableTargetButtons(dialog, true);
        return;
    }
    if (then) then();
}

void CTargetSection::ShowInstallNotice(TargetGroupHost& dialog) {
    installOwner_ = &dialog;
    // A notice already on screen counts; one that is just going does not
    // (the installer ran from it and the initiator is still missing).
    const bool shown = dialog.Surface().OpenModeless(installNotice_, IDD_INSTALL_NOTICE) ||
                       (installNotice_.IsAttached() && !installNotice_.Ending());
    state_.InstallPromptShown = shown;
}

void CTargetSection::OnInstallOk(TargetGroupHost& dialog) {
    const std::wstring folder = FolderOf(ports_.location.ExecutablePath());
    const std::wstring name = InstallerFileName(Version().has_value(), ports_.wow64);
    const std::wstring path = folder + L"\\" + name;
    if (name.empty() || !ports_.location.FileExists(path)) {
        installNotice_.Tell(WithText(UiText(target_text::kInstallerMissing), name) + folder + L"\n" +
                            WithText(UiText(target_text::kInstallerCopy), name));
        return;
    }
    installNotice_.End();
    DialogSurfacePort& surface = dialog.Surface();
    surface.Minimize();
    const CommandLine installer = InstallerCommand(path);
    CommandRunner& commands = ports_.commands;
    const std::wstring line = installer.Built() ? installer.text : std::wstring();
    // The installer runs on a worker; the restore resumes the connect
    // (OnRestored).
    const bool started = dialog.Steps().Run(
        surface,
        [&commands, line] {
            if (!line.empty()) commands.RunConsoleCommand(line);
        },
        [&dialog] { dialog.Surface().Restore(); });
    if (!started) surface.Restore();
}

}  // namespace norvale
