// The dialog surface: everything a portable dialog controller does to its
// window and its controls, addressed by control id. The Win32 adapter maps
// each call onto the control's window messages; tests use a fake that
// records the calls and keeps the state of every control.
//
// Calls with an id that names no control of the dialog do nothing and
// answer the neutral value (empty text, false, -1 for an index, 0 for a
// count), never fail loudly: a mistyped id shows as a test failure, not as
// a crash of the program.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/core/dialog_types.h"
#include "controls/core/disk_view.h"

namespace norvale {

class DialogController;

struct MessageBoxRequest {
    std::wstring text;
    std::wstring caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// One list-view column as it is inserted.
struct ListColumn {
    std::wstring title;
    int width = 0;  // pixels
    ColumnAlignment alignment = ColumnAlignment::Left;
};

// Identifies one wait-cursor period; see WaitCursor (wait_cursor.h).
using CursorToken = std::intptr_t;

// The text a popup menu's item shows, by its command.
struct MenuItemText {
    int command = 0;
    std::wstring text;
};

class DialogSurfacePort {
public:
    virtual ~DialogSurfacePort() = default;

    // --- the dialog window -------------------------------------------------
    virtual void SetTitle(const std::wstring& title) = 0;
    virtual std::wstring Title() const = 0;
    // Big and small icon of the dialog from the program's icon resource; the
    // host also draws it while the dialog is minimised.
    virtual void SetIcon(int iconResourceId) = 0;
    // Appends an item to the system menu, after a separator from Windows'
    // own items; its command arrives as MessageKind::SysCommand.
    virtual void AppendSystemMenuItem(int command, const std::wstring& text) = 0;
    // Puts the text on the clipboard, owned by the dialog; false when the
    // clipboard could not be opened or written.
    virtual bool CopyToClipboard(const std::wstring& text) = 0;
    // Background of the dialog and of its static texts, and the text colour
    // of the static texts.
    virtual void SetDialogColors(Color background, Color staticText) = 0;
    // Repaints the whole dialog now.
    virtual void Repaint() = 0;
    // Ends a modal dialog with this code once the current handler returns;
    // a modeless one leaves the screen at once and is destroyed then.
    virtual void EndDialog(int code) = 0;
    // Runs a child dialog modally, owned by this one, from its template;
    // answers the child's end code, or -1 when it could not be created.
    virtual int RunModal(DialogController& child, int templateId) = 0;
    // For a dialog that refreshes itself by closing and opening anew: after
    // EndDialog, runs `next` modally in this dialog's place, owned by the
    // window this one was run from, which stays disabled under it (an ended
    // dialog hands the input back to its owner at once). Answers next's end
    // code, or -1. This dialog keeps the code it ended with.
    virtual int RunSuccessor(DialogController& next, int templateId) = 0;
    // Opens a modeless child dialog owned by this one from its template and
    // shows (and paints) it at once, so a notice is on screen even while the
    // handler that opened it goes on working. False when it could not be
    // created or `child` already has a window. The child lives until it ends
    // itself (EndDialog on its own surface, its close box), CloseModeless,
    // or the end of this dialog; several may be open at once.
    virtual bool OpenModeless(DialogController& child, int templateId) = 0;
    // Destroys a modeless child opened by this dialog now; nothing when it
    // is already gone.
    virtual void CloseModeless(DialogController& child) = 0;

