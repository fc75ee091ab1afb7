// A dialog surface for host tests: holds the state of every control the
// controller touches, logs every change, answers message boxes and child
// dialogs from a script, and delivers user actions through the controller's
// message table exactly as the Win32 dialog host does (including its
// defaults: Enter that no key entry consumed presses OK, Escape Cancel).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "controls/core/dialog_controller.h"
#include "controls/core/dialog_surface_port.h"
#include "controls/core/disk_bar.h"
#include "controls/core/disk_bar_keys.h"
#include "controls/core/striped_list.h"
#include "platform/core/clock_port.h"

namespace norvale::test {

// Shared by the fake surface's halves (fake_dialog_*.cpp).
namespace fake_surface {
inline std::wstring Num(long long value) { return std::to_wstring(value); }
inline Point Middle(const Rect& r) { return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
}  // namespace fake_surface

struct FakeListView {
    std::vector<ListColumn> columns;
    std::vector<std::vector<std::wstring>> rows;  // rows[row][column]
    std::vector<bool> selected;
    bool fullRowSelect = false;
    bool gridLines = false;
    bool singleSelection = false;  // set by a test for an LVS_SINGLESEL list
    int firstVisible = 0;  // set by a test to "scroll"
    int visibleRows = 4;   // rows that fit
    std::optional<StripedList> stripes;  // once the list was made a striped one
};

struct FakeCombo {
    std::vector<std::wstring> items;
    int selection = -1;
};

struct FakeIpField {
    IpOctets octets{};
    bool blank = true;
    int focusedOctet = -1;
};

struct FakeProgress {
    int low = 0;
    int high = 100;
    int position = 0;
    std::optional<Color> bar;
    std::optional<Color> background;
};

struct FakeControl {
    std::wstring text;
    int textLimit = 0;  // SetTextLimit; 0: none set
    bool readOnly = false;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    bool redraw = true;
    FakeListView list;
    FakeCombo combo;
    FakeIpField ip;
    FakeProgress progress;
    std::optional<Color> groupBand;
    std::optional<Color> groupText;
};

// A disk bar made by CreateDiskBar; its selection, hover and segment layout
// are the portable bar state the Win32 control keeps too.
struct FakeDiskBar {
    int controlId = 0;
    Rect rect;
    bool visible = true;
    DiskBarState state;
    DiskBarKeyboard keys;
    int repaints = 0;
    // The segments as the bar lays them out in its client area.
    std::vector<Rect> Segments() const {
        return LayoutSegments(state.View(), Rect{0, 0, rect.Width(), rect.Height()});
    }
};

// One item of a popup menu the fake shows (the menu resource's contents).
struct FakeMenuItem {
    int command = 0;  // 0: separator
    std::wstring text;
};

struct ShownPopupMenu {
    int menuId = 0;
    int subMenu = 0;
    std::vector<std::wstring> texts;  // of the items shown, separators left out
    int chosen = 0;                   // the command picked, 0: none
    // Where it opened: nullopt at the mouse cursor, else at this point of
    // a disk bar (a menu the keyboard asked for opens at its segment).
    std::optional<Point> barAnchor;
};

struct ShownMessageBox {
    MessageBoxRequest request;
    MessageAnswer answer = MessageAnswer::Ok;
    bool scripted = false;  // false: no answer was queued, the first button was taken
};

class FakeDialogSurface;

// One handler's time on the dialog's thread, in the measuring clock's time,
// without the time the user spends in a message box or a child dialog it
// opened.
struct HandlerTime {
    std::wstring message;  // "Command 1002", "Registered Norvale.Step", ...
    std::chrono::milliseconds spent{0};
    std::wstring where;  // what ran it: the test's name, where the tests say
};

// Drives a child dialog: the child controller is attached to `surface` and
// has seen InitDialog. The script's answer is the end code unless the child
// ended itself first.
using ChildDialogScript = std::function<int(DialogController& child, FakeDialogSurface& surface)>;

class FakeDialogSurface final : public DialogSurfacePort {
public:
    FakeDialogSurface() = default;
    ~FakeDialogSurface() override;

