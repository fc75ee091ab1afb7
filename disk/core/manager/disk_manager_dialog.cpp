#include "disk/core/manager/disk_manager_dialog.h"

#include <algorithm>

#include "controls/core/disk_bar.h"
#include "disk/core/inventory/volume_names.h"
#include "disk/core/manager/disk_manager_geometry.h"
#include "disk/core/manager/disk_manager_texts.h"
#include "platform/core/texts/norvale_texts.h"
#include "resources/resource.h"

namespace norvale {
namespace {

constexpr int kKeyF5 = 0x74;

struct Column {
    unsigned title;
    int width;
};
// Wide enough for every language's header (the list scrolls sideways to the
// target's name anyway).
constexpr Column kVolumeColumns[] = {
    {disk_manager_text::kColumnDisk, 80},       {disk_manager_text::kColumnPartition, 110},
    {disk_manager_text::kColumnVolume, 75},     {disk_manager_text::kColumnFileSystem, 135},
    {disk_manager_text::kColumnCapacity, 95},   {disk_manager_text::kColumnTarget, 300},
};
constexpr Column kSegmentColumns[] = {{disk_manager_text::kColumnPartition, 100},
                                      {disk_manager_text::kColumnSize, 100}};

}  // namespace

CDiskMgrDlg::CDiskMgrDlg(const DiskManagerPorts& ports, ApplianceAddresses addresses, int depth)
    : ports_(ports),
      addresses_(std::move(addresses)),
      depth_(depth),
      gate_({IDC_DISK_BAR, IDC_DISK_VOLUMES, IDC_DISK_SEGMENTS}),
      inventory_(ports.inventory) {
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        // A change to a disk is not cut off half made: the close waits for it.
        .OnCloseUnless([this] { return gate_.DeferClose(Surface(), [this] { Surface().PostClose(); }); })
        .OnDestroy([this] {
            gate_.DialogEnded();
            steps_.DialogEnded();
        })
        .OnNotifyFromAnyId(kDiskBarLeftClick,
                           [this](int id, std::intptr_t segment) { OnBarClick(id, static_cast<int>(segment), false); })
        .OnNotifyFromAnyId(kDiskBarRightClick,
                           [this](int id, std::intptr_t segment) { OnBarClick(id, static_cast<int>(segment), true); })
        .OnClicked(ID_DISK_ADD, [this] { OnAdd(); })
        .OnClicked(ID_DISK_DELETE, [this] { OnDelete(); })
        .OnClicked(ID_DISK_UNMOUNT, [this] { OnUnmount(); })
        .OnClicked(ID_DISK_MOUNT, [this] { OnMount(); })
        .OnVScroll([this](ScrollRequest request, int thumb) { OnVScroll(request, thumb); })
        .OnMouseWheel([this](int delta) {
            if (scrollLimit_ > 0) ScrollTo(WheelTarget(delta, scrollPosition_, scrollLimit_));
        })
        .OnLButtonDown([this](Point point) {
            if (list_.disks.size() <= 2) return;
            dragging_ = true;
            lastMouse_ = point;
            Surface().CaptureMouse();
        })
        .OnMouseMove([this](Point point) { OnMouseMove(point); })
        .OnLButtonUp([this](Point) {
            if (!dragging_) return;
            dragging_ = false;
            Surface().ReleaseMouse();
        })
        // The dialog has nothing to refresh in place: F5 would only reach the list.
        .OnKeyDown(kKeyF5, [] { return true; });
}

bool CDiskMgrDlg::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    // The window as the template made it at the dialog font in use: the
    // frame never cuts its controls off, whatever that font's width.
    templateSize_ = surface.DialogSize();
    surface.SetDialogColors(kDialogBlue, kWhite);
    surface.SetListStripeColors(IDC_DISK_VOLUMES, kVolumeListStripe, kVolumeListStripe);
    surface.SetListFullRowSelect(IDC_DISK_VOLUMES, true);
    surface.SetListGridLines(IDC_DISK_VOLUMES, true);
    surface.SetTitle(UiText(disk_manager_text::kTitle));
    surface.SetGroupBoxColors(IDC_DISK_GROUP, kDialogBlue, kWhite);
    surface.SetText(IDC_DISK_GROUP, UiText(disk_manager_text::kGroupCaption));
    int index = 0;
    for (const Column& column : kVolumeColumns) {
        surface.InsertListColumn(IDC_DISK_VOLUMES, index++, ListColumn{UiText(column.title), column.width});
    }
    index = 0;
    for (const Column& column : kSegmentColumns) {
        surface.InsertListColumn(IDC_DISK_SEGMENTS, index++, ListColumn{UiText(column.title), column.width});
    }
    // The dialog shows at once; the appliance and the disks are asked behind it.
    const StepGate::Ticket flow = gate_.Enter(surface);
    steps_.Run(surface, [this] { return ReadSnapshot(); }, [this, flow](Snapshot snapshot) { Show(std::move(snapshot)); });
    return true;
}

