#include "protocol/core/client_id.h"

#include <cstdlib>

namespace norvale {
namespace {

class CRandom final : public RandomSource {
public:
    void Seed(unsigned int seed) override { std::srand(seed); }
    int Next() override { return std::rand(); }
};

}  // namespace

RandomSource& StdRandom() {
    static CRandom random;
    return random;
}

ClientId MakeClientId(long long wallSeconds, RandomSource& random) {
    random.Seed(static_cast<unsigned int>(wallSeconds));
    ClientId id{};
    for (std::size_t i = 0; i < 6; ++i) id[i] = static_cast<std::uint8_t>(random.Next() & 0xFF);
    return id;
}

}  // namespace norvale
