#include "mainwindow/core/shares/share_section.h"

#include <optional>
#include <string>
#include <vector>

#include "controls/core/list_selection.h"
#include "controls/core/ok_box.h"
#include "controls/core/wait_cursor.h"
#include "mainwindow/core/login_dialog.h"
#include "mainwindow/core/norvale_dialog.h"
#include "mainwindow/core/shares/share_drive_letters.h"
#include "mainwindow/core/shares/share_entry.h"
#include "mainwindow/core/shares/share_texts.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/utf8.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_name.h"
#include "platform/core/version/windows_version_reader.h"
#include "protocol/core/device_requests.h"
#include "resources/resource.h"

namespace norvale {

namespace {

constexpr std::size_t kMaxDeviceNameChars = 63;
constexpr std::size_t kMaxShareRowChars = 255;
constexpr std::size_t kMaxWebAddressChars = 63;

struct DeviceRow {
    std::wstring name;
    std::wstring ip;
};

// The device row the section works on, looked for from the first visible row.
std::optional<DeviceRow> SelectedDevice(const DialogSurfacePort& surface) {
    const int row = SelectedRowFromVisible(surface, IDC_DEVICE_LIST);
    if (row < 0) return std::nullopt;
    return DeviceRow{surface.ListCell(IDC_DEVICE_LIST, row, 0), surface.ListCell(IDC_DEVICE_LIST, row, 1)};
}

// Turns file-system redirection on for the length of a mapping, and off on
// every way out, where the program runs as 32-bit code on 64-bit Windows.
class RedirectionForMapping {
public:
    RedirectionForMapping(Wow64RedirectionPort& port, bool wow64) : port_(wow64 ? &port : nullptr) {
        if (port_ != nullptr) port_->Enable(true);
    }
    ~RedirectionForMapping() {
        if (port_ != nullptr) port_->Enable(false);
    }
    RedirectionForMapping(const RedirectionForMapping&) = delete;
    RedirectionForMapping& operator=(const RedirectionForMapping&) = delete;

private:
    Wow64RedirectionPort* port_;
};

}  // namespace

CShareSection::CShareSection(ShareSectionPorts ports)
    : ports_(ports), reachability_(ports.http, ports.clock) {
    for (std::size_t index = 0; index < table_.size(); ++index) table_[index].drive = DriveNameOfEntry(index);
}

void CShareSection::RefreshDriveLetters(CNorvaleDlg& dialog) {
    const bool unelevated = LacksAdministratorRights(ports_.elevation, ReadWindowsVersion(ports_.version));
    if (unelevated && !adminNoticeShown_) {
        adminNoticeShown_ = true;
        ShowBox(dialog, UiText(share_text::kNeedsAdministrator), share_text::kCaptionWarning,
                MessageIcon::Exclamation);
    }
    RefreshMappedDrives(ports_.version, ports_.registry, ports_.drives, table_, !unelevated);
    FillDriveLetterCombo(dialog.Surface(), IDC_DRIVE_LETTERS, table_, ports_.driveTypes);
}

void CShareSection::OnDialogOpened(CNorvaleDlg& dialog) { RefreshDriveLetters(dialog); }

void CShareSection::OnDeviceSelected(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    RefreshDriveLetters(dialog);
    DeviceProtocol& protocol = dialog.Protocol();
    FillSharePages(surface, IDC_SHARE_PAGE, QueryShareCount(protocol));
    dialog.State().sharePageStart = 0;
    QueryShareList(protocol, 0);
    const auto device = SelectedDevice(surface);
    if (!device) {
        surface.DeleteAllListRows(IDC_SHARE_LIST);
        return;
    }
    dialog.State().deviceWebAddress = TruncateWide(device->ip, kMaxWebAddressChars);
    FillShareList(surface, IDC_SHARE_LIST, protocol.ShareNameList, table_, device->name, device->ip,
                  ServerMatch::IgnoringCase);
}

void CShareSection::OnPageChanged(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    WaitCursor wait(surface);
    const int page = surface.ComboSelection(IDC_SHARE_PAGE);
    dialog.State().sharePageStart = page > 0 ? page * kItemsPerPage : 0;
    surface.SetFocus(IDC_DEVICE_LIST);
    const auto device = SelectedDevice(surface);
    if (!device) return;
    RefreshDriveLetters(dialog);
    QueryShareList(dialog.Protocol(), dialog.State().sharePageStart);
    dialog.State().deviceWebAddress = TruncateWide(device->ip, kMaxWebAddressChars);
    FillShareList(surface, IDC_SHARE_LIST, dialog.Protocol().ShareNameList, table_, device->name, device->ip,
                  ServerMatch::IgnoringCase);
}

void CShareSection::OnListClicked(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    if (surface.ListRowCount(IDC_SHARE_LIST) == 0 || dialog.State().deviceOutsideSubnet) {
        surface.Enable(IDC_SHARE_CONNECT, false);
        surface.Enable(IDC_SHARE_DISCONNECT, false);
        return;
    }
    // The lock states may have changed since the page was shown.
    QueryShareList(dialog.Protocol(), dialog.State().sharePageStart);
    const int row = SelectedRow(surface, IDC_SHARE_LIST);
    if (row < 0) return;
    const std::wstring clicked = surface.ListCell(IDC_SHARE_LIST, row, 0);
    // A copy: the modal box runs a message loop, and a handler run meanwhile
    // may refill the list.
    const std::vector<std::wstring> entries = dialog.Protocol().ShareNameList.Names();
    for (const std::wstring& entry : entries) {
        const ShareEntry share = ParseShareEntry(entry);
        if (!SameNameIgnoringCase(share.name, clicked)) continue;
        surface.Enable(IDC_SHARE_CONNECT, !share.locked);
        surface.Enable(IDC_SHARE_DISCONNECT, !share.locked);
        if (share.locked) {
            ShowBox(dialog, share.name + UiText(share_text::kIsLocked), share_text::kCaptionWarning,
                    MessageIcon::Exclamation);
        }
    }
}

bool CShareSection::CheckDeviceReachable(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    const WorkerStart start = [&surface](std::function<void()> work) { return surface.StartWorker(std::move(work)); };
    if (reachability_.Run(start, dialog.State().deviceWebAddress)) return true;
    ShowBox(dialog, UiText(share_text::kDeviceUnavailable), share_text::kCaptionWarning, MessageIcon::Exclamation);
    RefreshDriveLetters(dialog);
    dialog.Refresh();
    dialog.State().deviceSelected = false;
    return false;
}

void CShareSection::OnConnect(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    WaitCursor wait(surface);
    const std::wstring versionName = GetWindowsVersionName(ports_.version);
    const auto version = ReadWindowsVersion(ports_.version);
    const bool vistaOrLater = version && IsVistaOrLater(*version);

    std::wstring deviceName;
    if (const auto device = SelectedDevice(surface)) {
        dialog.State().deviceWebAddress = TruncateWide(device->ip, kMaxWebAddressChars);
        deviceName = TruncateWide(device->name, kMaxDeviceNameChars);
    }
    const int shareRow = SelectedRowFromVisible(surface, IDC_SHARE_LIST);
    if (shareRow < 0) {
        ShowBox(dialog, UiText(share_text::kSelectShare), share_text::kCaptionWarning, MessageIcon::Exclamation);
        return;
    }
    const std::wstring shareName = TruncateWide(surface.ListCell(IDC_SHARE_LIST, shareRow, 0), kMaxShareRowChars);

    if (!CheckDeviceReachable(dialog)) return;

    const int letter = surface.ComboSelection(IDC_DRIVE_LETTERS);
    if (letter < 0) return;
    const std::wstring localName = LocalDriveName(surface.ComboItemText(IDC_DRIVE_LETTERS, letter));
    const std::wstring remoteName = ShareRemoteName(deviceName, shareName);
    if (localName.empty() || remoteName.empty()) {
        // Nothing has been dropped yet: refuse before touching the letter.
        ShowBox(dialog, UiText(share_text::kMapFailed), share_text::kCaptionError, MessageIcon::Stop);
        return;
    }

    // Whatever the letter led to is dropped first.
    ports_.drives.CancelConnection(localName, connect_flag::kUpdateProfile, true);
    RedirectionForMapping redirection(ports_.redirection, ports_.wow64);
    const bool connected =
        ConnectWithCredentials(ports_.drives, localName, remoteName, CredentialPlanFor(versionName, vistaOrLater),
                               [&] { return AskShareCredentials(dialog, versionName); });
    if (!connected) {
        ShowBox(dialog, UiText(share_text::kMapFailed), share_text::kCaptionError, MessageIcon::Stop);
        return;
    }
    ShowDone(dialog, share_text::kMapped, share_text::kMappedRestart);
    RefreshDriveLetters(dialog);
    RedrawShareList(dialog, ServerMatch::Exact);
}

void CShareSection::OnDisconnect(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    WaitCursor wait(surface);
    std::wstring text;
    const int shareRow = SelectedRowFromVisible(surface, IDC_SHARE_LIST);
    if (shareRow >= 0) {
        text = surface.ListCell(IDC_SHARE_LIST, shareRow, 1);
    } else {
        const int letter = surface.ComboSelection(IDC_DRIVE_LETTERS);
        if (letter < 0) return;
        text = surface.ComboItemText(IDC_DRIVE_LETTERS, letter);
    }
    const std::wstring localName = LocalDriveName(text);
    if (localName.empty() || !ports_.drives.CancelConnection(localName, connect_flag::kUpdateProfile, true)) {
        ShowBox(dialog, UiText(share_text::kUnmapFailed), share_text::kCaptionError, MessageIcon::Stop);
        return;
    }
    ShowDone(dialog, share_text::kUnmapped, share_text::kUnmappedRestart);
    RefreshDriveLetters(dialog);
    RedrawShareList(dialog, ServerMatch::Exact);
}

void CShareSection::ShowBox(CNorvaleDlg& dialog, std::wstring text, unsigned caption, MessageIcon icon) {
    ShowOkBox(dialog.Surface(), std::move(text), caption, icon);
}

void CShareSection::ShowDone(CNorvaleDlg& dialog, unsigned plain, unsigned withRestart) {
    const auto info = ReadWindowsVersion(ports_.version);
    if (!info) return;
    const bool restart = IsVistaOrLater(*info) && IsWow64(ports_.version);
    ShowBox(dialog, UiText(restart ? withRestart : plain), share_text::kCaptionConfirm, MessageIcon::Information);
}

void CShareSection::RedrawShareList(CNorvaleDlg& dialog, ServerMatch match) {
    DialogSurfacePort& surface = dialog.Surface();
    const auto device = SelectedDevice(surface);
    if (!device) return;
    FillShareList(surface, IDC_SHARE_LIST, dialog.Protocol().ShareNameList, table_, device->name, device->ip, match);
}

ShareCredentials CShareSection::AskShareCredentials(CNorvaleDlg& dialog, const std::wstring& versionName) {
    // Share credentials stay here: the device administrator's texts of the
    // LAN section are not touched.
    std::string userName;
    std::string password;
    LoginDialogInputs inputs;
    inputs.mode = LoginMode::WindowsUser;
    inputs.windowsUser = ports_.windowsUser;
    inputs.windowsVersionName = versionName;
    CLoginDialog login(inputs, userName, password);
    // Cancel leaves both texts empty; the attempts then run without them.
    dialog.Surface().RunModal(login, IDD_LOGIN);
    ShareCredentials credentials{Utf8ToWide(userName), Utf8ToWide(password)};
    for (char& c : password) c = '\0';
    return credentials;
}

}  // namespace norvale
