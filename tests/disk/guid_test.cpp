// GUID text and byte forms, as GPT entries and CLSIDFromString use them.
#include <gtest/gtest.h>

#include "disk/core/stack/guid.h"

namespace norvale {
namespace {

TEST(Guid, BasicDataTypeLiesOnDiskWithItsFirstFieldsLittleEndian) {
    const auto bytes = kBasicDataPartitionType.ToBytes();
    const std::array<std::uint8_t, 16> onDisk = {0xa2, 0xa0, 0xd0, 0xeb, 0xe5, 0xb9, 0x33, 0x44,
                                                 0x87, 0xc0, 0x68, 0xb6, 0xb7, 0x26, 0x99, 0xc7};
    EXPECT_EQ(bytes, onDisk);
    EXPECT_EQ(Guid::FromBytes(onDisk.data()), kBasicDataPartitionType);
    EXPECT_EQ(kBasicDataPartitionType.ToString(), L"{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}");
}

TEST(Guid, ParsesWhatWindowsPrintsAndRefusesTheRest) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}", true},
        {L"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", true},
        {L"{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7", false},
        {L"ebd0a0a2b9e5-4433-87c0-68b6b72699c7-", false},
        {L"{ebd0a0a2-b9e5-4433-87c0-68b6b72699cg}", false},
        {L"", false},
    };
    for (const auto& [text, valid] : cases) {
        const auto parsed = Guid::Parse(text);
        EXPECT_EQ(parsed.has_value(), valid) << std::wstring(text).size();
        if (parsed) {
            EXPECT_EQ(*parsed, kBasicDataPartitionType);
        }
    }
}

}  // namespace
}  // namespace norvale
