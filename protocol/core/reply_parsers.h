// Pure readers of received answers. Each takes the bytes as received and their
// count, reads nothing beyond them, and treats a byte past the end as zero
// (the transport terminates every answer with a zero byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/core/client_id.h"
#include "protocol/core/device_record.h"

namespace norvale {

// A DiscoverReply shorter than this is dropped: it cannot hold the name length.
inline constexpr std::size_t kMinDiscoverReplySize = 72;

// Bytes 1..6 of the answer equal bytes 0..5 of `clientId` (the four zero bytes
// are not compared). False when the answer is too short to carry them.
bool EchoesClientId(const std::uint8_t* bytes, std::size_t size, const ClientId& clientId);

// Bytes 17..20 as "%d.%d.%d.%d"; nullopt when the answer is shorter than 21.
std::optional<std::wstring> AnswerAddress(const std::uint8_t* bytes, std::size_t size);

// Type 0x07, this client's identity, and selector bytes 56/57 equal to the
// wanted ones or 3.
bool AcceptsDiscoverReply(const std::uint8_t* bytes, std::size_t size, const ClientId& clientId,
                          std::uint8_t selector1, std::uint8_t selector2);

// The record a DiscoverReply describes (interfaceIndex left 0). A name length
// above 255 or beyond the received bytes is cut to what is there and to 255;
// netmask and gateway are cut at 15 bytes when unterminated; the service text
// is read inside its 9-byte field. nullopt below kMinDiscoverReplySize.
std::optional<DeviceRecord> ParseDiscoverReply(const std::uint8_t* bytes, std::size_t size);

// The zero-terminated result text of a QueryReply at offset 28 (empty when the
// answer ends before it).
std::string QueryReplyText(const std::uint8_t* bytes, std::size_t size);
// That text read by AtoiRule.
int QueryReplyNumber(const std::uint8_t* bytes, std::size_t size);
// The login byte at offset 28 as a signed value (0 when not received).
int QueryReplyLoginByte(const std::uint8_t* bytes, std::size_t size);

}  // namespace norvale
