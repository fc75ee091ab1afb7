// Connect and Disconnect of the iSCSI group: the login lines (plain, or
// through the CHAP dialog), the check through the initiator's statistics,
// the hand-over to disk management, and the logout of a target.
#include <chrono>

#include "controls/core/list_selection.h"
#include "controls/core/ok_box.h"
#include "controls/core/wait_cursor.h"
#include "iscsi/core/target_entry.h"
#include "iscsi/core/targets/chap_dialog.h"
#include "iscsi/core/targets/name_compare.h"
#include "iscsi/core/targets/target_section.h"
#include "iscsi/core/targets/target_texts.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/initiator/iscsi_name.h"
#include "platform/core/texts/norvale_texts.h"
#include "protocol/core/device_requests.h"
#include "resources/resource.h"

namespace norvale {

namespace {

constexpr wchar_t kInitiatorClass[] = L"MSiSCSIInitiator_InitiatorClass";
constexpr wchar_t kSessionClass[] = L"MSiSCSIInitiator_SessionClass";
constexpr wchar_t kPersistentLoginClass[] = L"MSiSCSIInitiator_PersistentLoginClass";
constexpr std::chrono::milliseconds kDiskSettle{500};
constexpr std::chrono::milliseconds kInventorySettle{100};
constexpr int kActiveColumn = 1;

// The name the initiator logs in as. A null value reads "NULL"; neither it
// nor an empty or blank value may go into a login line.
std::optional<std::wstring> InitiatorName(CWmiWrapper& wmi) {
    std::vector<std::wstring> names;
    wmi.QueryPropertyValues(kInitiatorClass, L"InitiatorName", names);
    if (names.empty() || Trimmed(names.front()).empty() || names.front() == L"NULL") return std::nullopt;
    return names.front();
}

void Run(CommandRunner& commands, CommandLine line) {
    if (line.Built()) commands.RunConsoleCommand(line.text);
    // A CHAP line carries the password.
    WipeText(line.text);
}

bool IsTrue(const std::wstring& value) { return SameIgnoringCase(value, L"true"); }

}  // namespace

void CTargetSection::ShowWarning(TargetGroupHost& dialog, unsigned textId, MessageIcon icon) {
    ShowOkBox(dialog.Surface(), UiText(textId), target_text::kCaptionWarning, icon);
}

void CTargetSection::OnConnectClicked(TargetGroupHost& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    const int count = QueryTargetCount(dialog.Protocol());
    if (count == -1) return;
    if (count == 0) {
        ShowWarning(dialog, target_text::kNoTargets, MessageIcon::Exclamation);
        return;
    }
    WaitCursor wait(surface);
    // The list takes one selection: the sequences below act on it.
    if (SelectedRows(surface, IDC_TARGET_LIST).empty() || RefusedWithoutAdmin(dialog)) return;
    if (!SameIgnoringCase(surface.Text(IDC_TARGET_CONNECT), UiText(target_text::kConnect))) {
        DisconnectSelectedTargets(dialog);
        return;
    }
    CheckInitiator(dialog, true);
    if (state_.InstallPromptShown || serviceDisabled_) return;
    if (ServiceStarting()) {
        // The service start's timer goes on with the connect.
        EnableTargetButtons(dialog, false);
        return;
    }
    ContinueConnect(dialog);
}

void CTargetSection::ContinueConnect(TargetGroupHost& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    if (state_.AutoConnectPending) {
        // The initiator just came up: it learns the device's targets first,
        // and the list fill after that connects.
        StartPortalRefresh(dialog);
        return;
    }
    if (ConnectTarget(dialog, false)) surface.Enable(IDC_MANAGEMENT, true);
}

bool CTargetSection::ConnectTarget(TargetGroupHost& dialog, bool automatic) {
    DialogSurfacePort& surface = dialog.Surface();
    WaitCursor wait(surface);
    EnableTargetButtons(dialog, false);
    CWmiWrapper& wmi = ports_.wmi.For(WmiSite::Connect);

    std::vector<std::wstring> targets;
    if (automatic) {
        ReadInstanceNames(wmi);
        const std::vector<std::wstring> values = ReadActive(wmi, state_.SelectedTargetFullName);
        if (!values.empty() && IsTrue(values.front())) {
            StartTargetListTimer(dialog);
            surface.Enable(IDC_MANAGEMENT, true);
            ports_.commands.RunConsoleCommand(BindPersistentVolumesCommand());
            return true;
        }
        // Not connected, or statistics that do not say "true": log in.
        if (!state_.SelectedTargetFullName.empty()) targets.push_back(state_.SelectedTargetFullName);
    } else {
        for (int row : SelectedRows(surface, IDC_TARGET_LIST)) {
            std::wstring target = TargetOfRow(row);
            if (!target.empty()) targets.push_back(std::move(target));
        }
    }
    if (targets.empty()) {
        StartTargetListTimer(dialog);
        return true;
    }
    // Never a login line without the name the initiator logs in as.
    const std::optional<std::wstring> initiator = InitiatorName(wmi);
    // A provider that hangs tells nothing: no login on a guess.
    if (ReportWmiTimeout(dialog, wmi)) return true;
    if (!initiator) {
        ShowWarning(dialog, target_text::kNoInitiatorName, MessageIcon::Exclamation);
        StartTargetListTimer(dialog);
        surface.Enable(IDC_MANAGEMENT, true);
        return true;
    }
    for (const std::wstring& target : targets) LogIn(dialog, target, *initiator);
    // The CHAP dialog was cancelled: nothing was tried, nothing to say.
    if (state_.ChapRequired && !state_.ChapLoginDone) return false;
    AfterLogin(dialog, targets.back(), automatic);
    ReportWmiTimeout(dialog, wmi);
    return true;
}

void CTargetSection::LogIn(TargetGroupHost& dialog, const std::wstring& target, const std::wstring& initiatorName) {
    DeviceProtocol& protocol = dialog.Protocol();
    QueryTargetList(protocol);
    // A copy: the CHAP dialog runs a message loop, and a handler run
    // meanwhile may ask the device again.
    const std::vector<std::wstring> entries = protocol.TargetNameList.Names();
    const std::wstring* entry = FindTargetEntry(entries, target);
    const DeviceTargetEntry split = entry != nullptr ? SplitTargetEntry(*entry) : DeviceTargetEntry{};
    // A target the device does not list announces no CHAP: the credentials
    // of a target connected before must not be offered for it.
    state_.ChapRequired = split.ChapRequired();
    if (state_.ChapRequired) {
        // A user name the initiator would read as something else (a blank
        // or quote splits the line, "*" means none): refused before the
        // dialog, so the user is not asked for a password that cannot work.
        if (!IsChapUserName(split.userName)) {
            state_.ChapLoginDone = false;
            ShowWarning(dialog, target_text::kChapUserRefused, MessageIcon::Exclamation);
            StartTargetListTimer(dialog);
            return;
        }
        RequestChapLogin(dialog, split.userName, split.encodedPassword);
        return;
    }
    Run(ports_.commands, LoginTargetCommand(target, initiatorName));
    Run(ports_.commands, PersistentLoginTargetCommand(target, initiatorName));
}

void CTargetSection::RequestChapLogin(TargetGroupHost& dialog, const std::wstring& userName,
                                      const SecretText& encodedPassword) {
    DialogSurfacePort& surface = dialog.Surface();
    state_.ChapLoginDone = false;
    std::wstring target = state_.SelectedTargetFullName;
    if (!state_.AutoConnectPending) {
        const int row = SelectedRow(surface, IDC_TARGET_LIST);
        if (row < 0) {
            ShowOkBox(surface, UiText(target_text::kSelectTarget), target_text::kTitle, MessageIcon::Information);
            return;
        }
        target = TargetOfRow(row);
    }
    EnableTargetButtons(dialog, false);
    CPasswordDialog chap(target, userName, encodedPassword.Reveal(),
                         [this, &target](const std::wstring& user, const SecretText& password) {
                             const std::optional<std::wstring> initiator =
                                 InitiatorName(ports_.wmi.For(WmiSite::ChapLogin));
                             if (!initiator) return false;
                             Run(ports_.commands, ChapLoginTargetCommand(target, *initiator, user, password.Reveal()));
                             Run(ports_.commands,
                                 ChapPersistentLoginTargetCommand(target, *initiator, user, password.Reveal()));
                             return true;
                         });
    surface.RunModal(chap, IDD_CHAP_PASSWORD);
    state_.ChapLoginDone = chap.Done();
    if (state_.ChapLoginDone) StartTargetListTimer(dialog);
}

void CTargetSection::AfterLogin(TargetGroupHost& dialog, const std::wstring& target, bool automatic) {
    DialogSurfacePort& surface = dialog.Surface();
    CWmiWrapper& wmi = ports_.wmi.For(WmiSite::Connect);
    ReadInstanceNames(wmi);
    std::vector<std::wstring> values = ReadActive(wmi, target);
    if (values.empty()) {
        if (!state_.ChapRequired) {
            // The statistics may come a moment after the session.
            ReadInstanceNames(wmi);
            values = ReadActive(wmi, target);
        }
    }
    if (values.empty()) {
        ShowWarning(dialog, target_text::kLoginFailed, MessageIcon::Exclamation);
        // A persistent login that never worked would be retried at every
        // start of Windows.
        if (!state_.ChapRequired) RemovePersistentLogins(dialog, wmi, target);
        StartTargetListTimer(dialog);
        surface.SetRedraw(IDC_TARGET_LIST, true);
        return;
    }
    HandOverDisk(dialog, target, IsTrue(values.front()), automatic);
}

void CTargetSection::HandOverDisk(TargetGroupHost& dialog, const std::wstring& target, bool firstValueTrue,
                                  bool automatic) {
    DialogSurfacePort& surface = dialog.Surface();
    // The disk of a new session takes a moment to show up.
    ports_.clock.Sleep(kDiskSettle);
    switch (ports_.disks.FindByTarget(target)) {
        case TargetDiskState::BareDisk:
            if (ports_.disks.RunFormatWizard(UpperCase(target)) != 0) {
                StartTargetListTimer(dialog);
                return;
            }
            StartTargetListTimer(dialog);
            dialog.RefreshDriveLetters();
            ports_.disks.OpenDiskManager();
            return;
        case TargetDiskState::HasVolume:
            if (automatic && firstValueTrue) {
                StartTargetListTimer(dialog);
                surface.SetRedraw(IDC_TARGET_LIST, true);
                return;
            }
            surface.SetRedraw(IDC_TARGET_LIST, true);
            StartTargetListTimer(dialog);
            ports_.commands.RunConsoleCommand(BindPersistentVolumesCommand());
            return;
        case TargetDiskState::None:
            StartTargetListTimer(dialog);
            ShowWarning(dialog, target_text::kNoLun, MessageIcon::Exclamation);
            surface.SetRedraw(IDC_TARGET_LIST, true);
            return;
    }
}

void CTargetSection::RemovePersistentLogins(TargetGroupHost& dialog, CWmiWrapper& wmi, const std::wstring& target) {
    std::vector<std::wstring> instances;
    wmi.QueryPropertyValuesWhere(kPersistentLoginClass, L"TargetName", target, L"InitiatorInstance", instances);
    for (const std::wstring& instance : instances) {
        Run(ports_.commands, RemovePersistentTargetCommand(instance, target, dialog.Protocol().SelectedDeviceIp));
    }
}

void CTargetSection::DisconnectSelectedTargets(TargetGroupHost& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    EnableTargetButtons(dialog, false);
    for (int row : SelectedRows(surface, IDC_TARGET_LIST)) {
        const std::wstring target = TargetOfRow(row);
        if (!target.empty()) LogoutTarget(dialog, target, true);
    }
    surface.SetRedraw(IDC_TARGET_LIST, false);
    StartTargetListTimer(dialog);
    EnableTargetButtons(dialog, true);
    surface.SetRedraw(IDC_TARGET_LIST, true);
}

void CTargetSection::LogoutTarget(TargetGroupHost& dialog, const std::wstring& targetName, bool removeDevices) {
    if (removeDevices) {
        // Volumes of a target that is gone must not be waited for at the
        // next start of Windows.
        const std::vector<std::wstring> letters = ports_.disks.LetteredVolumes(targetName);
        ports_.clock.Sleep(kInventorySettle);
        for (const std::wstring& letter : letters) Run(ports_.commands, RemovePersistentDeviceCommand(letter));
    }
    CWmiWrapper& wmi = ports_.wmi.For(WmiSite::Logout);
    std::vector<std::wstring> sessions;
    wmi.QueryPropertyValuesWhere(kSessionClass, L"TargetName", targetName, L"SessionId", sessions);
    for (const std::wstring& session : sessions) Run(ports_.commands, LogoutTargetCommand(session));
    RemovePersistentLogins(dialog, wmi, targetName);
}

void CTargetSection::DisconnectActiveTargets(TargetGroupHost& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    const std::wstring yes = UiText(target_text::kActiveYes);
    const int rows = surface.ListRowCount(IDC_TARGET_LIST);
    for (int row = 0; row < rows; ++row) {
        if (!SameIgnoringCase(surface.ListCell(IDC_TARGET_LIST, row, kActiveColumn), yes)) continue;
        const std::wstring target = TargetOfRow(row);
        if (!target.empty()) LogoutTarget(dialog, target, true);
    }
}

}  // namespace norvale
