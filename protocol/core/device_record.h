// One storage device that answered the last discovery pass.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/core/protocol_constants.h"

namespace norvale {

// bytes 0..5: opaque device identifier; bytes 6..9: the device's IPv4 address
// in network byte order. Sent back in bytes 11..20 of every request.
using DeviceId = std::array<std::uint8_t, kDeviceIdSize>;

struct DeviceRecord {
    std::wstring name;         // full name text, see name_text.h
    std::wstring ipText;       // "%d.%d.%d.%d"; the key of the table
    std::wstring netmaskText;  // at most 15 characters
    std::wstring gatewayText;  // at most 15 characters
    std::wstring addressMode;  // one character; L"1" means DHCP
    DeviceId deviceId{};
    int interfaceIndex = 0;    // index into LocalAddressTable
    bool isIscsi = false;      // service text was exactly "iscsi"

    bool UsesDhcp() const { return addressMode == L"1"; }
};

}  // namespace norvale
