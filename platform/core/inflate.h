// A raw DEFLATE (RFC 1951) decoder: stored, fixed and dynamic Huffman blocks.
// The program's translated texts are kept deflated so that twenty languages
// fit in the executable. Bad input never reads past its end or writes past
// `maxOutput`: it is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace norvale {

// The inflated bytes of a raw DEFLATE stream (no zlib or gzip header);
// nullopt when the stream is malformed, ends early or would inflate to more
// than `maxOutput` bytes.
std::optional<std::vector<std::uint8_t>> Inflate(const std::uint8_t* data, std::size_t size,
                                                 std::size_t maxOutput);

}  // namespace norvale
