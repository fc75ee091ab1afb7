// One row's selection change as a list view reports it (LVN_ITEMCHANGED),
// with who made it. A click, the keys and the program itself all change
// the selection and all are reported; only the user's choices act.
#pragma once

namespace norvale {

enum class ChangeCause {
    Program,   // the dialog changed the selection itself
    Keyboard,  // arrows, Home/End, the page keys, typing a name
    Mouse,     // a press in the list; NM_CLICK follows when the button comes up
};

struct ListItemChange {
    int row = -1;  // -1: the change applies to every row
    bool wasSelected = false;
    bool isSelected = false;
    ChangeCause cause = ChangeCause::Program;

    bool SelectionGained() const { return isSelected && !wasSelected; }
};

}  // namespace norvale
