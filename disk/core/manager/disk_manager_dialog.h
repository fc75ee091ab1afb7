// CDiskMgrDlg, "Management" (template 234): the volumes that one appliance's
// targets bring to this PC, one layout bar per disk under them, and the
// changes a right click on a bar offers (menu 235): Add on free space;
// Delete, UnMount and Mount on a partition.
//
// The dialog never refreshes in place: a change ends it and a new instance
// opens for the same addresses, nested in the old one's handler, so the new
// one starts from a fresh inventory. The nesting is bounded: past
// kMaxNestedDiskManagers the innermost instance ends with a reopen pending,
// and OpenDiskManager opens the next one from the top.
//
// The inventory, the layouts and every change run as background steps: the
// dialog shows at once and fills when its inventory is read; its bars and
// lists are held while a step runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_controller.h"
#include "controls/core/ok_box.h"
#include "controls/core/step_gate.h"
#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/manager/disk_manager_launch.h"
#include "disk/core/manager/volume_list.h"
#include "disk/core/inventory/volume_inventory.h"

namespace norvale {

inline constexpr int kMaxNestedDiskManagers = 8;

class CDiskMgrDlg final : public DialogController {
public:
    CDiskMgrDlg(const DiskManagerPorts& ports, ApplianceAddresses addresses, int depth = 0);

    // The dialog ended for a refresh that its owner still has to open.
    bool ReopenPending() const { return reopenPending_; }
    // The end code of the last instance this one's refreshes opened, if any.
    std::optional<int> SuccessorCode() const { return successorCode_; }
    // Disks shown, in list order.
    const std::vector<ShownDisk>& Disks() const { return list_.disks; }

private:
    struct Bar {
        int index = -1;  // the surface's bar index
        std::int32_t disk = -1;
        DiskLayout layout;  // as read when the dialog opened
        DiskView view;
    };
    // What the opening step read: the records and each shown disk's layout.
    struct Snapshot {
        bool read = false;  // the appliance has targets (or did not answer)
        VolumeInventory records;
        VolumeListContent list;
        std::vector<DiskLayout> layouts;  // one per shown disk, in list order
    };
    // An open drive with its table, read for a change.
    struct OpenedTable;
    struct TableRead;

    // Opening and filling (disk_manager_dialog.cpp).
    bool OnInitDialog();
    Snapshot ReadSnapshot();  // blocks
    void Show(Snapshot snapshot);
    void FillVolumeList();
    void CreateBars(const std::vector<DiskLayout>& layouts);
    void SizeDialog();
    // Shows a bar's layout (as read at the opening) in the segment list.
    bool LoadDisk(const Bar& bar);
    void OnBarClick(std::int32_t disk, int segment, bool right);
    void ScrollTo(int position);
    void OnVScroll(ScrollRequest request, int thumb);
    void OnMouseMove(Point point);
    void Reopen();
    ExpectedTarget OwnerOf(std::int32_t disk) const;
    const DiskSegment* SelectedSegment() const;
    int SelectedSegmentIndex() const;
    // Windows' reserved partition is selected: nothing acts on it.
    bool SelectedIsReserved() const {
        const DiskSegment* selected = SelectedSegment();
        return selected != nullptr && selected->reserved;
    }

    // The changes (disk_manager_changes.cpp). The ...Work functions block:
    // they run on a step's worker and say what the user must hear in
    // `notices`.
    void OnAdd();
    void PlanPartition(const StepGate::Ticket& flow, OpenedTable& opened, const DiskSegment& free, int partitions,
                       int segmentIndex, bool olderWindows);
    void OnDelete();
    void OnUnmount();
    void OnMount();
    TableRead OpenTableWork(std::uint32_t disk, bool olderWindows);
    bool InitialiseDiskWork(OpenedTable& opened, bool olderWindows, bool gpt, Notices& notices);
    bool DeleteWork(std::int32_t disk, std::int32_t partition, const std::wstring& driveLetter,
                    const std::wstring& volumeName, Notices& notices);
    bool DeleteByTable(OpenedTable& opened, std::int32_t partition, bool olderWindows, Notices& notices);
    bool DeleteByScript(std::int32_t disk, std::int32_t partition, Notices& notices);
    bool ConfirmedWork(std::int32_t disk, Notices& notices);
    void ShowText(const std::wstring& text, MessageIcon icon);
    bool Ask(unsigned stringId);
    void RunPersistentDevice(bool add, const std::wstring& driveRoot);

    DiskManagerPorts ports_;
    ApplianceAddresses addresses_;
    int depth_ = 0;
    BackgroundSteps steps_{Messages()};
    StepGate gate_;
    DiskInventory inventory_;
    VolumeInventory records_;
    VolumeListContent list_;
    std::vector<Bar> bars_;
    DiskLayout layout_;  // of the disk last loaded
    DiskView view_;
    int selectedSegment_ = -1;
    // Scrolling (three disks and more).
    Extent templateSize_{};  // outer size as the template made it
    int scrollPosition_ = 0;
    int scrollLimit_ = 0;
    bool dragging_ = false;
    Point lastMouse_;
    bool reopenPending_ = false;
    std::optional<int> successorCode_;
};

}  // namespace norvale
