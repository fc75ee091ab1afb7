// The translations that ship, read through the platform's own resources:
// every language of the table has every English text in its own words, with
// the same placeholders, line breaks, access keys and outer blanks, and the
// product's name as it is; every table id reads its language's pack. And the
// deflate reader refuses what it cannot read.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "platform/core/inflate.h"
#include "platform/core/language_table.h"
#include "platform/core/string_block.h"
#include "platform/core/text_pack.h"

namespace norvale {
namespace {

// Each id of the table and the pack it reads: an entry's texts are stored
// once, under its first id; Simplified Chinese under its own.
constexpr std::uint16_t kTableLanguages[][2] = {
    {1029, 1029}, {1030, 1030}, {1043, 1043}, {2067, 1043}, {1035, 1035}, {1036, 1036}, {2060, 1036},
    {3084, 1036}, {4108, 1036}, {1031, 1031}, {2055, 1031}, {3079, 1031}, {1032, 1032}, {1038, 1038},
    {1039, 1039}, {1040, 1040}, {2064, 1040}, {1044, 1044}, {2068, 1044}, {1045, 1045}, {1046, 1046},
    {1049, 1049}, {1051, 1051}, {1034, 1034}, {2058, 1034}, {3082, 1034}, {1053, 1053}, {1055, 1055},
    {1041, 1041}, {1028, 1028}, {2052, 2052}, {3076, 1028},
};

// What a translation keeps of the English text: the printf placeholders in
// order, the line breaks, the access keys ("&&" is a literal ampersand), the
// leading and trailing blank (247 is appended to a name), the product's name.
std::wstring Shape(const std::wstring& text) {
    static const std::wregex kMarks(L"%[-+ #0]*[0-9]*(\\.[0-9]+)?[lh]?[sdiuxXc%]|\n|&&|&|Norvale|Version:");
    std::wstring shape;
    for (std::wsregex_iterator i(text.begin(), text.end(), kMarks), end; i != end; ++i) shape += i->str() + L"|";
    if (!text.empty() && text.front() == L' ') shape += L"lead";
    if (!text.empty() && text.back() == L' ') shape += L"trail";
    return shape;
}

TEST(ShippedTranslations, EveryPackHasEveryTextInItsOwnWordsAndShape) {
    std::vector<std::pair<unsigned, std::wstring>> english;  // the program's ids lie below 1024
    for (unsigned id = 0; id < 1024; ++id) {
        if (auto text = FindStringResource(PlatformResourcePort(), id, 1033)) english.emplace_back(id, *text);
    }
    ASSERT_GT(english.size(), 200u);
    const CLanguageTable& table = CLanguageTable::Instance();
    for (const auto& [language, pack] : kTableLanguages) {
        for (unsigned id : {101u, 147u, 252u, 340u}) {
            EXPECT_EQ(table.LoadText(language, id), FindPackedText(PlatformResourcePort(), id, pack)) << language;
        }
        if (language != pack) continue;
        std::size_t translated = 0;
        for (const auto& [id, text] : english) {
            const auto packed = FindPackedText(PlatformResourcePort(), id, pack);
            ASSERT_TRUE(packed) << "no text " << id << " in the pack " << pack;
            EXPECT_EQ(Shape(*packed), Shape(text)) << pack << " " << id;
            if (*packed != text) ++translated;
        }
        // Names, "NTFS", "IP:" and the like stay; the rest is translated.
        EXPECT_GT(translated, english.size() * 9 / 10) << pack;
    }
    EXPECT_NE(table.LoadText(2052, 147), table.LoadText(1028, 147)) << "two scripts of Chinese";
}

TEST(Inflate, ReadsWhatZlibWritesAndRefusesWhatItCannotRead) {
    using Bytes = std::vector<std::uint8_t>;
    const auto inflate = [](const Bytes& bytes, std::size_t limit) { return Inflate(bytes.data(), bytes.size(), limit); };
    // zlib's own: a stored block, and a fixed-Huffman block with matches.
    const Bytes stored = {0x01, 0x0d, 0x00, 0xf2, 0xff, 'A', 'k', 't', 'u', 'a', 'l', 'i', 's', 'i', 'e', 'r', 'e', 'n'};
    const Bytes fixed = {0x8b, 0xca, 0x4c, 0xcd, 0x51, 0x88, 0x42, 0x21, 0x14, 0x01};
    EXPECT_EQ(*inflate(stored, 100), Bytes(stored.begin() + 5, stored.end()));
    const Bytes ziel = *inflate(fixed, 100);
    EXPECT_EQ(std::string(ziel.begin(), ziel.end()), "Ziel Ziel Ziel Ziel!");
    Bytes badLength = stored;
    badLength[3] = 0xf3;  // the length's complement no longer matches
    for (const auto& [bytes, limit] : std::vector<std::pair<Bytes, std::size_t>>{
             {{}, 100}, {Bytes(stored.begin(), stored.end() - 1), 100}, {Bytes(fixed.begin(), fixed.end() - 2), 100},
             {badLength, 100}, {{0x07}, 100} /* reserved block type */, {fixed, 19} /* longer than allowed */,
             {{0x03, 0x02}, 100} /* a match before the start */}) {
        EXPECT_FALSE(inflate(bytes, limit)) << bytes.size() << " bytes";
    }
    // A pack of one text, 147 "Ziel", stored; then claiming a byte more.
    Bytes pack = {0x08, 0, 0, 0, 0x01, 0x08, 0x00, 0xf7, 0xff, 0x01, 0x00, 0x93, 'Z', 'i', 'e', 'l', 0x00};
    EXPECT_EQ(ReadTextPackEntry(pack.data(), pack.size(), 147), L"Ziel");
    EXPECT_FALSE(ReadTextPackEntry(pack.data(), pack.size(), 148));
    pack[0] = 0x09;
    EXPECT_FALSE(ReadTextPackEntry(pack.data(), pack.size(), 147));
}

}  // namespace
}  // namespace norvale
