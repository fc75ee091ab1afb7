#include "controls/win32/win32_dialog_surface.h"

#include <cstring>

#include <commctrl.h>

#include <utility>
#include <vector>

#include "controls/win32/busy_cursor.h"
#include "controls/win32/dialog_host.h"
#include "controls/win32/dialog_host_messages.h"
#include "controls/win32/high_contrast.h"
#include "controls/win32/progress_ctrl.h"
#include "controls/win32/win32_dpi.h"
#include "controls/win32/worker_threads.h"
#include "platform/core/wipe.h"

namespace norvale::win32 {

namespace {

std::wstring TextOf(HWND window) {
    if (window == nullptr) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(GetWindowTextLengthW(window)) + 1);
    const int length = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    std::wstring text(buffer.data(), static_cast<size_t>(length > 0 ? length : 0));
    // The field may be a password field: the read buffer keeps no copy.
    WipeMemory(buffer.data(), buffer.size() * sizeof(wchar_t));
    return text;
}

int ColumnFormat(ColumnAlignment alignment) {
    switch (alignment) {
        case ColumnAlignment::Left: return LVCFMT_LEFT;
        case ColumnAlignment::Right: return LVCFMT_RIGHT;
        case ColumnAlignment::Center: return LVCFMT_CENTER;
    }
    return LVCFMT_LEFT;
}

UINT MessageBoxStyle(const MessageBoxRequest& r) {
    UINT style = MB_APPLMODAL;
    switch (r.icon) {
        case MessageIcon::None: break;
        case MessageIcon::Stop: style |= MB_ICONSTOP; break;
        case MessageIcon::Exclamation: style |= MB_ICONEXCLAMATION; break;
        case MessageIcon::Information: style |= MB_ICONINFORMATION; break;
        case MessageIcon::Question: style |= MB_ICONQUESTION; break;
    }
    switch (r.buttons) {
        case MessageButtons::Ok: style |= MB_OK; break;
        case MessageButtons::OkCancel: style |= MB_OKCANCEL; break;
        case MessageButtons::YesNo: style |= MB_YESNO; break;
    }
    return style;
}

}  // namespace

Win32DialogSurface::Win32DialogSurface(HWND dialog, bool modal)
    : dialog_(dialog), modal_(modal), scale_(WindowDpi(dialog)), highContrast_(HighContrastOn()) {}

