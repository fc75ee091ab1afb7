// Fixed numbers of the device protocol: where requests go, the type bytes on
// the wire and the sizes of the buffers and fields.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace norvale {

inline constexpr char kDeviceGroup[] = "224.0.0.1";
inline constexpr std::uint16_t kDevicePort = 13579;

// First byte of every datagram.
enum class Opcode : std::uint8_t {
    Discover = 0x01,
    Query = 0x03,
    QueryReply = 0x04,
    Settings = 0x05,
    SetReply = 0x06,
    DiscoverReply = 0x07,
};

// Byte 21 of a query or settings request.
enum class SubCommand : std::uint8_t {
    ShareList = 0x03,
    AdminLogin = 0x04,
    ShareCount = 0x36,
    TargetCount = 0x37,
    TargetList = 0x33,
    StaticAddress = 0x01,
    DhcpClient = 0x02,
};

inline constexpr std::size_t kRequestBufferSize = 4096;
// The answer buffer holds this many received bytes plus one terminating zero.
inline constexpr std::size_t kAnswerCapacity = 4096;

inline constexpr std::size_t kClientIdSize = 10;
inline constexpr std::size_t kDeviceIdSize = 10;

// Longest texts the record and the requests carry (characters or bytes,
// without terminator).
inline constexpr std::size_t kMaxAddressChars = 15;
inline constexpr std::size_t kMaxDeviceNameBytes = 255;
inline constexpr std::size_t kMaxShareNameChars = 255;
// A target entry is kept whole, as far as the answer carries it: behind the
// name come the CHAP settings, and a cut would lose the password.
inline constexpr std::size_t kMaxTargetEntryChars = kAnswerCapacity;
inline constexpr std::size_t kMaxAdminUserNameBytes = 31;
inline constexpr std::size_t kMaxAdminPasswordBytes = 127;

// Selectors every discovery pass asks for; 3 in a reply matches any selector.
inline constexpr std::uint8_t kDefaultSelector1 = 0;
inline constexpr std::uint8_t kDefaultSelector2 = 8;
inline constexpr std::uint8_t kWildcardSelector = 3;

// The waiting schedule. Every wait is made of short polls and fixed pauses, so
// the longest time one operation blocks is bounded.
inline constexpr std::chrono::milliseconds kPollTimeout{10};
inline constexpr std::chrono::milliseconds kDiscoverSendPause{50};
inline constexpr std::chrono::milliseconds kDiscoverPollPause{20};
inline constexpr int kDiscoverPolls = 48;
inline constexpr std::chrono::milliseconds kMissPause{100};
inline constexpr int kDrainPolls = 11;

}  // namespace norvale
