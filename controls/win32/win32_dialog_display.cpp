// The Win32 surface's display half: the window's DPI after a move to
// another monitor, and the colour scheme (the controllers' colours, or the
// system's in high contrast).
#include "controls/win32/win32_dialog_surface.h"

#include <commctrl.h>

#include "controls/core/contrast_palette.h"
#include "controls/win32/high_contrast.h"
#include "controls/win32/progress_ctrl.h"

namespace norvale::win32 {

namespace {

COLORREF Chosen(ColorRole role, Color requested, bool highContrast) {
    return ColorRefOf(ChooseColor(role, requested, highContrast));
}

BOOL CALLBACK ForwardSysColorChange(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

}  // namespace

void Win32DialogSurface::ApplyDialogColors() {
    if (!dialogColors_) return;
    if (backgroundBrush_ != nullptr) DeleteObject(backgroundBrush_);
    background_ = Chosen(ColorRole::DialogBackground, dialogColors_->first, highContrast_);
    staticText_ = Chosen(ColorRole::StaticText, dialogColors_->second, highContrast_);
    backgroundBrush_ = CreateSolidBrush(background_);
    InvalidateRect(dialog_, nullptr, TRUE);
}

void Win32DialogSurface::ApplyGroupBoxColors(int groupBoxId) {
    auto box = groupBoxes_.find(groupBoxId);
    auto colors = groupBoxColors_.find(groupBoxId);
    if (box == groupBoxes_.end() || colors == groupBoxColors_.end()) return;
    box->second->SetBackgroundColor(Chosen(ColorRole::GroupBand, colors->second.first, highContrast_), false)
        .SetTextColor(Chosen(ColorRole::GroupText, colors->second.second, highContrast_), true);
}

void Win32DialogSurface::ApplyProgressColors(int barId) {
    auto colors = progressColors_.find(barId);
    if (colors == progressColors_.end()) return;
    ProgressCtrl::SetColors(Item(barId),
                            ColorOf(Chosen(ColorRole::ProgressBar, colors->second.first, highContrast_)),
                            ColorOf(Chosen(ColorRole::ProgressBackground, colors->second.second, highContrast_)));
}

void Win32DialogSurface::ChangeDpi(const DpiScale& scale) {
    const DpiScale old = scale_;
    scale_ = scale;
    if (old.Dpi() == scale.Dpi()) return;
    for (int listId : columnLists_) {
        HWND header = reinterpret_cast<HWND>(Send(listId, LVM_GETHEADER));
        const int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        for (int column = 0; column < columns; ++column) {
            const int width = static_cast<int>(Send(listId, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
            Send(listId, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                 MAKELPARAM(old.Rescale(width, scale), 0));
        }
    }
    // The bars keep their place in proportion, scrolled content included.
    for (const auto& bar : bars_) {
        HWND window = bar->Window();
        if (window == nullptr) continue;
        RECT r{};
        GetWindowRect(window, &r);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
        const int left = old.Rescale(r.left, scale), top = old.Rescale(r.top, scale);
        MoveWindow(window, left, top, old.Rescale(r.right, scale) - left, old.Rescale(r.bottom, scale) - top, TRUE);
        bar->SetDisplay(scale, highContrast_);
    }
    for (const auto& [id, box] : groupBoxes_) box->SetScale(scale, true);
}

void Win32DialogSurface::ApplyContrast(bool highContrast) {
    highContrast_ = highContrast;
    // Common controls pick up new system colours only when told.
    EnumChildWindows(dialog_, ForwardSysColorChange, 0);
    ApplyDialogColors();
    for (const auto& [id, box] : groupBoxes_) ApplyGroupBoxColors(id);
    for (const auto& [id, colors] : progressColors_) ApplyProgressColors(id);
    for (const auto& [id, list] : stripedLists_) list->SetHighContrast(highContrast);
    for (const auto& bar : bars_) bar->SetDisplay(scale_, highContrast);
    Repaint();
}

}  // namespace norvale::win32
