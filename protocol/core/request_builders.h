// The request datagrams, byte for byte. Each returns exactly the bytes sent;
// every byte a layout does not set is zero.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/core/client_id.h"
#include "protocol/core/device_record.h"
#include "protocol/core/protocol_constants.h"

namespace norvale {

using Datagram = std::vector<std::uint8_t>;

inline constexpr std::size_t kRequestHeaderSize = 24;
inline constexpr std::size_t kQueryRequestSize = 28;
inline constexpr std::size_t kShareListRequestSize = 32;
inline constexpr std::size_t kSettingsRequestHeaderSize = 60;

// 0x01 and the 10 bytes of the identity: 11 bytes.
Datagram BuildDiscover(const ClientId& clientId);

// A query with an empty body (ShareCount, TargetCount, TargetList): 28 bytes.
Datagram BuildQuery(const ClientId& clientId, const DeviceId& deviceId, SubCommand subCommand);

// ShareList with the index of the page's first share as decimal text in bytes
// 28..31 (zero-terminated when shorter than 4 digits; body length 0): 32 bytes.
Datagram BuildShareListQuery(const ClientId& clientId, const DeviceId& deviceId, int firstIndex);

// Body: user name, 0x55, 0xAA, password (no terminators); the texts are cut to
// 31 and 127 bytes. 28 + body length bytes.
Datagram BuildAdminLogin(const ClientId& clientId, const DeviceId& deviceId,
                         const std::string& userNameUtf8, const std::string& passwordUtf8);

// Netmask at 24, gateway at 40 (UTF-8, at most 15 bytes, zero-padded), the
// length N of the address text at 56 and the text at 60: 60 + N bytes.
Datagram BuildSetStaticAddress(const ClientId& clientId, const DeviceId& deviceId,
                               const std::wstring& ipText, const std::wstring& netmaskText,
                               const std::wstring& gatewayText);

// Settings body all zero (N = 0): 60 bytes.
Datagram BuildSetDhcpClient(const ClientId& clientId, const DeviceId& deviceId);

}  // namespace norvale
