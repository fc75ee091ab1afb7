#include "platform/core/string_block.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tests/platform/fake_string_resources.h"

namespace norvale {
namespace {

using test::EncodeStringBlock;
using test::Utf16;

TEST(StringBlock, PlacesIdsInBlocksOfSixteen) {
    struct Case {
        unsigned id;
        std::uint16_t block;
        unsigned position;
    };
    const Case cases[] = {{0, 1, 0},     {15, 1, 15},   {16, 2, 0},        {101, 7, 5},
                          {111, 7, 15},  {112, 8, 0},   {261, 17, 5},      {262, 17, 6},
                          {0xFFF0, 4096, 0}, {0xFFFF, 4096, 15}};
    for (const Case& c : cases) {
        EXPECT_EQ(StringBlockName(c.id), c.block) << c.id;
        EXPECT_EQ(StringBlockPosition(c.id), c.position) << c.id;
    }
    EXPECT_FALSE(StringBlockName(0x10000));
    EXPECT_FALSE(StringBlockName(0xFFFFFFFFu));
}

std::array<std::u16string, kStringsPerBlock> SampleTexts() {
    std::array<std::u16string, kStringsPerBlock> texts{};
    texts[0] = u"Volume";
    texts[3] = u"Size";
    texts[7] = u"";
    texts[15] = u"Partition";
    return texts;
}

TEST(StringBlock, ReadsEachPositionOfAWholeBlock) {
    const auto texts = SampleTexts();
    const std::vector<std::uint8_t> block = EncodeStringBlock(texts);
    EXPECT_EQ(ReadStringBlockEntry(block.data(), block.size(), 0), L"Volume");
    EXPECT_EQ(ReadStringBlockEntry(block.data(), block.size(), 3), L"Size");
    EXPECT_EQ(ReadStringBlockEntry(block.data(), block.size(), 15), L"Partition");
    for (unsigned position : {1u, 2u, 7u, 14u}) {
        EXPECT_FALSE(ReadStringBlockEntry(block.data(), block.size(), position)) << position;
    }
    EXPECT_FALSE(ReadStringBlockEntry(block.data(), block.size(), 16));
    EXPECT_FALSE(ReadStringBlockEntry(nullptr, 0, 0));
}

// Every prefix of a block: an entry is found only when it and every entry
// before it lie wholly inside; nothing past the prefix is touched (each
// prefix is its own allocation, so a sanitizer build sees any overread).
TEST(StringBlock, TruncatedBlockNeverReadsPastItsEnd) {
    const auto texts = SampleTexts();
    const std::vector<std::uint8_t> whole = EncodeStringBlock(texts);
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + size);
        std::size_t entryEnd = 0;
        for (unsigned position = 0; position < kStringsPerBlock; ++position) {
            entryEnd += 2 + 2 * texts[position].size();
            const auto text = ReadStringBlockEntry(prefix.data(), prefix.size(), position);
            if (entryEnd <= size && !texts[position].empty()) {
                EXPECT_TRUE(text) << size << " " << position;
            } else {
                EXPECT_FALSE(text) << size << " " << position;
            }
        }
    }
}

TEST(StringBlock, LengthPastTheEndFindsNothing) {
    // Position 0 claims 0x7FFF units but the block ends after two.
    const std::vector<std::uint8_t> block = {0xFF, 0x7F, 'A', 0, 'B', 0};
    EXPECT_FALSE(ReadStringBlockEntry(block.data(), block.size(), 0));
    EXPECT_FALSE(ReadStringBlockEntry(block.data(), block.size(), 1));
}

TEST(StringBlock, TextsKeepCharactersBeyondTheBasicPlane) {
    std::array<std::u16string, kStringsPerBlock> texts{};
    texts[2] = Utf16(L"Disk \U0001F5B4 1");
    const std::vector<std::uint8_t> block = EncodeStringBlock(texts);
    EXPECT_EQ(ReadStringBlockEntry(block.data(), block.size(), 2), L"Disk \U0001F5B4 1");
}

TEST(StringBlock, LoneSurrogateIsKeptAsUtf16OrReplacedInUtf32) {
    std::array<std::u16string, kStringsPerBlock> texts{};
    texts[0] = std::u16string{u'A', static_cast<char16_t>(0xD800), u'B'};
    const std::vector<std::uint8_t> block = EncodeStringBlock(texts);
    const std::wstring expected = sizeof(wchar_t) == 2
                                      ? std::wstring{L'A', static_cast<wchar_t>(0xD800), L'B'}
                                      : std::wstring{L'A', static_cast<wchar_t>(0xFFFD), L'B'};
    EXPECT_EQ(ReadStringBlockEntry(block.data(), block.size(), 0), expected);
}

TEST(StringBlock, FindsAStringOnlyInExactlyTheRequestedLanguage) {
    test::FakeStringResources module;
    module.Add(1033, {{147, L"Refresh"}});
    EXPECT_EQ(FindStringResource(module, 147, 1033), L"Refresh");
    EXPECT_FALSE(FindStringResource(module, 147, 2057));
    EXPECT_FALSE(FindStringResource(module, 148, 1033));
    // A damaged block yields nothing instead of a partial text.
    module.Store(kResourceTypeString, 10, 1031, {0x05, 0x00, 'x', 0x00});
    EXPECT_FALSE(FindStringResource(module, 144, 1031));
}

}  // namespace
}  // namespace norvale
