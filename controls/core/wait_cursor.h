// The busy cursor for the length of a scope: shows it on construction and
// puts back the cursor it replaced on destruction, so nested periods restore
// in the right order.
#pragma once

#include "controls/core/dialog_surface_port.h"

namespace norvale {

class WaitCursor {
public:
    explicit WaitCursor(DialogSurfacePort& surface)
        : surface_(&surface), token_(surface.BeginWaitCursor()) {}
    ~WaitCursor() { Restore(); }

    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    WaitCursor(WaitCursor&& other) noexcept : surface_(other.surface_), token_(other.token_) {
        other.surface_ = nullptr;
    }
    WaitCursor& operator=(WaitCursor&&) = delete;

    // Puts the previous cursor back before the end of the scope.
    void Restore() {
        if (surface_ != nullptr) {
            surface_->EndWaitCursor(token_);
            surface_ = nullptr;
        }
    }

private:
    DialogSurfacePort* surface_;
    CursorToken token_;
};

}  // namespace norvale
