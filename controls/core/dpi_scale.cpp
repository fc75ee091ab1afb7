#include "controls/core/dpi_scale.h"

#include <cstdint>
#include <limits>

namespace norvale {

int DpiScale::MulDivRound(int value, int numerator, int denominator) {
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t half = denominator / 2;
    std::int64_t result = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    // Sizes far beyond any screen are held at the bounds of int.
    if (result > std::numeric_limits<int>::max()) result = std::numeric_limits<int>::max();
    if (result < std::numeric_limits<int>::min()) result = std::numeric_limits<int>::min();
    return static_cast<int>(result);
}

}  // namespace norvale
