// A GUID as Windows lays it out (GPT disk and partition ids, partition types),
// with the registry-style text form "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace norvale {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    bool IsZero() const { return *this == Guid{}; }
    friend bool operator==(const Guid& a, const Guid& b) {
        return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 && a.data4 == b.data4;
    }
    friend bool operator!=(const Guid& a, const Guid& b) { return !(a == b); }
    friend bool operator<(const Guid& a, const Guid& b) { return a.ToBytes() < b.ToBytes(); }

    // The 16 bytes as they lie on disk and in memory: the first three fields
    // little-endian, data4 as it stands.
    std::array<std::uint8_t, 16> ToBytes() const;
    static Guid FromBytes(const std::uint8_t* bytes);

    // Lower-case text with braces, as CLSIDFromString accepts it.
    std::wstring ToString() const;
    // Accepts the text with or without braces, any case; nullopt otherwise.
    static std::optional<Guid> Parse(const std::wstring& text);
};

// The partition type of a basic data partition on a GPT disk.
inline constexpr Guid kBasicDataPartitionType{
    0xebd0a0a2, 0xb9e5, 0x4433, {0x87, 0xc0, 0x68, 0xb6, 0xb7, 0x26, 0x99, 0xc7}};
// The Microsoft Reserved partition Windows puts on every GPT disk it
// initialises; it holds no volume and must never be overwritten.
inline constexpr Guid kReservedPartitionType{
    0xe3c9e316, 0x0b5c, 0x4db8, {0x81, 0x7d, 0xf9, 0x2d, 0xf0, 0x02, 0x15, 0xae}};

}  // namespace norvale
