#include "protocol/core/request_builders.h"

#include <algorithm>
#include <string>

#include "platform/core/utf8.h"
#include "platform/core/wipe.h"
#include "protocol/core/wire_text.h"

namespace norvale {
namespace {

constexpr std::size_t kBodyLengthOffset = 24;
constexpr std::size_t kBodyOffset = 28;
constexpr std::size_t kRequestNetmaskOffset = 24;
constexpr std::size_t kRequestGatewayOffset = 40;
constexpr std::size_t kAddressLengthOffset = 56;
constexpr std::size_t kAddressTextOffset = 60;
constexpr std::uint8_t kLoginMark1 = 0x55;
constexpr std::uint8_t kLoginMark2 = 0xAA;

// A zeroed datagram of `size` bytes with the 24-byte request header.
Datagram Header(std::size_t size, Opcode opcode, const ClientId& clientId, const DeviceId& deviceId,
                SubCommand subCommand) {
    Datagram datagram(size, 0);
    datagram[0] = static_cast<std::uint8_t>(opcode);
    std::copy(clientId.begin(), clientId.end(), datagram.begin() + 1);
    std::copy(deviceId.begin(), deviceId.end(), datagram.begin() + 11);
    datagram[21] = static_cast<std::uint8_t>(subCommand);
    return datagram;
}

void PutText(Datagram& datagram, std::size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), datagram.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

Datagram BuildDiscover(const ClientId& clientId) {
    Datagram datagram(1 + kClientIdSize, 0);
    datagram[0] = static_cast<std::uint8_t>(Opcode::Discover);
    std::copy(clientId.begin(), clientId.end(), datagram.begin() + 1);
    return datagram;
}

Datagram BuildQuery(const ClientId& clientId, const DeviceId& deviceId, SubCommand subCommand) {
    return Header(kQueryRequestSize, Opcode::Query, clientId, deviceId, subCommand);
}

Datagram BuildShareListQuery(const ClientId& clientId, const DeviceId& deviceId, int firstIndex) {
    Datagram datagram =
        Header(kShareListRequestSize, Opcode::Query, clientId, deviceId, SubCommand::ShareList);
    // The index travels in the four bytes behind the (zero) body length; a
    // longer number keeps its first four digits, as the field allows no more.
    PutText(datagram, kBodyOffset, std::to_string(std::max(firstIndex, 0)).substr(0, 4));
    return datagram;
}

Datagram BuildAdminLogin(const ClientId& clientId, const DeviceId& deviceId,
                         const std::string& userNameUtf8, const std::string& passwordUtf8) {
    const std::string user = TruncateUtf8(userNameUtf8, kMaxAdminUserNameBytes);
    std::string password = TruncateUtf8(passwordUtf8, kMaxAdminPasswordBytes);
    const std::size_t bodyLength = user.size() + 2 + password.size();
    Datagram datagram = Header(kBodyOffset + bodyLength, Opcode::Query, clientId, deviceId,
                               SubCommand::AdminLogin);
    WriteLe32(&datagram[kBodyLengthOffset], static_cast<std::uint32_t>(bodyLength));
    PutText(datagram, kBodyOffset, user);
    datagram[kBodyOffset + user.size()] = kLoginMark1;
    datagram[kBodyOffset + user.size() + 1] = kLoginMark2;
    PutText(datagram, kBodyOffset + user.size() + 2, password);
    WipeBytes(password);
    return datagram;
}

Datagram BuildSetStaticAddress(const ClientId& clientId, const DeviceId& deviceId,
                               const std::wstring& ipText, const std::wstring& netmaskText,
                               const std::wstring& gatewayText) {
    const std::string address = TruncateUtf8(WideToUtf8(ipText), kMaxAddressChars);
    Datagram datagram = Header(kAddressTextOffset + address.size(), Opcode::Settings, clientId,
                               deviceId, SubCommand::StaticAddress);
    PutText(datagram, kRequestNetmaskOffset, TruncateUtf8(WideToUtf8(netmaskText), kMaxAddressChars));
    PutText(datagram, kRequestGatewayOffset, TruncateUtf8(WideToUtf8(gatewayText), kMaxAddressChars));
    WriteLe32(&datagram[kAddressLengthOffset], static_cast<std::uint32_t>(address.size()));
    PutText(datagram, kAddressTextOffset, address);
    return datagram;
}

Datagram BuildSetDhcpClient(const ClientId& clientId, const DeviceId& deviceId) {
    return Header(kSettingsRequestHeaderSize, Opcode::Settings, clientId, deviceId,
                  SubCommand::DhcpClient);
}

}  // namespace norvale
