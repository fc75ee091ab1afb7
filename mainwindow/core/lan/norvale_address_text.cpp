#include "mainwindow/core/lan/norvale_address_text.h"

namespace norvale {

namespace {

template <typename Text>
std::optional<IpOctets> Parse(const Text& text) {
    IpOctets octets{};
    std::size_t pos = 0;
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        int value = 0;
        int digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + static_cast<int>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
        octets[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size()) return std::nullopt;
    return octets;
}

}  // namespace

std::optional<IpOctets> ParseDottedQuad(const std::wstring& text) { return Parse(text); }
std::optional<IpOctets> ParseDottedQuad(const std::string& text) { return Parse(text); }

bool InSameSubnet(const IpOctets& device, const IpOctets& mask, const IpOctets& local) {
    for (std::size_t k = 0; k < 4; ++k) {
        if ((mask[k] & device[k]) != (mask[k] & local[k])) return false;
    }
    return true;
}

}  // namespace norvale