Win32DialogSurface::~Win32DialogSurface() {
    groupBoxes_.clear();
    stripedLists_.clear();
    bars_.clear();
    if (backgroundBrush_ != nullptr) DeleteObject(backgroundBrush_);
    if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

HWND Win32DialogSurface::Item(int controlId) const {
    HWND item = GetDlgItem(dialog_, controlId);
    return item != nullptr || late_.empty() ? item : MakeLate(controlId);
}

// --- controls made after the first paint --------------------------------------

void Win32DialogSurface::ExpectLateControls(const std::vector<LateControl>& controls) {
    for (const LateControl& control : controls)
        late_.push_back(PendingCombo{control, {}, -1, (control.style & WS_DISABLED) == 0});
}

bool Win32DialogSurface::MakeNextLateControl() {
    if (!late_.empty()) MakeLate(late_.front().control.id);
    return !late_.empty();
}

Win32DialogSurface::PendingCombo* Win32DialogSurface::Pending(int controlId) const {
    for (PendingCombo& pending : late_)
        if (pending.control.id == controlId) return &pending;
    return nullptr;
}

HWND Win32DialogSurface::MakeLate(int controlId) const {
    if (Pending(controlId) == nullptr) return nullptr;
    // In template order, so each finds the item before it to follow.
    while (!late_.empty()) {
        const PendingCombo pending = std::move(late_.front());
        late_.erase(late_.begin());
        HWND made = CreateLateControl(dialog_, pending.control);
        if (made != nullptr) {
            for (const std::wstring& item : pending.items)
                SendMessageW(made, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            if (pending.selection >= 0)
                SendMessageW(made, CB_SETCURSEL, static_cast<WPARAM>(pending.selection), 0);
            // A running flow holds it as it holds the others; held_ keeps the
            // state its controller wants for the flow's end.
            if (!pending.enabled || held_.count(pending.control.id) != 0) EnableWindow(made, FALSE);
        }
        if (pending.control.id == controlId) return made;
    }
    // Made meanwhile from a handler that the messages above reached.
    return GetDlgItem(dialog_, controlId);
}

std::map<int, std::vector<HWND>> Win32DialogSurface::ItemsOf(const std::vector<int>& controlIds) const {
    std::map<int, std::vector<HWND>> found;
    for (const int id : controlIds) found[id];
    // One walk for every id: each step asks the window manager, and a flow
    // holds a dozen controls (a walk per id took 20 ms before the first paint).
    for (HWND child = GetWindow(dialog_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto it = found.find(GetDlgCtrlID(child));
        if (it != found.end()) it->second.push_back(child);
    }
    return found;
}

LRESULT Win32DialogSurface::Send(int controlId, UINT message, WPARAM wParam, LPARAM lParam) const {
    HWND item = Item(controlId);
    return item != nullptr ? SendMessageW(item, message, wParam, lParam) : 0;
}

// --- host support -------------------------------------------------------------

void Win32DialogSurface::RegisterMessages(const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) {
        const UINT id = RegisterWindowMessageW(name.c_str());
        if (id != 0) registered_[id] = name;
    }
}

std::wstring Win32DialogSurface::RegisteredName(UINT message) const {
    auto it = registered_.find(message);
    return it == registered_.end() ? std::wstring() : it->second;
}

HBRUSH Win32DialogSurface::ControlColor(UINT message, HDC dc) const {
    if (backgroundBrush_ == nullptr) return nullptr;
    if (message == WM_CTLCOLORDLG) {
        SetBkMode(dc, TRANSPARENT);
        return backgroundBrush_;
    }
    if (message == WM_CTLCOLORSTATIC) {
        SetTextColor(dc, staticText_);
        SetBkColor(dc, background_);
        return backgroundBrush_;
    }
    return nullptr;
}

// --- the dialog window --------------------------------------------------------

void Win32DialogSurface::SetTitle(const std::wstring& title) { SetWindowTextW(dialog_, title.c_str()); }

std::wstring Win32DialogSurface::Title() const { return TextOf(dialog_); }

void Win32DialogSurface::SetIcon(int iconResourceId) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    HICON big = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconResourceId), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    HICON small = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconResourceId), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), 0));
    if (big == nullptr && small == nullptr) return;
    SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
    bigIcon_ = big;
    smallIcon_ = small;
}

void Win32DialogSurface::AppendSystemMenuItem(int command, const std::wstring& text) {
    HMENU menu = GetSystemMenu(dialog_, FALSE);
    if (menu == nullptr || text.empty()) return;
    // One separator between Windows' items (SC_ commands, 0xF000 and up) and ours.
    const int count = GetMenuItemCount(menu);
    const UINT last = count > 0 ? GetMenuItemID(menu, count - 1) : 0;
    if (last == 0 || last == static_cast<UINT>(-1) || last >= 0xF000) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), text.c_str());
}

bool Win32DialogSurface::CopyToClipboard(const std::wstring& text) {
    // The clipboard takes a movable global block, which it owns once set.
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (block == nullptr) return false;
    if (void* data = GlobalLock(block)) {
        std::memcpy(data, text.c_str(), bytes);
        GlobalUnlock(block);
    }
    if (!OpenClipboard(dialog_)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!set) GlobalFree(block);
    return set;
}

void Win32DialogSurface::SetDialogColors(Color background, Color staticText) {
    dialogColors_ = std::make_pair(background, staticText);
    ApplyDialogColors();
}

