// The format engine on the fake surface: the worker's reports reach the
// dialog only as posted messages, every way the library can end shows one
// outcome, and the pseudo-progress carries over between formats.
#include "disk/core/format/format_engine.h"

#include <gtest/gtest.h>

#include <vector>

#include "controls/core/dialog_controller.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

// Replays a scripted run of the library.
class ScriptedFormatPort final : public FormatPort {
public:
    std::vector<FormatReport> reports;
    FormatStart start = FormatStart::Ran;
    std::vector<FormatRequest> requests;
    // What the dialog's thread does meanwhile, after each report.
    std::function<void()> meanwhile;

    FormatStart Format(const FormatRequest& request,
                       const std::function<void(const FormatReport&)>& onReport) override {
        requests.push_back(request);
        if (start != FormatStart::Ran) return start;
        for (const FormatReport& report : reports) {
            onReport(report);
            if (meanwhile) meanwhile();
        }
        return start;
    }
};

FormatReport Progress(std::uint32_t percent) { return {FormatReport::Kind::Progress, 0, percent, false}; }
FormatReport Done(bool success) { return {FormatReport::Kind::Done, 11, 0, success}; }

class FormattingDialog final : public DialogController, public FormatListener {
public:
    FormattingDialog(FormatEngine& engine, FormatOwner owner) : session(engine, owner, *this, steps) {
        session.Bind(Messages());
    }
    FormatSession::Start Start(const std::wstring& letter) {
        return session.StartFormat(Surface(), letter, FormatFileSystem::Fat32);
    }
    void FormatSucceeded(const std::wstring& drive) override { ends.push_back(L"ok " + drive); }
    void FormatFailed() override { ends.push_back(L"failed"); }

    BackgroundSteps steps{Messages()};
    FormatSession session;
    std::vector<std::wstring> ends;
};

struct EngineRig {
    ScriptedFormatPort port;
    FormatEngine engine{port};
    FormattingDialog dialog{engine, FormatOwner::PartitionManager};
    FakeDialogSurface surface;
    EngineRig() {
        surface.HoldWorkers();
        surface.Open(dialog);
    }
    int Bar() { return surface.Control(format_control::kProgress).progress.position; }
    std::wstring Status() { return surface.Control(format_control::kStatus).text; }
};

TEST(FormatEngine, EveryWayTheLibraryEndsShowsOneOutcome) {
    const std::wstring failed =
        L"Format was unable to complete successfully. Please reformat it or click My "
        L"Computer->Management->Disk Management to format again.";
    struct Case {
        const char* what;
        std::vector<FormatReport> reports;
        FormatStart start;
        int bar;
        std::wstring status;
        std::wstring end;
    } cases[] = {
        {"success", {Progress(30), Progress(100), Done(true)}, FormatStart::Ran, 100,
         L"Format was completed successfully.", L"ok E:"},
        {"failure", {Progress(40), Done(false)}, FormatStart::Ran, 99, failed, L"failed"},
        {"no library", {}, FormatStart::LibraryMissing, 99, failed, L"failed"},
        {"no export", {}, FormatStart::ExportMissing, 99, failed, L"failed"},
        {"returned without a verdict", {Progress(100)}, FormatStart::Ran, 99, failed, L"failed"},
    };
    for (const Case& c : cases) {
        EngineRig rig;
        rig.port.reports = c.reports;
        rig.port.start = c.start;
        rig.surface.EnableDialog(false);
        ASSERT_EQ(rig.dialog.Start(L"e:\\"), FormatSession::Start::Started) << c.what;
        EXPECT_EQ(rig.Bar(), 70) << c.what;
        EXPECT_TRUE(rig.engine.Busy()) << c.what;
        EXPECT_EQ(rig.surface.PendingPosts(), 0u) << c.what;  // nothing before the worker runs
        rig.surface.RunWorkers();
        EXPECT_FALSE(rig.engine.Busy()) << c.what;
        EXPECT_TRUE(rig.dialog.ends.empty()) << c.what;       // the worker touched no dialog state
        rig.surface.DeliverPosted();
        EXPECT_EQ(rig.Bar(), c.bar) << c.what;
        EXPECT_EQ(rig.Status(), c.status) << c.what;
        EXPECT_EQ(rig.dialog.ends, std::vector<std::wstring>{c.end}) << c.what;
        EXPECT_TRUE(rig.surface.IsDialogEnabled()) << c.what;
        EXPECT_TRUE(rig.surface.IsEnabled(format_control::kCancel)) << c.what;
        ASSERT_EQ(rig.port.requests.size(), 1u) << c.what;
        EXPECT_EQ(rig.port.requests[0].driveRoot, L"E:\\") << c.what;
        EXPECT_EQ(rig.port.requests[0].fileSystem, L"FAT32") << c.what;
        EXPECT_EQ(rig.port.requests[0].label, L"iSCSI") << c.what;
        // The completion timer stops the progress timer and hands the mouse back.
        rig.surface.FireTimer(1056);
        rig.surface.FireTimer(1057);
        EXPECT_FALSE(rig.surface.TimerRunning(1056)) << c.what;
        EXPECT_FALSE(rig.surface.MouseCaptured()) << c.what;
        EXPECT_EQ(rig.surface.CursorDepth(), 0) << c.what;
        EXPECT_EQ(rig.Bar(), c.bar) << c.what;  // a late tick does not overwrite the outcome
    }
}

