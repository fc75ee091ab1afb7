#include "controls/win32/list_item_notify.h"

namespace norvale::win32 {

namespace {

ListItemChange ListItemChangeFrom(const NMLISTVIEW& record, bool byProgram, bool mouseButtonDown) {
    ListItemChange change;
    change.row = record.iItem;
    // Only a state change carries states; others (text, image) change no
    // selection.
    if ((record.uChanged & LVIF_STATE) != 0) {
        change.wasSelected = (record.uOldState & LVIS_SELECTED) != 0;
        change.isSelected = (record.uNewState & LVIS_SELECTED) != 0;
    }
    change.cause = byProgram ? ChangeCause::Program
                 : mouseButtonDown ? ChangeCause::Mouse
                                   : ChangeCause::Keyboard;
    return change;
}

}  // namespace

std::optional<ListItemChange> ListItemChangeOf(const NMHDR& header, bool byProgram) {
    if (header.code != LVN_ITEMCHANGED || header.hwndFrom == nullptr) return std::nullopt;
    wchar_t className[32] = {};
    if (GetClassNameW(header.hwndFrom, className, 32) == 0 || lstrcmpiW(className, WC_LISTVIEWW) != 0)
        return std::nullopt;
    // The key state as of the message being handled: the press that selected.
    const bool mouseDown = (GetKeyState(VK_LBUTTON) & 0x8000) != 0 || (GetKeyState(VK_RBUTTON) & 0x8000) != 0 ||
                           (GetKeyState(VK_MBUTTON) & 0x8000) != 0;
    return ListItemChangeFrom(reinterpret_cast<const NMLISTVIEW&>(header), byProgram, mouseDown);
}

}  // namespace norvale::win32
