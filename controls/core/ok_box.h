// A notice with one OK button whose caption is a string-table text.
#pragma once

#include <string>
#include <utility>

#include "controls/core/dialog_surface_port.h"
#include "platform/core/texts/norvale_texts.h"

namespace norvale {

inline void ShowOkBox(DialogSurfacePort& surface, std::wstring text, unsigned captionId, MessageIcon icon) {
    surface.ShowMessage(MessageBoxRequest{std::move(text), UiText(captionId), icon, MessageButtons::Ok});
}

}  // namespace norvale
