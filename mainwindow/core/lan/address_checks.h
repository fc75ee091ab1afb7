// The input rules of the LAN section: what makes an IPv4 address, netmask or
// gateway acceptable, and the order in which a static address change checks
// its fields. The rules return what the caller must show and where the
// keyboard focus goes; showing it is the caller's business (a message box in
// the dialog, a line on stderr in the command-line client).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "controls/core/dialog_types.h"  // MessageIcon, shared with the dialogs

namespace norvale {

using Ipv4Octets = std::array<std::uint8_t, 4>;  // first octet first

enum class AddressKind { Ip = 1, Netmask = 2, Gateway = 3 };

enum class AddressField { None, Ip, Netmask, Gateway };

// String-table ids of the message-box captions used by the LAN section.
inline constexpr unsigned kCaptionError = 234;
inline constexpr unsigned kCaptionConfirm = 235;
inline constexpr unsigned kCaptionWarning = 236;

// Why an input was refused.
struct InputRefusal {
    unsigned messageId = 0;  // string-table id of the text
    unsigned captionId = kCaptionError;
    MessageIcon icon = MessageIcon::Stop;
    AddressField focusField = AddressField::None;
    int focusOctet = 0;  // 1..4; 0 leaves the focus where it is
    // Formatted into the text (its %d) when set: the other LAN port's number.
    std::optional<int> portNumber;

    bool operator==(const InputRefusal& other) const;
};

// One rule set: kind 1 (IP address), 2 (netmask) or 3 (gateway). nullopt when
// the octets pass.
std::optional<InputRefusal> CheckAddress(AddressKind kind, const Ipv4Octets& octets);

// "%d.%d.%d.%d"
std::wstring FormatDottedQuad(const Ipv4Octets& octets);

// One IP-address field as the dialog reads it: a blank field reads as 0.0.0.0.
struct AddressFieldInput {
    bool blank = true;
    Ipv4Octets octets{};
};

struct StaticChangeInput {
    AddressFieldInput ip;
    AddressFieldInput netmask;
    AddressFieldInput gateway;
    bool gatewayEnabled = true;
    // The selected device's other LAN port (from its name text): its number
    // (1, 2, or 0 when unknown) and address text (empty when there is none).
    int otherPortNumber = 0;
    std::wstring otherPortAddress;
};

// The texts a static change sends when every check passed.
struct StaticChangeValues {
    std::wstring ipText;
    std::wstring netmaskText;
    std::wstring gatewayText;
};

struct StaticChangeCheck {
    std::optional<InputRefusal> refusal;  // set when the change must not go on
    StaticChangeValues values;            // meaningful only without refusal

    bool Accepted() const { return !refusal.has_value(); }
};

// Every input check of a static address change, in the order the user meets
// them: blank fields, the IP address, the other LAN port, the netmask, the
// gateway, the pairwise comparisons, and whether the gateway lies in the
// subnet. The first failing check decides.
StaticChangeCheck CheckStaticChange(const StaticChangeInput& input);

}  // namespace norvale
