// What the fake surface does for the window-level capabilities, driven
// through controllers the way the disk, format and notice dialogs use them.
#include <gtest/gtest.h>

#include "controls/core/list_selection.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

constexpr int kNtfs = 1037;
constexpr int kFat32 = 1038;
constexpr int kBarId = 1048;
constexpr int kMenu = 235;
constexpr int kAdd = 32771;
constexpr int kDelete = 32772;
constexpr int kMount = 32776;
constexpr int kNoticeTemplate = 233;

DiskView TwoAreas(int disk) {
    DiskView view;
    view.diskNumber = disk;
    view.slotCount = 2;
    view.slots[0] = DiskSlot{1, 1, L"E:\\", 100ull << 30, L"NTFS"};
    view.slots[1] = DiskSlot{0, 0, L"", 50ull << 30, L""};
    return view;
}

// A notice with OK that closes itself.
class Notice final : public DialogController {
public:
    Notice() {
        Messages().OnClicked(kIdOk, [this] {
            ++oks;
            Surface().EndDialog(kIdOk);
        });
    }
    int oks = 0;
};

// Uses the capabilities as the disk manager and the format dialogs do.
class Owner final : public DialogController {
public:
    Owner() {
        Messages()
            .OnClicked(kNtfs, [this] { Surface().SetChecked(kFat32, !Surface().IsChecked(kNtfs)); })
            .OnNotifyFromAnyId(kDiskBarRightClick,
                               [this](int disk, std::intptr_t segment) {
                                   clicks.push_back({disk, static_cast<int>(segment)});
                                   if (segment >= 0) Surface().ShowPopupMenu(kMenu, segment == 0 ? 1 : 0, {});
                                   events.push_back(L"right click");
                               })
            .OnNotifyFromAnyId(kDiskBarLeftClick,
                               [this](int disk, std::intptr_t segment) {
                                   clicks.push_back({disk, static_cast<int>(segment)});
                               })
            .OnClicked(kAdd, [this] { events.push_back(L"add"); })
            .OnClicked(kDelete, [this] { events.push_back(L"delete"); })
            .OnSize([this](SizeKind kind) { sizes.push_back(kind); })
            .OnVScroll([this](ScrollRequest r, int position) {
                events.push_back(L"scroll " + std::to_wstring(static_cast<int>(r)) + L" " +
                                 std::to_wstring(position));
            })
            .OnMouseWheel([this](int delta) { events.push_back(L"wheel " + std::to_wstring(delta)); })
            .OnLButtonDown([this](Point p) { events.push_back(L"down " + std::to_wstring(p.y)); })
            .OnMouseMove([this](Point p) { events.push_back(L"move " + std::to_wstring(p.y)); })
            .OnLButtonUp([this](Point p) { events.push_back(L"up " + std::to_wstring(p.y)); });
    }
    std::vector<std::pair<int, int>> clicks;
    std::vector<std::wstring> events;
    std::vector<SizeKind> sizes;
    using DialogController::Surface;
};

TEST(FakeDialogWindow, CheckBoxClicksToggleAndNotify) {
    Owner owner;
    FakeDialogSurface s;
    s.Open(owner);
    s.SetChecked(kNtfs, true);
    s.ClickCheckBox(kNtfs);
    EXPECT_FALSE(s.IsChecked(kNtfs));
    EXPECT_TRUE(s.IsChecked(kFat32)) << "the handler saw the new state";
    s.Enable(kNtfs, false);
    s.ClickCheckBox(kNtfs);
    EXPECT_FALSE(s.IsChecked(kNtfs)) << "a disabled check box takes no click";
    EXPECT_FALSE(s.IsChecked(4711));
}

TEST(FakeDialogWindow, ReadOnlyFieldsTakeNoTyping) {
    FakeDialogSurface s;
    s.SetText(1040, L"iqn.2004-08.com.example:disk0");
    s.SetReadOnly(1040, true);
    s.TypeText(1040, L"typed");
    EXPECT_EQ(s.Text(1040), L"iqn.2004-08.com.example:disk0");
    s.SetReadOnly(1040, false);
    s.TypeText(1040, L"typed");
    EXPECT_EQ(s.Text(1040), L"typed");
}

TEST(FakeDialogWindow, ADisabledDialogTakesNoInput) {
    Owner owner;
    FakeDialogSurface s;
    s.Open(owner);
    s.EnableDialog(false);
    EXPECT_FALSE(s.IsDialogEnabled());
    s.ClickCheckBox(kNtfs);
    s.PressKey(kKeyEscape);
    s.Wheel(-120);
    EXPECT_FALSE(s.IsChecked(kNtfs));
    EXPECT_FALSE(s.EndCode());
    EXPECT_EQ(s.RefusedInputs(), 3);
    s.EnableDialog(true);
    s.Wheel(-120);
    EXPECT_EQ(owner.events, std::vector<std::wstring>{L"wheel -120"});
}

