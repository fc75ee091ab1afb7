// The 10-byte identity of one client run: six pseudo-random bytes, then four
// zeros. Devices echo it in every answer, which is how a client tells its own
// answers from those meant for other PCs.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/core/protocol_constants.h"

namespace norvale {

using ClientId = std::array<std::uint8_t, kClientIdSize>;

// The pseudo-random numbers behind a ClientId; injectable so that tests get
// the identity they expect.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Seed(unsigned int seed) = 0;
    virtual int Next() = 0;
};

// srand / rand of the C library.
RandomSource& StdRandom();

// Seeds `random` with `wallSeconds`, then takes the low 8 bits of six draws.
ClientId MakeClientId(long long wallSeconds, RandomSource& random);

}  // namespace norvale
