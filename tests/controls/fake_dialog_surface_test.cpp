// The fake surface behaves like the Win32 controls where controllers depend
// on it: list insertion order, combo selection, blank IP fields, refusals.
#include <gtest/gtest.h>

#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

TEST(FakeDialogSurface, ListRowsCellsAndSelection) {
    FakeDialogSurface s;
    s.InsertListColumn(1, 0, {L"Name", 94, ColumnAlignment::Left});
    s.InsertListColumn(1, 1, {L"IP", 90, ColumnAlignment::Left});
    EXPECT_EQ(s.InsertListRow(1, 0, L"b"), 0);
    EXPECT_EQ(s.InsertListRow(1, 0, L"a"), 0);
    EXPECT_EQ(s.InsertListRow(1, 99, L"c"), 2) << "past the end appends";
    EXPECT_EQ(s.InsertListRow(1, -1, L"x"), -1);
    s.SetListCell(1, 2, 1, L"10.0.0.1");
    s.SetListCell(1, 7, 1, L"ignored");
    EXPECT_EQ(s.ListRowCount(1), 3);
    EXPECT_EQ(s.ListCell(1, 0, 0), L"a");
    EXPECT_EQ(s.ListCell(1, 2, 1), L"10.0.0.1");
    EXPECT_EQ(s.ListCell(1, 1, 1), L"");
    EXPECT_EQ(s.ListCell(1, 5, 0), L"");
    s.SetListRowSelected(1, 1, true);
    s.DeleteListRow(1, 0);
    EXPECT_TRUE(s.IsListRowSelected(1, 0)) << "selection moves with its row";
    s.DeleteAllListRows(1);
    EXPECT_EQ(s.ListRowCount(1), 0);
    EXPECT_FALSE(s.IsListRowSelected(1, 0));
}

TEST(FakeDialogSurface, ComboSelectionAndText) {
    FakeDialogSurface s;
    EXPECT_EQ(s.AddComboItem(5, L"Disable"), 0);
    EXPECT_EQ(s.AddComboItem(5, L"Enable"), 1);
    EXPECT_EQ(s.ComboSelection(5), -1);
    s.SelectComboItem(5, 1);
    EXPECT_EQ(s.Text(5), L"Enable");
    s.SelectComboItem(5, 2);
    EXPECT_EQ(s.ComboSelection(5), -1) << "out of range clears, as CB_SETCURSEL";
    EXPECT_EQ(s.ComboItemText(5, 0), L"Disable");
    EXPECT_EQ(s.ComboItemText(5, 2), L"");
    s.ClearCombo(5);
    EXPECT_EQ(s.ComboItemCount(5), 0);
}

TEST(FakeDialogSurface, IpFieldBlankSetAndClear) {
    FakeDialogSurface s;
    EXPECT_TRUE(s.IsIpBlank(6));
    EXPECT_EQ(s.IpAddress(6), (IpOctets{0, 0, 0, 0}));
    s.SetIpAddress(6, {192, 168, 1, 2});
    EXPECT_FALSE(s.IsIpBlank(6));
    EXPECT_EQ(s.IpAddress(6), (IpOctets{192, 168, 1, 2}));
    s.FocusIpOctet(6, 4);
    EXPECT_EQ(s.Control(6).ip.focusedOctet, -1) << "no fifth octet";
    s.FocusIpOctet(6, 3);
    EXPECT_EQ(s.Control(6).ip.focusedOctet, 3);
    s.ClearIpAddress(6);
    EXPECT_TRUE(s.IsIpBlank(6));
}

TEST(FakeDialogSurface, ProgressPositionStaysInRange) {
    FakeDialogSurface s;
    s.SetProgressRange(3, 0, 50);
    s.SetProgressPosition(3, 80);
    EXPECT_EQ(s.ProgressPosition(3), 50);
    s.SetProgressPosition(3, -4);
    EXPECT_EQ(s.ProgressPosition(3), 0);
}

TEST(FakeDialogSurface, DeclaredControlsRefuseOtherIds) {
    FakeDialogSurface s;
    s.DeclareControls({1000, 1002});
    s.SetText(1002, L"Refresh");
    s.SetText(1003, L"typo");
    EXPECT_EQ(s.Text(1002), L"Refresh");
    EXPECT_EQ(s.Text(1003), L"");
    EXPECT_FALSE(s.IsEnabled(1003));
    EXPECT_EQ(s.InsertListRow(1001, 0, L"x"), -1);
    EXPECT_EQ(s.UnknownControlCalls(), (std::vector<int>{1003, 1003, 1003, 1001}));
}

}  // namespace
}  // namespace norvale::test
