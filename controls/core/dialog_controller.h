// Base of every dialog controller: the portable half of a dialog. A
// controller owns its state and its message table; the host attaches it to
// a surface before the first message and delivers every message through
// Dispatch.
//
//   class AboutController final : public DialogController {
//   public:
//       AboutController() {
//           Messages().OnInitDialog([this] { return Init(); })
//                     .OnClicked(kIdOk, [this] { Surface().EndDialog(kIdOk); });
//       }
//   };
#pragma once

#include "controls/core/dialog_surface_port.h"
#include "controls/core/message_table.h"

namespace norvale {

class DialogController {
public:
    DialogController() = default;
    virtual ~DialogController() = default;
    DialogController(const DialogController&) = delete;
    DialogController& operator=(const DialogController&) = delete;

    // Called by the host before InitDialog and with nullptr once the dialog
    // window is gone.
    void Attach(DialogSurfacePort* surface) { surface_ = surface; }
    bool IsAttached() const { return surface_ != nullptr; }

    // Runs the table entry of the message, then the default processing of
    // the messages that have one:
    //   Command kIdOk / kIdCancel without an entry: the dialog ends with it;
    //   Close: after its entry, the dialog ends with kIdCancel (unless an
    //   OnCloseUnless entry kept it open);
    //   InitDialog without an entry: default focus.
    // A message that arrives while no surface is attached is ignored.
    DispatchResult Dispatch(const DialogMessage& message);

    const MessageTable& Table() const { return table_; }

protected:
    MessageTable& Messages() { return table_; }
    // Only valid while attached, that is inside a handler.
    DialogSurfacePort& Surface() const { return *surface_; }

private:
    MessageTable table_;
    DialogSurfacePort* surface_ = nullptr;
};

}  // namespace norvale
