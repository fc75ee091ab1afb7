#include "tools/simulator/wire_format.h"

#include <algorithm>
#include <cstdio>

namespace norvale::sim {
namespace {

constexpr std::size_t kHeaderSize = 24;       // opcode, client id, device id, sub-command, 2 zero
constexpr std::size_t kBodyLengthOffset = 24;
constexpr std::size_t kBodyOffset = 28;
constexpr std::size_t kSettingsAddressLengthOffset = 56;
constexpr std::size_t kSettingsAddressOffset = 60;
constexpr std::uint8_t kLoginSeparator[2] = {0x55, 0xAA};

std::uint32_t ReadLittleEndian32(const std::uint8_t* data) {
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

void WriteLittleEndian32(Bytes& out, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Text of a fixed field: up to its first zero byte or the field's end.
std::string FieldText(const std::uint8_t* data, std::size_t fieldSize) {
    const auto* end = std::find(data, data + fieldSize, std::uint8_t{0});
    return std::string(data, end);
}

void WriteField(Bytes& out, std::size_t offset, std::size_t fieldSize, const std::string& text) {
    const std::size_t count = std::min(text.size(), fieldSize - 1);  // keep a terminator
    std::copy_n(text.begin(), count, out.begin() + static_cast<std::ptrdiff_t>(offset));
}

Identity ReadIdentity(const std::uint8_t* data) {
    Identity id{};
    std::copy_n(data, id.size(), id.begin());
    return id;
}

Bytes AnswerHeader(Opcode type, const Identity& clientId, const Identity& deviceId,
                   std::size_t size) {
    Bytes out(size, 0);
    out[0] = static_cast<std::uint8_t>(type);
    std::copy(clientId.begin(), clientId.end(), out.begin() + 1);
    std::copy(deviceId.begin(), deviceId.end(), out.begin() + 11);
    return out;
}

DecodeResult Problem(std::string text) { return DecodeResult{std::nullopt, std::move(text)}; }

void DecodeLogin(const std::uint8_t* data, std::size_t size, Request& request) {
    const std::uint32_t declared = ReadLittleEndian32(data + kBodyLengthOffset);
    const std::size_t length = std::min<std::size_t>(declared, size - kBodyOffset);
    const std::uint8_t* body = data + kBodyOffset;
    const auto* separator =
        std::search(body, body + length, std::begin(kLoginSeparator), std::end(kLoginSeparator));
    if (separator == body + length) {
        request.user.assign(body, body + length);
        return;
    }
    request.user.assign(body, separator);
    request.password.assign(separator + 2, body + length);
}

}  // namespace

DecodeResult DecodeRequest(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size == 0) return Problem("empty datagram");
    Request request;
    request.opcode = static_cast<Opcode>(data[0]);
    switch (request.opcode) {
    case Opcode::Discover:
        if (size < 11) return Problem("Discover shorter than 11 bytes");
        request.clientId = ReadIdentity(data + 1);
        return DecodeResult{request, {}};
    case Opcode::Query:
    case Opcode::Settings:
        break;
    default:
        return Problem("not a request");
    }
    if (size < kBodyOffset) return Problem("request shorter than 28 bytes");
    request.clientId = ReadIdentity(data + 1);
    request.deviceId = ReadIdentity(data + 11);
    request.subcommand = data[21];

    if (request.opcode == Opcode::Query) {
        if (request.subcommand == static_cast<std::uint8_t>(QueryKind::ShareList)) {
            request.shareIndex = FieldText(data + kBodyOffset, std::min<std::size_t>(4, size - kBodyOffset));
        } else if (request.subcommand == static_cast<std::uint8_t>(QueryKind::AdminLogin)) {
            DecodeLogin(data, size, request);
        }
        return DecodeResult{request, {}};
    }

    if (size < kSettingsAddressOffset) return Problem("settings request shorter than 60 bytes");
    request.netmask = FieldText(data + kHeaderSize, 16);
    request.gateway = FieldText(data + kHeaderSize + 16, 16);
    const std::uint32_t length = ReadLittleEndian32(data + kSettingsAddressLengthOffset);
    if (length > size - kSettingsAddressOffset) return Problem("address length beyond the datagram");
    request.address.assign(data + kSettingsAddressOffset, data + kSettingsAddressOffset + length);
    return DecodeResult{request, {}};
}

Bytes EncodeDiscoverReply(const DiscoverAnswer& answer) {
    const std::size_t nameLength = std::min<std::size_t>(answer.nameText.size(), 255);
    Bytes out = AnswerHeader(Opcode::DiscoverReply, answer.clientId, answer.deviceId, 72 + nameLength);
    out[21] = static_cast<std::uint8_t>(answer.addressMode);
    WriteField(out, 24, 16, answer.netmask);
    WriteField(out, 40, 16, answer.gateway);
    out[56] = answer.selector1;
    out[57] = answer.selector2;
    WriteField(out, 59, 9, answer.service);
    WriteLittleEndian32(out, 68, static_cast<std::uint32_t>(nameLength));
    std::copy_n(answer.nameText.begin(), nameLength, out.begin() + 72);
    return out;
}

Bytes EncodeQueryReply(const Identity& clientId, const Identity& deviceId, const std::string& text) {
    Bytes out = AnswerHeader(Opcode::QueryReply, clientId, deviceId, kBodyOffset + text.size() + 1);
    WriteLittleEndian32(out, kBodyLengthOffset, static_cast<std::uint32_t>(text.size()));
    std::copy(text.begin(), text.end(), out.begin() + kBodyOffset);
    return out;
}

Bytes EncodeLoginReply(const Identity& clientId, const Identity& deviceId, std::uint8_t accepted) {
    Bytes out = AnswerHeader(Opcode::QueryReply, clientId, deviceId, kBodyOffset + 1);
    WriteLittleEndian32(out, kBodyLengthOffset, 1);
    out[kBodyOffset] = accepted;
    return out;
}

Bytes EncodeSetReply(const Identity& clientId, const Identity& deviceId) {
    return AnswerHeader(Opcode::SetReply, clientId, deviceId, kHeaderSize);
}

std::string AddressOfDeviceId(const Identity& deviceId) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", deviceId[6], deviceId[7], deviceId[8],
                  deviceId[9]);
    return text;
}

std::optional<std::array<std::uint8_t, 4>> ParseIpv4(const std::string& text) {
    std::array<std::uint8_t, 4> octets{};
    std::size_t position = 0;
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (i > 0) {
            if (position >= text.size() || text[position] != '.') return std::nullopt;
            ++position;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9' && digits < 3) {
            value = value * 10 + static_cast<unsigned>(text[position] - '0');
            ++position;
            ++digits;
        }
        if (digits == 0 || value > 255) return std::nullopt;
        octets[i] = static_cast<std::uint8_t>(value);
    }
    if (position != text.size()) return std::nullopt;
    return octets;
}

}  // namespace norvale::sim
