// A language's texts in one deflated resource, a quarter of what string-table
// blocks of the same texts take, so that every language of the table fits in
// the executable. English stays in ordinary string-table blocks.
//
// The pack is an RT_RCDATA resource named kTextPackName in its language: a
// 32-bit little-endian size of the inflated contents, then their raw DEFLATE
// stream. The contents: a 16-bit little-endian count of ids; one byte per id,
// its distance from the previous id (the first one's from 0), ascending; then
// per id its UTF-8 text and a NUL. An empty text means the id has none.
// Columns compress better than records would: the distances are nearly all 1.
// resources/pack_texts.py writes the packs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/resource_port.h"

namespace norvale {

inline constexpr std::uint16_t kResourceTypeRcData = 10;  // RT_RCDATA
inline constexpr std::uint16_t kTextPackName = 1;
// No language has a fraction of this much text; a pack that claims more is
// refused before anything is inflated.
inline constexpr std::size_t kMaxTextPackBytes = 256 * 1024;

// The text of `stringId` in the pack `bytes`; nullopt when the pack is
// malformed or holds no text for the id.
std::optional<std::wstring> ReadTextPackEntry(const std::uint8_t* bytes, std::size_t size, unsigned stringId);

// Looks `stringId` up in the pack of exactly `languageId`; nullopt when
// there is no such pack or it holds no text for the id.
std::optional<std::wstring> FindPackedText(const ResourcePort& resources, unsigned stringId,
                                           std::uint16_t languageId);

}  // namespace norvale
