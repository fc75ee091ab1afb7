#include "protocol/core/device_requests.h"

#include <algorithm>

#include "protocol/core/reply_parsers.h"
#include "protocol/core/wire_text.h"
#include "platform/core/wipe.h"

namespace norvale {
namespace {

constexpr std::size_t kAnswerAddressOffset = 17;
constexpr std::size_t kDeviceIdAddressOffset = 6;

int QueryCount(DeviceProtocol& protocol, SubCommand subCommand) {
    const DeviceRecord* device = protocol.FindSelected();
    if (device == nullptr) return 0;
    const std::optional<Datagram> answer = protocol.ExchangeRequest(
        BuildQuery(protocol.Identity(), device->deviceId, subCommand),
        QueryRule(protocol.SelectedDeviceIp));
    if (!answer) return -1;
    return QueryReplyNumber(answer->data(), answer->size());
}

int QueryNames(DeviceProtocol& protocol, const Datagram& request, NameList& list, char separator,
               std::size_t maxChars) {
    const std::optional<Datagram> answer =
        protocol.ExchangeRequest(request, QueryRule(protocol.SelectedDeviceIp));
    if (!answer) return 0;
    FillNameList(list, QueryReplyText(answer->data(), answer->size()), separator, maxChars);
    return 1;
}

// The selected device now answers at the address in bytes 17..20 of
// `answer`: its record and the selection follow it, so it stays selected and
// later requests reach it.
void FollowNewAddress(DeviceProtocol& protocol, DeviceRecord& device, const Datagram& answer) {
    const std::uint8_t* address = answer.data() + kAnswerAddressOffset;
    std::copy(address, address + 4, device.deviceId.begin() + kDeviceIdAddressOffset);
    device.ipText = FormatIpv4(address);
    protocol.SelectedDeviceIp = device.ipText.substr(0, kMaxAddressChars);
}

}  // namespace

int QueryShareCount(DeviceProtocol& protocol) {
    return QueryCount(protocol, SubCommand::ShareCount);
}

int QueryShareList(DeviceProtocol& protocol, int firstIndex) {
    protocol.ShareNameList.Clear();
    const DeviceRecord* device = protocol.FindSelected();
    if (device == nullptr) return 0;
    return QueryNames(protocol, BuildShareListQuery(protocol.Identity(), device->deviceId, firstIndex),
                      protocol.ShareNameList, kShareSeparator, kMaxShareNameChars);
}

int QueryTargetCount(DeviceProtocol& protocol) {
    if (protocol.SelectedDeviceIp.empty()) return -1;
    return QueryCount(protocol, SubCommand::TargetCount);
}

int QueryTargetList(DeviceProtocol& protocol) {
    protocol.TargetNameList.Clear();
    const DeviceRecord* device = protocol.FindSelected();
    if (device == nullptr) return 0;
    return QueryNames(protocol,
                      BuildQuery(protocol.Identity(), device->deviceId, SubCommand::TargetList),
                      protocol.TargetNameList, kTargetSeparator, kMaxTargetEntryChars);
}

int AdminLogin(DeviceProtocol& protocol) {
    const DeviceRecord* device = protocol.FindSelected();
    if (device == nullptr) return 0;
    // The request carries the password: overwritten once it is sent.
    Datagram request =
        BuildAdminLogin(protocol.Identity(), device->deviceId, protocol.AdminUserName, protocol.AdminPassword);
    const std::optional<Datagram> answer = protocol.ExchangeRequest(request, LoginRule(protocol.SelectedDeviceIp));
    WipeBytes(request);
    if (!answer) return 0;
    return QueryReplyLoginByte(answer->data(), answer->size());
}

int SetStaticAddress(DeviceProtocol& protocol) {
    const DeviceRecord* found = protocol.FindSelected();
    if (found == nullptr) return 0;
    // The address as it goes on the wire; the answer must come from it.
    const std::wstring newIp = protocol.NewIpText.substr(0, kMaxAddressChars);
    const std::optional<Datagram> answer = protocol.ExchangeRequest(
        BuildSetStaticAddress(protocol.Identity(), found->deviceId, newIp, protocol.NewNetmaskText,
                              protocol.NewGatewayText),
        StaticAddressRule(newIp));
    if (!answer) return 0;
    DeviceRecord* device = protocol.FindSelected();
    if (device == nullptr) return 0;
    device->netmaskText = protocol.NewNetmaskText.substr(0, kMaxAddressChars);
    device->gatewayText = protocol.NewGatewayText.substr(0, kMaxAddressChars);
    FollowNewAddress(protocol, *device, *answer);
    return 1;
}

int SetDhcpClient(DeviceProtocol& protocol) {
    const DeviceRecord* found = protocol.FindSelected();
    if (found == nullptr) return 0;
    const std::optional<Datagram> answer = protocol.ExchangeRequest(
        BuildSetDhcpClient(protocol.Identity(), found->deviceId), DhcpRule());
    if (!answer || answer->size() < kAnswerAddressOffset + 4) return 0;
    DeviceRecord* device = protocol.FindSelected();
    if (device == nullptr) return 0;
    FollowNewAddress(protocol, *device, *answer);
    return 1;
}

int PageCount(int count) {
    if (count <= 0) return 1;
    return count / kItemsPerPage + (count % kItemsPerPage != 0 ? 1 : 0);
}

}  // namespace norvale
