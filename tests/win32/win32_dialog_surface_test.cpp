// The Win32 dialog surface against the real controls of a real dialog. The
// portable controller tests run on the fake surface, so the fake is first
// held to the answers of the real controls; the other cases look at what
// only the real windows show.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "controls/core/list_selection.h"
#include "controls/core/wait_cursor.h"
#include "controls/win32/busy_cursor.h"
#include "resources/resource.h"
#include "tests/fakes/fake_dialog_surface.h"
#include "tests/win32/win32_dialog_harness.h"

namespace norvale::test {
namespace {

std::wstring Num(long long value) { return std::to_wstring(value); }

// A sequence of surface calls with every answer written down.
std::vector<std::wstring> SurfaceTranscript(DialogSurfacePort& s) {
    std::vector<std::wstring> t;
    auto note = [&t](const wchar_t* what, const std::wstring& value) { t.push_back(std::wstring(what) + L" = " + value); };
    auto number = [&note](const wchar_t* what, long long value) { note(what, Num(value)); };
    auto ip = [&s] {
        const IpOctets o = s.IpAddress(IDC_TEST_IP);
        return Num(o[0]) + L"." + Num(o[1]) + L"." + Num(o[2]) + L"." + Num(o[3]);
    };

    s.SetText(IDC_TEST_EDIT, L"abc");
    note(L"edit text", s.Text(IDC_TEST_EDIT));
    note(L"missing text", s.Text(IDC_TEST_MISSING));
    number(L"missing enabled", s.IsEnabled(IDC_TEST_MISSING));
    number(L"missing visible", s.IsVisible(IDC_TEST_MISSING));
    s.Enable(IDC_TEST_BUTTON, false);
    number(L"button enabled", s.IsEnabled(IDC_TEST_BUTTON));
    s.Show(IDC_TEST_LABEL, false);
    number(L"label visible", s.IsVisible(IDC_TEST_LABEL));

    s.InsertListColumn(IDC_TEST_LIST, 0, {L"Name", 60, ColumnAlignment::Left});
    s.InsertListColumn(IDC_TEST_LIST, 1, {L"IP", 60, ColumnAlignment::Left});
    number(L"insert b", s.InsertListRow(IDC_TEST_LIST, 0, L"b"));
    number(L"insert a at 0", s.InsertListRow(IDC_TEST_LIST, 0, L"a"));
    number(L"insert c past the end", s.InsertListRow(IDC_TEST_LIST, 99, L"c"));
    number(L"insert at -1", s.InsertListRow(IDC_TEST_LIST, -1, L"x"));
    s.SetListCell(IDC_TEST_LIST, 2, 1, L"10.0.0.1");
    s.SetListCell(IDC_TEST_LIST, 7, 1, L"no such row");
    number(L"rows", s.ListRowCount(IDC_TEST_LIST));
    note(L"cell 0 0", s.ListCell(IDC_TEST_LIST, 0, 0));
    note(L"cell 2 1", s.ListCell(IDC_TEST_LIST, 2, 1));
    note(L"cell never set", s.ListCell(IDC_TEST_LIST, 1, 1));
    note(L"cell of no row", s.ListCell(IDC_TEST_LIST, 5, 0));
    s.SetListRowSelected(IDC_TEST_LIST, 1, true);
    number(L"row -1 selected", s.IsListRowSelected(IDC_TEST_LIST, -1));
    s.DeleteListRow(IDC_TEST_LIST, 0);
    number(L"selection moved with its row", s.IsListRowSelected(IDC_TEST_LIST, 0));
    s.DeleteListRow(IDC_TEST_LIST, 10);
    number(L"rows after deletes", s.ListRowCount(IDC_TEST_LIST));
    s.DeleteAllListRows(IDC_TEST_LIST);
    number(L"rows after delete all", s.ListRowCount(IDC_TEST_LIST));
    number(L"insert into missing", s.InsertListRow(IDC_TEST_MISSING, 0, L"a"));

    number(L"add Disable", s.AddComboItem(IDC_TEST_DROPLIST, L"Disable"));
    number(L"add Enable", s.AddComboItem(IDC_TEST_DROPLIST, L"Enable"));
    number(L"add empty", s.AddComboItem(IDC_TEST_DROPLIST, L""));
    note(L"item 2", s.ComboItemText(IDC_TEST_DROPLIST, 2));
    note(L"item 5", s.ComboItemText(IDC_TEST_DROPLIST, 5));
    s.SelectComboItem(IDC_TEST_DROPLIST, 1);
    number(L"selection", s.ComboSelection(IDC_TEST_DROPLIST));
    note(L"drop-down list text", s.Text(IDC_TEST_DROPLIST));
    s.SelectComboItem(IDC_TEST_DROPLIST, 7);
    number(L"selection out of range", s.ComboSelection(IDC_TEST_DROPLIST));
    note(L"text without selection", s.Text(IDC_TEST_DROPLIST));
    s.ClearCombo(IDC_TEST_DROPLIST);
    number(L"items after clear", s.ComboItemCount(IDC_TEST_DROPLIST));
    s.SetText(IDC_TEST_DROPDOWN, L"E:");
    note(L"typed combo text", s.Text(IDC_TEST_DROPDOWN));
    s.AddComboItem(IDC_TEST_DROPDOWN, L"F:");
    s.SelectComboItem(IDC_TEST_DROPDOWN, 0);
    note(L"chosen combo text", s.Text(IDC_TEST_DROPDOWN));
    number(L"selection of missing", s.ComboSelection(IDC_TEST_MISSING));

    number(L"ip blank at start", s.IsIpBlank(IDC_TEST_IP));
    note(L"ip at start", ip());
    s.SetIpAddress(IDC_TEST_IP, {192, 168, 1, 20});
    number(L"ip blank", s.IsIpBlank(IDC_TEST_IP));
    note(L"ip", ip());
    s.SetIpAddress(IDC_TEST_IP, {0, 0, 0, 0});
    number(L"ip blank after 0.0.0.0", s.IsIpBlank(IDC_TEST_IP));
    s.ClearIpAddress(IDC_TEST_IP);
    number(L"ip blank after clear", s.IsIpBlank(IDC_TEST_IP));
    note(L"ip after clear", ip());
    number(L"missing ip blank", s.IsIpBlank(IDC_TEST_MISSING));

    number(L"progress at start", s.ProgressPosition(IDC_TEST_PROGRESS));
    s.SetProgressRange(IDC_TEST_PROGRESS, 0, 200);
    s.SetProgressPosition(IDC_TEST_PROGRESS, 250);
    number(L"progress above the range", s.ProgressPosition(IDC_TEST_PROGRESS));
    s.SetProgressPosition(IDC_TEST_PROGRESS, -5);
    number(L"progress below the range", s.ProgressPosition(IDC_TEST_PROGRESS));
    s.SetProgressPosition(IDC_TEST_PROGRESS, 40);
    s.SetProgressRange(IDC_TEST_PROGRESS, 0, 20);
    number(L"progress after the range shrank", s.ProgressPosition(IDC_TEST_PROGRESS));

    s.SetFocus(IDC_TEST_EDIT);
    number(L"focus", s.FocusedControl());
    s.FocusIpOctet(IDC_TEST_IP, 1);
    number(L"focus in an octet", s.FocusedControl());
    s.FocusIpOctet(IDC_TEST_IP, 4);
    s.SetFocus(IDC_TEST_MISSING);
    number(L"focus after refused moves", s.FocusedControl());

    number(L"read-only at start", s.IsReadOnly(IDC_TEST_EDIT));
    s.SetReadOnly(IDC_TEST_EDIT, true);
    number(L"read-only", s.IsReadOnly(IDC_TEST_EDIT));
    s.SetReadOnly(IDC_TEST_EDIT, false);
    number(L"writable again", s.IsReadOnly(IDC_TEST_EDIT));
    number(L"missing read-only", s.IsReadOnly(IDC_TEST_MISSING));

    s.SetChecked(IDC_TEST_CHECK, true);
    number(L"checked", s.IsChecked(IDC_TEST_CHECK));
    number(L"other check box", s.IsChecked(IDC_TEST_CHECK2));
    s.SetChecked(IDC_TEST_CHECK, false);
    number(L"unchecked", s.IsChecked(IDC_TEST_CHECK));
    number(L"missing checked", s.IsChecked(IDC_TEST_MISSING));

    for (int id : {IDC_TEST_LIST, IDC_TEST_PLAIN_LIST}) {
        s.InsertListColumn(id, 0, {L"Volume", 60, ColumnAlignment::Left});
        for (int row = 0; row < 3; ++row) s.InsertListRow(id, row, L"v");
        s.SetListRowSelected(id, 0, true);
        s.SetListRowSelected(id, 2, true);
        number(L"rows selected", static_cast<long long>(SelectedRows(s, id).size()));
    }

    number(L"dialog enabled", s.IsDialogEnabled());
    s.EnableDialog(false);
    number(L"dialog disabled", s.IsDialogEnabled());
    s.EnableDialog(true);
    s.ResizeDialog({460, 265});
    note(L"dialog size", Num(s.DialogSize().width) + L"x" + Num(s.DialogSize().height));

    auto bar = [&s] {
        const std::optional<ScrollBarState> b = s.VerticalScrollBar();
        return b ? Num(b->min) + L".." + Num(b->max) + L" page " + Num(b->page) + L" at " + Num(b->position)
                 : std::wstring(L"none");
    };
    note(L"scroll bar at start", bar());
    number(L"position without a bar", s.SetVerticalScrollPosition(20));
    s.SetVerticalScrollBar({0, 130, 50, 0});
    note(L"scroll bar", bar());
    number(L"position past the end", s.SetVerticalScrollPosition(118));
    number(L"position below the start", s.SetVerticalScrollPosition(-5));
    s.SetVerticalScrollBar({0, 130, 0, 200});
    note(L"no page", bar());
    s.SetVerticalScrollBar({0, 10, 50, 5});
    note(L"page beyond the range", bar());
    s.RemoveVerticalScrollBar();
    note(L"scroll bar removed", bar());

    number(L"bars", s.DiskBarCount());
    number(L"first bar", s.CreateDiskBar(IDC_DISKS_BAR, Rect{10, 10, 200, 60}));
    number(L"second bar", s.CreateDiskBar(IDC_DISKS_BAR, Rect{10, 70, 200, 120}));
    number(L"bars made", s.DiskBarCount());
    s.ClearDiskBarSelection(7);  // no such bar: nothing

    s.CaptureMouse();
    number(L"capture", s.HasMouseCapture());
    s.ReleaseMouse();
    number(L"capture released", s.HasMouseCapture());
    return t;
}

// The transcript over the test dialog's controls, against the fake
// surface's answers to the same calls.
void ExpectTheFakesAnswers(const std::vector<std::wstring>& real) {
    FakeDialogSurface fake;
    fake.DeclareControls({IDC_TEST_EDIT, IDC_TEST_BUTTON, IDC_TEST_LABEL, IDC_TEST_LIST, IDC_TEST_PLAIN_LIST,
                          IDC_TEST_DROPLIST, IDC_TEST_DROPDOWN, IDC_TEST_IP, IDC_TEST_PROGRESS, IDC_TEST_GROUP,
                          IDC_TEST_CHECK, IDC_TEST_CHECK2, kIdOk, kIdCancel});
    fake.Control(IDC_TEST_LIST).list.singleSelection = true;
    const std::vector<std::wstring> expected = SurfaceTranscript(fake);
    ASSERT_EQ(real.size(), expected.size());
    for (size_t i = 0; i < real.size(); ++i) EXPECT_EQ(real[i], expected[i]) << "(the fake answers the second)";
}

TEST(Win32DialogSurface, AnswersAsTheFakeSurfaceDoes) {
    NORVALE_REQUIRE_WINDOWS();
    std::vector<std::wstring> real;
    WithShownDialog([&](TestDialog& d) { real = SurfaceTranscript(d.Surface()); });
    ExpectTheFakesAnswers(real);
}

// The drop-down combo boxes of a window made with them late: shown before
// they are made, the surface answers for them as for made ones, and they
// come once the window has painted, in their template places.
TEST(Win32DialogSurface, LateDropDownsAnswerAndComeInTheirPlaces) {
    NORVALE_REQUIRE_WINDOWS();
    constexpr int kPoll = 0x7A12;
    for (const bool transcript : {true, false}) {
        TestDialog d;
        std::vector<std::wstring> real;
        bool pendingWhenShown = false;
        d.onShown = [&] {
            pendingWhenShown = d.Item(IDC_TEST_DROPLIST) == nullptr && d.Item(IDC_TEST_DROPDOWN) == nullptr;
            DialogSurfacePort& s = d.Surface();
            if (transcript) {
                real = SurfaceTranscript(s);
                s.EndDialog(kIdOk);
                return;
            }
            s.AddComboItem(IDC_TEST_DROPLIST, L"A");
            s.AddComboItem(IDC_TEST_DROPLIST, L"B");
            s.SelectComboItem(IDC_TEST_DROPLIST, 1);
            s.Enable(IDC_TEST_DROPDOWN, false);
            s.BeginBusy({IDC_TEST_DROPLIST});
            EXPECT_TRUE(s.IsEnabled(IDC_TEST_DROPLIST)) << "what its controller wants";
            EXPECT_EQ(d.Item(IDC_TEST_DROPLIST), nullptr) << "its items and state wait for it";
            s.SetTimer(kPoll, std::chrono::milliseconds(20));
        };
        d.Messages().OnTimer(kPoll, [&] {
            HWND list = d.Item(IDC_TEST_DROPLIST), edit = d.Item(IDC_TEST_DROPDOWN);
            if (list == nullptr || edit == nullptr) return;
            d.Surface().KillTimer(kPoll);
            EXPECT_EQ(GetWindow(d.Item(IDC_TEST_PLAIN_LIST), GW_HWNDNEXT), list) << "tab order of the template";
            EXPECT_EQ(GetWindow(list, GW_HWNDNEXT), edit);
            EXPECT_EQ(GetWindow(edit, GW_HWNDNEXT), d.Item(IDC_TEST_IP));
            EXPECT_EQ(SendMessageW(list, WM_GETFONT, 0, 0), SendMessageW(d.Window(), WM_GETFONT, 0, 0));
            RECT units{5, 78, 75, 138}, placed{};
            MapDialogRect(d.Window(), &units);
            GetWindowRect(list, &placed);
            MapWindowPoints(nullptr, d.Window(), reinterpret_cast<POINT*>(&placed), 2);
            EXPECT_EQ(placed.left, units.left);
            EXPECT_EQ(placed.top, units.top);
            EXPECT_EQ(placed.right, units.right);
            EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
            EXPECT_EQ(WindowTextOf(list), L"B");
            EXPECT_FALSE(IsWindowEnabled(list)) << "held by the running flow";
            EXPECT_FALSE(IsWindowEnabled(edit));
            d.Surface().EndBusy();
            EXPECT_TRUE(IsWindowEnabled(list));
            EXPECT_FALSE(IsWindowEnabled(edit));
            d.Surface().EndDialog(kIdOk);
        });
        const auto late = win32::DialogTemplate::FromResource(IDD_TEST_CONTROLS).WithLateDropDowns();
        EXPECT_EQ(win32::RunModalDialog(d, late, nullptr), kIdOk);
        EXPECT_FALSE(d.timedOut);
        EXPECT_TRUE(pendingWhenShown) << "the window shows before its drop-downs are made";
        if (transcript) ExpectTheFakesAnswers(real);
    }
}

// A template cut short anywhere among its items is refused whole, never
// read past its end: the dialog is then made from the resource as it is.
TEST(Win32DialogSurface, ACutTemplateKeepsItsDropDowns) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_TEST_CONTROLS), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    const std::vector<BYTE> whole(data, data + SizeofResource(module, found));
    const auto full = win32::LateTemplate::WithoutDropDowns(whole.data(), whole.size());
    ASSERT_TRUE(full.has_value());
    ASSERT_EQ(full->Late().size(), 2u);
    EXPECT_EQ(full->Late()[1].previousId, IDC_TEST_DROPLIST);
    const auto itemCount = [](const void* dialogTemplate) {
        WORD count = 0;  // after dlgVer, signature, helpID, exStyle and style
        std::memcpy(&count, static_cast<const BYTE*>(dialogTemplate) + 16, sizeof count);
        return count;
    };
    EXPECT_EQ(itemCount(full->Template()), itemCount(whole.data()) - 2);
    for (size_t size = 0; size + 3 < whole.size(); ++size) {
        const std::vector<BYTE> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(win32::LateTemplate::WithoutDropDowns(cut.data(), cut.size()).has_value()) << size;
    }
}

