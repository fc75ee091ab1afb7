// Handlers re-entered through a message box's modal loop: while the user
// reads a box of the automatic connect, the target list's timer fires again
// (as it does on Windows), and the fill it brings must not connect the same
// target a second time.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/iscsi/target_section_fixture.h"

namespace norvale::test {
namespace {

class ModalLoopReentryTest : public TargetSectionTest {
protected:
    ModalLoopReentryTest() : TargetSectionTest(sim::InitiatorOptions{.service = sim::SimServiceState::Stopped}) {
        version = VistaBusiness();
        surface.RunModalLoopInBoxes();
    }
};

TEST_F(ModalLoopReentryTest, ABoxOfTheAutomaticConnectDoesNotStartASecondConnect) {
    // The automatic connect asks for the disk under the initiator's name of
    // the target; it has none, so the connect ends with a warning box.
    const std::wstring target = L"iqn.2026-12.com.orrin:archive-lun0";
    disks.states[target] = TargetDiskState::None;
    OpenAndSelect();
    ClickTarget(0);
    const std::size_t mark = Mark();
    PressConnect();

    const Lines lines = Iscsicli(mark);
    const auto logins = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("iscsicli logintarget iqn.2026-12.com.orrin:archive-lun0 ", 0) == 0;
    });
    EXPECT_EQ(logins, 1) << "one login of the target, however often the list timer fired meanwhile";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "iscsicli BindPersistentVolumes "), 0)
        << "no second connect pass finding the target connected";
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"The target doesn't allocated to the iSCSI LUN."});
    EXPECT_TRUE(Connected(kPlainTarget));
    EXPECT_FALSE(targets->State().AutoConnectPending);
    // One connect looked for its disk (until the bound: it never comes).
    EXPECT_EQ(std::count(disks.calls.begin(), disks.calls.end(), L"find " + target), 11);
}

}  // namespace
}  // namespace norvale::test