    // --- driving the controller, as the dialog host does --------------------
    // Attaches the controller and delivers InitDialog; answers its result.
    DispatchResult Open(DialogController& controller);
    DispatchResult Command(int controlId, int notification);
    DispatchResult Click(int controlId) { return Command(controlId, kButtonClicked); }
    // A click on an enabled check box: it toggles (as an automatic check box
    // does) and BN_CLICKED follows.
    DispatchResult ClickCheckBox(int checkBoxId);
    DispatchResult Notify(int controlId, int code);
    // Selects exactly this row (as a click in a single-selection list does)
    // and delivers NM_CLICK. As on Windows, LVN_ITEMCHANGED comes first for
    // each row that loses the selection, then for the row that gains it.
    DispatchResult ClickListRow(int listId, int row);
    // Ctrl+click: adds the row to the selection (a single-selection list
    // selects it alone) and delivers NM_CLICK.
    DispatchResult CtrlClickListRow(int listId, int row);
    // An arrow key (or Home, End, a page key) in the focused list moves the
    // selection to this row: LVN_ITEMCHANGED as for a click, no NM_CLICK.
    void KeyToListRow(int listId, int row);
    // Selects a combo item and delivers CBN_SELCHANGE.
    DispatchResult ChooseComboItem(int comboId, int index);
    // The user types `text` into an edit field, replacing its content; the
    // field keeps no more than its text limit, as an edit control does.
    void TypeText(int editId, const std::wstring& text);
    // Focus moved by the user: the control gets the focus and EN_SETFOCUS.
    DispatchResult UserFocus(int controlId);
    // Delivers the timer only while it is running; false otherwise.
    bool FireTimer(int timerId);
    // A key in a control: the key entries first; Enter and Escape that no
    // entry consumed press OK and Cancel. Answers whether an entry consumed it.
    bool PressKey(int virtualKey);
    DispatchResult CloseBox();
    DispatchResult SysCommand(int command);
    DispatchResult Resize(SizeKind kind);
    DispatchResult Registered(const std::wstring& name, std::intptr_t param);
    // The dialog's scroll bar, the wheel and the left button in the client area.
    DispatchResult ScrollBarRequest(ScrollRequest request, int position = 0);
    DispatchResult Wheel(int delta);
    DispatchResult MouseDown(Point point);
    DispatchResult MouseMove(Point point);
    DispatchResult MouseUp(Point point);
    // A click at a point of bar `bar` (client coordinates of the bar): the
    // bar selects the segment under it and notifies the dialog as the real
    // bar does. ClickDiskBarSegment clicks the middle of a segment.
    DispatchResult ClickDiskBar(int bar, Point point, MouseButton button = MouseButton::Left);
    DispatchResult ClickDiskBarSegment(int bar, int segment, MouseButton button = MouseButton::Left);
    // The keyboard on disk bar `bar`: Tab gives it the focus, then keys
    // (Left, Right, Home, End, Enter, the context-menu key; Shift+F10 as
    // F10 with shift) act on the focused segment as the real bar does.
    void FocusDiskBar(int bar);
    DispatchResult DiskBarKey(int bar, int virtualKey, bool shift = false);
    // WM_CONTEXTMENU on a bar: at a point of the bar, or from the keyboard
    // (nullopt), which means the focused segment.
    DispatchResult DiskBarContextMenu(int bar, std::optional<Point> point);
    // Delivers what PostRegistered and PostClose queued, in order.
    int DeliverPosted();
    // Runs the queued workers on the calling thread, in order.
    int RunWorkers();
    // Workers and posted messages, until neither is left (or the dialog
    // ended). By default the surface settles by itself after each message
    // it delivers from outside, as a dialog whose workers run at once would;
    // HoldWorkers leaves that to the test.
    void Settle();
    void HoldWorkers(bool hold = true) { settings_.autoSettle = !hold; }
    // Input to held controls reaches the dialog all the same, as messages
    // queued before the controls were disabled do.
    void LetHeldInputThrough(bool on = true) { settings_.heldInputArrives = on; }
    // Measures each delivered message's handler on `clock` and fails the
    // running test when one takes longer than `budget` (message boxes and
    // child dialogs it opened not counted). Child dialogs inherit it.
    void MeasureHandlers(const ClockPort& clock, std::chrono::milliseconds budget = std::chrono::milliseconds(50));
    // The longest handlers any measured surface of this process saw.
    static std::vector<HandlerTime> LongestHandlers(std::size_t count);
    // How many handlers were measured, and what names the running one.
    static std::size_t MeasuredHandlers();
    static void NameHandlersBy(std::function<std::wstring()> where);
    // Who hears of a handler over its budget (the tests' main fails the
    // running test).
    static void OnOverBudget(std::function<void(const HandlerTime&)> report);
    // Detaches the controller after a Destroy message.
    void Destroy();