TEST(Win32DialogSurface, TextsStatesAndRedrawPeriods) {
    NORVALE_REQUIRE_WINDOWS();
    int editChanges = 0;
    TestDialog dialog;
    dialog.Messages().OnCommand(IDC_TEST_EDIT, kEditChange, [&] { ++editChanges; });
    dialog.onShown = [&] {
        DialogSurfacePort& s = dialog.Surface();
        const std::wstring title = L"Datentr\u00e4ger \u2013 NAS";
        s.SetTitle(title);
        EXPECT_EQ(WindowTextOf(dialog.Window()), title);
        EXPECT_EQ(s.Title(), title);
        const std::wstring longText(3000, L'x');  // longer than any fixed buffer
        s.SetText(IDC_TEST_EDIT, longText);
        EXPECT_EQ(s.Text(IDC_TEST_EDIT), longText);
        s.SetText(IDC_TEST_EDIT, L"");
        EXPECT_EQ(s.Text(IDC_TEST_EDIT), L"");
        EXPECT_EQ(editChanges, 2) << "the edit's own EN_CHANGE reaches the table";
        s.Enable(IDC_TEST_BUTTON, false);
        EXPECT_FALSE(IsWindowEnabled(dialog.Item(IDC_TEST_BUTTON)));
        s.Show(IDC_TEST_LABEL, false);
        EXPECT_FALSE(IsWindowVisible(dialog.Item(IDC_TEST_LABEL)));
        s.Show(IDC_TEST_LABEL, true);

        // List views answer WM_SETREDRAW themselves; buttons and static texts
        // leave it to the default window procedure, which keeps it in WS_VISIBLE.
        for (int id : {IDC_TEST_LIST, IDC_TEST_BUTTON}) {
            s.SetRedraw(id, false);
            EXPECT_TRUE(s.IsVisible(id)) << id << ": a control being filled is still shown";
            s.SetRedraw(id, true);
            EXPECT_TRUE(IsWindowVisible(dialog.Item(id))) << id;
        }
        for (int id : {IDC_TEST_PLAIN_LIST, IDC_TEST_LABEL}) {
            s.Show(id, false);
            s.SetRedraw(id, false);
            s.SetRedraw(id, true);
            EXPECT_FALSE(IsWindowVisible(dialog.Item(id))) << id << ": turning redraw on must not show it";
        }
        s.SetRedraw(IDC_TEST_BUTTON, false);
        s.Show(IDC_TEST_BUTTON, false);
        s.SetRedraw(IDC_TEST_BUTTON, true);
        EXPECT_FALSE(IsWindowVisible(dialog.Item(IDC_TEST_BUTTON))) << "hidden during the period";
        s.EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
}

TEST(Win32DialogSurface, FocusIsReportedForControlsAndIpOctets) {
    NORVALE_REQUIRE_WINDOWS();
    WithShownDialog([](TestDialog& d) {
        DialogSurfacePort& s = d.Surface();
        s.SetFocus(IDC_TEST_LIST);
        EXPECT_EQ(GetFocus(), d.Item(IDC_TEST_LIST));
        s.SetIpAddress(IDC_TEST_IP, {10, 20, 30, 40});
        s.FocusIpOctet(IDC_TEST_IP, 2);
        EXPECT_EQ(WindowTextOf(GetFocus()), L"30") << "the third octet has the focus";
        EXPECT_EQ(s.FocusedControl(), IDC_TEST_IP);
        // The edit inside an editable combo counts as the combo.
        SetFocus(GetWindow(d.Item(IDC_TEST_DROPDOWN), GW_CHILD));
        EXPECT_EQ(s.FocusedControl(), IDC_TEST_DROPDOWN);

        HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 500, 500, 50, 20, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(other, nullptr);
        SetFocus(other);
        EXPECT_EQ(s.FocusedControl(), 0) << "focus outside the dialog";
        DestroyWindow(other);
    });
}

TEST(Win32DialogSurface, ListViewColumnsCellsSelectionAndScrolling) {
    NORVALE_REQUIRE_WINDOWS();
    int itemChanges = 0;
    TestDialog dialog;
    dialog.Messages().OnNotify(IDC_TEST_LIST, kListItemChanged, [&] { ++itemChanges; });
    dialog.onShown = [&] {
        DialogSurfacePort& s = dialog.Surface();
        HWND list = dialog.Item(IDC_TEST_LIST);
        s.InsertListColumn(IDC_TEST_LIST, 0, {L"Name", 94, ColumnAlignment::Left});
        s.InsertListColumn(IDC_TEST_LIST, 1, {L"IP", 90, ColumnAlignment::Right});
        s.InsertListColumn(IDC_TEST_LIST, 2, {L"Active", 70, ColumnAlignment::Center});
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
        const wchar_t* titles[] = {L"Name", L"IP", L"Active"};
        const int widths[] = {94, 90, 70}, formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
        for (int i : {0, 1, 2}) {
            wchar_t text[32] = {};
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.pszText = text;
            column.cchTextMax = 32;
            ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
            EXPECT_STREQ(text, titles[i]);
            EXPECT_EQ(column.cx, widths[i]);
            EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, formats[i]);
        }
        s.SetListFullRowSelect(IDC_TEST_LIST, true);
        EXPECT_TRUE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
        s.SetListFullRowSelect(IDC_TEST_LIST, false);
        EXPECT_FALSE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

        // Cells around and far beyond the first buffer the reader tries.
        ASSERT_EQ(s.InsertListRow(IDC_TEST_LIST, 0, L"HVB-3300"), 0);
        for (size_t length : {63u, 64u, 1000u}) {
            const std::wstring text(length, L'n');
            s.SetListCell(IDC_TEST_LIST, 0, 2, text);
            EXPECT_EQ(s.ListCell(IDC_TEST_LIST, 0, 2), text) << length << " characters";
        }

        for (int id : {IDC_TEST_LIST, IDC_TEST_PLAIN_LIST}) {
            s.InsertListColumn(id, 0, {L"Name", 100, ColumnAlignment::Left});
            for (int row = s.ListRowCount(id); row < 30; ++row) s.InsertListRow(id, row, L"row " + Num(row));
            s.SetListRowSelected(id, 2, true);
            s.SetListRowSelected(id, 5, true);
        }
        EXPECT_GT(itemChanges, 0) << "the list's own LVN_ITEMCHANGED reaches the table";
        // The single-selection list keeps the last row selected, the other both.
        EXPECT_FALSE(s.IsListRowSelected(IDC_TEST_LIST, 2));
        EXPECT_TRUE(s.IsListRowSelected(IDC_TEST_LIST, 5));
        EXPECT_TRUE(s.IsListRowSelected(IDC_TEST_PLAIN_LIST, 2));
        s.SetListRowSelected(IDC_TEST_LIST, 5, false);
        EXPECT_FALSE(s.IsListRowSelected(IDC_TEST_LIST, 5));

        const int perPage = s.ListVisibleRowCount(IDC_TEST_LIST);
        ASSERT_GT(perPage, 0);
        ASSERT_LT(perPage, 30) << "the test list must be shorter than its rows";
        EXPECT_EQ(s.ListFirstVisibleRow(IDC_TEST_LIST), 0);
        SendMessageW(list, LVM_ENSUREVISIBLE, 29, FALSE);
        EXPECT_EQ(s.ListFirstVisibleRow(IDC_TEST_LIST), 30 - perPage) << "scrolled to the end";
        s.DeleteAllListRows(IDC_TEST_LIST);
        EXPECT_EQ(s.ListFirstVisibleRow(IDC_TEST_LIST), 0);
        s.EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
}

TEST(Win32DialogSurface, ComboIpFieldAndProgressBarHoldWhatWasWritten) {
    NORVALE_REQUIRE_WINDOWS();
    WithShownDialog([](TestDialog& d) {
        DialogSurfacePort& s = d.Surface();
        HWND combo = d.Item(IDC_TEST_DROPLIST);
        s.AddComboItem(IDC_TEST_DROPLIST, L"Disable");
        const std::wstring longItem(500, L'D');
        EXPECT_EQ(s.AddComboItem(IDC_TEST_DROPLIST, longItem), 1);
        s.SelectComboItem(IDC_TEST_DROPLIST, 1);
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(s.ComboItemText(IDC_TEST_DROPLIST, 1), longItem);

        HWND ip = d.Item(IDC_TEST_IP);
        s.SetIpAddress(IDC_TEST_IP, {255, 255, 255, 0});
        DWORD address = 0;
        SendMessageW(ip, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        EXPECT_EQ(address, static_cast<DWORD>(MAKEIPADDRESS(255, 255, 255, 0)));
        // As typed by the user: one octet filled in, the others empty.
        s.ClearIpAddress(IDC_TEST_IP);
        SetWindowTextW(GetWindow(ip, GW_CHILD), L"7");
        EXPECT_FALSE(s.IsIpBlank(IDC_TEST_IP));

        HWND bar = d.Item(IDC_TEST_PROGRESS);
        s.SetProgressRange(IDC_TEST_PROGRESS, 10, 100000);
        PBRANGE range{};
        SendMessageW(bar, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
        EXPECT_EQ(range.iLow, 10);
        EXPECT_EQ(range.iHigh, 100000) << "beyond 16 bits";
        s.SetProgressPosition(IDC_TEST_PROGRESS, 70000);
        s.SetProgressColors(IDC_TEST_PROGRESS, kProgressGreen, kWhite);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(bar, PBM_GETBARCOLOR, 0, 0)), RGB(124, 252, 0));
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(bar, PBM_GETBKCOLOR, 0, 0)), RGB(255, 255, 255));
        EXPECT_EQ(s.ProgressPosition(IDC_TEST_PROGRESS), 70000);
    });
}

