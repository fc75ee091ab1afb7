// The dialog-surface port over a real dialog window: every call becomes the
// control's window messages. One object per dialog window, created by the
// dialog host when the window is initialised and destroyed with it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controls/core/dialog_surface_port.h"
#include "controls/core/dpi_scale.h"
#include "controls/win32/button_bar_ctrl.h"
#include "controls/win32/colored_list_ctrl.h"
#include "controls/win32/late_controls.h"
#include "controls/win32/x_group_box.h"

namespace norvale::win32 {

// Set on a dialog window while one of its flows runs (its busy cursor is
// up): what drives the window from outside, an accessibility tool or a test,
// can wait for the flow's end rather than meet its held controls.
inline constexpr wchar_t kFlowRunningProperty[] = L"Norvale.FlowRunning";

class Win32DialogSurface final : public DialogSurfacePort {
public:
    Win32DialogSurface(HWND dialog, bool modal);
    ~Win32DialogSurface() override;
    Win32DialogSurface(const Win32DialogSurface&) = delete;
    Win32DialogSurface& operator=(const Win32DialogSurface&) = delete;

    HWND Window() const { return dialog_; }
    bool IsModal() const { return modal_; }

    // --- used by the dialog host --------------------------------------------
    // Registers the names of the controller's registered messages.
    void RegisterMessages(const std::vector<std::wstring>& names);
    // The registration name of a window message, empty when not ours.
    std::wstring RegisteredName(UINT message) const;
    // WM_CTLCOLOR*: the brush to answer, nullptr for the default colours.
    HBRUSH ControlColor(UINT message, HDC dc) const;
    HICON BigIcon() const { return bigIcon_; }
    // While a wait-cursor period or a flow runs, WM_SETCURSOR keeps the busy cursor.
    bool Busy() const { return cursorDepth_ > 0 || flowBusy_; }
    // A modeless dialog that has been ended and waits to be destroyed.
    bool IsEnding() const { return ending_; }
    // Notifications a control of this surface answers itself (a striped
    // list's NM_CUSTOMDRAW): the result for DWLP_MSGRESULT, else nullopt.
    std::optional<LRESULT> ReflectNotify(NMHDR& header);
    // True while this surface itself changes a list's selection, so the
    // list's LVN_ITEMCHANGED is known as the program's own.
    bool ChangingListSelection() const { return listSelectionChanges_ > 0; }

    // --- controls made after the first paint (late_controls.h) ---------------
    // The drop-down combo boxes the window was made without. Until one is
    // made, its items, selection and enabled state are kept here and given
    // to it when it is; anything else asked of it makes it at once, with the
    // ones before it in the template.
    void ExpectLateControls(const std::vector<LateControl>& controls);
    bool HasLateControls() const { return !late_.empty(); }
    // Makes the next one in template order; false when none is left.
    bool MakeNextLateControl();

    // --- DPI and colour scheme (controls/win32/win32_dialog_display.cpp) -----
    // Controllers speak in 96-DPI pixels (column widths, bar rectangles, the
    // dialog's size, scroll distances, mouse positions); the surface takes
    // them to the window's DPI, read when the dialog is created.
    const DpiScale& Scale() const { return scale_; }
    // WM_DPICHANGED: the window now draws at `scale`. The list columns, the
    // disk bars and the group boxes follow; the template's own controls and
    // fonts are the dialog manager's.
    void ChangeDpi(const DpiScale& scale);
    bool HighContrast() const { return highContrast_; }
    // High contrast turned on or off (read again at WM_SYSCOLORCHANGE and
    // WM_SETTINGCHANGE): the controllers' colours give way to the system's
    // while it is on, and everything repaints.
    void ApplyContrast(bool highContrast);

