// How the Windows stand-ins of the iSCSI initiator reach the simulated
// initiator: one request of the wire protocol (tools/initiator_sim/wire.h)
// per loopback TCP connection to the daemon whose address the test prefix
// keeps in HKLM\SOFTWARE\NorvaleTest\InitiatorSim, value "Endpoint"
// ("127.0.0.1:PORT", read from the 64-bit view so 32- and 64-bit stand-ins
// find the same value).
#pragma once

#include <optional>
#include <string>

#include "tools/initiator_sim/wire.h"

namespace norvale::standin {

inline constexpr wchar_t kEndpointKey[] = L"SOFTWARE\\NorvaleTest\\InitiatorSim";
inline constexpr wchar_t kEndpointValue[] = L"Endpoint";

// The daemon's address, or nullopt when the prefix names none. Another
// stand-in's daemon (the share check's) keeps its address under its own key.
std::optional<std::string> Endpoint(const wchar_t* keyPath = kEndpointKey);

// The daemon's answer; nullopt when it cannot be reached or answers nonsense.
std::optional<sim::wire::Response> Ask(const sim::wire::Request& request, const wchar_t* keyPath = kEndpointKey);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace norvale::standin
