// A notice with one OK button whose caption is a string-table text.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "controls/core/dialog_surface_port.h"
#include "platform/core/texts/norvale_texts.h"

namespace norvale {

inline void ShowOkBox(DialogSurfacePort& surface, std::wstring text, unsigned captionId, MessageIcon icon) {
    surface.ShowMessage(MessageBoxRequest{std::move(text), UiText(captionId), icon, MessageButtons::Ok});
}

// Notices a background step decided on (a worker shows nothing itself),
// shown in order on the dialog's thread once the step is back.
using Notices = std::vector<MessageBoxRequest>;

inline void Tell(Notices& notices, std::wstring text, unsigned captionId, MessageIcon icon) {
    notices.push_back(MessageBoxRequest{std::move(text), UiText(captionId), icon, MessageButtons::Ok});
}

inline void ShowNotices(DialogSurfacePort& surface, const Notices& notices) {
    for (const MessageBoxRequest& notice : notices) surface.ShowMessage(notice);
}

}  // namespace norvale
