// The diskpart scripts: their exact bytes, where and how each file is made
// (never through what a user left at its name, held until diskpart ran),
// the check of a delete run's output, and on which Windows each step runs.
#include <gtest/gtest.h>

#include <functional>

#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/scripts/disk_version_sets.h"
#include "platform/core/version/windows_version_reader.h"
#include "tests/platform/version_machines.h"
#include "tests/disk/simulated_windows_fixture.h"
#include "tools/winsim/sim_script_files.h"

namespace norvale {
namespace {

// --- the texts ---------------------------------------------------------------------

TEST(ScriptTexts, ExactBytes) {
    EXPECT_EQ(DeleteScriptText(3, 2), "select disk 3\nselect partition 2\ndelete partition override\n");
    EXPECT_EQ(OnlineScriptText(7), "select disk 7\nattributes disk clear readonly noerr\nonline disk noerr\n");
    EXPECT_EQ(OnlineScriptText(std::wstring(L"12")),
              "select disk 12\nattributes disk clear readonly noerr\nonline disk noerr\n");
    EXPECT_EQ(AssignScriptText(L"12", 1, L'F'), "select disk 12\nonline disk noerr\nselect partition 1\nassign letter=F");
    EXPECT_EQ(AssignFirstScriptText(L"4", L'e'), "select disk 4\nonline disk noerr\nselect partition 1\nassign letter=E");
}

// A disk text or letter that could carry another line into the script is
// refused, so no script is made of it.
TEST(ScriptTexts, RefusesWhatIsNoDiskNumberOrLetter) {
    for (const wchar_t* disk : {L"", L"1\nclean", L"-1", L"12345678901", L"3 ", L"x"}) {
        EXPECT_FALSE(OnlineScriptText(std::wstring(disk)).has_value()) << disk;
        EXPECT_FALSE(AssignScriptText(disk, 1, L'F').has_value()) << disk;
    }
    for (const wchar_t letter : {L'\n', L'1', L':', L'\0', L'\u00c4'}) {
        EXPECT_FALSE(AssignFirstScriptText(L"3", letter).has_value()) << int(letter);
    }
}

struct OutputCase {
    const wchar_t* output;
    const wchar_t* warning;  // nullptr: no box
};

TEST(DeleteRunCheck, BoxFromTheLastColonWhenThereAreTwo) {
    const OutputCase cases[] = {
        {L"", nullptr},
        {L"DiskPart successfully deleted the selected partition.", nullptr},
        {L"\r\nMicrosoft DiskPart\r\nOn computer: NORVALE-PC\r\n\r\nDiskPart succeeded.\r\n", nullptr},
        {L"On computer: PC\r\nVirtual Disk Service error:\r\nThe volume is in use.\r\n",
         L":\r\nThe volume is in use.\r\n"},
        {L"a:b:c", L":c"},
        // A colon at the very start is no banner colon.
        {L":x:y", nullptr},
    };
    for (const OutputCase& c : cases) {
        const auto warning = DeleteRunWarning(c.output);
        if (c.warning == nullptr) {
            EXPECT_FALSE(warning.has_value()) << testing::PrintToString(std::wstring(c.output));
        } else {
            EXPECT_EQ(warning.value_or(L"(none)"), c.warning);
        }
    }
}

// --- writing and running -------------------------------------------------------------

class RecordingRunner final : public CommandRunner {
public:
    std::vector<std::wstring> lines;
    std::function<void(const std::wstring&)> during;
    bool starts = true;
    std::wstring captured;

