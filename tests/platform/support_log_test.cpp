// The support log: lines, stamps, the two files and their limit, and what a
// command line may show.
#include <gtest/gtest.h>

#include "platform/core/log/support_log.h"
#include "tests/fakes/memory_log_file.h"
#include "tests/platform/version_machines.h"

namespace norvale {
namespace {

TEST(SupportLog, EachLineIsStampedAndEndsInCrLf) {
    test::MemoryLogFile file;
    SupportLog log(file, [] { return std::wstring(L"12:00"); });
    log.Trace(L"one\ntwo\r\n\nthree\n");
    log.Trace(L"\u00e9t\u00e9");
    EXPECT_EQ(file.current, "12:00 one\r\n12:00 two\r\n12:00 three\r\n12:00 \xC3\xA9t\xC3\xA9\r\n");
}

TEST(SupportLog, TwoFilesOfAtMostTheLimitTheOlderReplaced) {
    test::MemoryLogFile file;
    file.current = std::string(90, 'x');  // left by an earlier run
    file.exists = true;
    SupportLog log(file, {}, 100);
    log.Trace(L"0123456789");  // 12 bytes with CR LF: 102 would pass the limit
    EXPECT_EQ(file.rotations, 1);
    EXPECT_EQ(file.older, std::string(90, 'x'));
    EXPECT_EQ(file.current, "0123456789\r\n");
    for (int i = 0; i < 20; ++i) log.Trace(L"0123456789");
    EXPECT_LE(file.current.size(), 100u);
    EXPECT_LE(file.older.size(), 100u);
    EXPECT_EQ(file.rotations, 3) << "8 lines a file";
    log.Trace(std::wstring(500, L'y'));
    EXPECT_EQ(file.current.size(), 100u) << "a line longer than a file is cut to it";
}

TEST(SupportLog, AFileThatCannotBeWrittenCostsNothing) {
    test::MemoryLogFile file;
    file.appendFails = true;
    SupportLog log(file);
    log.Trace(L"first");
    log.Trace(L"second");
    EXPECT_EQ(file.appends, 1) << "tried once, then silent";
}

TEST(SupportLog, CommandLinesLoseTheChapSecretOnly) {
    const struct {
        const wchar_t* line;
        const wchar_t* logged;
    } cases[] = {
        {L"iscsicli logintarget T t * * I * * * * * * * * \"user\" \"Sixteen-chars-16\" 1 * 0",
         L"iscsicli logintarget T t * * I * * * * * * * * \"user\" \"***\" 1 * 0"},
        {L"iscsicli PersistentLoginTarget T t * * I * * * * * * * * \"u\" \"s e c\" 1 * 0",
         L"iscsicli PersistentLoginTarget T t * * I * * * * * * * * \"u\" \"***\" 1 * 0"},
        {L"iscsicli logintarget T t * * I * * * * * * * * \"user\" \"unclosed", 
         L"iscsicli logintarget T t * * I * * * * * * * * \"user\" \"***"},
        {L"iscsicli logintarget T t * * I * * * * * * * * * * * * 0",
         L"iscsicli logintarget T t * * I * * * * * * * * * * * * 0"},
        {L"cmd.exe /C diskpart /s \"C:\\diskactive.script\"", L"cmd.exe /C diskpart /s \"C:\\diskactive.script\""},
        {L"iscsicli RemovePersistentTarget  \"R\" \"T\" * \"1.2.3.4\"",
         L"iscsicli RemovePersistentTarget  \"R\" \"T\" * \"1.2.3.4\""},
    };
    for (const auto& c : cases) EXPECT_EQ(RedactCommandLine(c.line), c.logged);
}

TEST(SupportLog, TheStartLineNamesTheProgramAndTheRealWindows) {
    test::FakeVersionSource windows10 = test::Windows10Pro();
    EXPECT_EQ(StartLine(L"Version:1.0.0.10", windows10, false),
              L"Norvale Version:1.0.0.10 on Windows 10 (10.0.19045, workstation, suite marks 0, service pack \"\"), "
              L"WOW64, not elevated");
    test::FakeVersionSource none;
    none.kernel32 = false;
    EXPECT_EQ(StartLine(L"V", none, std::nullopt),
              L"Norvale V on unknown Windows version (the version could not be read), native, elevation unknown");
}

}  // namespace
}  // namespace norvale
