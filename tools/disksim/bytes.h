// Little-endian fields in byte buffers, as MBR, GPT and boot sectors lay them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace norvale::disksim {

inline std::uint64_t LoadLe(const std::uint8_t* p, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i > 0; --i) value = (value << 8) | p[i - 1];
    return value;
}
inline std::uint16_t Load16(const std::uint8_t* p) { return static_cast<std::uint16_t>(LoadLe(p, 2)); }
inline std::uint32_t Load32(const std::uint8_t* p) { return static_cast<std::uint32_t>(LoadLe(p, 4)); }
inline std::uint64_t Load64(const std::uint8_t* p) { return LoadLe(p, 8); }

inline void StoreLe(std::uint8_t* p, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void Store16(std::uint8_t* p, std::uint16_t value) { StoreLe(p, value, 2); }
inline void Store32(std::uint8_t* p, std::uint32_t value) { StoreLe(p, value, 4); }
inline void Store64(std::uint8_t* p, std::uint64_t value) { StoreLe(p, value, 8); }

// CRC-32 as GPT uses it (IEEE 802.3, reflected, initial and final XOR ~0).
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

}  // namespace norvale::disksim
