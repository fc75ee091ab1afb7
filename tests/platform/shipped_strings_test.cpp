// The string table that ships, read through the platform's own port: the
// embedded resource image on the host, the executable's resources on Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

#include "platform/core/language_table.h"
#include "platform/core/string_block.h"
#include "tests/platform/expected_strings.h"

namespace norvale {
namespace {

constexpr std::uint16_t kEnglishUs = 1033;

// The ids of the program's range that carry no text.
const std::set<unsigned> kUnusedIds = {158, 159, 160, 161, 183, 225, 226, 227, 263, 264, 265,
                                       270, 271, 272, 283, 284, 285, 286, 287, 288, 289};

TEST(ShippedStrings, EveryListedIdHasExactlyItsEnglishText) {
    const CLanguageTable& table = CLanguageTable::Instance();
    for (const test::ExpectedString& expected : test::kExpectedEnglishStrings) {
        EXPECT_EQ(FindStringResource(PlatformResourcePort(), expected.id, kEnglishUs), expected.text)
            << expected.id;
        EXPECT_EQ(table.LoadText(kEnglishUs, expected.id), expected.text) << expected.id;
    }
}

TEST(ShippedStrings, UnusedIdsHaveNoText) {
    const CLanguageTable& table = CLanguageTable::Instance();
    for (unsigned id : kUnusedIds) {
        EXPECT_FALSE(FindStringResource(PlatformResourcePort(), id, kEnglishUs)) << id;
        EXPECT_EQ(table.LoadText(kEnglishUs, id), L"") << id;
    }
}

TEST(ShippedStrings, ExpectationsCoverTheWholeRange) {
    std::set<unsigned> listed;
    for (const test::ExpectedString& expected : test::kExpectedEnglishStrings) {
        EXPECT_TRUE(listed.insert(expected.id).second) << "listed twice: " << expected.id;
    }
    const unsigned highest = std::max_element(std::begin(test::kExpectedEnglishStrings),
                                              std::end(test::kExpectedEnglishStrings),
                                              [](const auto& a, const auto& b) { return a.id < b.id; })->id;
    for (unsigned id = 101; id <= highest; ++id) {
        EXPECT_NE(listed.count(id) == 1, kUnusedIds.count(id) == 1) << id;
    }
}

}  // namespace
}  // namespace norvale
