// The keyboard on lists and disk bars: the fake surface reports selection
// changes in Windows' order, a row picked acts once whether clicked or moved
// to with the keys, and the bar's keys move, click and ask for its menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/core/disk_bar_keys.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

constexpr int kList = 1000;
constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

std::wstring CauseText(ChangeCause cause) {
    switch (cause) {
        case ChangeCause::Program: return L"program";
        case ChangeCause::Keyboard: return L"key";
        case ChangeCause::Mouse: return L"mouse";
    }
    return L"?";
}

// Logs every notification of the list and counts the picks.
class ListLog final : public DialogController {
public:
    ListLog() {
        Messages()
            .OnListItemChanged(kList,
                               [this](const ListItemChange& c) {
                                   log.push_back(std::to_wstring(c.row) + (c.isSelected ? L"+" : L"-") + L" " +
                                                 CauseText(c.cause));
                               })
            .OnNotify(kList, kNotifyClick, [this] { log.push_back(L"click"); });
    }
    std::vector<std::wstring> log;
};

class Picker final : public DialogController {
public:
    Picker() {
        Messages().OnListRowPicked(kList, [this] { picks.push_back(SelectedRowOf()); });
    }
    int SelectedRowOf() {
        for (int row = 0; row < Surface().ListRowCount(kList); ++row)
            if (Surface().IsListRowSelected(kList, row)) return row;
        return -1;
    }
    std::vector<int> picks;
};

void FillRows(FakeDialogSurface& s, int rows) {
    s.Control(kList).list.singleSelection = true;
    for (int row = 0; row < rows; ++row) s.InsertListRow(kList, row, L"row " + std::to_wstring(row));
}

TEST(ListSelectionNotices, SentInWindowsOrderForClicksKeysAndTheProgram) {
    using Log = std::vector<std::wstring>;
    struct Case {
        const char* what;
        void (*act)(FakeDialogSurface&);
        Log expected;
    };
    const Case cases[] = {
        {"a click on a new row: the old row loses, the new gains, then NM_CLICK",
         [](FakeDialogSurface& s) { s.ClickListRow(kList, 2); }, {L"0- mouse", L"2+ mouse", L"click"}},
        {"a click on the selected row: NM_CLICK only", [](FakeDialogSurface& s) { s.ClickListRow(kList, 0); },
         {L"click"}},
        {"a click beside the rows: the selection goes, NM_CLICK follows",
         [](FakeDialogSurface& s) { s.ClickListRow(kList, -1); }, {L"0- mouse", L"click"}},
        {"Down: the same two changes, no NM_CLICK", [](FakeDialogSurface& s) { s.KeyToListRow(kList, 1); },
         {L"0- key", L"1+ key"}},
        {"the program selects a row of a single-selection list",
         [](FakeDialogSurface& s) { s.SetListRowSelected(kList, 3, true); }, {L"0- program", L"3+ program"}},
        {"the program clears a row; clearing it again changes nothing",
         [](FakeDialogSurface& s) {
             s.SetListRowSelected(kList, 0, false);
             s.SetListRowSelected(kList, 0, false);
         },
         {L"0- program"}},
    };
    for (const Case& c : cases) {
        ListLog log;  // outlives the surface, which detaches it
        FakeDialogSurface s;
        FillRows(s, 4);
        s.SetListRowSelected(kList, 0, true);
        s.Open(log);
        c.act(s);
        EXPECT_EQ(log.log, c.expected) << c.what;
    }
}

TEST(ListRowPicked, OnePickPerChangeNeverTwoForOneClick) {
    Picker picker;
    FakeDialogSurface s;
    FillRows(s, 4);
    s.Open(picker);

    s.ClickListRow(kList, 1);  // a new row: its selection change and NM_CLICK
    EXPECT_EQ(picker.picks, (std::vector<int>{1})) << "a click on a new row acts once";
    s.ClickListRow(kList, 1);
    EXPECT_EQ(picker.picks, (std::vector<int>{1, 1})) << "a click on the selected row acts, as it always did";
    s.KeyToListRow(kList, 2);
    s.KeyToListRow(kList, 3);
    EXPECT_EQ(picker.picks, (std::vector<int>{1, 1, 2, 3})) << "each key move acts once";
    s.SetListRowSelected(kList, 0, true);
    EXPECT_EQ(picker.picks.size(), 4u) << "the program's own selection never acts";
    s.ClickListRow(kList, -1);
    EXPECT_EQ(picker.picks.back(), -1) << "a click beside the rows still reaches the handler";

    s.EnableDialog(false);
    s.KeyToListRow(kList, 1);
    EXPECT_EQ(picker.picks.size(), 5u) << "no key reaches a disabled dialog";
    EXPECT_EQ(s.RefusedInputs(), 1);
}

