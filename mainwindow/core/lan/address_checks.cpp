#include "mainwindow/core/lan/address_checks.h"

#include <cwchar>

namespace norvale {
namespace {

// String-table ids of the texts below.
enum : unsigned {
    kIpBlank = 169,
    kNetmaskBlank = 170,
    kGatewayBlank = 171,
    kIpLoopback = 172,
    kNetmaskLoopback = 173,
    kGatewayLoopback = 174,
    kIpSameAsGateway = 177,
    kIpSameAsNetmask = 178,
    kGatewaySameAsNetmask = 179,
    kIpFirstOctet = 190,  // 191, 192, 193 follow for octets 2..4
    kNetmaskFirstOctetZero = 194,
    kNetmaskFourthOctetFull = 197,
    kGatewayFirstOctet = 198,
    kGatewayFourthOctet = 201,
    kGatewayOutsideSubnet = 254,
    kSameAsOtherPort = 255,
    kNetmaskNotContiguous = 256,  // 257, 258, 259 follow for octets 2..4
};

AddressField FieldOf(AddressKind kind) {
    switch (kind) {
    case AddressKind::Ip: return AddressField::Ip;
    case AddressKind::Netmask: return AddressField::Netmask;
    case AddressKind::Gateway: return AddressField::Gateway;
    }
    return AddressField::None;
}

InputRefusal Error(unsigned messageId, AddressKind kind, int octet) {
    InputRefusal refusal;
    refusal.messageId = messageId;
    refusal.captionId = kCaptionError;
    refusal.icon = MessageIcon::Stop;
    refusal.focusField = octet == 0 ? AddressField::None : FieldOf(kind);
    refusal.focusOctet = octet;
    return refusal;
}

InputRefusal Warning(unsigned messageId) {
    InputRefusal refusal;
    refusal.messageId = messageId;
    refusal.captionId = kCaptionWarning;
    refusal.icon = MessageIcon::Exclamation;
    return refusal;
}

// The octet values a netmask may hold where its ones end.
bool IsContiguousMaskOctet(unsigned value) {
    switch (value) {
    case 128: case 192: case 224: case 240: case 248: case 252: case 254: case 255: return true;
    default: return false;
    }
}

std::optional<InputRefusal> CheckIp(const Ipv4Octets& o) {
    constexpr AddressKind kind = AddressKind::Ip;
    if (o[0] == 127) return Error(kIpLoopback, kind, 0);
    if (o[0] == 0 || o[0] > 223) return Error(kIpFirstOctet, kind, 1);
    if (o[1] > 254) return Error(kIpFirstOctet + 1, kind, 2);
    if (o[2] > 254) return Error(kIpFirstOctet + 2, kind, 3);
    if (o[3] == 0 || o[3] == 255) return Error(kIpFirstOctet + 3, kind, 4);
    return std::nullopt;
}

// The per-octet rules let some broken masks through (7.0.0.0, 255.255.7.0,
// 255.255.255.1, 255.0.255.0): a device given such a mask cannot work out its
// subnet. This last test refuses them at the first octet that breaks the run
// of ones, with that octet's "should be continuous" text.
std::optional<InputRefusal> CheckMaskContiguity(const Ipv4Octets& o) {
    int k = 0;
    while (k < 4 && o[k] == 255) ++k;
    if (k == 4) return std::nullopt;
    if (o[k] != 0 && !IsContiguousMaskOctet(o[k]))
        return Error(kNetmaskNotContiguous + k, AddressKind::Netmask, k + 1);
    for (int later = k + 1; later < 4; ++later) {
        if (o[later] != 0)
            return Error(kNetmaskNotContiguous + later, AddressKind::Netmask, later + 1);
    }
    return std::nullopt;
}

std::optional<InputRefusal> CheckNetmask(const Ipv4Octets& o) {
    constexpr AddressKind kind = AddressKind::Netmask;
    if (o[0] == 127) return Error(kNetmaskLoopback, kind, 0);
    if (o[0] == 0) return Error(kNetmaskFirstOctetZero, kind, 1);
    const bool restIsZero = o[1] == 0 && o[2] == 0 && o[3] == 0;
    if (!restIsZero && !IsContiguousMaskOctet(o[0])) return Error(kNetmaskNotContiguous, kind, 1);
    const bool secondEndsMask = o[0] == 255 && o[2] == 0 && o[3] == 0;
    if (!secondEndsMask && o[1] != 0 && !IsContiguousMaskOctet(o[1]))
        return Error(kNetmaskNotContiguous + 1, kind, 2);
    const bool thirdEndsMask = o[0] == 255 && o[1] == 255 && o[3] == 0;
    if (!thirdEndsMask && o[2] != 0 && !IsContiguousMaskOctet(o[2]))
        return Error(kNetmaskNotContiguous + 2, kind, 3);
    if (o[3] == 255) return Error(kNetmaskFourthOctetFull, kind, 4);
    const bool firstThreeFull = o[0] == 255 && o[1] == 255 && o[2] == 255;
    if (!firstThreeFull && o[3] != 0 && (o[3] == 254 || !IsContiguousMaskOctet(o[3])))
        return Error(kNetmaskNotContiguous + 3, kind, 4);
    return CheckMaskContiguity(o);
}

std::optional<InputRefusal> CheckGateway(const Ipv4Octets& o) {
    constexpr AddressKind kind = AddressKind::Gateway;
    if (o[0] == 127) return Error(kGatewayLoopback, kind, 0);
    if (o[0] == 0 || o[0] > 223) return Error(kGatewayFirstOctet, kind, 1);
    if (o[3] == 0 || o[3] == 255) return Error(kGatewayFourthOctet, kind, 4);
    return std::nullopt;
}

bool EqualIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

bool SameSubnet(const Ipv4Octets& ip, const Ipv4Octets& mask, const Ipv4Octets& gateway) {
    for (int k = 0; k < 4; ++k) {
        if ((mask[k] & ip[k]) != (mask[k] & gateway[k])) return false;
    }
    return true;
}

StaticChangeCheck Refused(InputRefusal refusal) {
    StaticChangeCheck check;
    check.refusal = std::move(refusal);
    return check;
}

}  // namespace

bool InputRefusal::operator==(const InputRefusal& other) const {
    return messageId == other.messageId && captionId == other.captionId && icon == other.icon &&
           focusField == other.focusField && focusOctet == other.focusOctet &&
           portNumber == other.portNumber;
}

std::optional<InputRefusal> CheckAddress(AddressKind kind, const Ipv4Octets& octets) {
    switch (kind) {
    case AddressKind::Ip: return CheckIp(octets);
    case AddressKind::Netmask: return CheckNetmask(octets);
    case AddressKind::Gateway: return CheckGateway(octets);
    }
    return std::nullopt;
}

std::wstring FormatDottedQuad(const Ipv4Octets& octets) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"%u.%u.%u.%u", unsigned(octets[0]), unsigned(octets[1]),
                  unsigned(octets[2]), unsigned(octets[3]));
    return text;
}

