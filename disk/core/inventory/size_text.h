// The size of a volume or disk as the disk dialogs show it: gigabytes with two
// decimals, "12.50 Gb".
#pragma once

#include <cstdint>
#include <string>

namespace norvale {

// Whole gigabytes and hundredths of the byte count. The hundredths are
// rounded up from 6 291 455 bytes (0x5FFFFF) below a hundredth, so a volume a
// little short of a round size (2 147 483 647 bytes) shows the round size
// (2.00 Gb).
std::wstring SizeText(std::uint64_t bytes);

}  // namespace norvale