TEST(FormatEngine, FullProgressShowsFinalizingAndEnablesTheButtons) {
    EngineRig rig;
    rig.port.reports = {Progress(100)};
    std::wstring status;
    bool startEnabled = false;
    // The report arrives while the library still works on.
    rig.port.meanwhile = [&] {
        rig.surface.DeliverPosted();
        status = rig.Status();
        startEnabled = rig.surface.IsEnabled(format_control::kStart);
    };
    rig.dialog.Start(L"F:\\");
    rig.surface.Enable(format_control::kStart, false);
    rig.surface.RunWorkers();
    EXPECT_EQ(status, L"Finalizing... please wait this may take a minute.");
    EXPECT_TRUE(startEnabled);
}

TEST(FormatEngine, RefusesAVolumeWithoutLetterAndASecondFormat) {
    EngineRig rig;
    EXPECT_EQ(rig.dialog.Start(L"*"), FormatSession::Start::InvalidVolume);
    ASSERT_EQ(rig.surface.MessageBoxes().size(), 1u);
    EXPECT_EQ(rig.surface.MessageBoxes()[0].request.text, L"Invalid Volume");
    EXPECT_EQ(rig.dialog.Start(L"1:\\"), FormatSession::Start::InvalidVolume);
    EXPECT_EQ(rig.surface.PendingWorkers(), 0u);

    ASSERT_EQ(rig.dialog.Start(L"E:\\"), FormatSession::Start::Started);
    FormattingDialog second(rig.engine, FormatOwner::Wizard);
    FakeDialogSurface other;
    other.Open(second);
    EXPECT_EQ(second.Start(L"G:\\"), FormatSession::Start::Busy);
    EXPECT_EQ(other.PendingWorkers(), 0u);
    EXPECT_EQ(second.ends, std::vector<std::wstring>{L"failed"});
}

TEST(FormatEngine, PseudoProgressNeverResetsWithinAProgramRun) {
    ScriptedFormatPort port;
    FormatEngine engine(port);
    std::vector<int> shown;
    for (int format = 0; format < 2; ++format) {
        FormattingDialog dialog(engine, FormatOwner::PartitionManager);
        FakeDialogSurface surface;
        surface.HoldWorkers();
        surface.Open(dialog);
        dialog.Start(L"E:\\");
        for (int tick = 0; tick < 5; ++tick) {
            surface.FireTimer(1056);
            shown.push_back(surface.Control(format_control::kProgress).progress.position);
        }
        EXPECT_TRUE(surface.MouseCaptured());
        surface.RunWorkers();
        surface.DeliverPosted();
    }
    EXPECT_EQ(shown, (std::vector<int>{90, 93, 96, 99, 99, 99, 99, 99, 99, 99}));
    EXPECT_EQ(engine.PseudoProgress(FormatOwner::Wizard), 70);  // the wizard's own count
    EXPECT_EQ(engine.AdvancePseudoProgress(FormatOwner::Wizard), 80);
}

TEST(FormatEngine, ADialogThatEndedHearsNothingAndASilentLibraryIsGivenUp) {
    EngineRig rig;
    rig.port.reports = {Progress(50), Done(true)};
    rig.dialog.Start(L"E:\\");
    // The dialog's end: its format session and its steps.
    rig.dialog.session.DialogEnded();
    rig.dialog.steps.DialogEnded();
    rig.surface.RunWorkers();
    EXPECT_EQ(rig.surface.PendingPosts(), 0u);
    EXPECT_FALSE(rig.engine.Busy());

    EngineRig silent;
    silent.dialog.Start(L"E:\\");
    for (int tick = 0; tick < 601 && silent.dialog.ends.empty(); ++tick) silent.surface.FireTimer(1056);
    EXPECT_EQ(silent.dialog.ends, std::vector<std::wstring>{L"failed"});
    EXPECT_TRUE(silent.surface.IsDialogEnabled());
}

}  // namespace
}  // namespace norvale::test