    bool RunConsoleCommand(const std::wstring& line) override {
        lines.push_back(line);
        if (during) during(line);
        return starts;
    }
    const std::wstring& CapturedCommandOutput() const override { return captured; }
};

class ScriptRunTest : public testing::Test {
protected:
    sim::SimScriptFiles files;
    RecordingRunner runner;
    DiskScripts scripts{files, runner};
};

TEST_F(ScriptRunTest, NewProtectedHiddenFileHeldWhileDiskpartRuns) {
    std::optional<sim::SimFile> whileRunning;
    bool userCouldWrite = true;
    runner.during = [&](const std::wstring&) {
        whileRunning = files.Entry(L"C:\\diskdel.script");
        userCouldWrite = files.UserWrite(L"C:\\diskdel.script", "select disk 0\nclean\n");
    };
    const ScriptRun run = scripts.WriteAndRun(ScriptFile::Delete, DeleteScriptText(3, 2));
    EXPECT_TRUE(run.Ran());
    EXPECT_EQ(runner.lines, std::vector<std::wstring>{L"cmd.exe /C diskpart /s C:\\diskdel.script"});
    ASSERT_TRUE(whileRunning.has_value());
    EXPECT_EQ(whileRunning->bytes, DeleteScriptText(3, 2));
    EXPECT_TRUE(whileRunning->hidden);
    EXPECT_TRUE(whileRunning->adminOnly);
    EXPECT_GT(whileRunning->holds, 0);
    EXPECT_FALSE(userCouldWrite);
    // Afterwards the file stays, let go, for the caller to delete.
    const auto after = files.Entry(L"C:\\diskdel.script");
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->holds, 0);
    EXPECT_EQ(after->bytes, DeleteScriptText(3, 2));
    scripts.Remove(ScriptFile::Delete);
    EXPECT_FALSE(files.Exists(L"C:\\diskdel.script"));
    scripts.Remove(ScriptFile::Delete);  // a missing file is no error
}

// What a user may have left at a script's name is taken away first, and a
// link is never followed: its target keeps its bytes.
TEST_F(ScriptRunTest, WhateverStoodAtTheNameIsReplacedNotFollowed) {
    files.PlaceFile(L"C:\\diskonline.script", "select disk 0\nclean\n", /*hidden=*/true, /*readOnly=*/true);
    EXPECT_TRUE(scripts.WriteAndRun(ScriptFile::Online, OnlineScriptText(2)).Ran());
    EXPECT_EQ(files.ReadScript(L"C:\\diskonline.script"), OnlineScriptText(2));

    files.PlaceFile(L"C:\\Users\\me\\target.txt", "mine");
    files.PlaceLink(L"C:\\assignletter_2003.script", L"C:\\Users\\me\\target.txt");
    EXPECT_TRUE(scripts.WriteAndRun(ScriptFile::AssignLetter, AssignFirstScriptText(L"2", L'G')).Ran());
    EXPECT_EQ(files.Entry(L"C:\\assignletter_2003.script")->kind, sim::SimFile::Kind::File);
    EXPECT_EQ(files.ReadScript(L"C:\\Users\\me\\target.txt"), "mine");
    EXPECT_EQ(files.Created().size(), 2u);
}

struct RefusalCase {
    const char* label;
    std::function<void(sim::SimScriptFiles&)> arrange;
};

TEST_F(ScriptRunTest, NothingRunsWithoutASafeFile) {
    const RefusalCase cases[] = {
        {"FolderWithFilesAtTheName", [](auto& f) { f.PlaceFolder(L"C:\\diskactive.script", false); }},
        {"ALinkPutBackBeforeTheCreate",
         [](auto& f) {
             sim::SimFile link;
             link.kind = sim::SimFile::Kind::Link;
             link.linkTarget = L"C:\\Windows\\evil.txt";
             f.RaceNextCreate(link);
         }},
        {"CreateFails", [](auto& f) { f.FailNextCreate(win32_error::kAccessDenied); }},
        {"NoSystemDrive", [](auto& f) { f.SetSystemDrive(std::nullopt); }},
        {"SystemDriveIsNoDrive", [](auto& f) { f.SetSystemDrive(std::wstring(L"\\\\server\\share")); }},
    };
    for (const RefusalCase& c : cases) {
        sim::SimScriptFiles fresh;
        RecordingRunner fresh_runner;
        DiskScripts fresh_scripts(fresh, fresh_runner);
        c.arrange(fresh);
        const ScriptRun run = fresh_scripts.WriteAndRun(ScriptFile::Active, OnlineScriptText(5));
        EXPECT_EQ(run.outcome, ScriptRun::Outcome::Refused) << c.label;
        EXPECT_NE(run.fileError, win32_error::kSuccess) << c.label;
        EXPECT_TRUE(fresh_runner.lines.empty()) << c.label;
    }
    EXPECT_EQ(scripts.WriteAndRun(ScriptFile::AssignLetter, AssignFirstScriptText(L"1\nclean", L'G')).outcome,
              ScriptRun::Outcome::Refused);
    EXPECT_TRUE(runner.lines.empty());
    EXPECT_TRUE(files.Created().empty());
    EXPECT_EQ(scripts.RefusalText(ScriptFile::Delete),
              L"The script file C:\\diskdel.script could not be created safely. Nothing was run.");
}

TEST_F(ScriptRunTest, AProcessThatCannotStartIsTold) {
    runner.starts = false;
    EXPECT_EQ(scripts.WriteAndRun(ScriptFile::Online, OnlineScriptText(1)).outcome, ScriptRun::Outcome::NotStarted);
}

// --- which Windows runs what -----------------------------------------------------

struct VersionSetCase {
    const char* label;
    std::function<test::FakeVersionSource()> machine;
    bool xpServer, serverEdition, assign, deleteScript;
    DeletionPath deletion;
};

TEST(DiskVersionSets, PerEdition) {
    const VersionSetCase cases[] = {
        {"XpProfessional", test::XpProfessional, false, false, false, false, DeletionPath::Table},
        {"XpProfessionalX64", test::XpProfessionalX64, false, false, false, false, DeletionPath::Table},
        // A Web edition also passes the member-server and Standard tests.
        {"Server2003Web", test::Server2003Web, true, false, true, false, DeletionPath::Table},
        {"Server2003StandardRtm", test::Server2003StandardRtm, true, false, true, true, DeletionPath::Script},
        {"Server2003R2Enterprise", test::Server2003R2Enterprise, true, false, true, true, DeletionPath::Script},
        {"VistaBusiness", test::VistaBusiness, false, false, true, true, DeletionPath::Script},
        {"Server2008Standard", test::Server2008Standard, false, true, true, true, DeletionPath::Script},
        {"Windows7Enterprise", test::Windows7Enterprise, false, true, true, true, DeletionPath::Script},
        {"Windows10As62", test::Windows10As62, false, false, false, true, DeletionPath::Script},
        {"Windows2000", test::Windows2000, false, false, false, false, DeletionPath::OlderTable},
        {"Windows98Se", test::Windows98Se, false, false, false, false, DeletionPath::None},
    };
    for (const VersionSetCase& c : cases) {
        test::FakeVersionSource source = c.machine();
        const auto version = ReadWindowsVersion(source);
        ASSERT_TRUE(version.has_value()) << c.label;
        EXPECT_EQ(InXpServerSet(*version), c.xpServer) << c.label;
        EXPECT_EQ(InServerEditionSet(*version), c.serverEdition) << c.label;
        EXPECT_EQ(InAssignSet(*version), c.assign) << c.label;
        EXPECT_EQ(InDeleteScriptSet(*version), c.deleteScript) << c.label;
        EXPECT_EQ(ChooseDeletionPath(version), c.deletion) << c.label;
    }
    EXPECT_EQ(ChooseDeletionPath(std::nullopt), DeletionPath::None);
}

// --- on the simulated Windows -----------------------------------------------------

class ScriptsOnWindows : public test::SimulatedWindowsTest {};

// The delete script removes the partition from the disk's table; its output
// comes back captured and passes the check. A partition that is gone is only
// "not valid" (no box); a disk that refuses the deletion makes diskpart print
// a service error, which the check turns into the box text.
TEST_F(ScriptsOnWindows, DeleteScriptRemovesThePartitionAndItsErrorIsShown) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(0x5A, {test::MbrEntry(test::kMiB, test::kGiB),
                                           test::MbrEntry(test::kMiB + test::kGiB, test::kGiB)}));
    DiskScripts scripts = Pc().Scripts();
    const auto disk32 = static_cast<std::uint32_t>(disk);
    ASSERT_TRUE(scripts.WriteAndRun(ScriptFile::Delete, DeleteScriptText(disk32, 2)).Ran());
    EXPECT_FALSE(scripts.CapturedOutput().empty());
    EXPECT_FALSE(DeleteRunWarning(scripts.CapturedOutput()).has_value()) << testing::PrintToString(scripts.CapturedOutput());
    EXPECT_EQ(Disks().Partitions(disk32)->size(), 1u);
    const auto image = Disks().Disk(disk32)->imagePath;
    const test::ToolRun dump = test::RunTool("sfdisk --dump '" + image + "'");
    EXPECT_EQ(dump.output.find(image + "2 :"), std::string::npos) << dump.output;
    EXPECT_NE(dump.output.find(image + "1 :"), std::string::npos) << dump.output;

    ASSERT_TRUE(scripts.WriteAndRun(ScriptFile::Delete, DeleteScriptText(disk32, 2)).Ran());
    EXPECT_FALSE(DeleteRunWarning(scripts.CapturedOutput()).has_value());

    Disks().SetReadOnly(disk32, true);
    ASSERT_TRUE(scripts.WriteAndRun(ScriptFile::Delete, DeleteScriptText(disk32, 1)).Ran());
    const auto warning = DeleteRunWarning(scripts.CapturedOutput());
    ASSERT_TRUE(warning.has_value()) << testing::PrintToString(scripts.CapturedOutput());
    EXPECT_EQ(warning->front(), L':');
    EXPECT_EQ(Disks().Partitions(disk32)->size(), 1u);
    ASSERT_EQ(Pc().DiskpartRuns().size(), 3u);
    for (const auto& run : Pc().DiskpartRuns()) {
        EXPECT_EQ(run.scriptPath, L"C:\\diskdel.script");
        EXPECT_TRUE(run.scriptProtected);
    }
    scripts.Remove(ScriptFile::Delete);
}

// A script that never became a safe file is never run, whatever stood at
// its name: diskpart reads nothing.
TEST_F(ScriptsOnWindows, NoDiskpartRunWithoutASafeFile) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Pc().ScriptFiles().PlaceFolder(L"C:\\diskdel.script", false);
    DiskScripts scripts = Pc().Scripts();
    EXPECT_EQ(scripts.WriteAndRun(ScriptFile::Delete, DeleteScriptText(static_cast<std::uint32_t>(disk), 1)).outcome,
              ScriptRun::Outcome::Refused);
    EXPECT_TRUE(Pc().DiskpartRuns().empty());
}

}  // namespace
}  // namespace norvale
