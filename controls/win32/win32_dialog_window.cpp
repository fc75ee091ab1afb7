// The Win32 surface's window-level half: modeless children, the window's
// state and geometry, its scroll bar, mouse capture, popup menus, check
// boxes, striped lists and disk bars.
#include <algorithm>
#include <utility>

#include "controls/win32/dialog_host.h"
#include "controls/win32/disk_bar_keyboard.h"
#include "controls/win32/win32_dialog_surface.h"
#include "controls/win32/win32_dpi.h"

namespace norvale::win32 {

namespace {

RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

SCROLLINFO ScrollInfo(UINT mask) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    return info;
}

}  // namespace

// --- modeless children -------------------------------------------------------

bool Win32DialogSurface::OpenModeless(DialogController& child, int templateId) {
    if (child.IsAttached()) return false;
    HWND window = CreateModelessDialog(child, DialogTemplate::FromResource(templateId), dialog_);
    if (window == nullptr) return false;
    modeless_[&child] = window;
    // Shown and painted now: the handler that opened it may block a while.
    const Win32DialogSurface* surface = SurfaceOf(window);
    if (surface != nullptr && !surface->IsEnding()) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    return true;
}

void Win32DialogSurface::CloseModeless(DialogController& child) {
    auto it = modeless_.find(&child);
    if (it == modeless_.end()) return;
    HWND window = it->second;
    modeless_.erase(it);
    // The window may be gone already, and its handle taken by another.
    if (IsWindow(window) && ControllerOf(window) == &child) DestroyWindow(window);
}

// --- the window's state and geometry ----------------------------------------

void Win32DialogSurface::EnableDialog(bool enabled) { EnableWindow(dialog_, enabled ? TRUE : FALSE); }

bool Win32DialogSurface::IsDialogEnabled() const { return IsWindowEnabled(dialog_) != FALSE; }

void Win32DialogSurface::Minimize() { ShowWindow(dialog_, SW_MINIMIZE); }

void Win32DialogSurface::Restore() {
    if (IsIconic(dialog_)) ShowWindow(dialog_, SW_RESTORE);
}

bool Win32DialogSurface::IsMinimized() const { return IsIconic(dialog_) != FALSE; }