COLORREF BrushColor(HBRUSH brush) {
    LOGBRUSH logBrush{};
    GetObjectW(brush, sizeof logBrush, &logBrush);
    return logBrush.lbColor;
}

TEST(Win32DialogSurface, DialogColoursAnswerTheColourMessages) {
    NORVALE_REQUIRE_WINDOWS();
    WithShownDialog([](TestDialog& d) {
        HDC dc = CreateCompatibleDC(nullptr);
        auto colour = [&](UINT message, int control) {
            return reinterpret_cast<HBRUSH>(SendMessageW(d.Window(), message, reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(d.Item(control))));
        };
        HBRUSH before = colour(WM_CTLCOLORSTATIC, IDC_TEST_LABEL);
        d.Surface().SetDialogColors(kDialogBlue, kWhite);
        HBRUSH label = colour(WM_CTLCOLORSTATIC, IDC_TEST_LABEL);
        EXPECT_NE(label, before);
        EXPECT_EQ(BrushColor(label), RGB(0, 98, 147));
        EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
        EXPECT_EQ(GetBkColor(dc), RGB(0, 98, 147));
        EXPECT_EQ(colour(WM_CTLCOLORDLG, 0), label);
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
        EXPECT_NE(colour(WM_CTLCOLOREDIT, IDC_TEST_EDIT), label) << "edit fields keep their colours";
        EXPECT_NE(GetTextColor(dc), RGB(255, 255, 255));

        d.Surface().SetDialogColors(Color{200, 0, 0}, kWhite);
        EXPECT_EQ(BrushColor(colour(WM_CTLCOLORSTATIC, IDC_TEST_LABEL)), RGB(200, 0, 0));
        EXPECT_EQ(GetObjectType(label), 0u) << "the replaced brush is deleted";
        DeleteDC(dc);
    });
}