    // --- DialogSurfacePort --------------------------------------------------
    void SetTitle(const std::wstring& title) override;
    std::wstring Title() const override;
    void SetIcon(int iconResourceId) override;
    void AppendSystemMenuItem(int command, const std::wstring& text) override;
    bool CopyToClipboard(const std::wstring& text) override;
    void SetDialogColors(Color background, Color staticText) override;
    void Repaint() override;
    void EndDialog(int code) override;
    int RunModal(DialogController& child, int templateId) override;
    int RunSuccessor(DialogController& next, int templateId) override;
    bool OpenModeless(DialogController& child, int templateId) override;
    void CloseModeless(DialogController& child) override;
    void EnableDialog(bool enabled) override;
    bool IsDialogEnabled() const override;
    void Minimize() override;
    void Restore() override;
    bool IsMinimized() const override;
    void ResizeDialog(Extent size) override;
    Extent DialogSize() const override;
    void CenterDialog() override;
    void SetVerticalScrollBar(const ScrollBarState& state) override;
    void RemoveVerticalScrollBar() override;
    std::optional<ScrollBarState> VerticalScrollBar() const override;
    int SetVerticalScrollPosition(int position) override;
    void ScrollContent(int dy) override;
    void CaptureMouse() override;
    void ReleaseMouse() override;
    bool HasMouseCapture() const override;
    bool ShowPopupMenu(int menuId, int subMenu, const std::vector<MenuItemText>& texts) override;

    void SetChecked(int buttonId, bool checked) override;
    bool IsChecked(int buttonId) const override;

    void SetText(int controlId, const std::wstring& text) override;
    std::wstring Text(int controlId) const override;
    void SetTextLimit(int editId, int maxChars) override;
    void SetReadOnly(int editId, bool readOnly) override;
    bool IsReadOnly(int editId) const override;
    void Enable(int controlId, bool enabled) override;
    bool IsEnabled(int controlId) const override;
    void Show(int controlId, bool visible) override;
    bool IsVisible(int controlId) const override;
    void SetFocus(int controlId) override;
    int FocusedControl() const override;
    void SetRedraw(int controlId, bool redraw) override;

    void InsertListColumn(int listId, int index, const ListColumn& column) override;
    void SetListFullRowSelect(int listId, bool fullRow) override;
    void SetListGridLines(int listId, bool gridLines) override;
    int InsertListRow(int listId, int row, const std::wstring& text) override;
    void DeleteListRow(int listId, int row) override;
    void DeleteAllListRows(int listId) override;
    void SetListCell(int listId, int row, int column, const std::wstring& text) override;
    std::wstring ListCell(int listId, int row, int column) const override;
    bool IsListRowSelected(int listId, int row) const override;
    void SetListRowSelected(int listId, int row, bool selected) override;
    int ListRowCount(int listId) const override;
    int ListFirstVisibleRow(int listId) const override;
    int ListVisibleRowCount(int listId) const override;
    void SetListStripeColors(int listId, Color evenRows, Color oddRows) override;
    void AddListRowColor(int listId, int row, Color color) override;
    void ClearListRowColors(int listId) override;

    int CreateDiskBar(int controlId, const Rect& rect) override;
    int DiskBarCount() const override { return static_cast<int>(bars_.size()); }
    void MoveDiskBar(int bar, const Rect& rect) override;
    void ShowDiskBar(int bar, bool visible) override;
    void SetDiskBarView(int bar, const DiskView& view) override;
    void ClearDiskBarSelection(int bar) override;
    void RepaintDiskBar(int bar) override;
    // The bar's window, nullptr for an index of no bar.
    HWND DiskBarWindow(int bar) const;

    void ClearCombo(int comboId) override;
    int AddComboItem(int comboId, const std::wstring& text) override;
    void SelectComboItem(int comboId, int index) override;
    int ComboSelection(int comboId) const override;
    int ComboItemCount(int comboId) const override;
    std::wstring ComboItemText(int comboId, int index) const override;