// The controller's outer sizes are 96-DPI ones, frame included. The client
// part scales with the DPI; the frame (caption, borders, a scroll bar) is
// the one the window has at its DPI now.
void Win32DialogSurface::ResizeDialog(Extent size) {
    RECT window{}, client{};
    GetWindowRect(dialog_, &window);
    GetClientRect(dialog_, &client);
    const Extent frame{(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
    const Extent logicalFrame = scale_.Unscale(frame);
    const int width = scale_.Scale(std::max(size.width, 0) - logicalFrame.width) + frame.width;
    const int height = scale_.Scale(std::max(size.height, 0) - logicalFrame.height) + frame.height;
    SetWindowPos(dialog_, nullptr, 0, 0, std::max(width, 0), std::max(height, 0),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Extent Win32DialogSurface::DialogSize() const {
    RECT r{};
    GetWindowRect(dialog_, &r);
    return scale_.Unscale(Extent{r.right - r.left, r.bottom - r.top});
}

void Win32DialogSurface::CenterDialog() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT area = work;
    HWND owner = GetWindow(dialog_, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);
    RECT own{};
    GetWindowRect(dialog_, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    int x = (area.left + area.right - width) / 2;
    int y = (area.top + area.bottom - height) / 2;
    // Kept on the screen where it fits, with its caption reachable.
    x = std::max(std::min(x, static_cast<int>(work.right) - width), static_cast<int>(work.left));
    y = std::max(std::min(y, static_cast<int>(work.bottom) - height), static_cast<int>(work.top));
    SetWindowPos(dialog_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- the scroll bar and scrolling --------------------------------------------

void Win32DialogSurface::SetVerticalScrollBar(const ScrollBarState& state) {
    ShowScrollBar(dialog_, SB_VERT, TRUE);
    SCROLLINFO info = ScrollInfo(SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL);
    info.nMin = state.min;
    info.nMax = std::max(state.max, state.min);
    info.nPage = static_cast<UINT>(std::max(state.page, 0));
    info.nPos = state.position;
    SetScrollInfo(dialog_, SB_VERT, &info, TRUE);
}

void Win32DialogSurface::RemoveVerticalScrollBar() { ShowScrollBar(dialog_, SB_VERT, FALSE); }

std::optional<ScrollBarState> Win32DialogSurface::VerticalScrollBar() const {
    if ((GetWindowLongPtrW(dialog_, GWL_STYLE) & WS_VSCROLL) == 0) return std::nullopt;
    SCROLLINFO info = ScrollInfo(SIF_ALL);
    if (!GetScrollInfo(dialog_, SB_VERT, &info)) return std::nullopt;
    return ScrollBarState{info.nMin, info.nMax, static_cast<int>(info.nPage), info.nPos};
}

int Win32DialogSurface::SetVerticalScrollPosition(int position) {
    if (!VerticalScrollBar()) return 0;
    SCROLLINFO info = ScrollInfo(SIF_POS | SIF_DISABLENOSCROLL);
    info.nPos = position;
    SetScrollInfo(dialog_, SB_VERT, &info, TRUE);
    return GetScrollPos(dialog_, SB_VERT);
}

void Win32DialogSurface::ScrollContent(int dy) {
    // Whole pixels at this DPI from the whole distance so far, so that many
    // small steps add up to the same place as one long one.
    const int pixels = scale_.Scale(contentOffset_ + dy) - scale_.Scale(contentOffset_);
    contentOffset_ += dy;
    ScrollWindowEx(dialog_, 0, pixels, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

void Win32DialogSurface::CaptureMouse() { SetCapture(dialog_); }

void Win32DialogSurface::ReleaseMouse() {
    if (GetCapture() == dialog_) ReleaseCapture();
}

bool Win32DialogSurface::HasMouseCapture() const { return GetCapture() == dialog_; }

// --- popup menus -------------------------------------------------------------

bool Win32DialogSurface::ShowPopupMenu(int menuId, int subMenu, const std::vector<MenuItemText>& texts) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId));
    if (menu == nullptr) return false;
    HMENU popup = subMenu >= 0 ? GetSubMenu(menu, subMenu) : nullptr;
    if (popup == nullptr) {
        DestroyMenu(menu);
        return false;
    }
    for (const MenuItemText& item : texts) {
        ModifyMenuW(popup, static_cast<UINT>(item.command), MF_BYCOMMAND | MF_STRING,
                    static_cast<UINT_PTR>(item.command), item.text.c_str());
    }
    POINT cursor{};
    // A menu the keyboard asked for opens at the focused disk-bar segment.
    if (const std::optional<POINT> anchor = KeyboardMenuAnchor()) cursor = *anchor;
    else GetCursorPos(&cursor);
    // The menu closes when the user clicks elsewhere only while the dialog
    // is the foreground window.
    SetForegroundWindow(dialog_);
    const auto command = static_cast<int>(
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y, 0,
                       dialog_, nullptr));
    DestroyMenu(menu);
    // As a menu's own WM_COMMAND: after the handler that showed it.
    if (command != 0) PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return true;
}

// --- check boxes -------------------------------------------------------------

void Win32DialogSurface::SetChecked(int buttonId, bool checked) {
    Send(buttonId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32DialogSurface::IsChecked(int buttonId) const { return Send(buttonId, BM_GETCHECK) == BST_CHECKED; }

// --- striped lists -----------------------------------------------------------

CColoredListCtrl* Win32DialogSurface::StripedListOf(int listId) {
    HWND list = Item(listId);
    if (list == nullptr) return nullptr;
    auto& striped = stripedLists_[listId];
    if (!striped) {
        striped = std::make_unique<CColoredListCtrl>();
        if (!striped->Attach(list)) {
            stripedLists_.erase(listId);
            return nullptr;
        }
        striped->SetHighContrast(highContrast_);
    }
    return striped.get();
}

void Win32DialogSurface::SetListStripeColors(int listId, Color evenRows, Color oddRows) {
    if (CColoredListCtrl* list = StripedListOf(listId)) {
        list->Colors().SetStripes(evenRows, oddRows);
        list->Redraw();
    }
}

void Win32DialogSurface::AddListRowColor(int listId, int row, Color color) {
    if (CColoredListCtrl* list = StripedListOf(listId)) {
        list->Colors().AddRowColor(row, color);
        list->Redraw();
    }
}

void Win32DialogSurface::ClearListRowColors(int listId) {
    if (CColoredListCtrl* list = StripedListOf(listId)) {
        list->Colors().ClearRowColors();
        list->Redraw();
    }
}

std::optional<LRESULT> Win32DialogSurface::ReflectNotify(NMHDR& header) {
    if (header.code != static_cast<UINT>(NM_CUSTOMDRAW)) return std::nullopt;
    for (const auto& [id, list] : stripedLists_) {
        if (list->Window() == header.hwndFrom)
            return list->CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    }
    return std::nullopt;
}

// --- disk bars ---------------------------------------------------------------

CButtonBarCtrl* Win32DialogSurface::Bar(int bar) const {
    if (bar < 0 || bar >= static_cast<int>(bars_.size())) return nullptr;
    return bars_[static_cast<size_t>(bar)].get();
}

HWND Win32DialogSurface::DiskBarWindow(int bar) const {
    const CButtonBarCtrl* b = Bar(bar);
    return b != nullptr ? b->Window() : nullptr;
}

int Win32DialogSurface::CreateDiskBar(int controlId, const Rect& rect) {
    auto bar = std::make_unique<CButtonBarCtrl>();
    if (!bar->Create(dialog_, controlId, ToRECT(scale_.Scale(rect)))) return -1;
    bar->SetDisplay(scale_, highContrast_);
    KeepOutOfDialogRescaling(bar->Window());
    bars_.push_back(std::move(bar));
    return static_cast<int>(bars_.size()) - 1;
}

void Win32DialogSurface::MoveDiskBar(int bar, const Rect& rect) {
    const Rect r = scale_.Scale(rect);
    if (HWND window = DiskBarWindow(bar)) MoveWindow(window, r.left, r.top, r.Width(), r.Height(), TRUE);
}

void Win32DialogSurface::ShowDiskBar(int bar, bool visible) {
    if (HWND window = DiskBarWindow(bar)) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}

void Win32DialogSurface::SetDiskBarView(int bar, const DiskView& view) {
    if (CButtonBarCtrl* b = Bar(bar)) b->SetView(view);
}

void Win32DialogSurface::ClearDiskBarSelection(int bar) {
    if (CButtonBarCtrl* b = Bar(bar)) b->ClearSelection();
}

void Win32DialogSurface::RepaintDiskBar(int bar) {
    if (CButtonBarCtrl* b = Bar(bar)) b->Repaint();
}

}  // namespace norvale::win32
