// Runs portable dialog controllers in real dialog windows. The host
// translates window messages into DialogMessage values for the
// controller's table; everything else a dialog needs (colours, the
// minimised icon, the busy cursor) it answers from the surface's state.
#pragma once

#include <windows.h>

#include "controls/core/dialog_controller.h"

namespace norvale::win32 {

// A dialog template: a resource of a module, or one built in memory.
struct DialogTemplate {
    HINSTANCE module = nullptr;
    int resourceId = 0;
    const DLGTEMPLATE* memory = nullptr;
    // A resource's drop-down combo boxes come after the first paint
    // (late_controls.h): for a window whose start the user waits for.
    bool lateDropDowns = false;

    static DialogTemplate FromResource(int id, HINSTANCE module = nullptr) {
        return DialogTemplate{module != nullptr ? module : GetModuleHandleW(nullptr), id, nullptr};
    }
    static DialogTemplate FromMemory(const DLGTEMPLATE* memory) {
        return DialogTemplate{GetModuleHandleW(nullptr), 0, memory};
    }
    DialogTemplate WithLateDropDowns() const {
        DialogTemplate late = *this;
        late.lateDropDowns = true;
        return late;
    }
};

// Runs the dialog modally; answers its end code, or -1 when the window
// could not be created. While it runs, key-downs in any of its controls go
// through the controller's key entries first (a message-filter hook on the
// dialog's own modal loop).
INT_PTR RunModalDialog(DialogController& controller, const DialogTemplate& dialogTemplate,
                       HWND owner);

// Creates a modeless dialog; nullptr on failure. The message loop of the
// thread must give each message to PreTranslateDialogMessage first.
HWND CreateModelessDialog(DialogController& controller, const DialogTemplate& dialogTemplate,
                          HWND owner);

// For message loops of modeless dialogs: the controller's key entries, then
// IsDialogMessage. True when the message was consumed.
bool PreTranslateDialogMessage(MSG& message);

// Registers the common-control classes the dialogs use (once per process).
void EnsureCommonControls();

class Win32DialogSurface;

// The controller and the surface of a dialog window this host runs;
// nullptr for any other window.
DialogController* ControllerOf(HWND dialog);
Win32DialogSurface* SurfaceOf(HWND dialog);

}  // namespace norvale::win32