void Win32DialogSurface::Repaint() {
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32DialogSurface::EndDialog(int code) {
    if (modal_) {
        ::EndDialog(dialog_, code);
    } else if (!ending_) {
        // Gone from the screen now, even when the handler works on for a
        // while; destroyed from the message loop once it has returned.
        ending_ = true;
        ShowWindow(dialog_, SW_HIDE);
        PostMessageW(dialog_, kDestroyModelessDialog, static_cast<WPARAM>(code), 0);
    }
}

int Win32DialogSurface::RunModal(DialogController& child, int templateId) {
    return static_cast<int>(RunModalDialog(child, DialogTemplate::FromResource(templateId), dialog_));
}

int Win32DialogSurface::RunSuccessor(DialogController& next, int templateId) {
    return static_cast<int>(
        RunModalDialog(next, DialogTemplate::FromResource(templateId), GetWindow(dialog_, GW_OWNER)));
}

// --- any control --------------------------------------------------------------

void Win32DialogSurface::SetText(int controlId, const std::wstring& text) {
    if (HWND item = Item(controlId)) SetWindowTextW(item, text.c_str());
}

std::wstring Win32DialogSurface::Text(int controlId) const { return TextOf(Item(controlId)); }

void Win32DialogSurface::SetTextLimit(int editId, int maxChars) {
    HWND item = Item(editId);
    if (item == nullptr) return;
    // A combo box limits its edit field through a message of its own.
    wchar_t className[16] = L"";
    GetClassNameW(item, className, 16);
    const UINT message = lstrcmpiW(className, L"ComboBox") == 0 ? CB_LIMITTEXT : EM_LIMITTEXT;
    ::SendMessageW(item, message, static_cast<WPARAM>(maxChars > 0 ? maxChars : 0), 0);
}

void Win32DialogSurface::SetReadOnly(int editId, bool readOnly) {
    Send(editId, EM_SETREADONLY, readOnly ? TRUE : FALSE);
}

bool Win32DialogSurface::IsReadOnly(int editId) const {
    HWND item = Item(editId);
    return item != nullptr && (GetWindowLongPtrW(item, GWL_STYLE) & ES_READONLY) != 0;
}

void Win32DialogSurface::Enable(int controlId, bool enabled) {
    if (const auto held = held_.find(controlId); held != held_.end()) {
        held->second = enabled;
        return;
    }
    if (PendingCombo* pending = Pending(controlId)) {
        pending->enabled = enabled;
        return;
    }
    if (HWND item = Item(controlId)) EnableWindow(item, enabled ? TRUE : FALSE);
}

bool Win32DialogSurface::IsEnabled(int controlId) const {
    if (const auto held = held_.find(controlId); held != held_.end()) return held->second;
    if (const PendingCombo* pending = Pending(controlId)) return pending->enabled;
    HWND item = Item(controlId);
    return item != nullptr && IsWindowEnabled(item) != FALSE;
}

void Win32DialogSurface::Show(int controlId, bool visible) {
    HWND item = Item(controlId);
    if (item == nullptr) return;
    // Hidden during a redraw period: end the period first, or turning
    // redraw on later would show the control again.
    if (!visible && redrawOff_.erase(controlId) != 0) SendMessageW(item, WM_SETREDRAW, TRUE, 0);
    ShowWindow(item, visible ? SW_SHOW : SW_HIDE);
}

bool Win32DialogSurface::IsVisible(int controlId) const {
    HWND item = Item(controlId);
    return item != nullptr &&
           ((GetWindowLongPtrW(item, GWL_STYLE) & WS_VISIBLE) != 0 || redrawOff_.count(controlId) != 0);
}

void Win32DialogSurface::SetFocus(int controlId) {
    if (HWND item = Item(controlId)) ::SetFocus(item);
}

int Win32DialogSurface::FocusedControl() const {
    // The focus may sit in a child of a control (an octet of an IP field).
    for (HWND w = GetFocus(); w != nullptr && w != dialog_; w = GetParent(w)) {
        if (GetParent(w) == dialog_) return GetDlgCtrlID(w);
    }
    return 0;
}

void Win32DialogSurface::SetRedraw(int controlId, bool redraw) {
    HWND item = Item(controlId);
    if (item == nullptr) return;
    // The default window procedure keeps the redraw state in WS_VISIBLE:
    // WM_SETREDRAW TRUE would show a hidden control, and while redraw is off
    // the control reads as hidden. So only controls on screen are switched,
    // and the surface remembers which.
    if (!redraw) {
        if ((GetWindowLongPtrW(item, GWL_STYLE) & WS_VISIBLE) == 0) return;  // draws nothing anyway
        redrawOff_.insert(controlId);
        SendMessageW(item, WM_SETREDRAW, FALSE, 0);
        return;
    }
    if (redrawOff_.erase(controlId) != 0) SendMessageW(item, WM_SETREDRAW, TRUE, 0);
    if ((GetWindowLongPtrW(item, GWL_STYLE) & WS_VISIBLE) != 0)
        RedrawWindow(item, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// --- list views ---------------------------------------------------------------

void Win32DialogSurface::InsertListColumn(int listId, int index, const ListColumn& column) {
    LVCOLUMNW lv{};
    lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    lv.fmt = ColumnFormat(column.alignment);
    lv.cx = scale_.Scale(column.width);
    columnLists_.insert(listId);
    lv.pszText = const_cast<wchar_t*>(column.title.c_str());
    lv.iSubItem = index;
    Send(listId, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lv));
}

void Win32DialogSurface::SetListFullRowSelect(int listId, bool fullRow) {
    Send(listId, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, fullRow ? LVS_EX_FULLROWSELECT : 0);
}

void Win32DialogSurface::SetListGridLines(int listId, bool gridLines) {
    Send(listId, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, gridLines ? LVS_EX_GRIDLINES : 0);
}

int Win32DialogSurface::InsertListRow(int listId, int row, const std::wstring& text) {
    if (Item(listId) == nullptr || row < 0) return -1;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    return static_cast<int>(Send(listId, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32DialogSurface::DeleteListRow(int listId, int row) {
    Send(listId, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
}

void Win32DialogSurface::DeleteAllListRows(int listId) { Send(listId, LVM_DELETEALLITEMS); }

void Win32DialogSurface::SetListCell(int listId, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    Send(listId, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::wstring Win32DialogSurface::ListCell(int listId, int row, int column) const {
    if (Item(listId) == nullptr || row < 0 || row >= ListRowCount(listId)) return {};
    // LVM_GETITEMTEXT answers the length it copied; grow until it fits.
    for (size_t capacity = 64; capacity <= 65536; capacity *= 4) {
        std::vector<wchar_t> buffer(capacity);
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(capacity);
        const auto length = static_cast<size_t>(
            Send(listId, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < capacity) return std::wstring(buffer.data(), length);
    }
    return {};
}

bool Win32DialogSurface::IsListRowSelected(int listId, int row) const {
    if (row < 0) return false;
    return (Send(listId, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void Win32DialogSurface::SetListRowSelected(int listId, int row, bool selected) {
    if (row < 0) return;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    ++listSelectionChanges_;
    Send(listId, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    --listSelectionChanges_;
}

int Win32DialogSurface::ListRowCount(int listId) const {
    return static_cast<int>(Send(listId, LVM_GETITEMCOUNT));
}

int Win32DialogSurface::ListFirstVisibleRow(int listId) const {
    return static_cast<int>(Send(listId, LVM_GETTOPINDEX));
}

int Win32DialogSurface::ListVisibleRowCount(int listId) const {
    return static_cast<int>(Send(listId, LVM_GETCOUNTPERPAGE));
}

// --- combo boxes --------------------------------------------------------------

void Win32DialogSurface::ClearCombo(int comboId) {
    if (PendingCombo* pending = Pending(comboId)) {
        pending->items.clear();
        pending->selection = -1;
        return;
    }
    Send(comboId, CB_RESETCONTENT);
}

int Win32DialogSurface::AddComboItem(int comboId, const std::wstring& text) {
    if (PendingCombo* pending = Pending(comboId)) {
        pending->items.push_back(text);
        return static_cast<int>(pending->items.size()) - 1;
    }
    if (Item(comboId) == nullptr) return -1;
    const auto index = static_cast<int>(Send(comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    return index >= 0 ? index : -1;  // CB_ERR, CB_ERRSPACE
}

void Win32DialogSurface::SelectComboItem(int comboId, int index) {
    // An index out of range clears the selection, as CB_SETCURSEL documents;
    // Wine's combo box keeps the old one instead, so it is never passed on.
    if (index < 0 || index >= ComboItemCount(comboId)) index = -1;
    if (PendingCombo* pending = Pending(comboId)) {
        pending->selection = index;
        return;
    }
    Send(comboId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogSurface::ComboSelection(int comboId) const {
    if (const PendingCombo* pending = Pending(comboId)) return pending->selection;
    if (Item(comboId) == nullptr) return -1;
    const auto index = static_cast<int>(Send(comboId, CB_GETCURSEL));
    return index >= 0 ? index : -1;
}

int Win32DialogSurface::ComboItemCount(int comboId) const {
    if (const PendingCombo* pending = Pending(comboId)) return static_cast<int>(pending->items.size());
    const auto count = static_cast<int>(Send(comboId, CB_GETCOUNT));
    return count > 0 ? count : 0;
}

std::wstring Win32DialogSurface::ComboItemText(int comboId, int index) const {
    if (index < 0 || index >= ComboItemCount(comboId)) return {};
    if (const PendingCombo* pending = Pending(comboId)) return pending->items[static_cast<size_t>(index)];
    const auto length = static_cast<int>(Send(comboId, CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const auto copied = static_cast<int>(
        Send(comboId, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data())));
    return copied > 0 ? std::wstring(buffer.data(), static_cast<size_t>(copied)) : std::wstring();
}

// --- IP-address fields --------------------------------------------------------

bool Win32DialogSurface::IsIpBlank(int fieldId) const {
    return Item(fieldId) == nullptr || Send(fieldId, IPM_ISBLANK) != 0;
}

IpOctets Win32DialogSurface::IpAddress(int fieldId) const {
    DWORD address = 0;
    if (Item(fieldId) == nullptr) return {};
    Send(fieldId, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return IpOctets{static_cast<std::uint8_t>(FIRST_IPADDRESS(address)),
                    static_cast<std::uint8_t>(SECOND_IPADDRESS(address)),
                    static_cast<std::uint8_t>(THIRD_IPADDRESS(address)),
                    static_cast<std::uint8_t>(FOURTH_IPADDRESS(address))};
}

void Win32DialogSurface::SetIpAddress(int fieldId, const IpOctets& o) {
    Send(fieldId, IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(o[0], o[1], o[2], o[3])));
}

void Win32DialogSurface::ClearIpAddress(int fieldId) {
    // Clearing sets the text of all four octets, each with its notices: a
    // field that is blank already (every one at the first pass) is left be.
    if (!IsIpBlank(fieldId)) Send(fieldId, IPM_CLEARADDRESS);
}

void Win32DialogSurface::FocusIpOctet(int fieldId, int octet) {
    if (octet >= 0 && octet <= 3) Send(fieldId, IPM_SETFOCUS, static_cast<WPARAM>(octet));
}

// --- progress bars and group boxes --------------------------------------------

void Win32DialogSurface::SetProgressRange(int barId, int low, int high) {
    ProgressCtrl::SetRange(Item(barId), low, high);
}

void Win32DialogSurface::SetProgressPosition(int barId, int position) {
    ProgressCtrl::SetPosition(Item(barId), position);
}

int Win32DialogSurface::ProgressPosition(int barId) const { return ProgressCtrl::Position(Item(barId)); }

void Win32DialogSurface::SetProgressColors(int barId, Color bar, Color background) {
    progressColors_[barId] = std::make_pair(bar, background);
    ApplyProgressColors(barId);
}

void Win32DialogSurface::SetGroupBoxColors(int groupBoxId, Color band, Color text) {
    HWND item = Item(groupBoxId);
    if (item == nullptr) return;
    auto& box = groupBoxes_[groupBoxId];
    if (!box) {
        box = std::make_unique<CXGroupBox>();
        if (!box->Attach(item)) {
            groupBoxes_.erase(groupBoxId);
            return;
        }
        box->SetScale(scale_, false);
    }
    groupBoxColors_[groupBoxId] = std::make_pair(band, text);
    ApplyGroupBoxColors(groupBoxId);
}

// --- message boxes, timers, cursor, threads ------------------------------------

MessageAnswer Win32DialogSurface::ShowMessage(const MessageBoxRequest& request) {
    switch (MessageBoxW(dialog_, request.text.c_str(), request.caption.c_str(), MessageBoxStyle(request))) {
        case IDYES: return MessageAnswer::Yes;
        case IDNO: return MessageAnswer::No;
        case IDCANCEL: return MessageAnswer::Cancel;
        case IDOK: return MessageAnswer::Ok;
        default:
            // The box could not be shown: the safe answer of its buttons.
            return request.buttons == MessageButtons::YesNo ? MessageAnswer::No
                   : request.buttons == MessageButtons::OkCancel ? MessageAnswer::Cancel
                                                                 : MessageAnswer::Ok;
    }
}

void Win32DialogSurface::SetTimer(int timerId, std::chrono::milliseconds interval) {
    const auto ms = interval.count() < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : interval.count();
    ::SetTimer(dialog_, static_cast<UINT_PTR>(timerId), static_cast<UINT>(ms), nullptr);
}

void Win32DialogSurface::KillTimer(int timerId) { ::KillTimer(dialog_, static_cast<UINT_PTR>(timerId)); }

CursorToken Win32DialogSurface::BeginWaitCursor() {
    ++cursorDepth_;
    return reinterpret_cast<CursorToken>(SetCursor(BusyCursor()));
}

void Win32DialogSurface::EndWaitCursor(CursorToken token) {
    if (cursorDepth_ > 0) --cursorDepth_;
    SetCursor(reinterpret_cast<HCURSOR>(token));
}

void Win32DialogSurface::BeginBusy(const std::vector<int>& heldControls) {
    flowBusy_ = true;
    SetPropW(dialog_, kFlowRunningProperty, reinterpret_cast<HANDLE>(1));
    HWND focus = GetFocus();
    focusBeforeBusy_ = focus != nullptr && IsChild(dialog_, focus) ? focus : nullptr;
    const std::map<int, std::vector<HWND>> items = ItemsOf(heldControls);
    for (const int id : heldControls) {
        const std::vector<HWND>& windows = items.at(id);
        if (held_.count(id) != 0) continue;
        if (const PendingCombo* pending = Pending(id)) held_[id] = pending->enabled;  // made disabled
        if (windows.empty()) continue;
        held_[id] = IsWindowEnabled(windows.front()) != FALSE;
        for (HWND window : windows) EnableWindow(window, FALSE);
    }
    // The cursor is shared by every program: a window sets it only while the
    // pointer is over it or captured by it (SetCursor's remarks), and
    // WM_SETCURSOR sets the busy one from then on.
    // The first pass starts before the window is even shown, and making the
    // animated cursor there cost a tenth of the time to the first paint.
    if (PointerOverDialog()) SetCursor(BusyCursor());
}

bool Win32DialogSurface::PointerOverDialog() const {
    const auto ours = [this](HWND window) { return window != nullptr && GetAncestor(window, GA_ROOT) == dialog_; };
    // A control that holds the mouse captured owns the cursor wherever it is.
    if (ours(GetCapture())) return true;
    POINT pointer{};
    return GetCursorPos(&pointer) && ours(WindowFromPoint(pointer));
}

void Win32DialogSurface::EndBusy() {
    flowBusy_ = false;
    const std::map<int, bool> held = std::move(held_);
    held_.clear();
    std::vector<int> ids;
    for (const auto& entry : held) ids.push_back(entry.first);
    const std::map<int, std::vector<HWND>> items = ItemsOf(ids);
    for (const auto& [id, enabled] : held) {
        if (PendingCombo* pending = Pending(id)) pending->enabled = enabled;
        for (HWND window : items.at(id)) EnableWindow(window, enabled ? TRUE : FALSE);
    }
    RemovePropW(dialog_, kFlowRunningProperty);
    // A keyboard user keeps the place the flow's held controls took away.
    const HWND focus = GetFocus();
    if (focusBeforeBusy_ != nullptr && IsWindow(focusBeforeBusy_) && IsWindowEnabled(focusBeforeBusy_) &&
        IsWindowVisible(focusBeforeBusy_) && GetActiveWindow() == dialog_ &&
        (focus == nullptr || focus == dialog_ || !IsChild(dialog_, focus))) {
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focusBeforeBusy_), TRUE);
    }
    focusBeforeBusy_ = nullptr;
    // The pointer takes the window's own cursor again at once, not at its
    // next move.
    POINT at{};
    RECT frame{};
    if (cursorDepth_ == 0 && GetCursorPos(&at) && GetWindowRect(dialog_, &frame) && PtInRect(&frame, at)) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
}

bool Win32DialogSurface::StartWorker(std::function<void()> work) { return StartWorkerThread(std::move(work)); }

void Win32DialogSurface::PostRegistered(const std::wstring& name, std::intptr_t param) {
    const UINT message = RegisterWindowMessageW(name.c_str());
    if (message != 0) PostMessageW(dialog_, message, 0, static_cast<LPARAM>(param));
}

void Win32DialogSurface::PostClose() { PostMessageW(dialog_, WM_CLOSE, 0, 0); }

}  // namespace norvale::win32
