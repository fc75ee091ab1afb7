#include "controls/win32/colored_list_ctrl.h"

#include <vector>

namespace norvale::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x434C;

COLORREF ToColorRef(Color c) { return RGB(c.red, c.green, c.blue); }

ListDrawStage StageOf(DWORD stage) {
    if (stage == CDDS_PREPAINT) return ListDrawStage::Prepaint;
    if (stage == CDDS_ITEMPREPAINT) return ListDrawStage::ItemPrepaint;
    if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) return ListDrawStage::SubItemPrepaint;
    return ListDrawStage::Other;
}

void FillBand(HDC dc, int left, int top, int right, int bottom, Color color) {
    const COLORREF old = SetBkColor(dc, ToColorRef(color));
    const RECT r{left, top, right, bottom};
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

}  // namespace

CColoredListCtrl::~CColoredListCtrl() {
    if (window_ != nullptr) RemoveWindowSubclass(window_, SubclassProc, kSubclassId);
}

bool CColoredListCtrl::Attach(HWND list) {
    if (list == nullptr || window_ != nullptr) return false;
    if (!SetWindowSubclass(list, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    window_ = list;
    return true;
}

void CColoredListCtrl::Redraw() {
    if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
}

LRESULT CColoredListCtrl::CustomDraw(NMLVCUSTOMDRAW& draw) const {
    if (highContrast_) return CDRF_DODEFAULT;
    const ListDrawAnswer answer =
        colors_.Draw(StageOf(draw.nmcd.dwDrawStage), static_cast<int>(draw.nmcd.dwItemSpec));
    if (answer.text) draw.clrText = ToColorRef(*answer.text);
    if (answer.background) draw.clrTextBk = ToColorRef(*answer.background);
    switch (answer.request) {
        case ListDrawRequest::NotifyItems: return CDRF_NOTIFYITEMDRAW;
        case ListDrawRequest::NotifySubItems: return CDRF_NOTIFYSUBITEMDRAW;
        case ListDrawRequest::Default: break;
    }
    return CDRF_DODEFAULT;
}

void CColoredListCtrl::EraseBackground(HDC dc) const {
    RECT client;
    GetClientRect(window_, &client);
    if (highContrast_) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    FillBand(dc, client.left, client.top, client.right, client.bottom, colors_.OddRow());
    // Tops of the rows that exist, from row 0 to one past a page.
    const int perPage = static_cast<int>(SendMessageW(window_, LVM_GETCOUNTPERPAGE, 0, 0));
    const int count = static_cast<int>(SendMessageW(window_, LVM_GETITEMCOUNT, 0, 0));
    std::vector<int> tops;
    for (int i = 0; i < count && i <= perPage + 1; ++i) {
        POINT position{};
        if (!SendMessageW(window_, LVM_GETITEMPOSITION, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&position)))
            break;
        tops.push_back(position.y);
    }
    int rowHeight = 0;
    RECT item{};
    item.left = LVIR_BOUNDS;
    if (count > 0 && SendMessageW(window_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
        rowHeight = item.bottom - item.top;
    for (const StripeBand& band : colors_.EraseBands(tops, rowHeight, perPage))
        FillBand(dc, client.left, band.top, client.right, band.bottom, band.color);
}

LRESULT CALLBACK CColoredListCtrl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                UINT_PTR, DWORD_PTR selfData) {
    auto* self = reinterpret_cast<CColoredListCtrl*>(selfData);
    switch (message) {
        case WM_ERASEBKGND:
            self->EraseBackground(reinterpret_cast<HDC>(wParam));
            // Reported as erased: a list view told otherwise fills its whole
            // background again when it paints, over the stripes.
            return TRUE;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, SubclassProc, kSubclassId);
            self->window_ = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace norvale::win32
