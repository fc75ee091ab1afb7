// The appliance's own reading and writing of the datagrams. It shares no code
// with the product's protocol library on purpose: the simulator and the
// product each implement the byte layouts, and the integration tests pit one
// against the other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvale::sim {

using Bytes = std::vector<std::uint8_t>;
using Identity = std::array<std::uint8_t, 10>;  // client id, or device id (6 id bytes + IPv4)

inline constexpr std::uint16_t kProtocolPort = 13579;
inline constexpr const char* kProtocolGroup = "224.0.0.1";

enum class Opcode : std::uint8_t {
    Discover = 0x01,
    Query = 0x03,
    QueryReply = 0x04,
    Settings = 0x05,
    SetReply = 0x06,
    DiscoverReply = 0x07,
};

enum class QueryKind : std::uint8_t {
    ShareList = 0x03,
    AdminLogin = 0x04,
    TargetList = 0x33,
    ShareCount = 0x36,
    TargetCount = 0x37,
};

enum class SettingsKind : std::uint8_t {
    StaticAddress = 0x01,
    DhcpClient = 0x02,
};

// One request as an appliance sees it. Fields that the opcode does not carry
// stay empty.
struct Request {
    Opcode opcode = Opcode::Discover;
    Identity clientId{};
    Identity deviceId{};       // queries and settings only
    std::uint8_t subcommand = 0;
    std::string shareIndex;    // ShareList: the decimal text at 28..31
    std::string user;          // AdminLogin
    std::string password;      // AdminLogin
    std::string netmask;       // settings
    std::string gateway;       // settings
    std::string address;       // settings: the new address text
};

struct DecodeResult {
    std::optional<Request> request;
    std::string problem;  // why the bytes are not a request, when they are not
};

// Takes apart any bytes from the network; never reads past `size`.
DecodeResult DecodeRequest(const std::uint8_t* data, std::size_t size);

struct DiscoverAnswer {
    Identity clientId{};
    Identity deviceId{};
    char addressMode = '0';  // '1' = DHCP
    std::string netmask;
    std::string gateway;
    std::uint8_t selector1 = 0;
    std::uint8_t selector2 = 8;
    std::string service;     // "iscsi" or anything else, at most 8 bytes
    std::string nameText;    // at most 255 bytes
};

Bytes EncodeDiscoverReply(const DiscoverAnswer& answer);
// A query answer whose result is a zero-terminated text at offset 28.
Bytes EncodeQueryReply(const Identity& clientId, const Identity& deviceId, const std::string& text);
// The login answer: one byte at offset 28.
Bytes EncodeLoginReply(const Identity& clientId, const Identity& deviceId, std::uint8_t accepted);
Bytes EncodeSetReply(const Identity& clientId, const Identity& deviceId);

// Dotted text from the four address bytes 6..9 of a device id, and back.
std::string AddressOfDeviceId(const Identity& deviceId);
std::optional<std::array<std::uint8_t, 4>> ParseIpv4(const std::string& text);

}  // namespace norvale::sim
