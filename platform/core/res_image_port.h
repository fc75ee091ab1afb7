// A ResourcePort over a compiled resource image held in memory, such as the
// copy of the program's resource script that the host build embeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/res_image.h"
#include "platform/core/resource_port.h"

namespace norvale {

class ResImagePort final : public ResourcePort {
public:
    // The image must outlive the port. A malformed image yields a port that
    // finds nothing.
    ResImagePort(const std::uint8_t* image, std::size_t size);

    std::optional<ResourceBytes> Find(std::uint16_t type, std::uint16_t name,
                                      std::uint16_t languageId) const override;

    // False when the image was refused as malformed.
    bool IsValid() const { return valid_; }

private:
    std::vector<ResImageEntry> entries_;
    bool valid_ = false;
};

}  // namespace norvale
