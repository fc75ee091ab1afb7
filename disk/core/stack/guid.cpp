#include "disk/core/stack/guid.h"

#include <cstdio>
#include <cwchar>

namespace norvale {

std::array<std::uint8_t, 16> Guid::ToBytes() const {
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) bytes[4 + i] = static_cast<std::uint8_t>(data2 >> (8 * i));
    for (int i = 0; i < 2; ++i) bytes[6 + i] = static_cast<std::uint8_t>(data3 >> (8 * i));
    for (int i = 0; i < 8; ++i) bytes[8 + i] = data4[i];
    return bytes;
}

Guid Guid::FromBytes(const std::uint8_t* bytes) {
    Guid guid;
    for (int i = 3; i >= 0; --i) guid.data1 = (guid.data1 << 8) | bytes[i];
    guid.data2 = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
    guid.data3 = static_cast<std::uint16_t>(bytes[6] | (bytes[7] << 8));
    for (int i = 0; i < 8; ++i) guid.data4[i] = bytes[8 + i];
    return guid;
}

std::wstring Guid::ToString() const {
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", data1, data2, data3, data4[0],
                  data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return text;
}

namespace {

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

}  // namespace

std::optional<Guid> Guid::Parse(const std::wstring& text) {
    std::wstring body = text;
    if (body.size() == 38 && body.front() == L'{' && body.back() == L'}') body = body.substr(1, 36);
    if (body.size() != 36) return std::nullopt;
    // Hex digits in groups of 8-4-4-4-12; the dashes sit at fixed places.
    std::array<std::uint8_t, 16> raw{};
    int nibble = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (body[i] != L'-') return std::nullopt;
            continue;
        }
        const int value = HexValue(body[i]);
        if (value < 0) return std::nullopt;
        raw[nibble / 2] = static_cast<std::uint8_t>((raw[nibble / 2] << 4) | value);
        ++nibble;
    }
    // raw holds the text's order (big-endian fields); turn it into the fields.
    Guid guid;
    guid.data1 = (std::uint32_t{raw[0]} << 24) | (std::uint32_t{raw[1]} << 16) | (std::uint32_t{raw[2]} << 8) | raw[3];
    guid.data2 = static_cast<std::uint16_t>((raw[4] << 8) | raw[5]);
    guid.data3 = static_cast<std::uint16_t>((raw[6] << 8) | raw[7]);
    for (int i = 0; i < 8; ++i) guid.data4[i] = raw[8 + i];
    return guid;
}

}  // namespace norvale
