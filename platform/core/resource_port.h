// Reads resources of the program's own module. An implementation only finds
// bytes; what they mean (string blocks, their entries) is decided in core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace norvale {

// Resource type ordinals the program looks up.
inline constexpr std::uint16_t kResourceTypeString = 6;  // RT_STRING

// The bytes of one resource. They stay valid for as long as the port that
// returned them (for the program's own module: until the process ends).
struct ResourceBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

class ResourcePort {
public:
    virtual ~ResourcePort() = default;
    // The resource with this type ordinal, name ordinal and exactly this
    // language id; nullopt when the module holds no such resource. No other
    // language is ever substituted.
    virtual std::optional<ResourceBytes> Find(std::uint16_t type, std::uint16_t name,
                                              std::uint16_t languageId) const = 0;
};

// The program's own resources, defined by each platform library: the
// executable's resource section on Windows, the embedded copy of the same
// compiled resource script on the host.
const ResourcePort& PlatformResourcePort();

}  // namespace norvale
