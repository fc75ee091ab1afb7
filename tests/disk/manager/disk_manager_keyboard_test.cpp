// The disk manager without a mouse: Tab to a bar, the arrows to a segment,
// Enter selects it, the context-menu key (or Shift+F10) opens menu 235 at
// that segment and its command acts as after a right click.
#include <gtest/gtest.h>

#include "controls/core/disk_bar_keys.h"
#include "tests/disk/manager/disk_manager_fixture.h"

namespace norvale {
namespace {

using test::DiskManagerTest;
using test::kGiB;
using test::kMiB;

TEST_F(DiskManagerTest, TheBarsActionsFromTheKeyboard) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB), test::MbrEntry(2 * kGiB, kGiB)}));
    Open();
    test::FakeDialogSurface& s = *surface_;
    const auto segmentMiddle = [&](int segment) {
        const Rect r = s.DiskBar(0).Segments().at(static_cast<size_t>(segment));
        return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };

    EXPECT_TRUE(s.DiskBarKey(0, kKeyRight).handled == false && s.PopupMenus().empty())
        << "keys reach the bar only once it has the focus";
    s.FocusDiskBar(0);
    EXPECT_EQ(s.FocusedControl(), IDC_DISK_BAR);
    // Segments: partition, free, partition, free.
    s.DiskBarKey(0, kKeyRight);
    s.DiskBarKey(0, kKeyReturn);
    EXPECT_TRUE(s.Control(IDC_DISK_SEGMENTS).list.selected.at(1)) << "Enter selects as a click does";
    EXPECT_TRUE(s.PopupMenus().empty()) << "a left click opens no menu";

    s.DiskBarKey(0, kKeyApps);
    ASSERT_EQ(s.PopupMenus().size(), 1u);
    EXPECT_EQ(s.PopupMenus()[0].subMenu, 0) << "free space: Add";
    EXPECT_EQ(s.PopupMenus()[0].barAnchor, segmentMiddle(1)) << "at the focused segment, not the mouse";

    s.DiskBarKey(0, kKeyRight);
    s.DiskBarKey(0, kKeyF10, true);
    ASSERT_EQ(s.PopupMenus().size(), 2u);
    EXPECT_EQ(s.PopupMenus()[1].subMenu, 1) << "a partition: Delete, UnMount, Mount";
    EXPECT_EQ(s.PopupMenus()[1].barAnchor, segmentMiddle(2));
    EXPECT_TRUE(s.Control(IDC_DISK_VOLUMES).list.selected.at(1)) << "the partition's row, as for a right click";

    // A menu asked for with the mouse opens at the cursor, for the segment under it.
    s.DiskBarContextMenu(0, segmentMiddle(0));
    ASSERT_EQ(s.PopupMenus().size(), 3u);
    EXPECT_EQ(s.PopupMenus()[2].subMenu, 1);
    EXPECT_FALSE(s.PopupMenus()[2].barAnchor);

    // The command picked acts on the segment the keys chose.
    s.DiskBarKey(0, kKeyEnd);
    s.DiskBarKey(0, kKeyLeft);
    s.QueueMenuChoice(ID_DISK_UNMOUNT);
    s.DiskBarKey(0, kKeyApps);
    ASSERT_EQ(reopened_.size(), 1u);
    EXPECT_EQ(reopened_[0][1][2], L"*") << "the second partition lost its letter";
    EXPECT_NE(reopened_[0][0][2], L"*") << "the first kept its";
}

}  // namespace
}  // namespace norvale