TEST(FakeDialogWindow, ModelessChildrenStayOpenUntilClosed) {
    Owner owner;
    Notice first, second;
    FakeDialogSurface s;
    s.Open(owner);
    ASSERT_TRUE(s.OpenModeless(first, kNoticeTemplate));
    ASSERT_TRUE(s.OpenModeless(second, 232));
    EXPECT_FALSE(s.OpenModeless(first, kNoticeTemplate)) << "one window per controller";
    EXPECT_EQ(s.OpenModelessCount(), 2);
    EXPECT_FALSE(s.EndCode()) << "the owner runs on";

    s.ModelessSurface(kNoticeTemplate)->Click(kIdOk);
    EXPECT_EQ(first.oks, 1);
    EXPECT_FALSE(first.IsAttached()) << "ended by its own OK: destroyed";
    EXPECT_EQ(s.OpenModelessCount(), 1);
    s.CloseModeless(second);
    EXPECT_FALSE(second.IsAttached());
    s.CloseModeless(second);  // gone already: nothing

    // The close box ends a notice as Cancel; the owner's end takes the rest.
    Notice third;
    ASSERT_TRUE(s.OpenModeless(third, kNoticeTemplate));
    s.ModelessSurface(kNoticeTemplate)->CloseBox();
    EXPECT_EQ(s.ModelessSurface(kNoticeTemplate)->EndCode(), kIdCancel);
    EXPECT_FALSE(third.IsAttached());
    Notice fourth;
    s.RefuseModeless(232);
    EXPECT_FALSE(s.OpenModeless(fourth, 232));
    ASSERT_TRUE(s.OpenModeless(fourth, kNoticeTemplate));
    s.Destroy();
    EXPECT_FALSE(fourth.IsAttached()) << "owned windows go with their owner";
    EXPECT_EQ(s.ModelessOpens(), (std::vector<int>{233, 232, 233, 233, 232, 233}));
}

TEST(FakeDialogWindow, MinimiseAndRestoreArriveAsSizes) {
    Owner owner;
    FakeDialogSurface s;
    s.Open(owner);
    s.Restore();
    s.Minimize();
    s.Minimize();
    EXPECT_TRUE(s.IsMinimized());
    s.Restore();
    EXPECT_FALSE(s.IsMinimized());
    EXPECT_EQ(owner.sizes, (std::vector<SizeKind>{SizeKind::Minimized, SizeKind::Restored}))
        << "only real changes";
    // So does a new size, or a scroll bar coming or going.
    s.ResizeDialog({460, 265});
    s.ResizeDialog({460, 265});
    s.SetVerticalScrollBar({0, 130, 50, 0});
    s.SetVerticalScrollBar({0, 130, 50, 10});
    s.RemoveVerticalScrollBar();
    EXPECT_EQ(owner.sizes.size(), 5u);
}

TEST(FakeDialogWindow, ScrollBarClampsLikeAWindowsScrollBar) {
    FakeDialogSurface s;
    EXPECT_FALSE(s.VerticalScrollBar());
    EXPECT_EQ(s.SetVerticalScrollPosition(20), 0) << "no bar";
    struct Case {
        ScrollBarState set;
        ScrollBarState kept;
    };
    const Case cases[] = {
        {{0, 130, 50, 0}, {0, 130, 50, 0}},
        {{0, 130, 50, 200}, {0, 130, 50, 81}},
        {{0, 130, 0, 200}, {0, 130, 0, 130}},
        {{0, 10, 50, 5}, {0, 10, 11, 0}},
        {{0, 105, 50, -3}, {0, 105, 50, 0}},
    };
    for (const Case& c : cases) {
        s.SetVerticalScrollBar(c.set);
        EXPECT_EQ(*s.VerticalScrollBar(), c.kept) << c.set.max << " " << c.set.page << " " << c.set.position;
    }
    s.SetVerticalScrollBar({0, 130, 50, 0});
    EXPECT_EQ(s.SetVerticalScrollPosition(118), 81);
    s.RemoveVerticalScrollBar();
    EXPECT_FALSE(s.VerticalScrollBar());
}

TEST(FakeDialogWindow, ScrollAndMouseMessagesReachTheirEntries) {
    Owner owner;
    FakeDialogSurface s;
    s.Open(owner);
    s.CreateDiskBar(kBarId, Rect{20, 235, 435, 315});
    s.ScrollContent(-30);
    EXPECT_EQ(s.DiskBar(0).rect, (Rect{20, 205, 435, 285})) << "bars move with the content";
    EXPECT_EQ(s.ContentOffset(), -30);
    s.ScrollBarRequest(ScrollRequest::ThumbTrack, 70000);
    s.ScrollBarRequest(ScrollRequest::LineDown);
    s.MouseDown({5, 10});
    s.MouseMove({5, 14});
    s.MouseUp({5, 14});
    EXPECT_EQ(owner.events, (std::vector<std::wstring>{L"scroll 5 70000", L"scroll 1 0", L"down 10", L"move 14",
                                                       L"up 14"}));
    s.CaptureMouse();
    EXPECT_TRUE(s.HasMouseCapture());
    s.ReleaseMouse();
    EXPECT_FALSE(s.HasMouseCapture());
}

