// The message table and the controller's default processing, driven through
// the fake surface as the dialog host drives them.
#include <gtest/gtest.h>

#include "tests/controls/sample_controller.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

TEST(MessageTable, MatchesKindIdAndCode) {
    int hits = 0;
    MessageTable table;
    table.OnCommand(10, kButtonClicked, [&] { hits += 1; })
        .OnCommand(10, kEditSetFocus, [&] { hits += 10; })
        .OnNotify(10, kNotifyClick, [&] { hits += 100; })
        .OnTimer(10, [&] { hits += 1000; });
    struct Case {
        DialogMessage message;
        bool handled;
        int hits;
    };
    const Case cases[] = {
        {DialogMessage::Of(MessageKind::Command, 10, kButtonClicked), true, 1},
        {DialogMessage::Of(MessageKind::Command, 10, kEditSetFocus), true, 10},
        {DialogMessage::Of(MessageKind::Command, 10, kComboSelChange), false, 0},
        {DialogMessage::Of(MessageKind::Command, 11, kButtonClicked), false, 0},
        {DialogMessage::Of(MessageKind::Notify, 10, kNotifyClick), true, 100},
        {DialogMessage::Of(MessageKind::Notify, 10, kNotifyDoubleClick), false, 0},
        {DialogMessage::Of(MessageKind::Timer, 10), true, 1000},
        {DialogMessage::Of(MessageKind::Timer, 11), false, 0},
        {DialogMessage::Of(MessageKind::SysCommand, 10), false, 0},
    };
    for (const Case& c : cases) {
        hits = 0;
        EXPECT_EQ(table.Dispatch(c.message).handled, c.handled)
            << static_cast<int>(c.message.kind) << " " << c.message.id << " " << c.message.code;
        EXPECT_EQ(hits, c.hits);
    }
}

TEST(MessageTable, FirstMatchingEntryWinsAndRegisteredGoByName) {
    std::vector<int> order;
    MessageTable table;
    table.OnClicked(5, [&] { order.push_back(1); })
        .OnClicked(5, [&] { order.push_back(2); })
        .OnRegistered(L"A", [&](std::intptr_t p) { order.push_back(static_cast<int>(p)); })
        .OnRegistered(L"B", [&](std::intptr_t) { order.push_back(-1); });
    table.Dispatch(DialogMessage::Of(MessageKind::Command, 5, kButtonClicked));
    table.Dispatch(DialogMessage::OfRegistered(L"A", 42));
    EXPECT_FALSE(table.Dispatch(DialogMessage::OfRegistered(L"C", 1)).handled);
    EXPECT_EQ(order, (std::vector<int>{1, 42}));
    EXPECT_EQ(table.RegisteredNames(), (std::vector<std::wstring>{L"A", L"B"}));
}

TEST(DialogController, IgnoresMessagesWhileDetached) {
    SampleController controller;
    EXPECT_FALSE(controller.Dispatch(DialogMessage::Of(MessageKind::Command, kSampleRefresh)).handled);
    EXPECT_TRUE(controller.events.empty());
}

TEST(DialogController, OkAndCancelEndTheDialogUnlessTaken) {
    struct Case {
        int id;
        std::optional<int> endCode;
    };
    for (const Case& c : {Case{kIdOk, kIdOk}, Case{kIdCancel, kIdCancel}, Case{kSampleRefresh, std::nullopt}}) {
        SampleController controller;
        FakeDialogSurface surface;
        surface.Open(controller);
        EXPECT_TRUE(surface.Click(c.id).handled);
        EXPECT_EQ(surface.EndCode(), c.endCode) << c.id;
    }
    // Without an InitDialog entry the host sets the default focus.
    DialogController plain;
    FakeDialogSurface surface;
    EXPECT_TRUE(surface.Open(plain).value);
}

TEST(DialogController, CloseRunsItsEntryThenEndsWithCancel) {
    SampleController controller;
    FakeDialogSurface surface;
    surface.Open(controller);
    surface.CloseBox();
    EXPECT_EQ(controller.events, std::vector<std::wstring>{L"close"});
    EXPECT_EQ(surface.EndCode(), kIdCancel);
    // An ended dialog receives nothing more.
    surface.Click(kSampleRefresh);
    EXPECT_EQ(controller.events.size(), 1u);
}

TEST(DialogController, EnterConsumedByTheKeyEntryNeverPressesOk) {
    SampleController controller;
    FakeDialogSurface surface;
    surface.Open(controller);
    EXPECT_TRUE(surface.PressKey(kKeyReturn));
    EXPECT_EQ(controller.events, std::vector<std::wstring>{L"refresh"});
    EXPECT_FALSE(surface.EndCode());
    // Escape has no entry: the dialog's Cancel.
    EXPECT_FALSE(surface.PressKey(kKeyEscape));
    EXPECT_EQ(surface.EndCode(), kIdCancel);
}

TEST(DialogController, EnterWithoutKeyEntryPressesOk) {
    SampleChild child;
    FakeDialogSurface surface;
    surface.Open(child);
    EXPECT_FALSE(surface.PressKey(kKeyReturn));
    EXPECT_EQ(surface.EndCode(), kIdOk);
}

TEST(DialogController, WaitCursorsNestAndRestoreInOrder) {
    SampleController controller;
    FakeDialogSurface surface;
    controller.depthProbe = [&] { return surface.CursorDepth(); };
    surface.Open(controller);
    surface.Click(kSampleRefresh);
    EXPECT_EQ(controller.cursorDepthInside, 2);
    EXPECT_EQ(surface.CursorDepth(), 0);
    EXPECT_EQ(surface.CursorPeriods(), 2);
    EXPECT_EQ(surface.CursorMisuses(), 0);
}

