#include "controls/core/disk_bar_keys.h"

#include <algorithm>

namespace norvale {

void DiskBarKeyboard::FocusGained(const DiskBarState& bar) {
    hasFocus_ = true;
    if (bar.SelectedSegment() >= 0) focused_ = bar.SelectedSegment();
}

int DiskBarKeyboard::FocusedSegment(const DiskBarState& bar) const {
    const int count = bar.View().UsedSlots();
    if (!hasFocus_ || count == 0) return -1;
    return std::clamp(focused_, 0, count - 1);
}

std::optional<BarNotice> DiskBarKeyboard::Key(int virtualKey, bool shift, DiskBarState& bar) {
    const int count = bar.View().UsedSlots();
    const int current = FocusedSegment(bar);
    switch (virtualKey) {
        case kKeyLeft:
        case kKeyUp:
            focused_ = std::max(0, current - 1);
            return BarNotice{};
        case kKeyRight:
        case kKeyDown:
            focused_ = std::max(0, std::min(count - 1, current + 1));
            return BarNotice{};
        case kKeyHome:
            focused_ = 0;
            return BarNotice{};
        case kKeyEnd:
            focused_ = std::max(0, count - 1);
            return BarNotice{};
        case kKeyReturn:
        case kKeySpace:
            if (current < 0) return BarNotice{};
            bar.SetSelectedSegment(current);
            return BarNotice{kDiskBarLeftClick, current};
        case kKeyApps:
            return ContextMenu(std::nullopt, bar);
        case kKeyF10:
            if (shift) return ContextMenu(std::nullopt, bar);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

BarNotice DiskBarKeyboard::ContextMenu(std::optional<Point> point, DiskBarState& bar) {
    int segment = FocusedSegment(bar);
    if (point) {
        segment = HitSegment(bar.Segments(), *point);
        Pressed(segment);
    }
    bar.SetSelectedSegment(segment);
    return BarNotice{kDiskBarRightClick, segment};
}

}  // namespace norvale

namespace norvale {

std::wstring BarSpokenName(const std::wstring& diskWord, std::int32_t diskNumber) {
    return diskWord + L" " + std::to_wstring(diskNumber);
}

std::wstring SegmentSpokenName(const DiskSlot& slot, const std::wstring& unallocated) {
    const std::wstring label = SegmentLabel(slot, unallocated);
    std::wstring spoken;
    std::size_t start = 0;
    while (start < label.size()) {
        std::size_t end = label.find(L'\n', start);
        if (end == std::wstring::npos) end = label.size();
        std::wstring line = label.substr(start, end - start);
        const std::size_t first = line.find_first_not_of(L' ');
        const std::size_t last = line.find_last_not_of(L' ');
        // A partition without a letter shows "()", which says nothing.
        if (first != std::wstring::npos && line.compare(first, last - first + 1, L"()") != 0) {
            if (!spoken.empty()) spoken += L' ';
            spoken += line.substr(first, last - first + 1);
        }
        start = end + 1;
    }
    return spoken;
}

}  // namespace norvale
