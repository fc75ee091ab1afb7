// The links the program is composed with: the main dialog as the iSCSI
// group and disk management reach it. A link that read another dialog, or
// reached the sections by another way than the dialog's own hooks, would
// show here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/section_links.h"
#include "tests/mainwindow/main_dialog_fixture.h"

namespace norvale::test {
namespace {

using Events = std::vector<std::string>;

class SectionLinksTest : public ::testing::Test {
protected:
    SectionLinksTest() {
        segment.SetLocalAddresses(std::vector<std::string>{kPcAddress});
        DeclareMainDialogControls(surface);
    }
    ~SectionLinksTest() override { surface.Destroy(); }

    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    RecordingSections sections;
    CNorvaleDlg dialog{protocol, files, sections.All()};
    FakeDialogSurface surface;
    MainDialogHost host;
};

TEST_F(SectionLinksTest, TheHostReadsAndChangesTheDialogItWasLastBoundTo) {
    CNorvaleDlg earlier(protocol, files, sections.All());
    host.Bind(earlier);
    host.Bind(dialog);
    protocol.SelectedDeviceIp = L"192.168.1.20";
    protocol.SelectedDeviceOtherIp = L"10.0.0.20";

    host.SetTargetPageStart(20);
    EXPECT_EQ(dialog.State().targetPageStart, 20);
    EXPECT_EQ(earlier.State().targetPageStart, 0);
    EXPECT_EQ(host.TargetPageStart(), 20);
    const ApplianceAddresses appliance = host.SelectedAppliance();
    EXPECT_EQ(appliance.ip, L"192.168.1.20");
    EXPECT_EQ(appliance.otherIp, L"10.0.0.20");

    // Both go through the dialog's own section hooks; the logout is work a
    // worker does, handed the appliance's address rather than the dialog.
    host.RefreshDriveLetters();
    host.LogoutTarget(L"IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0", L"192.168.1.20");
    EXPECT_EQ(sections.calls.events,
              (Events{"shares letters", "targets logout IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0 keep devices at 192.168.1.20"}));
    EXPECT_EQ(sections.calls.dialogs, (std::vector<const CNorvaleDlg*>{&dialog, nullptr}));
}

TEST_F(SectionLinksTest, TheTargetCountIsAskedOfTheSelectedApplianceEachTime) {
    EXPECT_EQ(host.Bound(), false);
    host.Bind(dialog);
    EXPECT_EQ(host.TargetCount(), -1) << "no appliance selected";

    ApplianceConfig nas = Nas("192.168.1.20");
    nas.targets = {"iqn.2026-12.com.orrin:a_lun0", "iqn.2026-12.com.orrin:a_lun1"};
    FakeAppliance& appliance = segment.AddAppliance(nas);
    surface.Open(dialog);
    surface.ClickListRow(IDC_DEVICE_LIST, 0);
    ASSERT_EQ(sections.calls.Count("targets pages 2"), 1);
    EXPECT_EQ(host.TargetCount(), 2);
    const int asked = RequestsOf(appliance, Opcode::Query, SubCommand::TargetCount);
    EXPECT_EQ(host.TargetCount(), 2);
    EXPECT_EQ(RequestsOf(appliance, Opcode::Query, SubCommand::TargetCount), asked + 1);
}

}  // namespace
}  // namespace norvale::test
