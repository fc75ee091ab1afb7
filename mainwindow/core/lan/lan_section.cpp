#include "mainwindow/core/lan/lan_section.h"

#include <chrono>

#include "controls/core/ok_box.h"
#include "mainwindow/core/admin_login.h"
#include "mainwindow/core/login_dialog.h"
#include "mainwindow/core/norvale_dialog.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/wipe.h"
#include "protocol/core/device_requests.h"
#include "protocol/core/name_text.h"
#include "protocol/core/protocol_constants.h"
#include "resources/resource.h"

namespace norvale {

namespace {

constexpr int kAddressFieldIds[] = {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY};
constexpr int kListIds[] = {IDC_DEVICE_LIST, IDC_SHARE_LIST, IDC_TARGET_LIST};

// The selector's "Enable" item as the dialog fills it (its items are not
// translated, the string table's text may be).
constexpr wchar_t kDhcpEnableItemText[] = L"Enable";

// Replaces the first "%d" of a text with the number.
std::wstring WithNumber(std::wstring text, int number) {
    const std::size_t at = text.find(L"%d");
    if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(number));
    return text;
}

int FieldId(AddressField field) {
    switch (field) {
    case AddressField::Ip: return IDC_LAN_IP;
    case AddressField::Netmask: return IDC_LAN_NETMASK;
    case AddressField::Gateway: return IDC_LAN_GATEWAY;
    case AddressField::None: break;
    }
    return 0;
}

void ShowBox(DialogSurfacePort& surface, unsigned textId, unsigned captionId, MessageIcon icon) {
    ShowOkBox(surface, UiText(textId), captionId, icon);
}

// Whether the selector asks for DHCP; nullopt when nothing is selected.
std::optional<bool> DhcpChosen(const DialogSurfacePort& surface) {
    const int selection = surface.ComboSelection(IDC_DHCP_MODE);
    if (selection < 0) return std::nullopt;
    const std::wstring text = surface.ComboItemText(IDC_DHCP_MODE, selection);
    return text == UiText(lan_text::kEnable) || text == kDhcpEnableItemText;
}

AddressFieldInput ReadField(const DialogSurfacePort& surface, int fieldId) {
    AddressFieldInput input;
    input.blank = surface.IsIpBlank(fieldId);
    input.octets = surface.IpAddress(fieldId);
    return input;
}

// After a change: the old address is gone from every list and field.
void ClearForChange(DialogSurfacePort& surface) {
    for (int field : kAddressFieldIds) surface.ClearIpAddress(field);
    for (int list : kListIds) surface.DeleteAllListRows(list);
    surface.Enable(IDC_TARGET_CONNECT, false);
    surface.Enable(IDC_MANAGEMENT, false);
    surface.Enable(IDC_REFRESH, false);
}

}  // namespace

CLanSection::CLanSection(InitiatorTeardownPort& initiator) : initiator_(initiator) {}

void CLanSection::OnDhcpModeChanged(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    const bool dhcp = DhcpChosen(surface).value_or(false);
    for (int field : kAddressFieldIds) surface.Enable(field, !dhcp);
    if (dhcp) {
        surface.Enable(IDC_TARGET_CONNECT, false);
        surface.Enable(IDC_MANAGEMENT, false);
    }
}

void CLanSection::OnApply(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    if (!dialog.State().deviceSelected) {
        ShowBox(surface, lan_text::kSelectDevice, kCaptionError, MessageIcon::Stop);
        return;
    }
    const std::optional<bool> dhcp = DhcpChosen(surface);
    if (!dhcp) return;
    if (*dhcp) {
        // The appliance's address and the PC's iSCSI sessions change: a close
        // meanwhile waits for the change to end.
        if (const SectionFlow flow = dialog.Gate().Enter(surface, FlowWrites::Yes)) ApplyDhcp(dialog, flow);
        return;
    }
    DeviceProtocol& protocol = dialog.Protocol();
    StaticChangeInput input;
    input.ip = ReadField(surface, IDC_LAN_IP);
    input.netmask = ReadField(surface, IDC_LAN_NETMASK);
    input.gateway = ReadField(surface, IDC_LAN_GATEWAY);
    input.gatewayEnabled = surface.IsEnabled(IDC_LAN_GATEWAY);
    if (const DeviceRecord* device = protocol.FindSelected()) {
        input.otherPortNumber = OtherPortNumber(device->name);
        input.otherPortAddress = OtherPortAddress(device->name);
    }
    const StaticChangeCheck check = CheckStaticChange(input);
    if (!check.Accepted()) {
        ShowRefusal(surface, *check.refusal);
        return;
    }
    if (const SectionFlow flow = dialog.Gate().Enter(surface, FlowWrites::Yes)) {
        ApplyStatic(dialog, flow, check.values);
    }
}

