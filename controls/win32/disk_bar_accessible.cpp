#include "controls/win32/disk_bar_accessible.h"

#include <string>
#include <utility>

#include "controls/core/disk_bar_keys.h"
#include "platform/core/language_table.h"
#include "platform/core/system_language_port.h"

namespace norvale::win32 {

namespace {

constexpr unsigned kDiskWordText = 110;     // the volume list's "Disk" column
constexpr unsigned kUnallocatedText = 252;  // the bar's own word for free space

std::wstring Text(unsigned id) {
    return CLanguageTable::Instance().LoadText(UiLanguageId(), id);
}

HRESULT Answer(BSTR* out, const std::wstring& text) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetChildId(VARIANT* out, long id) {
    out->vt = VT_I4;
    out->lVal = id;
}

}  // namespace

DiskBarAccessible::DiskBarAccessible(HWND bar, std::function<AccessibleBarView()> view)
    : bar_(bar), view_(std::move(view)) {}

void DiskBarAccessible::Disconnect() {
    view_ = nullptr;
    bar_ = nullptr;
}

long DiskBarAccessible::ChildOf(const VARIANT& child, const AccessibleBarView& view) const {
    if (view.state == nullptr || child.vt != VT_I4) return -1;
    const long id = child.lVal;
    return id >= 0 && id <= view.state->View().UsedSlots() ? id : -1;
}

std::vector<Rect> DiskBarAccessible::SegmentRects(const AccessibleBarView& view) const {
    RECT client{};
    GetClientRect(bar_, &client);
    return LayoutSegments(view.state->View(), Rect{client.left, client.top, client.right, client.bottom});
}

// --- IUnknown ------------------------------------------------------------------

HRESULT DiskBarAccessible::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DiskBarAccessible::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG DiskBarAccessible::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

// --- IDispatch -------------------------------------------------------------------

HRESULT DiskBarAccessible::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    return S_OK;
}
HRESULT DiskBarAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT DiskBarAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT DiskBarAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// --- IAccessible -----------------------------------------------------------------

HRESULT DiskBarAccessible::get_accParent(IDispatch** parent) {
    if (parent == nullptr) return E_INVALIDARG;
    *parent = nullptr;
    if (!view_) return E_FAIL;
    // The standard object of the bar's own window holds the bar's client.
    return AccessibleObjectFromWindow(bar_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                      reinterpret_cast<void**>(parent));
}

HRESULT DiskBarAccessible::get_accChildCount(long* count) {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    if (!view_) return E_FAIL;
    const AccessibleBarView view = view_();
    *count = view.state != nullptr ? view.state->View().UsedSlots() : 0;
    return S_OK;
}

HRESULT DiskBarAccessible::get_accChild(VARIANT child, IDispatch** dispatch) {
    if (dispatch == nullptr) return E_INVALIDARG;
    *dispatch = nullptr;
    if (!view_) return E_FAIL;
    // Segments are simple elements: the bar answers for them.
    return ChildOf(child, view_()) > 0 ? S_FALSE : E_INVALIDARG;
}

HRESULT DiskBarAccessible::get_accName(VARIANT child, BSTR* name) {
    if (name == nullptr) return E_INVALIDARG;
    *name = nullptr;
    if (!view_) return E_FAIL;
    const AccessibleBarView view = view_();
    const long id = ChildOf(child, view);
    if (id < 0) return E_INVALIDARG;
    const DiskView& disk = view.state->View();
    if (id == CHILDID_SELF) return Answer(name, BarSpokenName(Text(kDiskWordText), disk.diskNumber));
    return Answer(name, SegmentSpokenName(disk.slots[static_cast<size_t>(id - 1)], Text(kUnallocatedText)));
}

