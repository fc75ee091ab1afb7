// The application object: one instance per desktop, the Windows version
// read once before the main dialog runs, and the process's exit code.
#include "app/core/norvale_app.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/core/version/windows_version_reader.h"
#include "tests/fakes/fake_version_source.h"
#include "tests/fakes/recording_trace.h"
#include "tests/mainwindow/main_dialog_fixture.h"
#include "tests/platform/version_machines.h"

namespace norvale::test {
namespace {

const std::wstring kTitle = L"Orrin's HVB-3300-12 Norvale";

class FakeSingleInstance final : public SingleInstancePort {
public:
    bool mutexCreated = true;
    WindowRef runningWindow = 0;
    std::vector<std::wstring> calls;

    bool CreateNamedMutex(const std::wstring& name) override {
        calls.push_back(L"mutex " + name);
        return mutexCreated;
    }
    WindowRef FindTopLevelWindow(const std::wstring& title) override {
        calls.push_back(L"find " + title);
        return runningWindow;
    }
    void ShowWindow(WindowRef window) override { calls.push_back(L"show " + std::to_wstring(window)); }
    void SetForegroundWindow(WindowRef window) override {
        calls.push_back(L"foreground " + std::to_wstring(window));
    }
};

// Runs a dialog on a fake surface with the controls of template 102: opens
// it, lets `script` act as the user, and answers its end code.
class FakeDialogRunner final : public DialogRunnerPort {
public:
    std::function<void(FakeDialogSurface&)> script = [](FakeDialogSurface& s) { s.Click(IDC_EXIT); };
    std::vector<int> templates;
    std::wstring title;
    std::size_t unknownControlCalls = 0;
    std::uint32_t createFailure = 0;  // the system's error when the window cannot be made

    int RunModal(DialogController& dialog, int templateId) override {
        templates.push_back(templateId);
        if (createFailure != 0) return -1;
        FakeDialogSurface surface;
        DeclareMainDialogControls(surface);
        surface.Open(dialog);
        if (!surface.EndCode()) script(surface);
        title = surface.Title();
        unknownControlCalls = surface.UnknownControlCalls().size();
        const int code = surface.EndCode().value_or(-1);
        surface.Destroy();
        return code;
    }
    std::uint32_t CreateError() const override { return createFailure; }
};

class NorvaleAppTest : public ::testing::Test {
protected:
    NorvaleAppTest() {
        segment.SetLocalAddresses(std::vector<std::string>{kPcAddress});
        segment.AddAppliance(Nas("192.168.1.20"));
        version.wow64 = Wow64Answer::Yes;
    }

    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    FakeSingleInstance instance;
    FakeVersionSource version = Windows7Enterprise();
    FakeDialogRunner dialogs;
    RecordingSections sections;
    RecordingTrace log;
    CNorvaleApp app{NorvaleAppPorts{instance, version, dialogs, protocol, files, log}, sections.All()};

    bool Logged(const std::wstring& text) const { return log.All().find(text) != std::wstring::npos; }
};

TEST_F(NorvaleAppTest, SecondInstanceBringsTheRunningWindowForwardAndStartsNothing) {
    instance.runningWindow = 0x4711;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(instance.calls, (std::vector<std::wstring>{L"mutex " + kTitle, L"find " + kTitle,
                                                         L"show 18193", L"foreground 18193"}));
    EXPECT_TRUE(dialogs.templates.empty());
    EXPECT_FALSE(app.RanMainDialog());
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(version.versionExCalls, 0) << "nothing else is started";
    EXPECT_EQ(segment.Startups(), 0);
    EXPECT_TRUE(Logged(L"Another instance runs")) << "the user saw no new window";
}

TEST_F(NorvaleAppTest, FirstInstanceRunsTheMainDialogUnderTheTitleItSearchedFor) {
    EXPECT_FALSE(app.InitInstance()) << "the process ends once the dialog has closed";
    EXPECT_EQ(instance.calls, (std::vector<std::wstring>{L"mutex " + kTitle, L"find " + kTitle}));
    EXPECT_EQ(dialogs.templates, std::vector<int>{102});
    EXPECT_EQ(dialogs.title, kTitle) << "a later instance finds this window by it";
    EXPECT_EQ(dialogs.unknownControlCalls, 0u);
    EXPECT_TRUE(app.RanMainDialog());
    EXPECT_EQ(app.ExitCode(), 0);
    // The sections given to the application are the dialog's.
    EXPECT_EQ(sections.calls.Count("shares opened"), 1);
    EXPECT_EQ(files.deleted, std::vector<std::wstring>{L"C:\\diskactive.script"});
}

TEST_F(NorvaleAppTest, WithoutAMutexTheInstanceCheckIsSkipped) {
    instance.mutexCreated = false;
    instance.runningWindow = 0x4711;  // would be found, but is not looked for
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(instance.calls, std::vector<std::wstring>{L"mutex " + kTitle});
    EXPECT_EQ(dialogs.templates, std::vector<int>{102});
    EXPECT_TRUE(app.RanMainDialog());
}

TEST_F(NorvaleAppTest, VersionIsReadOnceBeforeTheDialogAndKept) {
    bool knownWhileRunning = false;
    dialogs.script = [&](FakeDialogSurface& surface) {
        knownWhileRunning = app.Version().has_value() && app.Wow64();
        surface.Click(IDC_EXIT);
    };
    app.InitInstance();
    EXPECT_TRUE(knownWhileRunning);
    ASSERT_TRUE(app.Version());
    EXPECT_EQ(app.Version()->majorVersion, 6u);
    EXPECT_EQ(app.Version()->minorVersion, 1u);
    EXPECT_EQ(app.Version()->platform, WindowsPlatform::Nt);
    EXPECT_TRUE(app.Wow64());

    // As many platform calls as one reading takes.
    FakeVersionSource once = Windows7Enterprise();
    ReadWindowsVersion(once);
    EXPECT_EQ(version.versionExCalls, once.versionExCalls);
    EXPECT_EQ(version.registryReads, once.registryReads);
    EXPECT_EQ(version.productInfoQueries.size(), once.productInfoQueries.size());
}

TEST_F(NorvaleAppTest, UnreadableVersionStillRunsTheDialog) {
    version.kernel32 = false;
    app.InitInstance();
    EXPECT_FALSE(app.Version());
    EXPECT_FALSE(app.Wow64());
    EXPECT_TRUE(app.RanMainDialog());
}

TEST_F(NorvaleAppTest, SocketsThatCannotStartEndTheProcessWithCodeOne) {
    segment.FailStartup(true);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(app.RanMainDialog());
    EXPECT_EQ(app.ExitCode(), 1);
    EXPECT_TRUE(files.deleted.empty());
    EXPECT_TRUE(Logged(L"Winsock could not be started"));
}

TEST_F(NorvaleAppTest, AMainWindowThatCannotBeMadeIsLoggedWithTheSystemsReason) {
    dialogs.createFailure = 1400;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitCode(), kExitNoMainWindow) << "not the code of an ordinary end";
    EXPECT_TRUE(Logged(L"The main window could not be made (error 1400)")) << log.All().size();
}

TEST_F(NorvaleAppTest, ClosingTheDialogEndsWithCodeZero) {
    dialogs.script = [](FakeDialogSurface& surface) { surface.CloseBox(); };
    app.InitInstance();
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_TRUE(files.deleted.empty());
    EXPECT_EQ(segment.Cleanups(), segment.Startups());
    EXPECT_TRUE(log.lines.empty()) << "an ordinary end leaves nothing to explain";
}

}  // namespace
}  // namespace norvale::test