    // --- scripting ----------------------------------------------------------
    void QueueAnswer(MessageAnswer answer) { answers_.push_back(answer); }
    void ScriptChild(int templateId, ChildDialogScript script) {
        childScripts_[templateId] = std::move(script);
    }
    // The contents of menu resource `menuId`, one item list per sub-menu.
    void DefineMenu(int menuId, std::vector<std::vector<FakeMenuItem>> subMenus) {
        menus_[menuId] = std::move(subMenus);
    }
    // What the user picks in the next popup menu: a command, or 0 for none
    // (a click outside). Unscripted menus are dismissed.
    void QueueMenuChoice(int command) { menuChoices_.push_back(command); }
    // What the user meant to pick and answer, when no menu came up after all.
    void DropQueuedChoices() {
        menuChoices_.clear();
        answers_.clear();
    }
    // OpenModeless of this template fails.
    void RefuseModeless(int templateId) { refusedModeless_.insert(templateId); }
    // Message boxes run a modal loop, as on Windows: while the user reads a
    // box, each running timer fires once and posted messages arrive, so a
    // handler that shows a box can be re-entered through its own timer.
    // Nested boxes pump too, up to a depth no real user would reach.
    void RunModalLoopInBoxes(bool on = true) { modalLoopBoxes_ = on; }
    // With declared controls, calls on any other id are refused and noted.
    void DeclareControls(std::initializer_list<int> ids) { declared_.insert(ids); }

    // --- what happened ------------------------------------------------------
    FakeControl& Control(int id) { return controls_[id]; }
    const FakeControl* FindControl(int id) const;
    const std::vector<std::wstring>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    const std::vector<ShownMessageBox>& MessageBoxes() const { return boxes_; }
    size_t PendingAnswers() const { return answers_.size(); }
    const std::vector<int>& ChildRuns() const { return childRuns_; }
    // Templates run by RunSuccessor, in order (they count as child runs too).
    const std::vector<int>& SuccessorRuns() const { return successorRuns_; }
    std::optional<int> EndCode() const { return endCode_; }
    const std::map<int, std::chrono::milliseconds>& Timers() const { return timers_; }
    bool TimerRunning(int id) const { return timers_.count(id) != 0; }
    int CursorDepth() const { return static_cast<int>(cursorStack_.size()); }
    int MaxCursorDepth() const { return maxCursorDepth_; }
    int CursorPeriods() const { return cursorPeriods_; }
    // Wait-cursor periods ended out of order or twice.
    int CursorMisuses() const { return cursorMisuses_; }
    const std::vector<int>& UnknownControlCalls() const { return unknownIds_; }
    int Focus() const { return focus_; }
    int IconId() const { return icon_; }
    Color DialogBackground() const { return dialogBackground_; }
    Color StaticTextColor() const { return staticText_; }
    const std::vector<std::pair<int, std::wstring>>& SystemMenuItems() const { return sysMenu_; }
    const std::wstring& Clipboard() const { return clipboard_; }
    int Repaints() const { return repaints_; }
    size_t PendingWorkers() const { return workers_.size(); }
    size_t PendingPosts() const { return posts_.size(); }
    // The surface of the latest modeless child opened with this template
    // (open or already closed), nullptr when none was.
    FakeDialogSurface* ModelessSurface(int templateId) const;
    const std::vector<int>& ModelessOpens() const { return modelessOpens_; }
    int OpenModelessCount() const;
    const std::vector<ShownPopupMenu>& PopupMenus() const { return popups_; }
    FakeDiskBar& DiskBar(int bar) { return bars_.at(static_cast<size_t>(bar)); }
    bool MouseCaptured() const { return captured_; }
    // Sum of every ScrollContent distance.
    int ContentOffset() const { return contentOffset_; }
    bool Centered() const { return centered_; }
    // User input is refused (and noted) while the dialog is disabled, and
    // on a control held by a running flow.
    int RefusedInputs() const { return refusedInputs_; }
    bool BusyShown() const { return busy_; }
    bool Held(int controlId) const { return busy_ && held_.count(controlId) != 0; }
    // The longest handler this surface measured.
    std::chrono::milliseconds LongestHandler() const { return longestHandler_; }

    // --- DialogSurfacePort --------------------------------------------------
    void SetTitle(const std::wstring& title) override;
    std::wstring Title() const override { return title_; }
    void SetIcon(int iconResourceId) override;
    void AppendSystemMenuItem(int command, const std::wstring& text) override;
    bool CopyToClipboard(const std::wstring& text) override {
        clipboard_ = text;
        return true;
    }
    void SetDialogColors(Color background, Color staticText) override;
    void Repaint() override;
    void EndDialog(int code) override;
    int RunModal(DialogController& child, int templateId) override;
    int RunSuccessor(DialogController& next, int templateId) override;
    bool OpenModeless(DialogController& child, int templateId) override;
    void CloseModeless(DialogController& child) override;
    void EnableDialog(bool enabled) override;
    bool IsDialogEnabled() const override { return dialogEnabled_; }
    void Minimize() override;
    void Restore() override;
    bool IsMinimized() const override { return minimized_; }
    void ResizeDialog(Extent size) override;
    Extent DialogSize() const override { return size_; }
    void CenterDialog() override;
    void SetVerticalScrollBar(const ScrollBarState& state) override;
    void RemoveVerticalScrollBar() override;
    std::optional<ScrollBarState> VerticalScrollBar() const override { return scrollBar_; }
    int SetVerticalScrollPosition(int position) override;
    void ScrollContent(int dy) override;
    void CaptureMouse() override;
    void ReleaseMouse() override;
    bool HasMouseCapture() const override { return captured_; }
    bool ShowPopupMenu(int menuId, int subMenu, const std::vector<MenuItemText>& texts = {}) override;

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
    int FocusedControl() const override { return focus_; }
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
    struct ModelessChild {
        int templateId;
        DialogController* controller;
        std::unique_ptr<FakeDialogSurface> surface;
    };

