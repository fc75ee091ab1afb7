// The device section of the main dialog: Refresh, the device list and what
// a click on a device row selects.
#include <algorithm>

#include "mainwindow/core/lan/norvale_address_text.h"
#include "mainwindow/core/norvale_dialog.h"
#include "protocol/core/device_requests.h"
#include "protocol/core/name_text.h"
#include "protocol/core/protocol_constants.h"
#include "resources/resource.h"

namespace norvale {

namespace {

// The DHCP selector's items in their fixed order (see SetTexts).
constexpr int kDhcpDisableItem = 0;
constexpr int kDhcpEnableItem = 1;

constexpr int kListIds[] = {IDC_DEVICE_LIST, IDC_SHARE_LIST, IDC_TARGET_LIST};
constexpr int kAddressFieldIds[] = {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY};
// Reachable only when the device is in the PC's subnet.
constexpr int kSubnetButtonIds[] = {IDC_SHARE_CONNECT, IDC_SHARE_DISCONNECT, IDC_CONFIGURATION};

void WriteAddress(DialogSurfacePort& surface, int fieldId, const std::wstring& text) {
    if (const auto octets = ParseDottedQuad(text)) {
        surface.SetIpAddress(fieldId, *octets);
    } else {
        surface.ClearIpAddress(fieldId);
    }
}

}  // namespace

void CNorvaleDlg::Refresh() {
    if (SectionFlow flow = gate_.Enter(Surface())) Rediscover(flow, true);
}

void CNorvaleDlg::Rediscover(const SectionFlow& flow, bool reopenSockets, std::function<void()> then) {
    DialogSurfacePort& surface = Surface();
    for (int list : kListIds) surface.DeleteAllListRows(list);
    for (int field : kAddressFieldIds) surface.ClearIpAddress(field);
    SetAddressFieldsEnabled(true);
    ResetPageCombo(IDC_TARGET_PAGE);
    ResetPageCombo(IDC_SHARE_PAGE);
    state_.sharePageStart = 0;
    state_.targetPageStart = 0;
    state_.deviceSelected = false;
    surface.Enable(IDC_REFRESH, false);
    surface.Enable(IDC_TARGET_CONNECT, false);
    surface.Enable(IDC_MANAGEMENT, false);

    DeviceProtocol& protocol = protocol_;
    steps_.Run(
        surface,
        [&protocol, reopenSockets] {
            // New sockets: interfaces may have come or gone, and a new client
            // identity keeps late answers of the previous pass out.
            if (reopenSockets) {
                protocol.CloseDeviceSockets(false);
                if (!protocol.OpenDeviceSockets()) return false;
            }
            protocol.DiscoverDevices(kDefaultSelector1, kDefaultSelector2);
            return true;
        },
        [this, flow, then = std::move(then)](bool opened) {
            if (!opened) {
                Surface().EndDialog(kDialogSocketsUnavailable);
                return;
            }
            Surface().Enable(IDC_REFRESH, true);
            FillDeviceList();
            state_.deviceSelected = false;
            if (then) then();
            doctor_.OnPassEnded(*this, !protocol_.Devices().Records().empty());
        });
}

void CNorvaleDlg::FillDeviceList() {
    DialogSurfacePort& surface = Surface();
    surface.SetRedraw(IDC_DEVICE_LIST, false);
    // The list shows exactly the table, also when a caller did not empty it.
    surface.DeleteAllListRows(IDC_DEVICE_LIST);
    int row = 0;
    for (const DeviceRecord& device : protocol_.Devices().Records()) {
        const int index = surface.InsertListRow(IDC_DEVICE_LIST, row, DisplayName(device.name));
        if (index < 0) continue;
        surface.SetListCell(IDC_DEVICE_LIST, index, 1, device.ipText);
        surface.SetListCell(IDC_DEVICE_LIST, index, 2, device.netmaskText);
        surface.SetListCell(IDC_DEVICE_LIST, index, 3, device.gatewayText);
        ++row;
    }
    surface.SetRedraw(IDC_DEVICE_LIST, true);
}

void CNorvaleDlg::OnDeviceClicked() {
    DialogSurfacePort& surface = Surface();
    const SectionFlow flow = gate_.Enter(surface);
    if (!flow) return;
    surface.SetFocus(IDC_DEVICE_LIST);
    // A click makes its row visible, so the visible rows hold the selection.
    const int first = std::max(0, surface.ListFirstVisibleRow(IDC_DEVICE_LIST));
    const int end = std::min(surface.ListRowCount(IDC_DEVICE_LIST),
                             first + surface.ListVisibleRowCount(IDC_DEVICE_LIST) + 1);
    for (int row = first; row < end; ++row) {
        if (!surface.IsListRowSelected(IDC_DEVICE_LIST, row)) continue;
        // Only a row makes a device the selected one: a click beside the
        // rows must not revive the address a Refresh left behind, nor move
        // the target page away from the list that is shown.
        state_.deviceSelected = true;
        state_.targetPageStart = 0;
        SelectDeviceRow(row, flow);
    }
}

void CNorvaleDlg::SelectDeviceRow(int row, const SectionFlow& flow) {
    DialogSurfacePort& surface = Surface();
    protocol_.SelectedDeviceIp =
        surface.ListCell(IDC_DEVICE_LIST, row, 1).substr(0, kMaxAddressChars);
    WriteAddress(surface, IDC_LAN_IP, protocol_.SelectedDeviceIp);

    const DeviceRecord* device = protocol_.Devices().Find(protocol_.SelectedDeviceIp);
    if (device != nullptr) {
        // Empty when the name names no other port, so a previous device's
        // address never stays behind.
        protocol_.SelectedDeviceOtherIp = OtherPortAddress(device->name);
        ShowDeviceMode(*device);
    }
    WriteAddress(surface, IDC_LAN_NETMASK, surface.ListCell(IDC_DEVICE_LIST, row, 2));
    CheckSubnet(device);
    WriteAddress(surface, IDC_LAN_GATEWAY, surface.ListCell(IDC_DEVICE_LIST, row, 3));
    // The targets first, then the shares: one exchange with the appliance
    // after the other.
    if (device != nullptr && device->isIscsi) {
        ShowDeviceTargets(flow, [this, flow] { shares_.OnDeviceSelected(*this, flow); });
        return;
    }
    if (device != nullptr) targets_.ClearTargetList(*this);
    shares_.OnDeviceSelected(*this, flow);
}

void CNorvaleDlg::ShowDeviceMode(const DeviceRecord& device) {
    const bool dhcp = device.UsesDhcp();
    Surface().SelectComboItem(IDC_DHCP_MODE, dhcp ? kDhcpEnableItem : kDhcpDisableItem);
    SetAddressFieldsEnabled(!dhcp);
}

void CNorvaleDlg::ShowDeviceTargets(const SectionFlow& flow, std::function<void()> then) {
    DeviceProtocol& protocol = protocol_;
    steps_.Run(
        Surface(), [&protocol] { return QueryTargetCount(protocol); },
        [this, flow, then = std::move(then)](int count) {
            targets_.FillTargetPages(*this, count);
            if (count == 0) {
                targets_.ClearTargetList(*this);
            } else {
                targets_.RefreshTargets(*this, flow);
            }
            then();
        });
}

void CNorvaleDlg::CheckSubnet(const DeviceRecord* device) {
    DialogSurfacePort& surface = Surface();
    const IpOctets ip = surface.IpAddress(IDC_LAN_IP);
    const IpOctets mask = surface.IpAddress(IDC_LAN_NETMASK);
    const LocalAddressTable& locals = protocol_.LocalAddresses();
    std::optional<IpOctets> local;
    if (device != nullptr && device->interfaceIndex >= 0 && device->interfaceIndex < locals.Count()) {
        local = ParseDottedQuad(locals.At(device->interfaceIndex));
    }
    // Without a known local address the device cannot be shown to be near.
    const bool inside = local && InSameSubnet(ip, mask, *local);
    for (int button : kSubnetButtonIds) surface.Enable(button, inside);
    state_.deviceOutsideSubnet = !inside;
}

void CNorvaleDlg::SetAddressFieldsEnabled(bool enabled) {
    for (int field : kAddressFieldIds) Surface().Enable(field, enabled);
}

}  // namespace norvale
