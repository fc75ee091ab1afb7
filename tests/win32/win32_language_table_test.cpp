// The language table over the test executable's own RT_STRING resources (see
// test_resources.rc): what FindResourceExW really answers decides.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/core/language_table.h"
#include "platform/core/string_block.h"
#include "platform/win32/win32_resource_port.h"

namespace norvale {
namespace {

struct Resolution {
    const char* what;
    std::uint16_t languageId;
    unsigned stringId;
    const wchar_t* expected;
};

TEST(Win32LanguageTable, ResolvesAgainstTheExecutablesStringTable) {
    const Resolution cases[] = {
        {"English (US)", 1033, 147, L"Refresh"},
        {"English (UK)", 2057, 147, L"Refresh"},
        {"German block holds the id", 1031, 147, L"Aktualisieren"},
        {"German entry of length 0", 1031, 150, L"Connect"},
        {"German block lacks the id", 1031, 102, L"Orrin's HVB-3300-12 Norvale"},
        {"no German block", 1031, 200, L"Invalid gateway IP address in 3rd digit. It should be 0-255."},
        {"Swiss German has no block of its own", 2055, 147, L"Refresh"},
        {"Czech without any Czech block", 1029, 147, L"Refresh"},
        {"Portuguese (Brazil)", 1046, 147, L"Atualizar"},
        {"Portuguese (Portugal) with a 1046 block present", 2070, 147, L"Refresh"},
        {"111 ends block 7", 1033, 111, L"Partition"},
        {"112 opens block 8", 1033, 112, L"Volume"},
        {"111 ends the German block 7", 1031, 111, L"Partitionen"},
        {"112 opens the German block 8", 1031, 112, L"Datentr\u00e4ger"},
        {"no text in any language", 1033, 263, L""},
        {"no text in any language, German", 1031, 263, L""},
    };
    const CLanguageTable& table = CLanguageTable::Instance();
    for (const Resolution& c : cases) {
        EXPECT_EQ(table.LoadText(c.languageId, c.stringId), c.expected) << c.what;
    }
}

TEST(Win32ResourcePort, FindsBlocksInExactlyTheRequestedLanguage) {
    const win32::Win32ResourcePort port;
    EXPECT_TRUE(port.Find(kResourceTypeString, 10, 1033));
    EXPECT_TRUE(port.Find(kResourceTypeString, 10, 1031));
    EXPECT_TRUE(port.Find(kResourceTypeString, 10, 1046));
    EXPECT_FALSE(port.Find(kResourceTypeString, 10, 2070));
    EXPECT_FALSE(port.Find(kResourceTypeString, 10, 2055));
    EXPECT_FALSE(port.Find(kResourceTypeString, 13, 1031));
    // Neutral ids would let Windows choose a language; the port refuses them.
    EXPECT_FALSE(port.Find(kResourceTypeString, 10, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)));
    EXPECT_FALSE(port.Find(kResourceTypeString, 10, LANG_USER_DEFAULT));
    // The German block 10 is 16 empty entries but for 147, as compiled.
    const auto block = port.Find(kResourceTypeString, 10, 1031);
    ASSERT_TRUE(block);
    EXPECT_EQ(ReadStringBlockEntry(block->data, block->size, 3), L"Aktualisieren");
    EXPECT_FALSE(ReadStringBlockEntry(block->data, block->size, 6));
}

}  // namespace
}  // namespace norvale
