// The striped list's decisions, without a device context: the background of
// each row (two alternating stripes, unless the owner gave the row a colour
// of its own), the answers to the list view's custom-draw stages, and the
// bands its background erasing paints. The Win32 control
// (controls/win32/colored_list_ctrl) applies them.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "controls/core/dialog_types.h"

namespace norvale {

// Stages of the list view's custom draw that the list answers.
enum class ListDrawStage { Prepaint, ItemPrepaint, SubItemPrepaint, Other };

// What a custom-draw stage asks of the list view.
enum class ListDrawRequest { Default, NotifyItems, NotifySubItems };

struct ListDrawAnswer {
    ListDrawRequest request = ListDrawRequest::Default;
    std::optional<Color> text;        // the item's text colour
    std::optional<Color> background;  // the item's text background
};

// One horizontal band of the erased background, across the client width.
struct StripeBand {
    int top = 0;
    int bottom = 0;
    Color color;
    friend bool operator==(const StripeBand& a, const StripeBand& b) {
        return a.top == b.top && a.bottom == b.bottom && a.color == b.color;
    }
};

class StripedList {
public:
    static constexpr Color kEvenRow{255, 250, 250};
    static constexpr Color kOddRow{255, 240, 245};

    void SetStripes(Color even, Color odd) {
        even_ = even;
        odd_ = odd;
    }
    Color EvenRow() const { return even_; }
    Color OddRow() const { return odd_; }
    Color TextColor() const { return text_; }

    // Appends a (row, colour) pair; a later pair for the same row wins.
    void AddRowColor(int row, Color color) { rowColors_.emplace_back(row, color); }
    void ClearRowColors() { rowColors_.clear(); }
    const std::vector<std::pair<int, Color>>& RowColors() const { return rowColors_; }

    // The stripe by parity, then every pair of the row in order.
    Color RowBackground(int row) const;

    ListDrawAnswer Draw(ListDrawStage stage, int row) const;

    // The bands that erasing paints over a background of the odd colour:
    // one per row from 0 to `rowsPerPage` inclusive that exists, measured
    // from the row's top (rowTops[i], relative to the client area whatever
    // the scroll position) to the next row's top, or one row height below
    // for the last row. The empty area keeps the odd colour.
    std::vector<StripeBand> EraseBands(const std::vector<int>& rowTops, int rowHeight,
                                       int rowsPerPage) const;

private:
    Color even_ = kEvenRow;
    Color odd_ = kOddRow;
    Color text_{0, 0, 0};
    std::vector<std::pair<int, Color>> rowColors_;
};

}  // namespace norvale