void CLanSection::ApplyDhcp(CNorvaleDlg& dialog, const SectionFlow& flow) {
    PrepareChange(dialog, flow, [&dialog, flow] {
        DeviceProtocol& protocol = dialog.Protocol();
        dialog.Steps().Run(
            dialog.Surface(), [&protocol] { return SetDhcpClient(protocol); },
            [&dialog, flow](int changed) {
                DialogSurfacePort& surface = dialog.Surface();
                if (changed == 0) {
                    ShowBox(surface, lan_text::kDhcpFailed, kCaptionError, MessageIcon::Stop);
                    return;
                }
                ShowBox(surface, lan_text::kGettingAddress, kCaptionConfirm, MessageIcon::Information);
                ClearForChange(surface);
                for (int field : kAddressFieldIds) surface.Enable(field, true);
                dialog.State().deviceSelected = false;
                surface.Repaint();
                // The dialog's timer handler confirms and discovers the
                // devices again; the flow (and Refresh with it) waits for it.
                dialog.AwaitDhcpAddress(flow);
            });
    });
}

void CLanSection::ApplyStatic(CNorvaleDlg& dialog, const SectionFlow& flow, const StaticChangeValues& values) {
    PrepareChange(dialog, flow, [&dialog, flow, values] {
        DeviceProtocol& protocol = dialog.Protocol();
        protocol.NewIpText = values.ipText;
        protocol.NewNetmaskText = values.netmaskText;
        protocol.NewGatewayText = values.gatewayText;
        // Without an answer the change may still have taken effect: the new
        // discovery pass shows the device wherever it answers now.
        dialog.Steps().Run(
            dialog.Surface(), [&protocol] { SetStaticAddress(protocol); },
            [&dialog, flow] {
                ClearForChange(dialog.Surface());
                dialog.Surface().Repaint();
                // No row of the new list is selected and the fields are
                // empty, so no device is: a later Apply or share action must
                // not silently address the device that is no longer shown.
                dialog.Rediscover(flow, false);
            });
    });
}

void CLanSection::PrepareChange(CNorvaleDlg& dialog, const SectionFlow& flow, std::function<void()> then) {
    // The login comes first: a wrong password must not cost the PC its
    // iSCSI sessions and persistent devices while the device stays as it was.
    LogIn(dialog, flow, [this, &dialog, flow, then = std::move(then)](bool loggedIn) {
        if (!loggedIn) {
            ShowBox(dialog.Surface(), lan_text::kLoginRefused, kCaptionError, MessageIcon::Stop);
            return;
        }
        if (dialog.Surface().ListRowCount(IDC_TARGET_LIST) == 0) {
            then();
            return;
        }
        TearDownIscsi(dialog, flow, then);
    });
}

void CLanSection::LogIn(CNorvaleDlg& dialog, const SectionFlow& flow, std::function<void(bool)> then) {
    DeviceProtocol& protocol = dialog.Protocol();
    dialog.Steps().Run(
        dialog.Surface(), [&protocol] { return FirstAdminLogins(protocol); },
        [&dialog, &protocol, flow, then = std::move(then)](AdminLoginStage stage) {
            if (stage == AdminLoginStage::Accepted) {
                then(true);
                return;
            }
            if (stage == AdminLoginStage::AskUser) {
                AdminCredentials entered{protocol.AdminUserName, protocol.AdminPassword};
                CLoginDialog login(LoginDialogInputs{}, entered.userName, entered.password);
                const bool typed = dialog.Surface().RunModal(login, IDD_LOGIN) == kIdOk;
                // A copy, wiped there; the dialog's own text wiped here.
                TakeAdminCredentials(protocol, typed ? std::optional<AdminCredentials>(entered) : std::nullopt);
                WipeBytes(entered.password);
            }
            dialog.Steps().Run(
                dialog.Surface(), [&protocol] { return FinalAdminLogin(protocol); },
                [flow, then](bool loggedIn) { then(loggedIn); });
        });
}

// The device's address is about to change: the initiator must forget the
// sessions, the re-mounted volumes and the portal of the old address.
void CLanSection::TearDownIscsi(CNorvaleDlg& dialog, const SectionFlow& flow, std::function<void()> then) {
    TargetSection& targets = dialog.Targets();
    const std::vector<std::wstring> connected = targets.ActiveTargets(dialog);
    const std::wstring deviceIp = dialog.Protocol().SelectedDeviceIp;
    InitiatorTeardownPort& initiator = initiator_;
    dialog.Steps().Run(
        dialog.Surface(),
        [&targets, &initiator, connected, deviceIp] {
            for (const std::wstring& target : connected) targets.LogoutTargetWork(target, true, deviceIp);
            initiator.ForgetDevice(deviceIp);
        },
        [flow, then = std::move(then)] { then(); });
}

void CLanSection::ShowRefusal(DialogSurfacePort& surface, const InputRefusal& refusal) {
    std::wstring text = UiText(refusal.messageId);
    if (refusal.portNumber) text = WithNumber(text, *refusal.portNumber);
    ShowOkBox(surface, text, refusal.captionId, refusal.icon);
    if (refusal.focusOctet > 0) {
        const int field = FieldId(refusal.focusField);
        if (field != 0) surface.FocusIpOctet(field, refusal.focusOctet - 1);
    }
}

}  // namespace norvale
