#include "mainwindow/core/shares/share_section.h"

#include <optional>
#include <string>
#include <vector>

#include "controls/core/list_selection.h"
#include "controls/core/ok_box.h"
#include "mainwindow/core/login_dialog.h"
#include "mainwindow/core/norvale_dialog.h"
#include "mainwindow/core/shares/share_drive_letters.h"
#include "mainwindow/core/shares/share_entry.h"
#include "mainwindow/core/shares/share_texts.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/secret_text.h"
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

void CShareSection::ReadDrives(CNorvaleDlg& dialog, std::function<void()> alsoOnWorker, std::function<void()> then) {
    const bool unelevated = LacksAdministratorRights(ports_.elevation, ReadWindowsVersion(ports_.version));
    if (unelevated && !adminNoticeShown_) {
        adminNoticeShown_ = true;
        ShowBox(dialog, UiText(share_text::kNeedsAdministrator), share_text::kCaptionWarning,
                MessageIcon::Exclamation);
    }
    ShareSectionPorts ports = ports_;
    dialog.Steps().Run(
        dialog.Surface(),
        [ports, table = table_, unelevated, alsoOnWorker = std::move(alsoOnWorker)]() mutable {
            RefreshMappedDrives(ports.version, ports.registry, ports.drives, table, !unelevated);
            if (alsoOnWorker) alsoOnWorker();
            return table;
        },
        [this, &dialog, then = std::move(then)](const MappedDriveTable& read) {
            table_ = read;
            FillDriveLetterCombo(dialog.Surface(), IDC_DRIVE_LETTERS, table_, ports_.driveTypes);
            if (then) then();
        });
}

void CShareSection::RefreshDriveLetters(CNorvaleDlg& dialog) { ReadDrives(dialog, {}, {}); }

void CShareSection::OnDialogOpened(CNorvaleDlg& dialog) { RefreshDriveLetters(dialog); }

void CShareSection::OnDeviceSelected(CNorvaleDlg& dialog, const SectionFlow& flow) {
    DeviceProtocol& protocol = dialog.Protocol();
    auto count = std::make_shared<int>(-1);
    ReadDrives(
        dialog,
        [&protocol, count] {
            *count = QueryShareCount(protocol);
            QueryShareList(protocol, 0);
        },
        [this, &dialog, flow, count] {
            FillSharePages(dialog.Surface(), IDC_SHARE_PAGE, *count);
            dialog.State().sharePageStart = 0;
            ShowShares(dialog);
        });
}

void CShareSection::ShowShares(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    const auto device = SelectedDevice(surface);
    if (!device) {
        surface.DeleteAllListRows(IDC_SHARE_LIST);
        return;
    }
    dialog.State().deviceWebAddress = TruncateWide(device->ip, kMaxWebAddressChars);
    FillShareList(surface, IDC_SHARE_LIST, dialog.Protocol().ShareNameList, table_, device->name, device->ip,
                  ServerMatch::IgnoringCase);
}

void CShareSection::OnPageChanged(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    const int page = surface.ComboSelection(IDC_SHARE_PAGE);
    dialog.State().sharePageStart = page > 0 ? page * kItemsPerPage : 0;
    surface.SetFocus(IDC_DEVICE_LIST);
    if (!SelectedDevice(surface)) return;
    const SectionFlow flow = dialog.Gate().Enter(surface);
    if (!flow) return;
    DeviceProtocol& protocol = dialog.Protocol();
    const int first = dialog.State().sharePageStart;
    ReadDrives(dialog, [&protocol, first] { QueryShareList(protocol, first); }, [this, &dialog, flow] {
        // Shown only while the device row is still the selected one.
        if (SelectedDevice(dialog.Surface())) ShowShares(dialog);
    });
}

void CShareSection::OnListClicked(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    if (surface.ListRowCount(IDC_SHARE_LIST) == 0 || dialog.State().deviceOutsideSubnet) {
        surface.Enable(IDC_SHARE_CONNECT, false);
        surface.Enable(IDC_SHARE_DISCONNECT, false);
        return;
    }
    const SectionFlow flow = dialog.Gate().Enter(surface);
    if (!flow) return;
    DeviceProtocol& protocol = dialog.Protocol();
    const int first = dialog.State().sharePageStart;
    // The lock states may have changed since the page was shown.
    dialog.Steps().Run(surface, [&protocol, first] { QueryShareList(protocol, first); }, [this, &dialog, flow] {
        DialogSurfacePort& shown = dialog.Surface();
        const int row = SelectedRow(shown, IDC_SHARE_LIST);
        if (row < 0) return;
        const std::wstring clicked = shown.ListCell(IDC_SHARE_LIST, row, 0);
        // A copy: the modal box runs a message loop, and a handler run
        // meanwhile may refill the list.
        const std::vector<std::wstring> entries = dialog.Protocol().ShareNameList.Names();
        for (const std::wstring& entry : entries) {
            const ShareEntry share = ParseShareEntry(entry);
            if (!SameNameIgnoringCase(share.name, clicked)) continue;
            shown.Enable(IDC_SHARE_CONNECT, !share.locked);
            shown.Enable(IDC_SHARE_DISCONNECT, !share.locked);
            if (share.locked) {
                ShowBox(dialog, share.name + UiText(share_text::kIsLocked), share_text::kCaptionWarning,
                        MessageIcon::Exclamation);
            }
        }
    });
}

