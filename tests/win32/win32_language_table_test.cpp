// The language table over the test executable's own resources (see
// test_resources.rc): what FindResourceExW really answers decides.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/core/language_table.h"
#include "platform/core/string_block.h"
#include "platform/core/text_pack.h"
#include "platform/win32/win32_resource_port.h"

namespace norvale {
namespace {

struct Resolution {
    const char* what;
    std::uint16_t languageId;
    unsigned stringId;
    const wchar_t* expected;
};

TEST(Win32LanguageTable, ResolvesAgainstTheExecutablesResources) {
    const Resolution cases[] = {
        {"English (US)", 1033, 147, L"Refresh"},
        {"English (UK)", 2057, 147, L"Refresh"},
        {"German from its pack", 1031, 147, L"Aktualisieren"},
        {"German keeps the product's name", 1031, 102, L"Orrin's HVB-3300-12 Norvale"},
        {"Swiss German's block holds the id", 2055, 159, L"Ende von Block 10"},
        {"160 opens Swiss German's block 11", 2055, 160, L"Anfang von Block 11 \u00e4"},
        {"Swiss German's entry of length 0 takes German's", 2055, 150, L"Verbinden"},
        {"Swiss German without a block takes German's", 2055, 200,
         L"Ung\u00fcltige Gateway-IP-Adresse im 3. Feld. Zul\u00e4ssig ist 0-255."},
        {"Austrian German", 3079, 147, L"Aktualisieren"},
        {"Portuguese (Portugal) with a block of its own", 2070, 147, L"Refresh"},
        {"159 has no text in German or English", 1031, 159, L""},
        {"no text in any language", 1033, 263, L""},
    };
    const CLanguageTable& table = CLanguageTable::Instance();
    for (const Resolution& c : cases) {
        EXPECT_EQ(table.LoadText(c.languageId, c.stringId), c.expected) << c.what;
    }
}

TEST(Win32ResourcePort, FindsResourcesInExactlyTheRequestedLanguage) {
    const win32::Win32ResourcePort port;
    EXPECT_TRUE(port.Find(kResourceTypeString, 10, 1033));
    EXPECT_TRUE(port.Find(kResourceTypeString, 10, 2055));
    EXPECT_TRUE(port.Find(kResourceTypeString, 10, 2070));
    EXPECT_FALSE(port.Find(kResourceTypeString, 10, 1031));
    EXPECT_FALSE(port.Find(kResourceTypeString, 10, 1046));
    EXPECT_FALSE(port.Find(kResourceTypeString, 13, 2055));
    EXPECT_TRUE(port.Find(kResourceTypeRcData, kTextPackName, 1031));
    EXPECT_FALSE(port.Find(kResourceTypeRcData, kTextPackName, 2055));
    // Neutral ids would let Windows choose a language; the port refuses them.
    EXPECT_FALSE(port.Find(kResourceTypeString, 10, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)));
    EXPECT_FALSE(port.Find(kResourceTypeString, 10, LANG_USER_DEFAULT));
    // Swiss German's block 10 is 16 empty entries but for 159, as compiled.
    const auto block = port.Find(kResourceTypeString, 10, 2055);
    ASSERT_TRUE(block);
    EXPECT_EQ(ReadStringBlockEntry(block->data, block->size, 15), L"Ende von Block 10");
    EXPECT_FALSE(ReadStringBlockEntry(block->data, block->size, 6));
}

}  // namespace
}  // namespace norvale
