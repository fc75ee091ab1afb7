#include "controls/core/dialog_controller.h"

namespace norvale {

DispatchResult DialogController::Dispatch(const DialogMessage& message) {
    if (surface_ == nullptr) return {};
    DispatchResult result = table_.Dispatch(message);
    switch (message.kind) {
        case MessageKind::InitDialog:
            if (!result.handled) result = DispatchResult{false, true};
            break;
        case MessageKind::Command:
            // OK and Cancel end the dialog unless the controller takes them;
            // Escape and the close box thus always lead out of a dialog, an
            // unhandled Escape the way the close box does (its handler may
            // keep the dialog open until a change is made).
            if (!result.handled && message.code == kButtonClicked && message.id == kIdCancel)
                return Dispatch(DialogMessage::Of(MessageKind::Close));
            if (!result.handled && message.code == kButtonClicked && message.id == kIdOk) {
                surface_->EndDialog(message.id);
                result.handled = true;
            }
            break;
        case MessageKind::Close:
            // The handler may have detached or ended the dialog itself, or
            // kept it open.
            if (surface_ != nullptr && !result.value) surface_->EndDialog(kIdCancel);
            result.handled = true;
            result.value = false;
            break;
        default:
            break;
    }
    return result;
}

}  // namespace norvale