void CShareSection::CheckDeviceReachable(CNorvaleDlg& dialog, const SectionFlow& flow,
                                         std::function<void(bool)> then) {
    DialogSurfacePort& surface = dialog.Surface();
    ReachabilityCheck& reachability = reachability_;
    const WorkerStart start = [&surface](std::function<void()> work) { return surface.StartWorker(std::move(work)); };
    const std::wstring address = dialog.State().deviceWebAddress;
    dialog.Steps().Run(
        surface, [&reachability, start, address] { return reachability.Run(start, address); },
        [this, &dialog, flow, then = std::move(then)](bool reachable) {
            if (reachable) {
                then(true);
                return;
            }
            ShowBox(dialog, UiText(share_text::kDeviceUnavailable), share_text::kCaptionWarning,
                    MessageIcon::Exclamation);
            RefreshDriveLetters(dialog);
            dialog.Rediscover(flow, true, [then] { then(false); });
        });
}

void CShareSection::OnConnect(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
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
    // A mapping remembered in the user's profile is a change that must not
    // be left half made.
    const SectionFlow flow = dialog.Gate().Enter(surface, FlowWrites::Yes);
    if (!flow) return;
    const CredentialPlan plan = CredentialPlanFor(versionName, vistaOrLater);
    CheckDeviceReachable(dialog, flow, [this, &dialog, flow, deviceName, shareName, versionName, plan](bool reachable) {
        if (!reachable) return;
        DialogSurfacePort& shown = dialog.Surface();
        const int letter = shown.ComboSelection(IDC_DRIVE_LETTERS);
        if (letter < 0) return;
        const std::wstring localName = LocalDriveName(shown.ComboItemText(IDC_DRIVE_LETTERS, letter));
        const std::wstring remoteName = ShareRemoteName(deviceName, shareName);
        if (localName.empty() || remoteName.empty()) {
            // Nothing has been dropped yet: refuse before touching the letter.
            ShowBox(dialog, UiText(share_text::kMapFailed), share_text::kCaptionError, MessageIcon::Stop);
            return;
        }
        Map(dialog, flow, localName, remoteName, versionName, plan);
    });
}

void CShareSection::Map(CNorvaleDlg& dialog, const SectionFlow& flow, const std::wstring& localName,
                        const std::wstring& remoteName, const std::wstring& versionName, CredentialPlan plan) {
    ShareSectionPorts ports = ports_;
    dialog.Steps().Run(
        dialog.Surface(),
        [ports, localName, remoteName, plan] {
            // Whatever the letter led to is dropped first. Redirection is
            // the calling thread's, so it is set here, on the worker.
            ports.drives.CancelConnection(localName, connect_flag::kUpdateProfile, true);
            RedirectionForMapping redirection(ports.redirection, ports.wow64);
            return ConnectUntyped(ports.drives, localName, remoteName, plan);
        },
        [this, &dialog, flow, ports, localName, remoteName, versionName](MappingStage stage) {
            if (stage != MappingStage::AskCredentials) {
                MappingEnded(dialog, flow, stage == MappingStage::Connected);
                return;
            }
            ShareCredentials typed = AskShareCredentials(dialog, versionName);
            dialog.Steps().Run(
                dialog.Surface(),
                [ports, localName, remoteName, typed]() mutable {
                    RedirectionForMapping redirection(ports.redirection, ports.wow64);
                    const bool connected = ConnectTyped(ports.drives, localName, remoteName, typed);
                    WipeText(typed.password);
                    return connected;
                },
                [this, &dialog, flow](bool connected) { MappingEnded(dialog, flow, connected); });
            WipeText(typed.password);
        });
}

void CShareSection::MappingEnded(CNorvaleDlg& dialog, const SectionFlow& flow, bool connected) {
    if (!connected) {
        ShowBox(dialog, UiText(share_text::kMapFailed), share_text::kCaptionError, MessageIcon::Stop);
        return;
    }
    ShowDone(dialog, share_text::kMapped, share_text::kMappedRestart);
    ReadDrives(dialog, {}, [this, &dialog, flow] { RedrawShareList(dialog, ServerMatch::Exact); });
}

void CShareSection::OnDisconnect(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
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
    if (localName.empty()) {
        ShowBox(dialog, UiText(share_text::kUnmapFailed), share_text::kCaptionError, MessageIcon::Stop);
        return;
    }
    const SectionFlow flow = dialog.Gate().Enter(surface, FlowWrites::Yes);
    if (!flow) return;
    NetworkDrivePort& drives = ports_.drives;
    dialog.Steps().Run(
        surface, [&drives, localName] { return drives.CancelConnection(localName, connect_flag::kUpdateProfile, true); },
        [this, &dialog, flow](bool cancelled) {
            if (!cancelled) {
                ShowBox(dialog, UiText(share_text::kUnmapFailed), share_text::kCaptionError, MessageIcon::Stop);
                return;
            }
            ShowDone(dialog, share_text::kUnmapped, share_text::kUnmappedRestart);
            ReadDrives(dialog, {}, [this, &dialog, flow] { RedrawShareList(dialog, ServerMatch::Exact); });
        });
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
