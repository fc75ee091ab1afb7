#include "controls/core/list_selection.h"

#include <algorithm>

namespace norvale {

namespace {

int FirstSelected(const DialogSurfacePort& surface, int listId, int from) {
    const int count = surface.ListRowCount(listId);
    for (int row = std::max(0, from); row < count; ++row) {
        if (surface.IsListRowSelected(listId, row)) return row;
    }
    return -1;
}

}  // namespace

int SelectedRowFromVisible(const DialogSurfacePort& surface, int listId) {
    return FirstSelected(surface, listId, surface.ListFirstVisibleRow(listId));
}

int SelectedRow(const DialogSurfacePort& surface, int listId) { return FirstSelected(surface, listId, 0); }

void ClearSelection(DialogSurfacePort& surface, int listId) {
    for (int row : SelectedRows(surface, listId)) surface.SetListRowSelected(listId, row, false);
}

std::vector<int> SelectedRows(const DialogSurfacePort& surface, int listId) {
    std::vector<int> rows;
    const int count = surface.ListRowCount(listId);
    for (int row = 0; row < count; ++row) {
        if (surface.IsListRowSelected(listId, row)) rows.push_back(row);
    }
    return rows;
}

void EmptyListAndDisable(DialogSurfacePort& surface, int listId, std::initializer_list<int> buttons) {
    surface.SetRedraw(listId, false);
    surface.DeleteAllListRows(listId);
    for (int button : buttons) surface.Enable(button, false);
    surface.SetRedraw(listId, true);
}

}  // namespace norvale
