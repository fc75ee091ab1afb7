// The appliance's target entries: the split, the name the initiator knows,
// the CHAP password's decoding, and a secret that never shows.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "iscsi/core/base64.h"
#include "iscsi/core/target_entry.h"
#include "protocol/core/name_list.h"
#include "protocol/core/protocol_constants.h"

namespace norvale {
namespace {

TEST(SplitTargetEntry, NameFlagUserAndPassword) {
    struct Case {
        const wchar_t* entry;
        const wchar_t* listed;
        const wchar_t* name;
        const wchar_t* flag;
        const wchar_t* user;
        const wchar_t* password;
        bool chap;
    };
    const Case cases[] = {
        {L"iqn.2026-12.com.orrin:t1|1@joe$c2VjcmV0cGFzczEy", L"iqn.2026-12.com.orrin:t1",
         L"iqn.2026-12.com.orrin:t1", L"1", L"joe", L"c2VjcmV0cGFzczEy", true},
        {L"iqn.x:t|0@$", L"iqn.x:t", L"iqn.x:t", L"0", L"", L"", false},
        {L"iqn.x:t|1", L"iqn.x:t", L"iqn.x:t", L"", L"", L"", false},   // no "@": no flag
        {L"iqn.x:t|1@joe", L"iqn.x:t", L"iqn.x:t", L"1", L"", L"", true},  // no "$": no user
        {L"iqn.x:t|yes@joe$pw", L"iqn.x:t", L"iqn.x:t", L"yes", L"joe", L"pw", false},
        {L"iqn.x:no-bar", L"", L"", L"", L"", L"", false},                // never matches
        {L"a|b|1@u@v$w$x", L"a", L"a", L"b|1", L"u@v", L"w$x", false},    // first marks cut
        // "_" is "-" in the name only: the user name reaches the target unchanged.
        {L"iqn.x:my_disk|1@chap_user$a_b", L"iqn.x:my_disk", L"iqn.x:my-disk", L"1", L"chap_user", L"a_b", true},
    };
    for (const Case& c : cases) {
        const DeviceTargetEntry split = SplitTargetEntry(c.entry);
        EXPECT_EQ(split.listedName, c.listed) << c.entry;
        EXPECT_EQ(split.name, c.name) << c.entry;
        EXPECT_EQ(split.chapFlag, c.flag) << c.entry;
        EXPECT_EQ(split.userName, c.user) << c.entry;
        EXPECT_TRUE(split.encodedPassword.Matches(c.password)) << c.entry;
        EXPECT_EQ(split.ChapRequired(), c.chap) << c.entry;
    }
}

TEST(SplitTargetEntry, TheFirstEntryWhoseInitiatorNameMatchesIgnoringCaseDecides) {
    const std::vector<std::wstring> entries{L"no-bar-entry", L"iqn.x:my_disk|0@$", L"IQN.X:MY-DISK|1@u$p",
                                            L"iqn.x:other|1@u$p"};
    EXPECT_EQ(FindTargetEntry(entries, L"IQN.X:MY-DISK"), &entries[1]);
    EXPECT_EQ(FindTargetEntry(entries, L"iqn.x:other"), &entries[3]);
    EXPECT_EQ(FindTargetEntry(entries, L"no-bar-entry"), nullptr);
    EXPECT_EQ(FindTargetEntry(entries, L""), nullptr);
}

TEST(SplitTargetEntry, ShownNameAndPrefixCutAtTheFirstColon) {
    EXPECT_EQ(ShownTargetName(L"iqn.2026-12.com.orrin:archive:lun0"), L"archive:lun0");
    EXPECT_EQ(TargetNamePrefix(L"iqn.2026-12.com.orrin:archive:lun0"), L"iqn.2026-12.com.orrin:");
    EXPECT_EQ(ShownTargetName(L"plain-name"), L"plain-name");
    EXPECT_EQ(TargetNamePrefix(L"plain-name"), L"");
}

TEST(CBase64, DecodesEachByteToOneCharacter) {
    struct Case {
        const wchar_t* encoded;
        std::wstring decoded;
    };
    const Case cases[] = {
        {L"c2VjcmV0cGFzczEy", L"secretpass12"},
        {L"U2l4dGVlbi1jaGFycy0xNg==", L"Sixteen-chars-16"},
        {L"U2l4dGVl\r\nbi1jaGFy cy0x\tNg==", L"Sixteen-chars-16"},  // line breaks and blanks skipped
        {L"YWJj=ZGVm", L"abc"},                                     // "=" ends the data
        {L"cORzc3f2cmQxMjM0", L"p\u00E4ssw\u00F6rd1234"},              // bytes above 127 are characters
        {L"", L""},
        {L"!!!", L""},
        {L"QQ", L"A"},  // a last group of two characters still yields its byte
    };
    // Compared without printing: a failure names the case, never the secret.
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(CBase64::Decode(cases[i].encoded).Matches(cases[i].decoded)) << "case " << i;
    // Only the first 59 characters are read.
    const std::wstring long64(60, L'Q');
    EXPECT_EQ(CBase64::Decode(long64).Size(), 59u * 6 / 8);
}

TEST(CBase64, APasswordWhosePaddingTheListSeparatorAteStillDecodesWhole) {
    // The appliance joins its entries with "=", so the name list takes the
    // padding of the last password in an entry for a separator.
    NameList list;
    FillNameList(list, "iqn.x:t1|1@chap_user$U2l4dGVlbi1jaGFycy0xNg===iqn.x:t2|1@u$YWJjZGVmZ2hpamtsbQ==",
                 kTargetSeparator, kMaxTargetEntryChars);
    ASSERT_EQ(list.Count(), 2u);
    const DeviceTargetEntry first = SplitTargetEntry(list.Names()[0]);
    const DeviceTargetEntry second = SplitTargetEntry(list.Names()[1]);
    EXPECT_TRUE(first.encodedPassword.Matches(L"U2l4dGVlbi1jaGFycy0xNg"));
    EXPECT_EQ(first.userName, L"chap_user");
    EXPECT_TRUE(CBase64::Decode(first.encodedPassword.Reveal()).Matches(L"Sixteen-chars-16"));
    EXPECT_TRUE(CBase64::Decode(second.encodedPassword.Reveal()).Matches(L"abcdefghijklm"));
}

TEST(SecretText, PrintsItsLengthOnlyAndIsWipedWhenMovedOrWiped) {
    SecretText secret(L"Sixteen-chars-16");
    std::ostringstream printed;
    PrintTo(secret, &printed);
    EXPECT_EQ(printed.str(), "<secret of 16 characters>");
    EXPECT_EQ(::testing::PrintToString(secret), "<secret of 16 characters>");

    SecretText moved(std::move(secret));
    EXPECT_TRUE(secret.Empty());  // NOLINT(bugprone-use-after-move): the source is wiped
    EXPECT_TRUE(moved.Matches(L"Sixteen-chars-16"));
    EXPECT_FALSE(moved.Matches(L"sixteen-chars-16"));

    moved.Wipe();
    EXPECT_TRUE(moved.Empty());
}

}  // namespace
}  // namespace norvale
