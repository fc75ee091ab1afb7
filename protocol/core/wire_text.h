// Small conversions between datagram bytes and the texts built from them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvale {

// Four address bytes as "%d.%d.%d.%d", each byte unsigned.
std::wstring FormatIpv4(const std::uint8_t* fourBytes);

// A strict dotted quad ("192.168.0.50"); nullopt for anything else.
std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::wstring_view text);

// The C library's atoi without its undefined overflow: leading blanks, an
// optional sign, then digits up to the first non-digit; 0 when there are none;
// values beyond int are clamped.
int AtoiRule(std::string_view text);

// The bytes of a zero-terminated text inside a field of `fieldSize` bytes:
// up to the first zero, at most `maxBytes`, never past the field.
std::string_view FieldText(const std::uint8_t* field, std::size_t fieldSize, std::size_t maxBytes);

std::uint32_t ReadLe32(const std::uint8_t* bytes);
void WriteLe32(std::uint8_t* bytes, std::uint32_t value);

}  // namespace norvale
