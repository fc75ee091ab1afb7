#include "protocol/core/reply_parsers.h"

#include <algorithm>

#include "platform/core/utf8.h"
#include "protocol/core/wire_text.h"

namespace norvale {
namespace {

// Offsets of the answer header and the DiscoverReply.
constexpr std::size_t kClientIdOffset = 1;
constexpr std::size_t kComparedIdBytes = 6;
constexpr std::size_t kDeviceIdOffset = 11;
constexpr std::size_t kAddressOffset = 17;
constexpr std::size_t kAddressModeOffset = 21;
constexpr std::size_t kNetmaskOffset = 24;
constexpr std::size_t kGatewayOffset = 40;
constexpr std::size_t kTextFieldSize = 16;
constexpr std::size_t kSelector1Offset = 56;
constexpr std::size_t kSelector2Offset = 57;
constexpr std::size_t kServiceOffset = 59;
constexpr std::size_t kServiceFieldSize = 9;
constexpr std::size_t kNameLengthOffset = 68;
constexpr std::size_t kNameOffset = 72;
constexpr std::size_t kResultOffset = 28;

std::wstring FieldWide(const std::uint8_t* bytes, std::size_t offset, std::size_t fieldSize,
                       std::size_t maxBytes) {
    const std::string_view text = FieldText(bytes + offset, fieldSize, maxBytes);
    return Utf8ToWide(text.data(), text.size());
}

}  // namespace

bool EchoesClientId(const std::uint8_t* bytes, std::size_t size, const ClientId& clientId) {
    if (size < kClientIdOffset + kComparedIdBytes) return false;
    return std::equal(clientId.begin(), clientId.begin() + kComparedIdBytes, bytes + kClientIdOffset);
}

std::optional<std::wstring> AnswerAddress(const std::uint8_t* bytes, std::size_t size) {
    if (size < kAddressOffset + 4) return std::nullopt;
    return FormatIpv4(bytes + kAddressOffset);
}

bool AcceptsDiscoverReply(const std::uint8_t* bytes, std::size_t size, const ClientId& clientId,
                          std::uint8_t selector1, std::uint8_t selector2) {
    if (size < 1 || bytes[0] != static_cast<std::uint8_t>(Opcode::DiscoverReply)) return false;
    if (!EchoesClientId(bytes, size, clientId)) return false;
    if (size <= kSelector2Offset) return false;
    const std::uint8_t byte1 = bytes[kSelector1Offset];
    const std::uint8_t byte2 = bytes[kSelector2Offset];
    return (byte1 == selector1 || byte1 == kWildcardSelector) &&
           (byte2 == selector2 || byte2 == kWildcardSelector);
}

std::optional<DeviceRecord> ParseDiscoverReply(const std::uint8_t* bytes, std::size_t size) {
    if (size < kMinDiscoverReplySize) return std::nullopt;
    DeviceRecord record;

    std::size_t nameLength = ReadLe32(bytes + kNameLengthOffset);
    nameLength = std::min({nameLength, kMaxDeviceNameBytes, size - kNameOffset});
    record.name = Utf8ToWide(reinterpret_cast<const char*>(bytes + kNameOffset), nameLength);

    record.ipText = FormatIpv4(bytes + kAddressOffset);
    record.netmaskText = FieldWide(bytes, kNetmaskOffset, kTextFieldSize, kMaxAddressChars);
    record.gatewayText = FieldWide(bytes, kGatewayOffset, kTextFieldSize, kMaxAddressChars);
    // One character with the byte's code; a zero byte is an empty text.
    if (bytes[kAddressModeOffset] != 0) {
        record.addressMode = std::wstring(1, static_cast<wchar_t>(bytes[kAddressModeOffset]));
    }
    std::copy(bytes + kDeviceIdOffset, bytes + kDeviceIdOffset + kDeviceIdSize, record.deviceId.begin());
    record.isIscsi = FieldText(bytes + kServiceOffset, kServiceFieldSize, kServiceFieldSize) == "iscsi";
    return record;
}

std::string QueryReplyText(const std::uint8_t* bytes, std::size_t size) {
    if (size <= kResultOffset) return {};
    return std::string(FieldText(bytes + kResultOffset, size - kResultOffset, size));
}

int QueryReplyNumber(const std::uint8_t* bytes, std::size_t size) {
    return AtoiRule(QueryReplyText(bytes, size));
}

int QueryReplyLoginByte(const std::uint8_t* bytes, std::size_t size) {
    if (size <= kResultOffset) return 0;
    return static_cast<signed char>(bytes[kResultOffset]);
}

}  // namespace norvale
