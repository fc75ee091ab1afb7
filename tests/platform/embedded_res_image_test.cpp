// The resource image that the host build embeds from the shipped script.
#include <gtest/gtest.h>

#include <set>

#include "platform/core/res_image.h"
#include "platform/core/resource_port.h"

namespace norvale {

extern const unsigned char kNorvaleResImage[];
extern const std::size_t kNorvaleResImageSize;

namespace {

TEST(EmbeddedResImage, ParsesAndCarriesEnglishStringBlocksOnly) {
    const auto entries = ParseResImage(kNorvaleResImage, kNorvaleResImageSize);
    ASSERT_TRUE(entries);
    std::set<std::uint16_t> blocks;
    for (const ResImageEntry& entry : *entries) {
        if (!entry.type.IsOrdinal(kResourceTypeString)) continue;
        EXPECT_EQ(entry.languageId, 1033);
        ASSERT_TRUE(entry.name.ordinal);
        blocks.insert(*entry.name.ordinal);
    }
    // Ids 101 to 340 fill blocks 7 to 22 (16 ids a block).
    EXPECT_EQ(blocks, (std::set<std::uint16_t>{7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}));
}

}  // namespace
}  // namespace norvale
