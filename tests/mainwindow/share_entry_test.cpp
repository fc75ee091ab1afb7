// Share names with their lock marks, remote and local names, and the
// credential plan of each Windows version.
#include <gtest/gtest.h>

#include <string>

#include "mainwindow/core/shares/share_connect.h"
#include "mainwindow/core/shares/share_entry.h"
#include "platform/core/drives/mapped_drive_table.h"

namespace norvale {
namespace {

struct EntryCase {
    const wchar_t* entry;
    const wchar_t* name;
    bool locked;
};

TEST(ParseShareEntry, StarAndAtMarksAndPlainNames) {
    const EntryCase cases[] = {
        {L"music*0", L"music", false},
        {L"music*1", L"music", true},
        {L"music*", L"music", true},      // a missing flag locks
        {L"music*00", L"music", true},    // only "0" opens
        {L"data@1", L"data", true},
        {L"data@0", L"data", false},
        {L"data@2", L"data@2", false},    // no valid @ flag: a plain name
        {L"a@b@0", L"a@b@0", false},      // the flag is everything after the first @
        {L"x*y@0", L"x", true},           // the star mark wins
        {L"*0", L"*0", false},            // a mark in the first character is none
        {L"*x@0", L"*x", false},          // ... so the @ mark may still apply
        {L"@1", L"@1", false},
        {L"public", L"public", false},
        {L"", L"", false},
    };
    for (const EntryCase& c : cases) {
        const ShareEntry parsed = ParseShareEntry(c.entry);
        EXPECT_EQ(parsed.name, c.name) << c.entry;
        EXPECT_EQ(parsed.locked, c.locked) << c.entry;
    }
    EXPECT_TRUE(SameNameIgnoringCase(ParseShareEntry(L"Music*0").name, L"MUSIC"));
    EXPECT_FALSE(SameNameIgnoringCase(L"music", L"musi"));
}

TEST(RemoteNames, SplitAndBuild) {
    std::wstring server, share;
    ASSERT_TRUE(SplitRemoteName(L"\\\\NAS\\music", server, share));
    EXPECT_EQ(server, L"NAS");
    EXPECT_EQ(share, L"music");
    ASSERT_TRUE(SplitRemoteName(L"\\\\NAS\\music\\rock", server, share));
    EXPECT_EQ(share, L"music\\rock") << "the share keeps its own backslashes";
    for (const wchar_t* odd : {L"", L"\\\\", L"\\\\NAS", L"\\\\NAS\\", L"\\\\\\music", L"NAS\\music"}) {
        EXPECT_FALSE(SplitRemoteName(odd, server, share)) << odd;
        EXPECT_TRUE(server.empty() && share.empty()) << odd;
    }

    EXPECT_EQ(ShareRemoteName(L"NAS", L"music"), L"\\\\NAS\\music");
    // Names from the network must not lead to another server or path.
    const std::pair<const wchar_t*, const wchar_t*> refused[] = {
        {L"", L"music"}, {L"NAS", L""}, {L"NAS\\other", L"music"}, {L"NAS", L"..\\admin$"}, {L"NAS", L"a/b"}};
    for (const auto& [device, shareName] : refused) {
        EXPECT_EQ(ShareRemoteName(device, shareName), L"") << device << L" " << shareName;
    }
    EXPECT_EQ(ShareRemoteName(L"NAS", std::wstring(249, L's')).size(), 255u) << "255 characters fit";
    EXPECT_EQ(ShareRemoteName(L"NAS", std::wstring(250, L's')), L"");

    EXPECT_EQ(LocalDriveName(L"Z:"), L"Z:");
    EXPECT_EQ(LocalDriveName(L"Y: \\\\NAS\\music"), L"Y:");
    for (const wchar_t* odd : {L"", L"Z", L"1:", L":Z", L" Z:"}) EXPECT_EQ(LocalDriveName(odd), L"") << odd;
}

TEST(CredentialPlan, FollowsTheWindowsVersionName) {
    EXPECT_EQ(CredentialPlanFor(L"Windows NT 4", false), CredentialPlan::LoginFirst);
    EXPECT_EQ(CredentialPlanFor(L"Windows NT 3.51", false), CredentialPlan::LoginFirst);
    EXPECT_EQ(CredentialPlanFor(L"Vista", false), CredentialPlan::EmptyThenWindowsPrompt);
    for (const wchar_t* name : {L"Windows XP", L"Windows 2000", L"Windows 98 SE", L"Windows ME",
                                L"unknown Windows version"}) {
        EXPECT_EQ(CredentialPlanFor(name, false), CredentialPlan::EmptyThenLogin) << name;
    }
}

}  // namespace
}  // namespace norvale
