// Dotted IPv4 texts as the device table holds them, and the subnet test that
// decides whether the PC can reach a device's shares and web page directly.
#pragma once

#include <optional>
#include <string>

#include "controls/core/dialog_types.h"

namespace norvale {

// "a.b.c.d" with four decimal octets of 0-255 and nothing else; nullopt
// otherwise.
std::optional<IpOctets> ParseDottedQuad(const std::wstring& text);
std::optional<IpOctets> ParseDottedQuad(const std::string& text);

// True when `device` and `local` agree in every bit the mask keeps.
bool InSameSubnet(const IpOctets& device, const IpOctets& mask, const IpOctets& local);

}  // namespace norvale