    // Enables or disables the whole dialog window (no input reaches any of
    // its controls while disabled); timers and posted messages still arrive.
    virtual void EnableDialog(bool enabled) = 0;
    virtual bool IsDialogEnabled() const = 0;
    // Minimises and restores the dialog window; each change arrives at once
    // as MessageKind::Size (Minimized, Restored).
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    virtual bool IsMinimized() const = 0;
    // The dialog window's outer size in pixels, and centring it over its
    // owner (over the screen's work area when it has none).
    virtual void ResizeDialog(Extent size) = 0;
    virtual Extent DialogSize() const = 0;
    virtual void CenterDialog() = 0;
    // The dialog's own vertical scroll bar: created when needed and set to
    // this range, page and position (the position clamped like a scroll
    // bar's); its requests arrive as MessageKind::VScroll.
    virtual void SetVerticalScrollBar(const ScrollBarState& state) = 0;
    virtual void RemoveVerticalScrollBar() = 0;
    // The bar's state, nullopt when the dialog has none.
    virtual std::optional<ScrollBarState> VerticalScrollBar() const = 0;
    // Moves the thumb; answers the position the bar took.
    virtual int SetVerticalScrollPosition(int position) = 0;
    // Moves every child window and the client content by dy pixels
    // (negative: up), as scrolling the content does.
    virtual void ScrollContent(int dy) = 0;
    // Sends every mouse message to the dialog until released.
    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
    virtual bool HasMouseCapture() const = 0;
    // Shows sub-menu `subMenu` of the program's menu resource `menuId` at the
    // mouse cursor, each item named in `texts` showing that text instead of
    // the resource's (the string table's, in the user's language). The
    // command the user picks arrives as MessageKind::Command (id = command,
    // code 0) once the running handler has returned. False when the menu or
    // sub-menu does not exist.
    virtual bool ShowPopupMenu(int menuId, int subMenu, const std::vector<MenuItemText>& texts) = 0;

    // --- any control -------------------------------------------------------
    virtual void SetText(int controlId, const std::wstring& text) = 0;
    virtual std::wstring Text(int controlId) const = 0;
    // Limits what the user can type into an edit field or a combo box's edit
    // field, in characters (EM_LIMITTEXT, CB_LIMITTEXT); text set by the
    // program is not cut.
    virtual void SetTextLimit(int editId, int maxChars) = 0;
    // A read-only edit field shows its text and lets the user select it,
    // but takes no typing (EM_SETREADONLY).
    virtual void SetReadOnly(int editId, bool readOnly) = 0;
    virtual bool IsReadOnly(int editId) const = 0;
    virtual void Enable(int controlId, bool enabled) = 0;
    virtual bool IsEnabled(int controlId) const = 0;
    virtual void Show(int controlId, bool visible) = 0;
    virtual bool IsVisible(int controlId) const = 0;
    virtual void SetFocus(int controlId) = 0;
    // The control that has the keyboard focus, 0 when none of the dialog's.
    virtual int FocusedControl() const = 0;
    // Turns redrawing of a control off and on again (WM_SETREDRAW); turning
    // it on repaints the control.
    virtual void SetRedraw(int controlId, bool redraw) = 0;

    // --- check boxes -------------------------------------------------------
    virtual void SetChecked(int buttonId, bool checked) = 0;
    virtual bool IsChecked(int buttonId) const = 0;

    // --- list views (report style) -----------------------------------------
    virtual void InsertListColumn(int listId, int index, const ListColumn& column) = 0;
    virtual void SetListFullRowSelect(int listId, bool fullRow) = 0;
    virtual void SetListGridLines(int listId, bool gridLines) = 0;
    // Inserts a row with the text of column 0; answers its index or -1.
    virtual int InsertListRow(int listId, int row, const std::wstring& text) = 0;
    virtual void DeleteListRow(int listId, int row) = 0;
    virtual void DeleteAllListRows(int listId) = 0;
    virtual void SetListCell(int listId, int row, int column, const std::wstring& text) = 0;
    virtual std::wstring ListCell(int listId, int row, int column) const = 0;
    virtual bool IsListRowSelected(int listId, int row) const = 0;
    virtual void SetListRowSelected(int listId, int row, bool selected) = 0;
    virtual int ListRowCount(int listId) const = 0;
    virtual int ListFirstVisibleRow(int listId) const = 0;
    // Rows that fit in the list's client area (LVM_GETCOUNTPERPAGE).
    virtual int ListVisibleRowCount(int listId) const = 0;
    // Rows in the colours of a striped list (see striped_list.h): the two
    // stripe colours, and rows with a colour of their own (the last pair
    // given for a row wins). The first call makes the list a striped one.
    virtual void SetListStripeColors(int listId, Color evenRows, Color oddRows) = 0;
    virtual void AddListRowColor(int listId, int row, Color color) = 0;
    virtual void ClearListRowColors(int listId) = 0;

