// Input that reaches the main dialog while one of its flows runs (a click
// queued before the controls were disabled, Enter, the close box) at every
// point between the flow's steps: no flow starts beside the running one, and
// a close waits for a flow that writes to the initiator but cuts off one that
// has only asked so far, which then writes nothing; a connect that ends
// after a close opens nothing new.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/core/texts/norvale_texts.h"
#include "tests/iscsi/target_section_fixture.h"

namespace norvale::test {
namespace {

enum class Flow { Refresh, PickDevice, Connect };
enum class Input { Refresh, Enter, DeviceRow, TargetRow, Connect, CloseBox };

struct Intrusion {
    Flow flow;
    Input input;
};

class InputDuringSteps : public TargetSectionTest, public ::testing::WithParamInterface<Intrusion> {
protected:
    void Deliver(Input input) {
        switch (input) {
        case Input::Refresh: surface.Click(IDC_REFRESH); break;
        case Input::Enter: surface.PressKey(kKeyReturn); break;
        case Input::DeviceRow: surface.ClickListRow(IDC_DEVICE_LIST, 0); break;
        case Input::TargetRow: surface.ClickListRow(IDC_TARGET_LIST, 0); break;
        case Input::Connect: surface.Click(IDC_TARGET_CONNECT); break;
        case Input::CloseBox: surface.CloseBox(); break;
        }
    }
    void Start(Flow flow) {
        switch (flow) {
        case Flow::Refresh: surface.Click(IDC_REFRESH); break;
        case Flow::PickDevice: surface.ClickListRow(IDC_DEVICE_LIST, 0); break;
        case Flow::Connect: surface.Click(IDC_TARGET_CONNECT); break;
        }
    }
    long Count(const std::string& start) {
        const Lines lines = Iscsicli();
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    }
};

TEST_P(InputDuringSteps, NothingRunsTwiceAndACloseWaitsOnlyForAWrite) {
    const Intrusion intrusion = GetParam();
    Open();
    if (intrusion.flow == Flow::Connect) {
        Select();
        ClickTarget(RowOf(L"ARCHIVE-LUN0"));
        Settle();
        disks.states[kPlainTarget] = TargetDiskState::BareDisk;
    }
    const int startups = segment.Startups();
    surface.HoldWorkers();
    surface.LetHeldInputThrough();
    Start(intrusion.flow);
    Settle([&] {
        if (!surface.EndCode() && dialog->Gate().Busy()) Deliver(intrusion.input);
    });

    const bool close = intrusion.input == Input::CloseBox;
    const bool writes = intrusion.flow == Flow::Connect;
    const std::vector<std::wstring> boxes = BoxTexts();
    const long closeNotices = std::count(boxes.begin(), boxes.end(), UiText(main_text::kClosesAfterChange));
    EXPECT_EQ(surface.EndCode().has_value(), close);
    EXPECT_EQ(closeNotices, close && writes ? 1 : 0);
    switch (intrusion.flow) {
    case Flow::Refresh:
        EXPECT_EQ(segment.Startups(), startups + 1) << "one discovery pass";
        EXPECT_EQ(surface.ListRowCount(IDC_DEVICE_LIST), close ? 0 : 2);
        break;
    case Flow::PickDevice:
        EXPECT_EQ(initiator.SendTargetPortals().size(), close ? 0u : 1u);
        EXPECT_EQ(delay.started.size(), close ? 0u : 1u);
        EXPECT_EQ(TargetRows().size(), close ? 0u : 3u);
        break;
    case Flow::Connect:
        EXPECT_EQ(Count("iscsicli logintarget"), 1);
        EXPECT_EQ(Count("iscsicli persistentlogintarget"), 1);
        EXPECT_TRUE(Connected(kPlainTarget));
        // A window closed meanwhile opens no wizard for the new disk.
        EXPECT_EQ(std::count(disks.calls.begin(), disks.calls.end(), std::wstring(L"wizard ") + kPlainTarget),
                  close ? 0 : 1);
        break;
    }
}

std::vector<Intrusion> AllIntrusions() {
    std::vector<Intrusion> all;
    for (Flow flow : {Flow::Refresh, Flow::PickDevice, Flow::Connect}) {
        for (Input input :
             {Input::Refresh, Input::Enter, Input::DeviceRow, Input::TargetRow, Input::Connect, Input::CloseBox})
            all.push_back({flow, input});
    }
    return all;
}

std::string NameOf(const ::testing::TestParamInfo<Intrusion>& info) {
    static const char* const flows[] = {"Refresh", "PickDevice", "Connect"};
    static const char* const inputs[] = {"Refresh", "Enter", "DeviceRow", "TargetRow", "Connect", "CloseBox"};
    return std::string(flows[static_cast<int>(info.param.flow)]) + "_" + inputs[static_cast<int>(info.param.input)];
}

INSTANTIATE_TEST_SUITE_P(EveryFlowAndInput, InputDuringSteps, ::testing::ValuesIn(AllIntrusions()), NameOf);

}  // namespace
}  // namespace norvale::test