CDiskMgrDlg::Snapshot CDiskMgrDlg::ReadSnapshot() {
    Snapshot snapshot;
    // A device that reports no target has no disks here; one that does not
    // answer may still have sessions on this PC.
    const int targets = ports_.targetCount ? ports_.targetCount() : -1;
    if (targets == 0 || targets < -1) return snapshot;
    snapshot.read = true;
    snapshot.records = inventory_.Refresh();
    snapshot.list = BuildVolumeList(snapshot.records, addresses_.ip, addresses_.otherIp);
    for (const ShownDisk& disk : snapshot.list.disks) {
        snapshot.layouts.push_back(disk.number >= 0 ? inventory_.BuildLayout(static_cast<std::uint32_t>(disk.number))
                                                    : DiskLayout{});
    }
    return snapshot;
}

void CDiskMgrDlg::Show(Snapshot snapshot) {
    if (!snapshot.read) return;
    records_ = std::move(snapshot.records);
    list_ = std::move(snapshot.list);
    FillVolumeList();
    CreateBars(snapshot.layouts);
    SizeDialog();
}

void CDiskMgrDlg::FillVolumeList() {
    DialogSurfacePort& surface = Surface();
    surface.DeleteAllListRows(IDC_DISK_VOLUMES);
    surface.ClearListRowColors(IDC_DISK_VOLUMES);
    for (std::size_t row = 0; row < list_.rows.size(); ++row) {
        const VolumeRow& content = list_.rows[row];
        const int at = surface.InsertListRow(IDC_DISK_VOLUMES, static_cast<int>(row), content.cells[0]);
        for (std::size_t column = 1; column < content.cells.size(); ++column) {
            surface.SetListCell(IDC_DISK_VOLUMES, at, static_cast<int>(column), content.cells[column]);
        }
        surface.AddListRowColor(IDC_DISK_VOLUMES, at, content.color);
    }
}

void CDiskMgrDlg::CreateBars(const std::vector<DiskLayout>& layouts) {
    DialogSurfacePort& surface = Surface();
    int place = 0;
    for (std::size_t at = 0; at < list_.disks.size() && at < layouts.size(); ++at) {
        const ShownDisk& disk = list_.disks[at];
        const int index = surface.CreateDiskBar(IDC_DISK_BAR, DiskBarRect(place));
        bars_.push_back(Bar{index, disk.number, layouts[at], BuildDiskView(layouts[at], records_)});
        // A disk whose layout cannot be read gets no bar of its own place.
        const bool drawn = LoadDisk(bars_.back());
        surface.ShowDiskBar(index, drawn);
        if (!drawn) continue;
        surface.ClearDiskBarSelection(index);
        ++place;
    }
}

void CDiskMgrDlg::SizeDialog() {
    DialogSurfacePort& surface = Surface();
    const int disks = static_cast<int>(list_.disks.size());
    const DiskManagerFrame frame = FrameHolding(FrameForDisks(disks), templateSize_);
    if (frame.scroll) {
        surface.SetVerticalScrollBar(*frame.scroll);
        scrollPosition_ = 0;
        scrollLimit_ = ScrollLimit(frame.scroll->max, disks);
    }
    surface.ResizeDialog(frame.size);
    surface.CenterDialog();
}

bool CDiskMgrDlg::LoadDisk(const Bar& bar) {
    DialogSurfacePort& surface = Surface();
    layout_ = bar.layout;
    surface.DeleteAllListRows(IDC_DISK_SEGMENTS);
    const std::wstring occupied = UiText(disk_manager_text::kOccupied);
    const std::wstring available = UiText(disk_manager_text::kAvailable);
    for (std::size_t index = 0; index < layout_.segments.size(); ++index) {
        const DiskSegment& segment = layout_.segments[index];
        const int row = surface.InsertListRow(IDC_DISK_SEGMENTS, static_cast<int>(index),
                                              std::to_wstring(segment.partitionNumber));
        surface.SetListCell(IDC_DISK_SEGMENTS, row, 1, SegmentSizeText(segment, occupied, available));
    }
    view_ = bar.view;
    selectedSegment_ = -1;
    surface.SetDiskBarView(bar.index, view_);
    return !layout_.segments.empty();
}

