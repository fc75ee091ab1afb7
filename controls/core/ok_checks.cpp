#include "controls/core/ok_checks.h"

namespace norvale {

void ShowRefusal(DialogSurfacePort& surface, const OkRefusal& refusal) {
    if (refusal.box) surface.ShowMessage(*refusal.box);
    if (refusal.statusId != 0) surface.SetText(refusal.statusId, refusal.status);
    for (const int field : refusal.emptied) surface.SetText(field, L"");
    if (refusal.focusId != 0) surface.SetFocus(refusal.focusId);
}

OkChecks& OkChecks::RefuseIf(bool wrong, const std::function<OkRefusal()>& refusal) {
    if (passed_ && wrong) {
        passed_ = false;
        ShowRefusal(surface_, refusal());
    }
    return *this;
}

OkChecks& OkChecks::Then(const OkCheck& check) {
    if (!passed_) return *this;
    if (const std::optional<OkRefusal> refusal = check()) {
        passed_ = false;
        ShowRefusal(surface_, *refusal);
    }
    return *this;
}

}  // namespace norvale
