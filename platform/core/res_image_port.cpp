#include "platform/core/res_image_port.h"

#include <utility>

namespace norvale {

ResImagePort::ResImagePort(const std::uint8_t* image, std::size_t size) {
    if (auto entries = ParseResImage(image, size)) {
        entries_ = std::move(*entries);
        valid_ = true;
    }
}

std::optional<ResourceBytes> ResImagePort::Find(std::uint16_t type, std::uint16_t name,
                                                std::uint16_t languageId) const {
    for (const ResImageEntry& entry : entries_) {
        if (entry.type.IsOrdinal(type) && entry.name.IsOrdinal(name) && entry.languageId == languageId) {
            return ResourceBytes{entry.data, entry.size};
        }
    }
    return std::nullopt;
}

}  // namespace norvale