TEST(FakeDialogWindow, DiskBarClicksNotifyWithDiskNumberAndSegment) {
    Owner owner;
    FakeDialogSurface s;
    s.DefineMenu(kMenu, {{{kAdd, L"Add"}}, {{kDelete, L"Delete"}, {0, L""}, {32775, L"UnMount"}, {kMount, L"Mount"}}});
    s.Open(owner);
    const int bar = s.CreateDiskBar(kBarId, Rect{20, 235, 435, 315});
    ASSERT_EQ(bar, 0);
    s.SetDiskBarView(bar, TwoAreas(7));
    s.ClickDiskBarSegment(bar, 1);
    s.ClickDiskBar(bar, Point{270, 40});  // the gap between the segments
    EXPECT_EQ(owner.clicks, (std::vector<std::pair<int, int>>{{7, 1}, {7, -1}}));
    EXPECT_EQ(s.DiskBar(bar).state.SelectedSegment(), -1);

    // A right click on the partition offers its sub-menu; the pick arrives
    // once the click's handler has returned.
    s.QueueMenuChoice(kDelete);
    s.ClickDiskBarSegment(bar, 0, MouseButton::Right);
    EXPECT_EQ(s.DiskBar(bar).state.SelectedSegment(), 0);
    ASSERT_EQ(s.PopupMenus().size(), 1u);
    EXPECT_EQ(s.PopupMenus()[0].subMenu, 1);
    EXPECT_EQ(s.PopupMenus()[0].texts, (std::vector<std::wstring>{L"Delete", L"UnMount", L"Mount"}));
    EXPECT_EQ(owner.events, (std::vector<std::wstring>{L"right click", L"delete"}));

    // Free space: an item of another sub-menu cannot be picked; no pick, no command.
    s.QueueMenuChoice(kDelete);
    s.ClickDiskBarSegment(bar, 1, MouseButton::Right);
    EXPECT_EQ(s.PopupMenus()[1].chosen, 0);
    s.ClickDiskBarSegment(bar, 1, MouseButton::Right);
    EXPECT_EQ(s.PopupMenus()[2].texts, std::vector<std::wstring>{L"Add"});
    EXPECT_EQ(owner.events.size(), 4u) << "two right clicks, nothing picked";
    EXPECT_FALSE(s.ShowPopupMenu(kMenu, 2));
    EXPECT_FALSE(s.ShowPopupMenu(236, 0));

    s.ClearDiskBarSelection(bar);
    EXPECT_EQ(s.DiskBar(bar).state.SelectedSegment(), -1);
    s.ShowDiskBar(bar, false);
    EXPECT_FALSE(s.ClickDiskBarSegment(bar, 0).handled) << "a hidden bar takes no click";
}

TEST(FakeDialogWindow, ListsSelectSeveralRowsAndKeepStripes) {
    FakeDialogSurface s;
    for (int row = 0; row < 4; ++row) s.InsertListRow(1046, row, L"r");
    s.ClickListRow(1046, 1);
    s.CtrlClickListRow(1046, 3);
    EXPECT_EQ(SelectedRows(s, 1046), (std::vector<int>{1, 3}));
    ClearSelection(s, 1046);
    EXPECT_TRUE(SelectedRows(s, 1046).empty());
    s.Control(1045).list.singleSelection = true;
    for (int row = 0; row < 3; ++row) s.InsertListRow(1045, row, L"s");
    s.SetListRowSelected(1045, 0, true);
    s.SetListRowSelected(1045, 2, true);
    EXPECT_EQ(SelectedRows(s, 1045), std::vector<int>{2});

    s.SetListStripeColors(1046, Color{255, 250, 250}, Color{255, 250, 250});
    s.AddListRowColor(1046, 2, Color{255, 235, 205});
    s.AddListRowColor(1046, 2, Color{255, 248, 220});
    EXPECT_EQ(s.Control(1046).list.stripes->RowBackground(2), (Color{255, 248, 220}));
    EXPECT_EQ(s.Control(1046).list.stripes->RowBackground(1), (Color{255, 250, 250}));
    s.ClearListRowColors(1046);
    EXPECT_TRUE(s.Control(1046).list.stripes->RowColors().empty());
}

}  // namespace
}  // namespace norvale::test
