// The command lines to the character, and the fields that must not reach
// the child because they would shift its arguments.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/core/initiator/command_lines.h"
#include "platform/core/initiator/iscsi_name.h"

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

TEST(CommandLinesTest, ChapLinesQuoteTheUserAndGiveTheSecretAsHexBetweenEightStarsAndTheKeyStar) {
    EXPECT_EQ(Text(ChapLoginTargetCommand(kTarget, kInitiator, L"admin", L"secret 12345")),
              L"iscsicli logintarget " + kTarget + L" t * * " + kInitiator +
                  L" * * * * * * * * \"admin\" \"0x736563726574203132333435\" 1 * 0");
    EXPECT_EQ(Text(ChapPersistentLoginTargetCommand(kTarget, kInitiator, L"u", L"p\"0x")),
              L"iscsicli persistentlogintarget " + kTarget + L" t * * " + kInitiator +
                  L" * * * * * * * * \"u\" \"0x70223078\" 1 * 0");
}

TEST(CommandLinesTest, TargetNamesMustBeIscsiNames) {
    const std::wstring prefix = L"iqn.2026-12.com.orrin:";
    const struct {
        std::wstring name;
        bool valid;
    } cases[] = {
        {prefix + L"disk0", true},
        {L"IQN.2026-12.COM.ORRIN:DISK0", true},  // letter case does not count
        {L"eui.02004567A425678D", true},
        {L"naa.52004567BA64678D", true},
        {L"naa.62004567BA64678D0123456789ABCDEF", true},
        {prefix + std::wstring(223 - prefix.size(), L'x'), true},
        {prefix + std::wstring(224 - prefix.size(), L'x'), false},
        {prefix + L"a b", false}, {prefix + L"a\"b", false}, {prefix + L"a^b", false},
        {prefix + L"a&b", false}, {prefix + L"a|b", false},   {prefix + L"a<b", false},
        {prefix + L"a>b", false}, {prefix + L"a\x01" L"b", false}, {prefix + L"a_b", false},
        {prefix + L"a'b", false}, {prefix + L"a\\b", false}, {prefix + L"a%b", false},
        {L"iqn.2026-13.com.orrin:x", false},  // no such month
        {L"iqn.com.orrin:x", false},          // no date
        {L"eui.02004567A425678", false},      // 15 digits
        {L"eui.02004567A425678G", false},
        {L"naa.52004567BA64678D01", false},
        {L"disk0", false},
        {L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsIscsiName(c.name), c.valid) << c.name.size();
        EXPECT_EQ(LoginTargetCommand(c.name, kInitiator).Built(), c.valid) << c.name.size();
        EXPECT_EQ(ChapLoginTargetCommand(c.name, kInitiator, L"u", L"Twelve-chars").Built(), c.valid);
        EXPECT_EQ(RemovePersistentTargetCommand(L"I", c.name, L"10.0.0.1").Built(), c.valid) << c.name.size();
    }
}

TEST(CommandLinesTest, ChapUserNamesArePrintableAsciiWithoutBlanksOrQuotes) {
    const struct {
        const wchar_t* user;
        bool valid;
    } cases[] = {{L"chap_user", true}, {L"a!#$%&'()+,-./:;<=>?@[\\]^`{|}~", true}, {L"a b", false},
                 {L"a\"b", false},     {L"a\tb", false},                           {L"*", false},
                 {L"", false},          {L"caf\u00e9", false},                      {L"a\x7f", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsChapUserName(c.user), c.valid) << c.valid;
        EXPECT_EQ(ChapLoginTargetCommand(kTarget, kInitiator, c.user, L"Twelve-chars").Built(), c.valid);
    }
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
    EXPECT_EQ(Text(AddPersistentDeviceCommand(L"E:")), L"iscsicli AddPersistentDevice E:\\");
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
    {"LoginInitiator", [](const std::wstring& v) { return LoginTargetCommand(kTarget, v); }, false},
    {"Logout", [](const std::wstring& v) { return LogoutTargetCommand(v); }, false},
    {"RemoveInstance",
     [](const std::wstring& v) { return RemovePersistentTargetCommand(v, kTarget, L"10.0.0.1"); }, true},
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
    CommandLine line = ChapLoginTargetCommand(kTarget, kInitiator, L"us\"er", L"s3cr\"t-value");
    ASSERT_FALSE(line.Built());
    EXPECT_NE(line.refusal.find(L"CHAP user name"), std::wstring::npos);
    EXPECT_EQ(line.refusal.find(L"s3cr"), std::wstring::npos);
    EXPECT_TRUE(line.text.empty());
    EXPECT_EQ(ChapLoginTargetCommand(kTarget, kInitiator, L"user", L"").refusal,
              L"CHAP password is empty or not made of bytes");
    EXPECT_FALSE(ChapLoginTargetCommand(kTarget, kInitiator, L"user", L"\u0100-twelve-chars").Built());
    EXPECT_EQ(LoginTargetCommand(L"a b", kInitiator).refusal,
              L"target name holds a character iSCSI names do not have");
}

}  // namespace
}  // namespace norvale
