// How one management request waits for its answer.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/core/protocol_constants.h"

namespace norvale {

struct ExchangeRule {
    bool drainsFirst = false;     // 11 back-to-back polls discard late answers first
    Opcode expectedType = Opcode::QueryReply;
    // Bytes 17..20 of the answer must read as this text; nullopt accepts any.
    std::optional<std::wstring> requiredAddress;
    int missLimit = 0;            // the exchange fails after missLimit + 1 misses

    // The longest the miss schedule can take: missLimit + 1 polls of 10 ms and
    // missLimit pauses of 100 ms. Also the overall deadline of the exchange,
    // so a stream of datagrams that are not misses cannot hold it for ever.
    std::chrono::milliseconds LongestWait() const;
};

// Share and target queries: drain, 0x04 from the selected address, 20 misses.
ExchangeRule QueryRule(const std::wstring& selectedIp);
// AdminLogin: no drain, 0x04 from the selected address, 10 misses.
ExchangeRule LoginRule(const std::wstring& selectedIp);
// SetStaticAddress: 0x06 from the new address, 100 misses.
ExchangeRule StaticAddressRule(const std::wstring& newIp);
// SetDhcpClient: 0x06 from any address, 100 misses.
ExchangeRule DhcpRule();

}  // namespace norvale
