// The two modeless notices about the initiator, owned by the main dialog:
// CWinService while the initiator's service starts (no buttons; the main
// dialog closes it), and InstallDialog when Windows has no initiator, whose
// OK looks for the installer next to the program.
//
//   CWinService notice;
//   surface.OpenModeless(notice, IDD_SERVICE_NOTICE);  ...  surface.CloseModeless(notice);
#pragma once

#include <functional>
#include <string>

#include "controls/core/dialog_controller.h"

namespace norvale {

class CWinService final : public DialogController {
public:
    CWinService();
};

class InstallDialog final : public DialogController {
public:
    // `onOk` runs for OK (the notice stays unless it calls End); `onClosed`
    // when the user closes it (close box or Escape), after which it is gone.
    InstallDialog(std::function<void()> onOk, std::function<void()> onClosed);

    // Ends the notice from inside onOk; it leaves the screen at once.
    void End();
    // A message box owned by the notice: the program title as caption and
    // the exclamation icon.
    void Tell(const std::wstring& text);
    // The notice was ended and is not gone yet (its handler still runs).
    bool Ending() const { return ending_; }

private:
    std::function<void()> onOk_;
    std::function<void()> onClosed_;
    bool ending_ = false;
};

}  // namespace norvale