TEST(WaitCursor, EarlyRestoreAndMoveEndTheirPeriodOnce) {
    FakeDialogSurface surface;
    {
        WaitCursor first(surface);
        first.Restore();
        EXPECT_EQ(surface.CursorDepth(), 0);
        WaitCursor second(surface);
        WaitCursor moved(std::move(second));
        EXPECT_EQ(surface.CursorDepth(), 1);
    }
    EXPECT_EQ(surface.CursorDepth(), 0);
    EXPECT_EQ(surface.CursorMisuses(), 0);
}

TEST(DialogController, MessageBoxAnswersComeFromTheScript) {
    struct Case {
        std::vector<MessageAnswer> answers;
        size_t boxes;
    };
    for (const Case& c : {Case{{MessageAnswer::Yes}, 2}, Case{{MessageAnswer::No}, 1}}) {
        SampleController controller;
        FakeDialogSurface surface;
        for (MessageAnswer a : c.answers) surface.QueueAnswer(a);
        surface.Open(controller);
        surface.Click(kSampleAsk);
        ASSERT_EQ(surface.MessageBoxes().size(), c.boxes);
        const ShownMessageBox& first = surface.MessageBoxes()[0];
        EXPECT_EQ(first.request.text, L"Really?");
        EXPECT_EQ(first.request.icon, MessageIcon::Question);
        EXPECT_EQ(first.request.buttons, MessageButtons::YesNo);
        EXPECT_TRUE(first.scripted);
        if (c.boxes == 2) {
            EXPECT_FALSE(surface.MessageBoxes()[1].scripted) << "nothing queued for the second box";
            EXPECT_EQ(surface.MessageBoxes()[1].answer, MessageAnswer::Ok);
        }
    }
}

TEST(FakeDialogSurface, AnswerThatTheBoxCannotGiveIsMarkedUnscripted) {
    FakeDialogSurface surface;
    surface.QueueAnswer(MessageAnswer::Yes);
    surface.ShowMessage({L"t", L"c", MessageIcon::Stop, MessageButtons::Ok});
    EXPECT_FALSE(surface.MessageBoxes()[0].scripted);
}

TEST(DialogController, ChildDialogRunsAgainstItsOwnSurface) {
    SampleChild child;
    SampleController controller(&child);
    FakeDialogSurface surface;
    surface.ScriptChild(kSampleChildTemplate, [](DialogController&, FakeDialogSurface& childSurface) {
        childSurface.Click(SampleChild::kApply);
        return -5;  // overridden: the child ended itself
    });
    surface.Open(controller);
    surface.Click(kSampleChild);
    EXPECT_TRUE(child.applied);
    EXPECT_EQ(controller.childCode, 7);
    EXPECT_EQ(surface.ChildRuns(), std::vector<int>{kSampleChildTemplate});
    EXPECT_FALSE(child.IsAttached()) << "detached when its window is gone";
    EXPECT_FALSE(surface.EndCode()) << "the parent stays open";
}

TEST(DialogController, UnscriptedChildDialogCannotBeCreated) {
    SampleChild child;
    SampleController controller(&child);
    FakeDialogSurface surface;
    surface.Open(controller);
    surface.Click(kSampleChild);
    EXPECT_EQ(controller.childCode, -1);
    EXPECT_FALSE(child.IsAttached());
}

TEST(DialogController, TimersArriveOnlyWhileRunning) {
    SampleController controller;
    FakeDialogSurface surface;
    surface.Open(controller);
    EXPECT_FALSE(surface.FireTimer(kSampleTimer));
    surface.SetTimer(kSampleTimer, std::chrono::milliseconds(100));
    EXPECT_TRUE(surface.FireTimer(kSampleTimer));
    EXPECT_FALSE(surface.FireTimer(kSampleTimer)) << "the handler killed it";
    EXPECT_EQ(controller.events, std::vector<std::wstring>{L"timer"});
}

TEST(DialogController, WorkersPostBackThroughTheDialogQueue) {
    SampleController controller;
    FakeDialogSurface surface;
    surface.Open(controller);
    ASSERT_TRUE(surface.StartWorker([&] { surface.PostRegistered(kSampleMessage, 77); }));
    EXPECT_TRUE(controller.registeredParams.empty());
    EXPECT_EQ(surface.RunWorkers(), 1);
    EXPECT_TRUE(controller.registeredParams.empty()) << "posted, not yet delivered";
    EXPECT_EQ(surface.DeliverPosted(), 1);
    EXPECT_EQ(controller.registeredParams, std::vector<std::intptr_t>{77});
    surface.PostClose();
    surface.DeliverPosted();
    EXPECT_EQ(surface.EndCode(), kIdCancel);
}

TEST(DialogController, SysCommandsSizesAndNotifications) {
    SampleController controller;
    FakeDialogSurface surface;
    surface.Open(controller);
    EXPECT_TRUE(surface.SysCommand(kSampleAbout).handled);
    EXPECT_FALSE(surface.SysCommand(0xF060).handled) << "other commands: default";
    surface.Resize(SizeKind::Minimized);
    surface.Resize(SizeKind::Restored);
    surface.InsertListRow(kSampleList, 0, L"a");
    surface.ClickListRow(kSampleList, 0);
    surface.AddComboItem(kSampleCombo, L"x");
    surface.ChooseComboItem(kSampleCombo, 0);
    EXPECT_EQ(controller.events, (std::vector<std::wstring>{L"about", L"list click", L"combo"}));
    EXPECT_EQ(controller.sizes, (std::vector<SizeKind>{SizeKind::Minimized, SizeKind::Restored}));
    EXPECT_EQ(surface.Title(), L"Sample");
}

}  // namespace
}  // namespace norvale::test
