// Fresh identities for a new partition table: GPT disk and partition ids
// (CoCreateGuid on Windows) and MBR disk signatures.
#pragma once

#include <cstdint>

#include "disk/core/stack/guid.h"

namespace norvale {

class IdSourcePort {
public:
    virtual ~IdSourcePort() = default;
    virtual Guid NewGuid() = 0;
    // Never 0: Windows takes a zero signature for a disk without one.
    virtual std::uint32_t NewMbrSignature() = 0;
};

}  // namespace norvale