DiskView ThreeSegments() {
    DiskView view;
    view.diskNumber = 2;
    view.slotCount = 3;
    for (int i = 0; i < 3; ++i) {
        DiskSlot& slot = view.slots[static_cast<size_t>(i)];
        slot.length = (i + 1) * kGiB;
        slot.partitionNumber = i < 2 ? i + 1 : 0;
        slot.partitionFlag = i < 2 ? 1 : 0;
        slot.driveLetter = i == 0 ? L"E:\\" : L"";
        slot.fileSystem = i < 2 ? L"NTFS" : L"";
    }
    return view;
}

TEST(DiskBarKeyboard, KeysMoveTheFocusAndClickOrAskForTheMenu) {
    DiskBarState bar;
    bar.SetView(ThreeSegments());
    bar.Layout(Rect{0, 0, 415, 80});
    DiskBarKeyboard keys;
    EXPECT_EQ(keys.FocusedSegment(bar), -1) << "no focus yet";
    keys.FocusGained(bar);

    struct Step {
        int key;
        bool shift;
        std::optional<BarNotice> notice;
        int focused;
    };
    const BarNotice move{};
    const Step steps[] = {
        {kKeyLeft, false, move, 0},  // stays at the first
        {kKeyRight, false, move, 1},
        {kKeyDown, false, move, 2},
        {kKeyRight, false, move, 2},  // stays at the last
        {kKeyHome, false, move, 0},
        {kKeyEnd, false, move, 2},
        {kKeyUp, false, move, 1},
        {kKeyReturn, false, BarNotice{kDiskBarLeftClick, 1}, 1},
        {kKeyApps, false, BarNotice{kDiskBarRightClick, 1}, 1},
        {kKeyF10, true, BarNotice{kDiskBarRightClick, 1}, 1},
        {kKeyF10, false, std::nullopt, 1},  // F10 alone is the dialog's
        {'A', false, std::nullopt, 1},
        {kKeyHome, false, move, 0},
        {kKeySpace, false, BarNotice{kDiskBarLeftClick, 0}, 0},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(keys.Key(step.key, step.shift, bar), step.notice) << "key " << step.key;
        EXPECT_EQ(keys.FocusedSegment(bar), step.focused) << "key " << step.key;
    }
    EXPECT_EQ(bar.SelectedSegment(), 0) << "Space selected the focused segment";

    // The focus comes back where the selection is; a smaller view clamps it.
    keys.FocusLost();
    EXPECT_EQ(keys.FocusedSegment(bar), -1);
    bar.SetSelectedSegment(2);
    keys.FocusGained(bar);
    EXPECT_EQ(keys.FocusedSegment(bar), 2);
    DiskView one = ThreeSegments();
    one.slotCount = 1;
    bar.SetView(one);
    EXPECT_EQ(keys.FocusedSegment(bar), 0);

    // A menu asked for at a point is the segment under it; off the segments, none.
    bar.SetView(ThreeSegments());
    const std::vector<Rect>& segments = bar.Layout(Rect{0, 0, 415, 80});
    const Point onLast{segments[2].left + 2, segments[2].top + 2};
    EXPECT_EQ(keys.ContextMenu(onLast, bar), (BarNotice{kDiskBarRightClick, 2}));
    EXPECT_EQ(keys.FocusedSegment(bar), 2) << "the focus follows the mouse's segment";
    EXPECT_EQ(keys.ContextMenu(Point{0, 0}, bar), (BarNotice{kDiskBarRightClick, -1}));

    // An empty bar: the keys move nothing and Enter clicks nothing.
    DiskBarState empty;
    DiskBarKeyboard emptyKeys;
    emptyKeys.FocusGained(empty);
    EXPECT_EQ(emptyKeys.Key(kKeyRight, false, empty), move);
    EXPECT_EQ(emptyKeys.Key(kKeyReturn, false, empty), move);
    EXPECT_EQ(emptyKeys.FocusedSegment(empty), -1);
}

TEST(DiskBarSpokenNames, TheLabelOnOneLine) {
    const DiskView view = ThreeSegments();
    EXPECT_EQ(BarSpokenName(L"Disk", 2), L"Disk 2");
    EXPECT_EQ(SegmentSpokenName(view.slots[0], L"Unallocated"), L"(E:\\) 1.00GB NTFS");
    EXPECT_EQ(SegmentSpokenName(view.slots[1], L"Unallocated"), L"2.00GB NTFS") << "a partition without letter";
    EXPECT_EQ(SegmentSpokenName(view.slots[2], L"Unallocated"), L"3.00GB Unallocated");
}

}  // namespace
}  // namespace norvale::test
