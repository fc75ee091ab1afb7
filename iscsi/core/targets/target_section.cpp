// The iSCSI group's routing and the initiator's prerequisites: installed,
// service running, the notices. The list is in target_list.cpp, Connect and
// Disconnect in target_connect.cpp.
#include "iscsi/core/targets/target_section.h"

#include <chrono>

#include "controls/core/wait_cursor.h"
#include "iscsi/core/targets/initiator_prerequisites.h"
#include "iscsi/core/targets/target_texts.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_reader.h"
#include "resources/resource.h"

namespace norvale {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kOlderServiceStartWait{2000};
constexpr milliseconds kServiceNoticeWait{1000};
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

void CTargetSection::RefreshTargets(TargetGroupHost& dialog) {
    state_.PortalRefreshStarted = false;
    CheckInitiator(dialog, false);
}

void CTargetSection::OnTargetListTimer(TargetGroupHost& dialog) { FillTargetListFromInitiator(dialog); }

void CTargetSection::OnListClicked(TargetGroupHost& dialog) { OnTargetClicked(dialog); }

void CTargetSection::OnConnect(TargetGroupHost& dialog) { OnConnectClicked(dialog); }

void CTargetSection::OnManagement(TargetGroupHost& dialog) {
    if (RefusedWithoutAdmin(dialog)) return;
    ports_.disks.OpenDiskManager();
}

bool CTargetSection::RefusedWithoutAdmin(TargetGroupHost& dialog) {
    if (!LacksAdministratorRights(ports_.elevation, Version())) return false;
    ShowWarning(dialog, target_text::kNeedsAdministrator, MessageIcon::Exclamation);
    return true;
}

bool CTargetSection::ReadyToStart(TargetGroupHost& dialog, ServiceHandle& service) {
    const std::optional<ServiceStartType> startType = service.QueryStartType();
    if (startType == ServiceStartType::Disabled) {
        serviceDisabled_ = true;
        if (ports_.log) ports_.log->Trace(L"service MSiSCSI: start type Disabled, not started");
        ShowWarning(dialog, target_text::kServiceDisabled, MessageIcon::Exclamation);
        return false;
    }
    // Persistent logins are restored by the service when Windows starts it.
    if (startType == ServiceStartType::Manual && !service.SetAutomaticStart()) {
        LogServiceRefusal(L"the start type could not be set to Automatic", service.LastError());
    }
    return true;
}

bool CTargetSection::StartLogged(ServiceHandle& service) {
    if (service.Start()) return true;
    LogServiceRefusal(L"the service manager refused the start", service.LastError());
    return false;
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

void CTargetSection::OnProcessTerminated(TargetGroupHost& dialog, std::intptr_t process) {
    // Anyone may post a registered message: only a process of ours ends a
    // portal refresh, and only its handle is closed.
    if (watcher_.Finish(process)) RefreshPortals(dialog);
}

void CTargetSection::OnRestored(TargetGroupHost& dialog) {
    // Back from the installer: connect the chosen target once the portals
    // are refreshed.
    if (!state_.InstallPromptShown) return;
    state_.InstallPromptShown = false;
    state_.AutoConnectPending = true;
    OnConnectClicked(dialog);
}

void CTargetSection::OnDialogEnding(TargetGroupHost&) {
    startingService_.reset();
    watcher_.DialogEnded();
    installOwner_ = nullptr;
}

std::optional<WindowsVersionInfo> CTargetSection::Version() { return ReadWindowsVersion(ports_.version); }

bool CTargetSection::VistaOrLater() {
    const std::optional<WindowsVersionInfo> version = Version();
    return version && IsVistaOrLater(*version);
}

void CTargetSection::CheckInitiator(TargetGroupHost& dialog, bool connecting) {
    serviceDisabled_ = false;
    WaitCursor wait(dialog.Surface());
    const std::optional<WindowsVersionInfo> version = Version();
    const bool vista = version && IsVistaOrLater(*version);
    // Vista and later bring the initiator with Windows, whatever the
    // registry says.
    if (vista || IsInitiatorInstalled(ports_.registry, version, ports_.wow64)) {
        if (state_.PortalRefreshStarted) return;
        if (!connecting) {
            RefreshTargetList(dialog);
        } else if (vista) {
            StartInitiatorService(dialog);
        } else {
            StartServiceOnOlderWindows(dialog, ports_.services.Open(kInitiatorServiceName).get());
        }
        return;
    }
    if (connecting) {
        ShowInstallNotice(dialog);
    } else {
        FillTargetListFromDevice(dialog);
    }
}

void CTargetSection::StartServiceOnOlderWindows(TargetGroupHost& dialog, ServiceHandle* service) {
    if (service == nullptr) return;
    DialogSurfacePort& surface = dialog.Surface();
    bool shown = false;
    if (service->QueryState() == ServiceState::Stopped && ReadyToStart(dialog, *service) && StartLogged(*service)) {
        shown = surface.OpenModeless(serviceNotice_, IDD_SERVICE_NOTICE);
        ports_.clock.Sleep(kOlderServiceStartWait);
    }
    const std::optional<ServiceState> state = service->QueryState();
    if (state == ServiceState::Running || state == ServiceState::StartPending) {
        state_.AutoConnectPending = true;
        ports_.clock.Sleep(kServiceNoticeWait);
    }
    if (shown) surface.CloseModeless(serviceNotice_);
}

void CTargetSection::StartInitiatorService(TargetGroupHost& dialog) {
    if (startingService_) return;  // a start is already being watched
    std::unique_ptr<ServiceHandle> service = ports_.services.Open(kInitiatorServiceName);
    if (!service) {
        LogServiceRefusal(L"the service could not be opened", ports_.services.LastOpenError());
        return;
    }
    // Already running: the connect goes ahead at once, without a notice.
    if (service->QueryState() != ServiceState::Stopped || !ReadyToStart(dialog, *service) || !StartLogged(*service)) {
        return;
    }
    DialogSurfacePort& surface = dialog.Surface();
    std::optional<WaitCursor> wait(std::in_place, surface);
    const bool shown = surface.OpenModeless(serviceNotice_, IDD_SERVICE_NOTICE);
    ports_.clock.Sleep(kServiceNoticeWait);

    const std::optional<ServiceState> state = service->QueryState();
    if (state == ServiceState::StartPending) {
        // Polled by timer from here: a wait of up to the limit on this
        // thread would leave the window not responding.
        startingService_ = std::move(service);
        startGiveUp_ = ports_.clock.Now() + kServiceStartLimit;
        startNoticeShown_ = shown;
        surface.SetTimer(IDT_SERVICE_START, kServicePoll);
        return;
    }
    if (state == ServiceState::Running) {
        ports_.clock.Sleep(kServiceNoticeWait);
        state_.AutoConnectPending = true;
    }
    wait.reset();
    if (shown) surface.CloseModeless(serviceNotice_);
}

bool CTargetSection::ServiceStarting() const { return startingService_ != nullptr; }

void CTargetSection::OnServiceStartTimer(TargetGroupHost& dialog) {
    if (!startingService_) return;
    DialogSurfacePort& surface = dialog.Surface();
    const std::optional<ServiceState> state = startingService_->QueryState();
    if (state == ServiceState::StartPending && ports_.clock.Now() < startGiveUp_) {
        surface.SetTimer(IDT_SERVICE_START, kServicePoll);
        return;
    }
    startingService_.reset();
    WaitCursor wait(surface);
    if (state == ServiceState::Running) {
        ports_.clock.Sleep(kServiceNoticeWait);
        state_.AutoConnectPending = true;
    }
    if (startNoticeShown_) surface.CloseModeless(serviceNotice_);
    startNoticeShown_ = false;
    if (state == ServiceState::StartPending) {
        // Still starting after the limit: the user is told, and the connect
        // stops there (the initiator answers nothing yet).
        ShowWarning(dialog, target_text::kServiceStartTimedOut, MessageIcon::Exclamation);
        EnableTargetButtons(dialog, true);
        return;
    }
    ContinueConnect(dialog);
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
    if (installer.Built()) ports_.commands.RunConsoleCommand(installer.text);
    // The restore resumes the connect (OnRestored).
    surface.Restore();
}

}  // namespace norvale