    // What child dialogs take over from their owner.
    struct Settings {
        bool autoSettle = true;
        bool heldInputArrives = false;
        const ClockPort* clock = nullptr;
        std::chrono::milliseconds budget{50};
    };

    DispatchResult Deliver(const DialogMessage& message);
    // Input from the user: refused while the dialog is disabled or its
    // control is held.
    DispatchResult DeliverInput(const DialogMessage& message);
    // A control of user input that a flow holds: noted and refused.
    bool RefusedAsHeld(int controlId);
    // Time spent in a box or a child dialog, which is the user's, not the
    // handler's that opened it.
    void ExcludeFromHandler(std::chrono::milliseconds since);
    std::chrono::milliseconds Now() const;
    FakeDiskBar* Bar(int bar);
    // Changes a list's selection as the list view does, with one
    // LVN_ITEMCHANGED per row: rows losing it first (all others when
    // `exclusive`), then `row` gaining it (-1: none).
    void ChangeListSelection(int listId, int row, bool exclusive, ChangeCause cause);
    // Sends a bar's notification as the real bar does, the keyboard's menu
    // anchored at `anchor`.
    DispatchResult NotifyFromBar(FakeDiskBar& bar, const BarNotice& notice, std::optional<Point> anchor);
    void DestroyModelessChildren();
    // The control for a change, nullptr (and noted) for an undeclared id.
    FakeControl* Writable(int id);
    const FakeControl* Readable(int id) const;
    void Note(std::wstring entry) { log_.push_back(std::move(entry)); }

    DialogController* controller_ = nullptr;
    std::map<int, FakeControl> controls_;
    std::set<int> declared_;
    mutable std::vector<int> unknownIds_;
    std::vector<std::wstring> log_;
    std::wstring title_;
    int icon_ = 0;
    Color dialogBackground_{};
    Color staticText_{};
    std::vector<std::pair<int, std::wstring>> sysMenu_;
    std::wstring clipboard_;
    int repaints_ = 0;
    std::optional<int> endCode_;
    int focus_ = 0;
    std::deque<MessageAnswer> answers_;
    std::vector<ShownMessageBox> boxes_;
    bool modalLoopBoxes_ = false;
    int openBoxes_ = 0;
    std::map<int, ChildDialogScript> childScripts_;
    std::vector<int> childRuns_;
    std::vector<int> successorRuns_;
    std::map<int, std::chrono::milliseconds> timers_;
    std::vector<CursorToken> cursorStack_;
    CursorToken nextCursorToken_ = 1;
    int maxCursorDepth_ = 0;
    int cursorPeriods_ = 0;
    int cursorMisuses_ = 0;
    std::deque<std::function<void()>> workers_;
    int inWorker_ = 0;  // workers running on the calling thread
    std::deque<DialogMessage> posts_;

    Settings settings_;
    bool settling_ = false;
    bool busy_ = false;
    std::set<int> held_;
    // Per delivery under way: when it began and what of that was the user's.
    struct HandlerFrame {
        std::chrono::milliseconds start;
        std::chrono::milliseconds excluded{0};
    };
    std::vector<HandlerFrame> frames_;
    std::chrono::milliseconds longestHandler_{0};

    bool modeless_ = false;  // this surface is a modeless child's
    int depth_ = 0;          // deliveries under way
    std::vector<ModelessChild> modelessChildren_;
    std::vector<int> modelessOpens_;
    std::set<int> refusedModeless_;
    bool dialogEnabled_ = true;
    int refusedInputs_ = 0;
    bool minimized_ = false;
    Extent size_{};
    bool centered_ = false;
    std::optional<ScrollBarState> scrollBar_;
    int contentOffset_ = 0;
    bool captured_ = false;
    std::map<int, std::vector<std::vector<FakeMenuItem>>> menus_;
    std::deque<int> menuChoices_;
    std::vector<ShownPopupMenu> popups_;
    std::deque<int> menuCommands_;  // picked, delivered when the running handler returns
    std::vector<FakeDiskBar> bars_;
    std::optional<Point> menuAnchor_;  // while a bar's keyboard notice is delivered
    int focusedBar_ = -1;              // the bar among those sharing an id that has the focus
};

}  // namespace norvale::test
