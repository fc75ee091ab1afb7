#include "platform/core/language_table.h"

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/platform/fake_string_resources.h"

namespace norvale {
namespace {

using test::FakeStringResources;

constexpr std::uint16_t kEnglishUs = 1033;
constexpr std::uint16_t kEnglishUk = 2057;
constexpr std::uint16_t kEnglishAustralia = 3081;
constexpr std::uint16_t kGerman = 1031;
constexpr std::uint16_t kGermanSwiss = 2055;
constexpr std::uint16_t kCzech = 1029;
constexpr std::uint16_t kPortugueseBrazil = 1046;
constexpr std::uint16_t kPortuguesePortugal = 2070;
constexpr std::uint16_t kChineseTaiwan = 1028;
constexpr std::uint16_t kChinesePrc = 2052;
constexpr std::uint16_t kChineseHongKong = 3076;

// English for every id used below; other languages hold a few ids only.
// German lacks 102 (its block 7 holds 111 only) and holds 150 with length 0.
FakeStringResources MultilingualModule() {
    FakeStringResources module;
    module.Add(kEnglishUs, {{102, L"Title"}, {111, L"Partition"}, {112, L"Volume"},
                            {147, L"Refresh"}, {150, L"Connect"}, {200, L"Gateway digit"}});
    module.Add(kGerman, {{111, L"Partitionen"}, {112, L"Datentr\u00e4ger"},
                         {147, L"Aktualisieren"}, {150, L""}});
    module.Add(kCzech, {{147, L"Obnovit"}});
    module.Add(kPortugueseBrazil, {{147, L"Atualizar"}});
    module.Add(kChineseTaiwan, {{147, L"\u91cd\u65b0\u6574\u7406"}});
    module.Add(kChinesePrc, {{147, L"\u5237\u65b0"}});
    return module;
}

struct Resolution {
    const char* what;
    std::uint16_t languageId;
    unsigned stringId;
    const wchar_t* expected;
};

class LanguageResolution : public testing::TestWithParam<Resolution> {};

TEST_P(LanguageResolution, PicksTheLanguageOrFallsBackToEnglish) {
    const FakeStringResources module = MultilingualModule();
    const CLanguageTable table(module);
    const Resolution& c = GetParam();
    EXPECT_EQ(table.LoadText(c.languageId, c.stringId), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageResolution,
    testing::Values(
        Resolution{"English (US)", kEnglishUs, 147, L"Refresh"},
        Resolution{"English (UK) is not a table language", kEnglishUk, 147, L"Refresh"},
        Resolution{"English (Australia)", kEnglishAustralia, 147, L"Refresh"},
        Resolution{"German text from the German block", kGerman, 147, L"Aktualisieren"},
        Resolution{"German block holds the id with length 0", kGerman, 150, L"Connect"},
        Resolution{"German block lacks the id", kGerman, 102, L"Title"},
        Resolution{"no German block for the id", kGerman, 200, L"Gateway digit"},
        Resolution{"Swiss German takes its entry's texts", kGermanSwiss, 147, L"Aktualisieren"},
        Resolution{"Swiss German falls back to English where German does", kGermanSwiss, 150, L"Connect"},
        Resolution{"Simplified Chinese has texts of its own", kChinesePrc, 147, L"\u5237\u65b0"},
        Resolution{"Hong Kong takes the entry's Traditional texts", kChineseHongKong, 147,
                   L"\u91cd\u65b0\u6574\u7406"},
        Resolution{"Czech, the first id of the table", kCzech, 147, L"Obnovit"},
        Resolution{"Czech without the id", kCzech, 150, L"Connect"},
        Resolution{"Portuguese (Brazil)", kPortugueseBrazil, 147, L"Atualizar"},
        Resolution{"Portuguese (Portugal) ignores the 1046 block", kPortuguesePortugal, 147, L"Refresh"},
        Resolution{"neutral language id", 0, 147, L"Refresh"},
        Resolution{"111 ends block 7 (English)", kEnglishUs, 111, L"Partition"},
        Resolution{"112 opens block 8 (English)", kEnglishUs, 112, L"Volume"},
        Resolution{"111 ends block 7 (German)", kGerman, 111, L"Partitionen"},
        Resolution{"112 opens block 8 (German)", kGerman, 112, L"Datentr\u00e4ger"},
        Resolution{"id without text anywhere", kEnglishUs, 262, L""},
        Resolution{"id without text anywhere, German", kGerman, 262, L""},
        Resolution{"id beyond 16 bits does not alias 147", kEnglishUs, 0x10000 + 147, L""},
        Resolution{"id beyond 16 bits, German", kGerman, 0x10000 + 147, L""}));

TEST(LanguageTable, GermanSystemWithEnglishOnlyTableShowsEnglish) {
    FakeStringResources module;
    module.Add(kEnglishUs, {{147, L"Refresh"}});
    const CLanguageTable table(module);
    EXPECT_EQ(table.LoadText(kGerman, 147), L"Refresh");
}

TEST(LanguageTable, HoldsExactlyTheTwentyLanguagesIds) {
    const std::uint16_t tableIds[] = {1029, 1030, 1043, 2067, 1035, 1036, 2060, 3084,
                                      4108, 1031, 2055, 3079, 1032, 1038, 1039, 1040,
                                      2064, 1044, 2068, 1045, 1046, 1049, 1051, 1034,
                                      2058, 3082, 1053, 1055, 1041, 1028, 2052, 3076};
    for (std::uint16_t id : tableIds) EXPECT_TRUE(CLanguageTable::IsTableLanguage(id)) << id;
    const std::uint16_t others[] = {0, 1024, 2048, 1033, 2057, 3081, 2070, 1042, 1054, 0xFFFF};
    for (std::uint16_t id : others) EXPECT_FALSE(CLanguageTable::IsTableLanguage(id)) << id;
}

TEST(LanguageTable, EveryCallReturnsItsOwnString) {
    const FakeStringResources module = MultilingualModule();
    const CLanguageTable table(module);
    std::wstring first = table.LoadText(kGerman, 147);
    const std::wstring second = table.LoadText(kGerman, 147);
    EXPECT_EQ(first, second);
    first += L"!";
    EXPECT_EQ(second, L"Aktualisieren");
    EXPECT_EQ(table.LoadText(kGerman, 147), L"Aktualisieren");
}

TEST(LanguageTable, LooksTheTextUpAgainOnEveryCall) {
    FakeStringResources module = MultilingualModule();
    const CLanguageTable table(module);
    EXPECT_EQ(table.LoadText(kGerman, 147), L"Aktualisieren");
    module.Add(kGerman, {{147, L"Neu laden"}});
    EXPECT_EQ(table.LoadText(kGerman, 147), L"Neu laden");
}

TEST(LanguageTable, InstanceReadsTheShippedTableUnlessATestInstallsAnother) {
    CLanguageTable& table = CLanguageTable::Instance();
    EXPECT_EQ(&table, &CLanguageTable::Instance());
    const std::wstring shipped = L"Orrin's HVB-3300-12 Norvale";
    EXPECT_EQ(table.LoadText(kEnglishUs, IDS_TITLE), shipped);

    FakeStringResources module;
    module.Add(kEnglishUs, {{IDS_TITLE, L"Installed"}});
    CLanguageTable::InstallResourcesForTesting(&module);
    EXPECT_EQ(table.LoadText(kEnglishUs, IDS_TITLE), L"Installed");
    CLanguageTable::InstallResourcesForTesting(nullptr);
    EXPECT_EQ(table.LoadText(kEnglishUs, IDS_TITLE), shipped);
}

}  // namespace
}  // namespace norvale
