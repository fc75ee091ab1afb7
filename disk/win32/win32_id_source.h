// New identities for partition tables: CoCreateGuid, and the C library's
// generator for MBR signatures.
#pragma once

#include "disk/core/partition/id_source_port.h"

namespace norvale::win32 {

class Win32IdSource final : public IdSourcePort {
public:
    Win32IdSource();
    Guid NewGuid() override;
    std::uint32_t NewMbrSignature() override;
};

}  // namespace norvale::win32
