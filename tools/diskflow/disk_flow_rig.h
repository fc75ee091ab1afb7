// The connect-to-formatted-volume flow on the simulated Windows: the real
// main dialog with its iSCSI group, the disk hand-off, the format wizard and
// the format engine on a recording surface, an appliance on a simulated
// segment whose target is served by the simulated initiator, and the disk
// stack over sparse images. The headless disk flow, its tests and the
// benchmark all drive this one composition.
//
//   test::VirtualClock clock;
//   DiskFlowRig rig(formatPort, FlowSetup::For(test::Windows7Professional(),
//   dir), clock); rig.OpenAndSelect(); rig.OnWizard([](FakeDialogSurface&
//   wizard) { wizard.Click(kIdOk); }); rig.Connect();  // the wizard runs
//   inside, as on Windows
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/section_links.h"
#include "disk/core/format/format_engine.h"
#include "disk/core/handoff/disk_handoff.h"
#include "iscsi/core/targets/target_section.h"
#include "mainwindow/core/norvale_dialog.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/fake_dialog_surface.h"
#include "tests/fakes/fake_segment.h"
#include "tests/fakes/in_memory_registry.h"
#include "tests/fakes/virtual_clock.h"
#include "tools/diskflow/existing_lun.h"
#include "tools/disksim/mkfs_format_port.h"
#include "tools/winsim/simulated_windows.h"

namespace norvale::diskflow {

inline constexpr wchar_t kApplianceIp[] = L"192.168.10.20";
inline constexpr wchar_t kApplianceOtherIp[] = L"192.168.11.20";
// The appliance lists its target so; the initiator shows the same name.
inline constexpr wchar_t kTarget[] = L"iqn.2026-12.com.orrin:archive.data";

struct FlowSetup {
    sim::WindowsSetup windows;
    std::uint64_t lunBytes = 10ull << 30;
    // What the LUN holds before the first login (a reused LUN).
    ExistingContent existing = ExistingContent::None;
    // The appliance's one target.
    std::wstring target = kTarget;

    // That Windows, in `workDir`, with one appliance whose one target has a
    // LUN of `lunBytes`.
    static FlowSetup For(test::FakeVersionSource version, const std::string& workDir,
                         std::uint64_t lunBytes = 10ull << 30);
    // The appliance's target needs CHAP with this user and secret.
    void RequireChap(const std::string& user, const std::string& secret);
    // A real target serves the appliance's target `name` instead: the
    // initiator logs in there, and the disk's bytes travel over iSCSI.
    void ServeFrom(sim::TargetNetwork& network, const std::string& name);
};

class DiskFlowRig {
public:
    // `clock` times the disk half and the connect (virtual in tests, the
    // system's in the benchmark); the segment keeps a virtual clock of its own.
    DiskFlowRig(FlowSetup setup, ClockPort& clock);
    ~DiskFlowRig();
    DiskFlowRig(const DiskFlowRig&) = delete;
    DiskFlowRig& operator=(const DiskFlowRig&) = delete;

    // Opens the main dialog and clicks the appliance's row; the target list
    // fills from the initiator.
    void OpenAndSelect();
    // What the user does in the wizard when it opens (on its own surface);
    // the wizard then runs until it ends.
    void OnWizard(std::function<void(test::FakeDialogSurface& wizard)> user);
    // The user name and secret typed into the CHAP dialog when it opens
    // (OK once; Cancel when that leaves it open).
    void OnChapDialog(std::wstring user, std::wstring secret);
    // What the CHAP dialog showed (its texts and message boxes).
    const std::vector<std::wstring>& ChapLog() const { return chapLog_; }
    // Clicks the target's row and Connect, and lets everything run to rest.
    void Connect();
    // Clicks the target's row and Connect again (the caption is Disconnect).
    void Disconnect();
    // Logs the target in behind the dialog's back (no wizard: the disk stays
    // as it came) and clicks Management.
    void ConnectAndManage();
    // Clicks Management.
    void Manage();
    // Who works in the disk manager when it opens (default: it is looked at
    // and closed).
    void OnDiskManager(std::function<int(test::FakeDialogSurface& manager)> user);
    // The image of a LUN made with existing content, and why making it
    // failed (empty: it did not).
    const std::string& ExistingImage() const { return existingImage_; }
    const std::string& ExistingError() const { return existingError_; }
    // Lets posted messages, workers and timers of `surface` run until it
    // ends or nothing is left to do.
    void RunUntilQuiet(test::FakeDialogSurface& surface);

    sim::SimulatedWindows& Pc() { return *windows_; }
    // The format library: real file systems written into the image.
    disksim::MkfsFormatPort& FormatLibrary();
    // The inventory the product's hand-off and wizard read (its refreshes count).
    DiskInventory& Inventory();
    test::FakeDialogSurface& MainSurface() { return surface_; }
    CNorvaleDlg& Dialog() { return *dialog_; }
    // The wizard's surface as the user last saw it: its texts, boxes, log.
    const std::vector<std::wstring>& WizardLog() const { return wizardLog_; }
    const std::vector<test::ShownMessageBox>& WizardBoxes() const { return wizardBoxes_; }
    int WizardRuns() const { return wizardRuns_; }
    int DiskManagerOpens() const { return diskManagerOpens_; }
    const std::vector<std::wstring>& DiskManagerLog() const { return diskManagerLog_; }
    const std::wstring& Target() const { return target_; }
    // Disk number of the target's session, -1 when not connected.
    std::int32_t TargetDisk() const;

private:
    class Parts;
    void ClickTargetRow();
    // The clock of the appliances' segment: the flow's own when virtual.
    test::VirtualClock& SegmentClock();

    ClockPort& clock_;
    test::VirtualClock segmentClock_;
    std::unique_ptr<sim::SimulatedWindows> windows_;
    std::unique_ptr<Parts> parts_;
    test::FakeDialogSurface surface_;
    std::unique_ptr<CNorvaleDlg> dialog_;
    std::function<void(test::FakeDialogSurface&)> wizardUser_;
    std::function<int(test::FakeDialogSurface&)> managerUser_;
    std::wstring target_;
    std::string existingImage_;
    std::string existingError_;
    std::vector<std::wstring> wizardLog_;
    std::vector<test::ShownMessageBox> wizardBoxes_;
    std::vector<std::wstring> diskManagerLog_;
    std::vector<std::wstring> chapLog_;
    int wizardRuns_ = 0;
    int diskManagerOpens_ = 0;
};

}  // namespace norvale::diskflow
