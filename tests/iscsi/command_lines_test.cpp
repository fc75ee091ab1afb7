// The command lines to the character, and the fields that must not reach
// the child because they would shift its arguments.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "iscsi/core/command_lines.h"

namespace norvale {
namespace {

const std::wstring kTarget = L"iqn.2004-08.com.orrin:hvb-3300-12.disk0";
const std::wstring kInitiator = L"iqn.1991-05.com.microsoft:pc-01";

std::wstring Text(const CommandLine& line) {
    EXPECT_TRUE(line.Built()) << std::string(line.refusal.begin(), line.refusal.end());
    return line.text;
}

TEST(CommandLinesTest, LoginLinesCarryTwoPlusTwelveStarsAndNoMappings) {
    EXPECT_EQ(Text(LoginTargetCommand(kTarget, kInitiator)),
              L"iscsicli logintarget " + kTarget + L" t * * " + kInitiator +
                  L" * * * * * * * * * * * * 0");
    EXPECT_EQ(Text(PersistentLoginTargetCommand(kTarget, kInitiator)),
              L"iscsicli persistentlogintarget " + kTarget + L" t * * " + kInitiator +
                  L" * * * * * * * * * * * * 0");
}

TEST(CommandLinesTest, ChapLinesQuoteTheCredentialsBetweenEightStarsAndTheKeyStar) {
    EXPECT_EQ(Text(ChapLoginTargetCommand(kTarget, kInitiator, L"admin user", L"secret 12345")),
              L"iscsicli logintarget " + kTarget + L" t * * " + kInitiator +
                  L" * * * * * * * * \"admin user\" \"secret 12345\" 1 * 0");
    EXPECT_EQ(Text(ChapPersistentLoginTargetCommand(kTarget, kInitiator, L"u", L"p")),
              L"iscsicli persistentlogintarget " + kTarget + L" t * * " + kInitiator +
                  L" * * * * * * * * \"u\" \"p\" 1 * 0");
}

TEST(CommandLinesTest, FixedLinesKeepTheirTrailingBlanks) {
    EXPECT_EQ(BindPersistentVolumesCommand(), L"iscsicli BindPersistentVolumes ");
    EXPECT_EQ(ClearPersistentDevicesCommand(), L"iscsicli ClearPersistentDevices ");
    EXPECT_EQ(ListTargetsCommand(), L"iscsicli ListTargets t");
}

TEST(CommandLinesTest, SingleFieldLines) {
    EXPECT_EQ(Text(LogoutTargetCommand(L"ffffe0012345-4000013700000002")),
              L"iscsicli logouttarget ffffe0012345-4000013700000002");
    EXPECT_EQ(Text(RemovePersistentDeviceCommand(L"E:\\")), L"iscsicli RemovePersistentDevice E:\\");
    EXPECT_EQ(Text(AddPersistentDeviceCommand(L"E:")), L"iscsicli AddPersistentDevice E:");
    EXPECT_EQ(Text(RemoveTargetPortalCommand(L"192.168.1.20")),
              L"iscsicli RemoveTargetPortal 192.168.1.20 3260");
    EXPECT_EQ(Text(DiskpartScriptCommand(L"C:\\diskdel.script")),
              L"cmd.exe /C diskpart /s C:\\diskdel.script");
}

TEST(CommandLinesTest, RemovePersistentTargetHasTwoBlanksAfterTheVerb) {
    EXPECT_EQ(Text(RemovePersistentTargetCommand(L"ROOT\\ISCSIPRT\\0000_0", kTarget,
                                                 L"192.168.1.20")),
              L"iscsicli removepersistenttarget  \"ROOT\\ISCSIPRT\\0000_0\" \"" + kTarget +
                  L"\" * \"192.168.1.20\" 3260");
}

TEST(CommandLinesTest, InstallerPathIsQuotedOnlyWhenItHasBlanks) {
    EXPECT_EQ(Text(InstallerCommand(L"C:\\Temp\\initiator-x86fre.exe")),
              L"C:\\Temp\\initiator-x86fre.exe");
    EXPECT_EQ(Text(InstallerCommand(L"C:\\Program Files\\Orrin\\initiator.exe")),
              L"\"C:\\Program Files\\Orrin\\initiator.exe\"");
    EXPECT_FALSE(InstallerCommand(L"C:\\a\"b.exe").Built());
    EXPECT_FALSE(InstallerCommand(L"").Built());
}

using OneField = std::function<CommandLine(const std::wstring&)>;

// Each builder with the field under test at the given position.
struct FieldCase {
    const char* label;
    OneField build;
    bool quoted;
};

const FieldCase kFields[] = {
    {"LoginTarget", [](const std::wstring& v) { return LoginTargetCommand(v, kInitiator); }, false},
    {"LoginInitiator", [](const std::wstring& v) { return LoginTargetCommand(kTarget, v); }, false},
    {"PersistentTarget",
     [](const std::wstring& v) { return PersistentLoginTargetCommand(v, kInitiator); }, false},
    {"ChapTarget", [](const std::wstring& v) { return ChapLoginTargetCommand(v, kInitiator, L"u", L"p"); },
     false},
    {"ChapUser", [](const std::wstring& v) { return ChapLoginTargetCommand(kTarget, kInitiator, v, L"p"); },
     true},
    {"ChapPassword",
     [](const std::wstring& v) { return ChapPersistentLoginTargetCommand(kTarget, kInitiator, L"u", v); },
     true},
    {"Logout", [](const std::wstring& v) { return LogoutTargetCommand(v); }, false},
    {"RemoveInstance",
     [](const std::wstring& v) { return RemovePersistentTargetCommand(v, kTarget, L"10.0.0.1"); }, true},
    {"RemoveTarget",
     [](const std::wstring& v) { return RemovePersistentTargetCommand(L"I", v, L"10.0.0.1"); }, true},
    {"RemovePortal", [](const std::wstring& v) { return RemovePersistentTargetCommand(L"I", kTarget, v); },
     true},
    {"RemoveDevice", [](const std::wstring& v) { return RemovePersistentDeviceCommand(v); }, false},
    {"AddDevice", [](const std::wstring& v) { return AddPersistentDeviceCommand(v); }, false},
    {"RemoveTargetPortal", [](const std::wstring& v) { return RemoveTargetPortalCommand(v); }, false},
    {"Diskpart", [](const std::wstring& v) { return DiskpartScriptCommand(v); }, false},
};

TEST(CommandLinesTest, FieldsThatWouldBreakOutOfTheirArgumentAreRefused) {
    const std::wstring always[] = {L"", L"a\"b", L"a\nb", L"a\tb", std::wstring(L"a\0b", 3),
                                   L"a\x7f" L"b"};
    for (const FieldCase& f : kFields) {
        for (const std::wstring& bad : always) {
            CommandLine line = f.build(bad);
            EXPECT_FALSE(line.Built()) << f.label;
            EXPECT_TRUE(line.text.empty()) << f.label;
        }
        // A blank ends an unquoted argument; inside quotes it is the value.
        EXPECT_EQ(f.build(L"a b").Built(), f.quoted) << f.label;
        // A backslash before the closing quote would escape it.
        EXPECT_EQ(f.build(L"ab\\").Built(), !f.quoted) << f.label;
        EXPECT_TRUE(f.build(L"a\\b").Built()) << f.label;
    }
}

TEST(CommandLinesTest, DiskpartPathCannotChainAnotherCommand) {
    for (const wchar_t* bad : {L"C:\\x.script&del", L"C:\\x|y", L"C:\\x>y", L"C:\\%TEMP%\\x"})
        EXPECT_FALSE(DiskpartScriptCommand(bad).Built()) << std::wstring(bad).size();
}

TEST(CommandLinesTest, RefusalNamesTheFieldButNeverThePassword) {
    CommandLine line = ChapLoginTargetCommand(kTarget, kInitiator, L"user", L"s3cr\"t-value");
    ASSERT_FALSE(line.Built());
    EXPECT_NE(line.refusal.find(L"CHAP password"), std::wstring::npos);
    EXPECT_EQ(line.refusal.find(L"s3cr"), std::wstring::npos);
    EXPECT_EQ(LoginTargetCommand(L"a b", kInitiator).refusal, L"target name contains a blank");
}

}  // namespace
}  // namespace norvale
