#include "controls/core/striped_list.h"

#include <algorithm>

namespace norvale {

Color StripedList::RowBackground(int row) const {
    Color color = row % 2 == 0 ? even_ : odd_;
    for (const auto& [r, c] : rowColors_) {
        if (r == row) color = c;
    }
    return color;
}

ListDrawAnswer StripedList::Draw(ListDrawStage stage, int row) const {
    switch (stage) {
        case ListDrawStage::Prepaint:
            return ListDrawAnswer{ListDrawRequest::NotifyItems, std::nullopt, std::nullopt};
        case ListDrawStage::ItemPrepaint:
            return ListDrawAnswer{ListDrawRequest::NotifySubItems, Color{0, 0, 0}, std::nullopt};
        case ListDrawStage::SubItemPrepaint:
            return ListDrawAnswer{ListDrawRequest::Default, text_, RowBackground(row)};
        case ListDrawStage::Other:
            break;
    }
    return {};
}

std::vector<StripeBand> StripedList::EraseBands(const std::vector<int>& rowTops, int rowHeight,
                                                int rowsPerPage) const {
    std::vector<StripeBand> bands;
    const int rows = std::min(static_cast<int>(rowTops.size()), std::max(rowsPerPage, 0) + 1);
    for (int i = 0; i < rows; ++i) {
        const int top = rowTops[i];
        const int bottom = i + 1 < static_cast<int>(rowTops.size()) ? rowTops[i + 1] : top + rowHeight;
        if (bottom > top) bands.push_back(StripeBand{top, bottom, i % 2 == 0 ? even_ : odd_});
    }
    return bands;
}

}  // namespace norvale