HRESULT DiskBarAccessible::get_accValue(VARIANT, BSTR* value) {
    if (value != nullptr) *value = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT DiskBarAccessible::get_accDescription(VARIANT, BSTR* description) {
    if (description != nullptr) *description = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT DiskBarAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (role == nullptr) return E_INVALIDARG;
    VariantInit(role);
    if (!view_) return E_FAIL;
    const long id = ChildOf(child, view_());
    if (id < 0) return E_INVALIDARG;
    SetChildId(role, id == CHILDID_SELF ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM);
    return S_OK;
}

HRESULT DiskBarAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (state == nullptr) return E_INVALIDARG;
    VariantInit(state);
    if (!view_) return E_FAIL;
    const AccessibleBarView view = view_();
    const long id = ChildOf(child, view);
    if (id < 0) return E_INVALIDARG;
    long bits = STATE_SYSTEM_FOCUSABLE;
    if (!IsWindowVisible(bar_)) bits |= STATE_SYSTEM_INVISIBLE;
    if (id == CHILDID_SELF) {
        if (view.hasFocus) bits |= STATE_SYSTEM_FOCUSED;
    } else {
        bits |= STATE_SYSTEM_SELECTABLE;
        if (view.state->SelectedSegment() == id - 1) bits |= STATE_SYSTEM_SELECTED;
        if (view.hasFocus && view.focused == id - 1) bits |= STATE_SYSTEM_FOCUSED;
    }
    SetChildId(state, bits);
    return S_OK;
}

HRESULT DiskBarAccessible::get_accHelp(VARIANT, BSTR* help) {
    if (help != nullptr) *help = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT DiskBarAccessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (file != nullptr) *file = nullptr;
    if (topic != nullptr) *topic = -1;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT DiskBarAccessible::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
    if (shortcut != nullptr) *shortcut = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT DiskBarAccessible::get_accFocus(VARIANT* child) {
    if (child == nullptr) return E_INVALIDARG;
    VariantInit(child);
    if (!view_) return E_FAIL;
    const AccessibleBarView view = view_();
    if (!view.hasFocus) return S_FALSE;  // VT_EMPTY: neither the bar nor a segment
    SetChildId(child, view.focused >= 0 ? view.focused + 1 : CHILDID_SELF);
    return S_OK;
}

HRESULT DiskBarAccessible::get_accSelection(VARIANT* children) {
    if (children == nullptr) return E_INVALIDARG;
    VariantInit(children);
    if (!view_) return E_FAIL;
    const AccessibleBarView view = view_();
    const int selected = view.state != nullptr ? view.state->SelectedSegment() : -1;
    if (selected < 0 || selected >= view.state->View().UsedSlots()) return S_FALSE;
    SetChildId(children, selected + 1);
    return S_OK;
}

HRESULT DiskBarAccessible::get_accDefaultAction(VARIANT, BSTR* action) {
    if (action != nullptr) *action = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT DiskBarAccessible::accSelect(long, VARIANT) { return DISP_E_MEMBERNOTFOUND; }

HRESULT DiskBarAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_INVALIDARG;
    *left = *top = *width = *height = 0;
    if (!view_) return E_FAIL;
    const AccessibleBarView view = view_();
    const long id = ChildOf(child, view);
    if (id < 0) return E_INVALIDARG;
    RECT r{};
    if (id == CHILDID_SELF) {
        GetClientRect(bar_, &r);
    } else {
        const std::vector<Rect> segments = SegmentRects(view);
        if (static_cast<size_t>(id - 1) >= segments.size()) return E_INVALIDARG;
        const Rect& s = segments[static_cast<size_t>(id - 1)];
        r = RECT{s.left, s.top, s.right, s.bottom};
    }
    MapWindowPoints(bar_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
}

HRESULT DiskBarAccessible::accNavigate(long, VARIANT, VARIANT* end) {
    if (end != nullptr) VariantInit(end);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT DiskBarAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (child == nullptr) return E_INVALIDARG;
    VariantInit(child);
    if (!view_) return E_FAIL;
    const AccessibleBarView view = view_();
    POINT p{x, y};
    ScreenToClient(bar_, &p);
    RECT client{};
    GetClientRect(bar_, &client);
    if (!PtInRect(&client, p)) return S_FALSE;
    const int segment = HitSegment(SegmentRects(view), Point{p.x, p.y});
    SetChildId(child, segment >= 0 ? segment + 1 : CHILDID_SELF);
    return S_OK;
}

HRESULT DiskBarAccessible::accDoDefaultAction(VARIANT) { return DISP_E_MEMBERNOTFOUND; }
HRESULT DiskBarAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT DiskBarAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

}  // namespace norvale::win32