TEST(Win32DialogSurface, IconAndSystemMenuItem) {
    NORVALE_REQUIRE_WINDOWS();
    int aboutCommands = 0;
    TestDialog dialog;
    dialog.Messages().OnSysCommand(16, [&] { ++aboutCommands; });
    dialog.onShown = [&] {
        DialogSurfacePort& s = dialog.Surface();
        HWND window = dialog.Window();
        s.SetIcon(IDR_MAINFRAME);
        const auto big = SendMessageW(window, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(big, 0);
        EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
        EXPECT_EQ(SendMessageW(window, WM_QUERYDRAGICON, 0, 0), big) << "the icon drawn while minimised";
        s.SetIcon(4242);  // no such icon: the dialog keeps its own
        EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_BIG, 0), big);

        HMENU menu = GetSystemMenu(window, FALSE);
        const int before = GetMenuItemCount(menu);
        s.AppendSystemMenuItem(16, L"");
        EXPECT_EQ(GetMenuItemCount(menu), before) << "an empty text adds nothing";
        s.AppendSystemMenuItem(16, L"About Network Storage Adapter(&A)...");
        ASSERT_EQ(GetMenuItemCount(menu), before + 2);
        EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(before), MF_BYPOSITION) & MF_SEPARATOR);
        wchar_t text[64] = {};
        GetMenuStringW(menu, 16, text, 64, MF_BYCOMMAND);
        EXPECT_STREQ(text, L"About Network Storage Adapter(&A)...");
        SendMessageW(window, WM_SYSCOMMAND, 16, 0);
        EXPECT_EQ(aboutCommands, 1);
        s.EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
}

