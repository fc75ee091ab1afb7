#include "disk/core/partition/random_id_source.h"

#include <random>

namespace norvale {
namespace {

class RandomIdSource final : public IdSourcePort {
public:
    Guid NewGuid() override {
        std::uint8_t bytes[16];
        for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(engine_());
        bytes[7] = static_cast<std::uint8_t>((bytes[7] & 0x0F) | 0x40);  // version 4 (data3, little-endian)
        bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
        return Guid::FromBytes(bytes);
    }
    std::uint32_t NewMbrSignature() override {
        const auto value = static_cast<std::uint32_t>(engine_());
        return value != 0 ? value : 1u;
    }

private:
    std::mt19937_64 engine_{std::random_device{}()};
};

}  // namespace

IdSourcePort& RandomIds() {
    static RandomIdSource ids;
    return ids;
}

}  // namespace norvale