void CDiskMgrDlg::OnBarClick(std::int32_t disk, int segment, bool right) {
    DialogSurfacePort& surface = Surface();
    for (int row = 0; row < surface.ListRowCount(IDC_DISK_VOLUMES); ++row) {
        surface.SetListRowSelected(IDC_DISK_VOLUMES, row, false);
    }
    const Bar* clicked = nullptr;
    for (const Bar& bar : bars_) {
        if (bar.disk == disk) clicked = &bar;
    }
    if (clicked == nullptr) return;
    LoadDisk(*clicked);
    for (const Bar& bar : bars_) {
        if (&bar == clicked) continue;
        surface.ClearDiskBarSelection(bar.index);
        surface.RepaintDiskBar(bar.index);
    }
    const bool onSegment = segment >= 0 && segment < view_.UsedSlots();
    for (int row = 0; row < surface.ListRowCount(IDC_DISK_SEGMENTS); ++row) {
        surface.SetListRowSelected(IDC_DISK_SEGMENTS, row, onSegment && row == segment);
    }
    selectedSegment_ = onSegment ? segment : -1;
    if (!right || !onSegment) return;
    const DiskSlot& slot = view_.slots[static_cast<std::size_t>(segment)];
    // Windows' reserved partition is the table's, not the user's: no menu.
    if (slot.reserved) return;
    if (slot.IsPartition()) {
        // The partition's rows, so that UnMount and Mount act on it.
        const std::wstring number = std::to_wstring(slot.partitionNumber);
        for (std::size_t row = 0; row < list_.rows.size(); ++row) {
            const VolumeRow& content = list_.rows[row];
            if (records_[content.record].diskNumber != disk) continue;
            if (SameName(content.cells[kVolumeColumn], slot.driveLetter) &&
                content.cells[kPartitionColumn] == number) {
                surface.SetListRowSelected(IDC_DISK_VOLUMES, static_cast<int>(row), true);
            }
        }
    }
    namespace text = disk_manager_text;
    surface.ShowPopupMenu(IDR_DISK_MENU, slot.IsPartition() ? 1 : 0,
                          {{ID_DISK_ADD, UiText(text::kMenuAdd)},
                           {ID_DISK_DELETE, UiText(text::kMenuDelete)},
                           {ID_DISK_UNMOUNT, UiText(text::kMenuUnMount)},
                           {ID_DISK_MOUNT, UiText(text::kMenuMount)}});
}

void CDiskMgrDlg::OnVScroll(ScrollRequest request, int thumb) {
    if (scrollLimit_ <= 0 || request == ScrollRequest::EndScroll) return;
    ScrollTo(ScrollTarget(request, scrollPosition_, thumb, scrollLimit_));
}

void CDiskMgrDlg::OnMouseMove(Point point) {
    if (!dragging_) return;
    const int dy = point.y - lastMouse_.y;
    lastMouse_ = point;
    if (dy != 0 && scrollLimit_ > 0) ScrollTo(std::clamp(scrollPosition_ - dy, 0, scrollLimit_));
}

void CDiskMgrDlg::ScrollTo(int position) {
    // The content follows the position the bar really took, so the two
    // never drift apart where the bar clamps.
    const int taken = Surface().SetVerticalScrollPosition(position);
    if (taken == scrollPosition_) return;
    Surface().ScrollContent(scrollPosition_ - taken);
    scrollPosition_ = taken;
}

void CDiskMgrDlg::Reopen() {
    // Closed while the change was made: the manager ends, not shown again.
    if (gate_.CloseAsked()) {
        if (ports_.refreshDriveLetters) ports_.refreshDriveLetters();
        return;
    }
    Surface().EndDialog(kIdOk);
    if (ports_.refreshDriveLetters) ports_.refreshDriveLetters();
    if (depth_ + 1 >= kMaxNestedDiskManagers) {
        reopenPending_ = true;
        return;
    }
    CDiskMgrDlg next(ports_, addresses_, depth_ + 1);
    const int code = Surface().RunSuccessor(next, IDD_DISK_MANAGER);
    reopenPending_ = next.reopenPending_;
    successorCode_ = next.successorCode_.value_or(code);
}

ExpectedTarget CDiskMgrDlg::OwnerOf(std::int32_t disk) const {
    ExpectedTarget owner;
    owner.addresses = {addresses_.ip, addresses_.otherIp};
    for (const ShownDisk& shown : list_.disks) {
        if (shown.number == disk) owner.targetName = shown.targetName;
    }
    return owner;
}

int CDiskMgrDlg::SelectedSegmentIndex() const {
    DialogSurfacePort& surface = Surface();
    for (int row = 0; row < surface.ListRowCount(IDC_DISK_SEGMENTS); ++row) {
        if (surface.IsListRowSelected(IDC_DISK_SEGMENTS, row)) return row;
    }
    return selectedSegment_;
}

const DiskSegment* CDiskMgrDlg::SelectedSegment() const {
    const int index = SelectedSegmentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= layout_.segments.size()) return nullptr;
    return &layout_.segments[static_cast<std::size_t>(index)];
}

}  // namespace norvale
