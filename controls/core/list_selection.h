// Finding the selected row of a list view through the surface.
#pragma once

#include <initializer_list>
#include <vector>

#include "controls/core/dialog_surface_port.h"

namespace norvale {

// The first selected row from the first visible one downwards, -1 when none
// (a click makes its row visible, so a selection scrolled out of view above
// is not one the user just made).
int SelectedRowFromVisible(const DialogSurfacePort& surface, int listId);
// The first selected row from row 0, -1 when none.
int SelectedRow(const DialogSurfacePort& surface, int listId);
// Every selected row, in order.
std::vector<int> SelectedRows(const DialogSurfacePort& surface, int listId);
// Selects no row.
void ClearSelection(DialogSurfacePort& surface, int listId);
// Empties a list without drawing each removal and disables the buttons that
// act on its rows.
void EmptyListAndDisable(DialogSurfacePort& surface, int listId, std::initializer_list<int> buttons);

}  // namespace norvale
