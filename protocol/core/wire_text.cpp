#include "protocol/core/wire_text.h"

#include <climits>

namespace norvale {

std::wstring FormatIpv4(const std::uint8_t* fourBytes) {
    std::wstring text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) text.push_back(L'.');
        text += std::to_wstring(static_cast<unsigned>(fourBytes[i]));
    }
    return text;
}

std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::wstring_view text) {
    std::array<std::uint8_t, 4> address{};
    std::size_t pos = 0;
    for (std::size_t part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != L'.') return std::nullopt;
            ++pos;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9' && digits < 3) {
            value = value * 10 + static_cast<unsigned>(text[pos] - L'0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || value > 255) return std::nullopt;
        address[part] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size()) return std::nullopt;
    return address;
}

int AtoiRule(std::string_view text) {
    std::size_t pos = 0;
    auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    long long value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos++] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

std::string_view FieldText(const std::uint8_t* field, std::size_t fieldSize, std::size_t maxBytes) {
    const std::size_t limit = fieldSize < maxBytes ? fieldSize : maxBytes;
    std::size_t length = 0;
    while (length < limit && field[length] != 0) ++length;
    return {reinterpret_cast<const char*>(field), length};
}

std::uint32_t ReadLe32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void WriteLe32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace norvale