    // --- combo boxes -------------------------------------------------------
    virtual void ClearCombo(int comboId) = 0;
    // Appends an item; answers its index or -1.
    virtual int AddComboItem(int comboId, const std::wstring& text) = 0;
    // Selects an item; -1 clears the selection.
    virtual void SelectComboItem(int comboId, int index) = 0;
    // The selected index, -1 when none.
    virtual int ComboSelection(int comboId) const = 0;
    virtual int ComboItemCount(int comboId) const = 0;
    virtual std::wstring ComboItemText(int comboId, int index) const = 0;

    // --- IP-address fields -------------------------------------------------
    // True when every octet of the field is empty (IPM_ISBLANK).
    virtual bool IsIpBlank(int fieldId) const = 0;
    // The four octets; an empty octet reads as 0 (IPM_GETADDRESS).
    virtual IpOctets IpAddress(int fieldId) const = 0;
    virtual void SetIpAddress(int fieldId, const IpOctets& octets) = 0;
    virtual void ClearIpAddress(int fieldId) = 0;
    // Gives the focus to one octet, 0 to 3 (IPM_SETFOCUS).
    virtual void FocusIpOctet(int fieldId, int octet) = 0;

    // --- progress bars -----------------------------------------------------
    virtual void SetProgressRange(int barId, int low, int high) = 0;
    virtual void SetProgressPosition(int barId, int position) = 0;
    virtual int ProgressPosition(int barId) const = 0;
    virtual void SetProgressColors(int barId, Color bar, Color background) = 0;

    // --- themed group boxes ------------------------------------------------
    // Draws the control as a themed group box with its caption band in
    // `band` and the caption in `text`; the caption is the control's text.
    virtual void SetGroupBoxColors(int groupBoxId, Color band, Color text) = 0;

    // --- disk bars ---------------------------------------------------------
    // Disk bars are created at run time, all with the same control id, and
    // are addressed by the index CreateDiskBar answered (-1: not created).
    // A click on a bar arrives as MessageKind::Notify with id = the view's
    // disk number, code kDiskBarLeftClick or kDiskBarRightClick and param =
    // the segment index (-1: no segment); see OnNotifyFromAnyId.
    virtual int CreateDiskBar(int controlId, const Rect& rect) = 0;
    virtual int DiskBarCount() const = 0;
    virtual void MoveDiskBar(int bar, const Rect& rect) = 0;
    virtual void ShowDiskBar(int bar, bool visible) = 0;
    // Copies the view into the bar and repaints it.
    virtual void SetDiskBarView(int bar, const DiskView& view) = 0;
    // The bar's selected segment becomes -1 (none); RepaintDiskBar shows it.
    virtual void ClearDiskBarSelection(int bar) = 0;
    virtual void RepaintDiskBar(int bar) = 0;

    // --- message boxes -----------------------------------------------------
    // Shows a modal message box owned by the dialog; answers the button.
    virtual MessageAnswer ShowMessage(const MessageBoxRequest& request) = 0;

    // --- timers ------------------------------------------------------------
    // Starts (or restarts) a timer; it arrives as MessageKind::Timer.
    virtual void SetTimer(int timerId, std::chrono::milliseconds interval) = 0;
    virtual void KillTimer(int timerId) = 0;

    // --- the wait cursor ---------------------------------------------------
    // Shows the program's busy cursor; the token remembers the cursor it
    // replaced. Use WaitCursor rather than these two.
    virtual CursorToken BeginWaitCursor() = 0;
    virtual void EndWaitCursor(CursorToken token) = 0;

    // --- a flow under way (see step_gate.h) ---------------------------------
    // The busy cursor over the dialog, and the held controls shown disabled
    // and taking no input, until EndBusy. Enable and IsEnabled go on working
    // on the controller's own state of a held control, which shows again at
    // EndBusy. The window itself keeps answering.
    virtual void BeginBusy(const std::vector<int>& heldControls) = 0;
    virtual void EndBusy() = 0;

    // --- threads -----------------------------------------------------------
    // Runs `work` on a new worker thread; false when none could be started.
    // The work must not touch the surface except through the two posts.
    virtual bool StartWorker(std::function<void()> work) = 0;
    // Safe from any thread: queues a registered message (by name) for the
    // dialog; it arrives as MessageKind::Registered with this parameter.
    virtual void PostRegistered(const std::wstring& name, std::intptr_t param) = 0;
    // Safe from any thread: queues a close of the dialog (MessageKind::Close).
    virtual void PostClose() = 0;
};

}  // namespace norvale
