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
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controls/core/dialog_controller.h"
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
    };
    // An open drive with its table, read for a change.
    struct OpenedTable;

    // Opening and filling (disk_manager_dialog.cpp).
    bool OnInitDialog();
    void FillVolumeList();
    void CreateBars();
    void SizeDialog();
    bool LoadDisk(std::int32_t disk, int barIndex);
    void OnBarClick(std::int32_t disk, int segment, bool right);
    void ScrollTo(int position);
    void OnVScroll(ScrollRequest request, int thumb);
    void OnMouseMove(Point point);
    void Reopen();
    ExpectedTarget OwnerOf(std::int32_t disk) const;
    const DiskSegment* SelectedSegment() const;
    int SelectedSegmentIndex() const;

    // The changes (disk_manager_changes.cpp).
    void OnAdd();
    void OnDelete();
    void OnUnmount();
    void OnMount();
    std::optional<OpenedTable> OpenTable(bool olderWindows);
    bool InitialiseDisk(OpenedTable& opened, bool olderWindows, bool gpt);
    bool DeleteByTable(OpenedTable& opened, std::int32_t partition, bool olderWindows);
    bool DeleteByScript(std::int32_t partition);
    bool Confirmed(std::int32_t disk);
    void ShowSystemError(std::uint32_t code);
    void ShowText(const std::wstring& text, MessageIcon icon);
    bool Ask(unsigned stringId);
    void RunPersistentDevice(bool add, const std::wstring& driveRoot);

    DiskManagerPorts ports_;
    ApplianceAddresses addresses_;
    int depth_ = 0;
    DiskInventory inventory_;
    VolumeInventory records_;
    VolumeListContent list_;
    std::vector<Bar> bars_;
    DiskLayout layout_;  // of the disk last loaded
    DiskView view_;
    int selectedSegment_ = -1;
    // Scrolling (three disks and more).
    int scrollPosition_ = 0;
    int scrollLimit_ = 0;
    bool dragging_ = false;
    Point lastMouse_;
    bool reopenPending_ = false;
    std::optional<int> successorCode_;
};

}  // namespace norvale