TEST(Win32DialogSurface, WaitCursorNestsAndRestores) {
    NORVALE_REQUIRE_WINDOWS();
    HCURSOR busy = win32::BusyCursor();
    ASSERT_NE(busy, nullptr);
    EXPECT_NE(busy, LoadCursorW(nullptr, IDC_WAIT)) << "the program's own animated cursor";
    WithShownDialog([&](TestDialog& d) {
        auto& surface = static_cast<win32::Win32DialogSurface&>(d.Surface());
        HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
        SetCursor(arrow);
        // What a mouse move over a control of the dialog sends.
        auto mouseMove = [&] {
            HWND button = d.Item(IDC_TEST_BUTTON);
            SetCursor(arrow);
            return SendMessageW(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button),
                                MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        };
        {
            WaitCursor outer(surface);
            EXPECT_EQ(GetCursor(), busy);
            {
                WaitCursor inner(surface);
                EXPECT_TRUE(mouseMove());
                EXPECT_EQ(GetCursor(), busy) << "the dialog keeps the busy cursor";
            }
            EXPECT_TRUE(surface.Busy()) << "the outer period still runs";
            EXPECT_EQ(GetCursor(), busy);
        }
        EXPECT_FALSE(surface.Busy());
        EXPECT_EQ(GetCursor(), arrow);
        mouseMove();
        EXPECT_EQ(GetCursor(), arrow) << "afterwards the controls set their own";

        // A step's busy period takes the cursor only where the pointer is
        // over the dialog; elsewhere it belongs to whatever lies under it.
        RECT frame{};
        GetWindowRect(d.Window(), &frame);
        const struct {
            bool over, captured;
            const char* where;
        } cases[] = {{false, false, "beside it"}, {false, true, "beside it, captured by it"}, {true, false, "over it"}};
        const int beside = frame.left > 60 ? frame.left - 40 : frame.right + 40;
        for (const auto& c : cases) {
            SetCursorPos(c.over ? (frame.left + frame.right) / 2 : beside, (frame.top + frame.bottom) / 2);
            if (c.captured) SetCapture(d.Window());  // a drag that left the dialog
            SetCursor(arrow);
            surface.BeginBusy({IDC_TEST_BUTTON, IDC_TEST_MISSING});
            ReleaseCapture();
            EXPECT_EQ(GetCursor(), c.over || c.captured ? busy : arrow) << c.where;
            EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_TEST_BUTTON))) << "held while the step runs";
            EXPECT_TRUE(mouseMove());
            EXPECT_EQ(GetCursor(), busy) << "once the pointer comes over it";
            surface.EndBusy();
            EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_TEST_BUTTON)));
        }
    });
}

}  // namespace
}  // namespace norvale::test
