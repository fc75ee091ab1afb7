// The checks a dialog's OK button runs before it commits. They run in
// order; the first that refuses tells the user why (a message box, or a
// line in the dialog), empties what must be typed anew and puts the focus
// on the field to mend, and the dialog stays open. The later checks do not
// run: what they look at may mean nothing until the first one is mended.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/core/dialog_surface_port.h"

namespace norvale {

struct OkRefusal {
    std::optional<MessageBoxRequest> box;  // shown first, when present
    int statusId = 0;                      // a static text that shows the reason instead of a box
    std::wstring status;
    std::vector<int> emptied;  // fields emptied after the box, so nothing wrong is left to send again
    int focusId = 0;           // the control that takes the focus; 0 leaves it where it is

    static OkRefusal Box(std::wstring text, std::wstring caption, MessageIcon icon) {
        OkRefusal refusal;
        refusal.box = MessageBoxRequest{std::move(text), std::move(caption), icon, MessageButtons::Ok};
        return refusal;
    }
    static OkRefusal Status(int statusId, std::wstring text) {
        OkRefusal refusal;
        refusal.statusId = statusId;
        refusal.status = std::move(text);
        return refusal;
    }
};

// One check with work to do before its verdict: nullopt when it passes.
using OkCheck = std::function<std::optional<OkRefusal>()>;

// Tells the user of one refusal on the dialog's surface.
void ShowRefusal(DialogSurfacePort& surface, const OkRefusal& refusal);

// The chain of an OK button's checks, written in the order they run:
//   OkChecks checks(surface);
//   checks.RefuseIf(!ntfs && !fat32, [] { return OkRefusal::Box(...); })
//         .Then([&] { return ReadTheDisk(); });
//   if (!checks.Passed()) return;
class OkChecks {
public:
    explicit OkChecks(DialogSurfacePort& surface) : surface_(surface) {}

    // A check whose verdict is known already: refuses when `wrong` and no
    // earlier check refused; the refusal is made only then.
    OkChecks& RefuseIf(bool wrong, const std::function<OkRefusal()>& refusal);
    // A check that runs only while every earlier one passed.
    OkChecks& Then(const OkCheck& check);
    bool Passed() const { return passed_; }

private:
    DialogSurfacePort& surface_;
    bool passed_ = true;
};

}  // namespace norvale
