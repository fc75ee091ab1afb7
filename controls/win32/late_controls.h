// The drop-down combo boxes of a dialog template, made after the dialog's
// first paint. Under Wine each costs about 12 ms to make, as its list is a
// top-level window of its own (an X window): the main window's four were a
// fifth of its way to the screen. The dialog is made without them, and they
// follow once it has painted, each as the dialog manager would have made
// it: its rectangle, styles and font, and its place in the z-order (the tab
// order, and the label before it that names it for screen readers).
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <vector>

namespace norvale::win32 {

// A combo box of the template (its class and an empty text are implied).
struct LateControl {
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT units{};        // left, top, right, bottom in dialog units
    int previousId = 0;  // the template item before it, 0 for the first
};

// A DLGTEMPLATEEX copied without its drop-down combo boxes, and the boxes.
class LateTemplate {
public:
    // nullopt when the template is not a DLGTEMPLATEEX, cannot be read to
    // its end or has no such box: the dialog is then made from it as it is.
    // Only boxes of the predefined class with no text and no creation data
    // come late, and no sorted one.
    static std::optional<LateTemplate> WithoutDropDowns(const void* resource, std::size_t size);

    const DLGTEMPLATE* Template() const { return reinterpret_cast<const DLGTEMPLATE*>(memory_.data()); }
    const std::vector<LateControl>& Late() const { return late_; }

private:
    std::vector<DWORD> memory_;  // DWORD-aligned, as a template must be
    std::vector<LateControl> late_;
};

// Makes the control in the dialog as the dialog manager makes a template's
// item; nullptr when Windows refuses.
HWND CreateLateControl(HWND dialog, const LateControl& control);

}  // namespace norvale::win32
