// String-table resources: texts are stored in blocks of 16 per language. A
// block is an RT_STRING resource named id / 16 + 1; inside it, position
// id mod 16 holds the text as a 16-bit length followed by that many UTF-16
// code units, without terminator. Length 0 means the id has no text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/resource_port.h"

namespace norvale {

inline constexpr unsigned kStringsPerBlock = 16;

// The resource name of the block holding `stringId`. String ids have 16 bits;
// a larger id has no block (truncating it would find another id's text).
std::optional<std::uint16_t> StringBlockName(unsigned stringId);

constexpr unsigned StringBlockPosition(unsigned stringId) { return stringId % kStringsPerBlock; }

// The text at `position` of a block; nullopt when the entry is empty, the
// position is outside the block or the walk would pass the block's end.
std::optional<std::wstring> ReadStringBlockEntry(const std::uint8_t* block, std::size_t size,
                                                 unsigned position);

// Looks `stringId` up in exactly `languageId`; nullopt when that language has
// no block for it or the block holds no text at its position.
std::optional<std::wstring> FindStringResource(const ResourcePort& resources, unsigned stringId,
                                               std::uint16_t languageId);

}  // namespace norvale
