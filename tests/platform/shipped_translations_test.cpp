// The translations that ship, read through the platform's own resources:
// every language of the table has every English text, in its own words but
// with the same placeholders, line breaks, access keys and outer blanks; and
// the deflate reader they depend on refuses what it cannot read.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "platform/core/inflate.h"
#include "platform/core/language_table.h"
#include "platform/core/string_block.h"
#include "platform/core/text_pack.h"
#include "tests/platform/expected_strings.h"

namespace norvale {
namespace {

constexpr std::uint16_t kEnglishUs = 1033;

// Each id of the table and the pack it must read: an entry's texts are stored
// once, under its first id, Simplified Chinese under its own.
struct TableLanguage {
    std::uint16_t id;
    std::uint16_t pack;
};
constexpr TableLanguage kTableLanguages[] = {
    {1029, 1029}, {1030, 1030}, {1043, 1043}, {2067, 1043}, {1035, 1035}, {1036, 1036}, {2060, 1036},
    {3084, 1036}, {4108, 1036}, {1031, 1031}, {2055, 1031}, {3079, 1031}, {1032, 1032}, {1038, 1038},
    {1039, 1039}, {1040, 1040}, {2064, 1040}, {1044, 1044}, {2068, 1044}, {1045, 1045}, {1046, 1046},
    {1049, 1049}, {1051, 1051}, {1034, 1034}, {2058, 1034}, {3082, 1034}, {1053, 1053}, {1055, 1055},
    {1041, 1041}, {1028, 1028}, {2052, 2052}, {3076, 1028},
};

// What a translation must keep of the English text: its printf placeholders
// in order, its line breaks, its access keys' count and its leading and
// trailing blanks (247 is appended to a name).
std::wstring Shape(const std::wstring& text) {
    static const std::wregex kPlaceholder(L"%[-+ #0]*[0-9]*(\\.[0-9]+)?(l|h)?[sdiuxXc%]");
    std::wstring shape;
    for (std::wsregex_iterator i(text.begin(), text.end(), kPlaceholder), end; i != end; ++i) shape += i->str();
    for (wchar_t c : text) {
        if (c == L'\n') shape += L"|n";
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            shape += L"|&";
            ++i;  // "&&" is a literal ampersand, not a key
        }
    }
    if (!text.empty() && text.front() == L' ') shape += L"|lead";
    if (!text.empty() && text.back() == L' ') shape += L"|trail";
    return shape;
}

struct EnglishText {
    unsigned id;
    std::wstring text;
};

// Every text of the English string table (the program's ids lie below 1024).
std::vector<EnglishText> EnglishTexts() {
    std::vector<EnglishText> texts;
    for (unsigned id = 0; id < 1024; ++id) {
        if (auto text = FindStringResource(PlatformResourcePort(), id, kEnglishUs)) texts.push_back({id, *text});
    }
    return texts;
}

TEST(ShippedTranslations, EveryPackHasEveryTextInItsOwnShapeAndKeepsTheProductsName) {
    const std::vector<EnglishText> english = EnglishTexts();
    ASSERT_GE(english.size(), std::size(test::kExpectedEnglishStrings));
    for (const TableLanguage& language : kTableLanguages) {
        if (language.id != language.pack) continue;
        std::size_t translated = 0;
        for (const EnglishText& source : english) {
            const auto packed = FindPackedText(PlatformResourcePort(), source.id, language.pack);
            ASSERT_TRUE(packed) << "no text " << source.id << " in the pack " << language.pack;
            EXPECT_EQ(Shape(*packed), Shape(source.text)) << language.pack << " " << source.id;
            for (const wchar_t* name : {L"Orrin's HVB-3300-12 Norvale", L"Norvale", L"Version:"}) {
                if (source.text.find(name) != std::wstring::npos) {
                    EXPECT_NE(packed->find(name), std::wstring::npos) << language.pack << " " << source.id;
                }
            }
            if (*packed != source.text) ++translated;
        }
        // Names, "NTFS", "IP:" and the like stay; the rest is translated.
        EXPECT_GT(translated, english.size() * 9 / 10) << language.pack;
    }
}

TEST(ShippedTranslations, EveryTableIdReadsItsLanguagesPack) {
    const CLanguageTable& table = CLanguageTable::Instance();
    for (const TableLanguage& language : kTableLanguages) {
        for (unsigned id : {101u, 147u, 252u, 340u}) {
            EXPECT_EQ(table.LoadText(language.id, id), FindPackedText(PlatformResourcePort(), id, language.pack))
                << language.id << " " << id;
        }
    }
    // The two scripts of Chinese really differ.
    EXPECT_NE(table.LoadText(2052, 147), table.LoadText(1028, 147));
}

TEST(ShippedTranslations, LanguagesOutsideTheTableShowEnglish) {
    const CLanguageTable& table = CLanguageTable::Instance();
    for (std::uint16_t id : {kEnglishUs, std::uint16_t{2057}, std::uint16_t{2070}, std::uint16_t{1042}}) {
        EXPECT_EQ(table.LoadText(id, 147), L"Refresh") << id;
    }
}

std::optional<std::vector<std::uint8_t>> InflateBytes(const std::vector<std::uint8_t>& bytes, std::size_t limit) {
    return Inflate(bytes.data(), bytes.size(), limit);
}

std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(Inflate, ReadsStoredAndFixedBlocksAndRefusesWhatItCannotRead) {
    // zlib's own output: a stored block, and a fixed-Huffman block with matches.
    const std::vector<std::uint8_t> stored = {0x01, 0x0d, 0x00, 0xf2, 0xff, 0x41, 0x6b, 0x74, 0x75,
                                              0x61, 0x6c, 0x69, 0x73, 0x69, 0x65, 0x72, 0x65, 0x6e};
    const std::vector<std::uint8_t> fixed = {0x8b, 0xca, 0x4c, 0xcd, 0x51, 0x88, 0x42, 0x21, 0x14, 0x01};
    EXPECT_EQ(AsText(*InflateBytes(stored, 100)), "Aktualisieren");
    EXPECT_EQ(AsText(*InflateBytes(fixed, 100)), "Ziel Ziel Ziel Ziel!");

    std::vector<std::uint8_t> badLength = stored;
    badLength[3] = 0xf3;  // the length's complement no longer matches
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::size_t limit;
    } refused[] = {
        {"empty", {}, 100},
        {"stored block cut short", std::vector<std::uint8_t>(stored.begin(), stored.end() - 1), 100},
        {"fixed block cut short", std::vector<std::uint8_t>(fixed.begin(), fixed.end() - 2), 100},
        {"stored length and complement disagree", badLength, 100},
        {"reserved block type", {0x07}, 100},
        {"longer than allowed", fixed, 19},
        // A fixed block whose first code is a match: it refers before the start.
        {"distance before the start", {0x03, 0x02}, 100},
    };
    for (const auto& c : refused) EXPECT_FALSE(InflateBytes(c.bytes, c.limit)) << c.what;
}

TEST(TextPack, RefusesPacksWhoseSizeOrContentsDisagree) {
    // A pack of one id, 147 -> "Ziel": contents 01 00 93 'Z' 'i' 'e' 'l' 00, stored.
    std::vector<std::uint8_t> pack = {0x08, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0xf7, 0xff,
                                      0x01, 0x00, 0x93, 'Z',  'i',  'e',  'l',  0x00};
    EXPECT_EQ(ReadTextPackEntry(pack.data(), pack.size(), 147), L"Ziel");
    EXPECT_FALSE(ReadTextPackEntry(pack.data(), pack.size(), 146));
    EXPECT_FALSE(ReadTextPackEntry(pack.data(), pack.size(), 148));
    pack[0] = 0x09;  // claims a byte more than it holds
    EXPECT_FALSE(ReadTextPackEntry(pack.data(), pack.size(), 147));
    pack[0] = 0x08;
    pack[9] = 0x09;  // nine ids in eight bytes
    EXPECT_FALSE(ReadTextPackEntry(pack.data(), pack.size(), 147));
}

}  // namespace
}  // namespace norvale
