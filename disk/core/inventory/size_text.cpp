#include "disk/core/inventory/size_text.h"

#include <cwchar>

namespace norvale {

std::wstring SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kLow30Bits = (1ULL << 30) - 1;
    constexpr std::uint64_t kRoundingOffset = 0x5FFFFF;
    auto whole = static_cast<std::uint32_t>(bytes >> 30);
    std::uint64_t hundredths = (((bytes & kLow30Bits) + kRoundingOffset) * 100) >> 30;
    if (hundredths >= 100) {
        whole += static_cast<std::uint32_t>(hundredths / 100);
        hundredths %= 100;
    }
    wchar_t text[32];
    std::swprintf(text, sizeof text / sizeof text[0], L"%lu.%02lu Gb", static_cast<unsigned long>(whole),
                  static_cast<unsigned long>(hundredths));
    return text;
}

}  // namespace norvale