StaticChangeCheck CheckStaticChange(const StaticChangeInput& input) {
    if (input.ip.blank) return Refused(Warning(kIpBlank));
    if (input.netmask.blank) return Refused(Warning(kNetmaskBlank));
    if (input.gateway.blank && input.gatewayEnabled) return Refused(Warning(kGatewayBlank));

    const Ipv4Octets& ip = input.ip.octets;
    const Ipv4Octets& mask = input.netmask.octets;
    const Ipv4Octets& gateway = input.gateway.octets;  // 0.0.0.0 when blank

    if (auto refusal = CheckAddress(AddressKind::Ip, ip)) return Refused(*refusal);
    StaticChangeCheck check;
    check.values.ipText = FormatDottedQuad(ip);
    if (!input.otherPortAddress.empty() &&
        EqualIgnoringAsciiCase(input.otherPortAddress, check.values.ipText)) {
        InputRefusal refusal = Warning(kSameAsOtherPort);
        refusal.portNumber = input.otherPortNumber;
        return Refused(refusal);
    }
    if (auto refusal = CheckAddress(AddressKind::Netmask, mask)) return Refused(*refusal);
    check.values.netmaskText = FormatDottedQuad(mask);
    if (auto refusal = CheckAddress(AddressKind::Gateway, gateway)) return Refused(*refusal);

    if (ip == gateway) return Refused(Warning(kIpSameAsGateway));
    if (ip == mask) return Refused(Warning(kIpSameAsNetmask));
    if (gateway == mask) return Refused(Warning(kGatewaySameAsNetmask));
    check.values.gatewayText = FormatDottedQuad(gateway);

    if (!SameSubnet(ip, mask, gateway)) return Refused(Warning(kGatewayOutsideSubnet));
    return check;
}

}  // namespace norvale
