#include "controls/core/disk_bar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace norvale {

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr int kSideInsetPerSlot = 21;
constexpr int kVerticalInset = 10;
constexpr int kConstantWidth = 20;
constexpr int kGap = 4;
constexpr int kProportionalSlots = 4;  // later slots get the constant part only

}  // namespace

std::vector<Rect> LayoutSegments(const DiskView& view, const Rect& client, const DpiScale& scale) {
    const int n = view.UsedSlots();
    const int sideInset = scale.Scale(kSideInsetPerSlot);
    const int verticalInset = scale.Scale(kVerticalInset);
    const int constantWidth = scale.Scale(kConstantWidth);
    const int gap = scale.Scale(kGap);
    std::uint64_t total = 0;
    for (int i = 0; i < n; ++i) total += view.slots[i].length / kMiB;

    const Rect inner{client.left + sideInset * n, client.top + verticalInset,
                     client.right - sideInset * n, client.bottom - verticalInset};
    const int left0 = inner.left - constantWidth * n - scale.Scale(2);
    std::vector<Rect> segments;
    segments.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double proportion =
            (total == 0 || i >= kProportionalSlots)
                ? 0.0
                : static_cast<double>(view.slots[i].length / kMiB) / static_cast<double>(total);
        int right = static_cast<int>(std::trunc(proportion * inner.right)) + constantWidth;
        int left = left0;
        if (i > 0) {
            left = segments.back().right + gap;
            right += left - left0;
        }
        right = std::min(right, client.right - 1);
        left = std::max(left, client.left + 1);
        segments.push_back(Rect{left, inner.top, right, inner.bottom});
    }
    if (!segments.empty()) segments.back().right = client.right - 1;
    return segments;
}

int HitSegment(const std::vector<Rect>& segments, Point point) {
    int hit = -1;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (segments[i].Contains(point)) hit = static_cast<int>(i);
    }
    return hit;
}

float SizeInGigabytes(std::uint64_t bytes) {
    return static_cast<float>(bytes) * (1.0f / 1073741824.0f);
}

std::wstring SegmentLabel(const DiskSlot& slot, const std::wstring& unallocated) {
    char size[64];
    std::snprintf(size, sizeof size, "%.2f", static_cast<double>(SizeInGigabytes(slot.length)));
    const std::wstring gb(size, size + std::char_traits<char>::length(size));
    if (slot.reserved) return L" \n " + gb + L"GB\n " + slot.fileSystem + L"\n";
    if (slot.IsPartition())
        return L" (" + slot.driveLetter + L")\n " + gb + L"GB\n " + slot.fileSystem + L"\n";
    return L" \n " + gb + L"GB\n " + unallocated + L"\n";
}

const std::vector<Rect>& DiskBarState::Layout(const Rect& client) {
    segments_ = LayoutSegments(view_, client, scale_);
    return segments_;
}

int DiskBarState::Press(Point point) {
    selected_ = HitSegment(segments_, point);
    return selected_;
}

bool DiskBarState::IsHovered(int index) const {
    return index >= 0 && index < static_cast<int>(segments_.size()) && segments_[index].Contains(mouse_);
}

}  // namespace norvale