    bool IsIpBlank(int fieldId) const override;
    IpOctets IpAddress(int fieldId) const override;
    void SetIpAddress(int fieldId, const IpOctets& octets) override;
    void ClearIpAddress(int fieldId) override;
    void FocusIpOctet(int fieldId, int octet) override;

    void SetProgressRange(int barId, int low, int high) override;
    void SetProgressPosition(int barId, int position) override;
    int ProgressPosition(int barId) const override;
    void SetProgressColors(int barId, Color bar, Color background) override;

    void SetGroupBoxColors(int groupBoxId, Color band, Color text) override;

    MessageAnswer ShowMessage(const MessageBoxRequest& request) override;

    void SetTimer(int timerId, std::chrono::milliseconds interval) override;
    void KillTimer(int timerId) override;

    CursorToken BeginWaitCursor() override;
    void EndWaitCursor(CursorToken token) override;

    void BeginBusy(const std::vector<int>& heldControls) override;
    void EndBusy() override;

    bool StartWorker(std::function<void()> work) override;
    void PostRegistered(const std::wstring& name, std::intptr_t param) override;
    void PostClose() override;

private:
    struct PendingCombo {
        LateControl control;
        std::vector<std::wstring> items;
        int selection = -1;
        bool enabled = true;
    };
    // The control's window; a late one is made here when first needed.
    HWND Item(int controlId) const;
    PendingCombo* Pending(int controlId) const;
    HWND MakeLate(int controlId) const;
    // Whether the mouse pointer is over the dialog or one of its controls,
    // or captured by one of them.
    bool PointerOverDialog() const;
    // Every child window with each of these ids (the disk bars share one).
    std::map<int, std::vector<HWND>> ItemsOf(const std::vector<int>& controlIds) const;
    CButtonBarCtrl* Bar(int bar) const;
    // The striped list over a list view; made on first use, nullptr when
    // the id names no control.
    CColoredListCtrl* StripedListOf(int listId);
    LRESULT Send(int controlId, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // The dialog's brush and static-text colour from the requested colours.
    void ApplyDialogColors();
    void ApplyGroupBoxColors(int groupBoxId);
    void ApplyProgressColors(int barId);

    HWND dialog_;
    bool modal_;
    std::map<UINT, std::wstring> registered_;
    DpiScale scale_;
    bool highContrast_ = false;
    int contentOffset_ = 0;  // how far ScrollContent moved the content, 96-DPI pixels
    std::set<int> columnLists_;  // list views with columns set through the surface
    // The colours the controller asked for (the painted ones may be the
    // system's): dialog (background, static text), per group box (band,
    // text), per progress bar (bar, background).
    std::optional<std::pair<Color, Color>> dialogColors_;
    std::map<int, std::pair<Color, Color>> groupBoxColors_;
    std::map<int, std::pair<Color, Color>> progressColors_;
    HBRUSH backgroundBrush_ = nullptr;
    COLORREF background_ = 0;
    COLORREF staticText_ = 0;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    int cursorDepth_ = 0;
    bool flowBusy_ = false;
    // Held controls and the enabled state their controller wants for them.
    std::map<int, bool> held_;
    // The control that had the focus when the flow began: disabling it loses
    // the focus, which goes back to it when the flow ends.
    HWND focusBeforeBusy_ = nullptr;
    std::set<int> redrawOff_;  // controls whose redraw this surface turned off
    // Late controls not made yet, in template order; made from const
    // accessors too, as the control is asked for.
    mutable std::vector<PendingCombo> late_;
    std::map<int, std::unique_ptr<CXGroupBox>> groupBoxes_;
    std::map<int, std::unique_ptr<CColoredListCtrl>> stripedLists_;
    std::vector<std::unique_ptr<CButtonBarCtrl>> bars_;
    int listSelectionChanges_ = 0;
    std::map<const DialogController*, HWND> modeless_;
    bool ending_ = false;
};

}  // namespace norvale::win32
