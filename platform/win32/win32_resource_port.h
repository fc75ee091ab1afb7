// Finds resources of the program's own module (the executable).
#pragma once

#include "platform/core/resource_port.h"

namespace norvale::win32 {

class Win32ResourcePort final : public ResourcePort {
public:
    std::optional<ResourceBytes> Find(std::uint16_t type, std::uint16_t name,
                                      std::uint16_t languageId) const override;
};

}  // namespace norvale::win32
