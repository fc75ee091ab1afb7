#include "tests/fakes/fake_dialog_surface.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace norvale::test {

namespace {

using fake_surface::Num;

std::wstring ColorText(Color c) {
    return L"rgb(" + Num(c.red) + L"," + Num(c.green) + L"," + Num(c.blue) + L")";
}

std::wstring IpText(const IpOctets& o) {
    return Num(o[0]) + L"." + Num(o[1]) + L"." + Num(o[2]) + L"." + Num(o[3]);
}

MessageAnswer FirstButton(MessageButtons buttons) {
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

bool AnswerFits(MessageButtons buttons, MessageAnswer answer) {
    switch (buttons) {
        case MessageButtons::Ok: return answer == MessageAnswer::Ok;
        case MessageButtons::OkCancel:
            return answer == MessageAnswer::Ok || answer == MessageAnswer::Cancel;
        case MessageButtons::YesNo: return answer == MessageAnswer::Yes || answer == MessageAnswer::No;
    }
    return false;
}

std::wstring MessageLabel(const DialogMessage& message) {
    static const wchar_t* const kKinds[] = {L"InitDialog", L"Command",   L"Notify",      L"Timer",     L"KeyDown",
                                            L"Close",      L"SysCommand", L"Size",       L"Registered", L"Destroy",
                                            L"VScroll",    L"MouseWheel", L"LButtonDown", L"MouseMove", L"LButtonUp"};
    std::wstring label = kKinds[static_cast<int>(message.kind)];
    if (message.kind == MessageKind::Registered) return label + L" " + message.name;
    return label + L" " + Num(message.id);
}

// Every measured handler of the process, the longest kept.
struct HandlerRecords {
    std::mutex mutex;
    std::vector<HandlerTime> longest;
    std::size_t measured = 0;
    std::function<std::wstring()> where;
    void Add(HandlerTime time) {
        std::lock_guard<std::mutex> lock(mutex);
        ++measured;
        if (where) time.where = where();
        longest.push_back(std::move(time));
        std::sort(longest.begin(), longest.end(),
                  [](const HandlerTime& a, const HandlerTime& b) { return a.spent > b.spent; });
        if (longest.size() > 32) longest.resize(32);
    }
};

HandlerRecords& Records() {
    static HandlerRecords records;
    return records;
}

std::function<void(const HandlerTime&)>& OverBudget() {
    static std::function<void(const HandlerTime&)> report;
    return report;
}

}  // namespace

FakeDialogSurface::~FakeDialogSurface() {
    if (controller_ != nullptr) controller_->Attach(nullptr);
}

// --- driving -----------------------------------------------------------------

std::chrono::milliseconds FakeDialogSurface::Now() const {
    return settings_.clock != nullptr ? settings_.clock->Now() : std::chrono::milliseconds(0);
}

void FakeDialogSurface::MeasureHandlers(const ClockPort& clock, std::chrono::milliseconds budget) {
    settings_.clock = &clock;
    settings_.budget = budget;
}

void FakeDialogSurface::OnOverBudget(std::function<void(const HandlerTime&)> report) {
    OverBudget() = std::move(report);
}

std::vector<HandlerTime> FakeDialogSurface::LongestHandlers(std::size_t count) {
    HandlerRecords& records = Records();
    std::lock_guard<std::mutex> lock(records.mutex);
    return {records.longest.begin(), records.longest.begin() + std::min(count, records.longest.size())};
}

std::size_t FakeDialogSurface::MeasuredHandlers() {
    HandlerRecords& records = Records();
    std::lock_guard<std::mutex> lock(records.mutex);
    return records.measured;
}

void FakeDialogSurface::NameHandlersBy(std::function<std::wstring()> where) {
    HandlerRecords& records = Records();
    std::lock_guard<std::mutex> lock(records.mutex);
    records.where = std::move(where);
}

void FakeDialogSurface::ExcludeFromHandler(std::chrono::milliseconds since) {
    if (!frames_.empty()) frames_.back().excluded += Now() - since;
}

DispatchResult FakeDialogSurface::Deliver(const DialogMessage& message) {
    if (controller_ == nullptr || endCode_) return {};
    ++depth_;
    frames_.push_back(HandlerFrame{Now()});
    const DispatchResult result = controller_->Dispatch(message);
    const HandlerFrame frame = frames_.back();
    frames_.pop_back();
    --depth_;
    if (settings_.clock != nullptr) {
        const std::chrono::milliseconds spent = Now() - frame.start - frame.excluded;
        longestHandler_ = std::max(longestHandler_, spent);
        const HandlerTime time{MessageLabel(message), spent, {}};
        Records().Add(time);
        // A handler that blocks this long leaves the window without an answer.
        if (spent > settings_.budget && OverBudget()) OverBudget()(time);
    }
    if (depth_ == 0) {
        // What the message loop does once the handler has returned: a
        // picked menu command arrives, an ended modeless dialog goes away.
        while (!menuCommands_.empty() && controller_ != nullptr && !endCode_) {
            const int command = menuCommands_.front();
            menuCommands_.pop_front();
            Deliver(DialogMessage::Of(MessageKind::Command, command, 0));
        }
        if (modeless_ && endCode_) Destroy();
        if (settings_.autoSettle && !settling_) Settle();
    }
    return result;
}

void FakeDialogSurface::Settle() {
    if (settling_) return;
    settling_ = true;
    for (int round = 0; round < 10000 && controller_ != nullptr && !endCode_; ++round) {
        if (RunWorkers() + DeliverPosted() == 0) break;
    }
    settling_ = false;
}

bool FakeDialogSurface::RefusedAsHeld(int controlId) {
    if (!Held(controlId) || settings_.heldInputArrives) return false;
    ++refusedInputs_;
    Note(L"input refused: " + Num(controlId) + L" held");
    return true;
}

DispatchResult FakeDialogSurface::DeliverInput(const DialogMessage& message) {
    if (!dialogEnabled_) {
        ++refusedInputs_;
        Note(L"input refused: dialog disabled");
        return {};
    }
    const bool control = message.kind == MessageKind::Command || message.kind == MessageKind::Notify;
    if (control && RefusedAsHeld(message.id)) return {};
    return Deliver(message);
}

void FakeDialogSurface::BeginBusy(const std::vector<int>& heldControls) {
    busy_ = true;
    held_.insert(heldControls.begin(), heldControls.end());
    Note(L"busy");
}

void FakeDialogSurface::EndBusy() {
    busy_ = false;
    held_.clear();
    Note(L"not busy");
}

DispatchResult FakeDialogSurface::Open(DialogController& controller) {
    controller_ = &controller;
    controller.Attach(this);
    return Deliver(DialogMessage::Of(MessageKind::InitDialog));
}

DispatchResult FakeDialogSurface::Command(int controlId, int notification) {
    return DeliverInput(DialogMessage::Of(MessageKind::Command, controlId, notification));
}

DispatchResult FakeDialogSurface::Notify(int controlId, int code) {
    return DeliverInput(DialogMessage::Of(MessageKind::Notify, controlId, code));
}

DispatchResult FakeDialogSurface::ClickListRow(int listId, int row) {
    if (!dialogEnabled_) return DeliverInput(DialogMessage::Of(MessageKind::Notify, listId, kNotifyClick));
    if (RefusedAsHeld(listId)) return {};
    ChangeListSelection(listId, row, true, ChangeCause::Mouse);
    return Notify(listId, kNotifyClick);
}

DispatchResult FakeDialogSurface::ChooseComboItem(int comboId, int index) {
    if (!dialogEnabled_) return DeliverInput(DialogMessage::Of(MessageKind::Command, comboId, kComboSelChange));
    if (RefusedAsHeld(comboId)) return {};
    FakeCombo& combo = Control(comboId).combo;
    combo.selection = (index >= 0 && index < static_cast<int>(combo.items.size())) ? index : -1;
    return Command(comboId, kComboSelChange);
}

void FakeDialogSurface::TypeText(int editId, const std::wstring& text) {
    FakeControl* c = Writable(editId);
    // A disabled field takes no keys. What was typed is not logged: it may
    // be a password.
    if (c == nullptr || !c->enabled || c->readOnly || !dialogEnabled_ || RefusedAsHeld(editId)) return;
    const std::size_t limit = c->textLimit > 0 ? static_cast<std::size_t>(c->textLimit) : text.size();
    c->text = text.substr(0, limit);
}

DispatchResult FakeDialogSurface::UserFocus(int controlId) {
    focus_ = controlId;
    return Command(controlId, kEditSetFocus);
}

bool FakeDialogSurface::FireTimer(int timerId) {
    if (!TimerRunning(timerId)) return false;
    Deliver(DialogMessage::Of(MessageKind::Timer, timerId));
    return true;
}

bool FakeDialogSurface::PressKey(int virtualKey) {
    if (!dialogEnabled_) return DeliverInput(DialogMessage::Of(MessageKind::KeyDown, virtualKey)).value;
    if (Deliver(DialogMessage::Of(MessageKind::KeyDown, virtualKey)).value) return true;
    if (virtualKey == kKeyReturn) Click(kIdOk);
    if (virtualKey == kKeyEscape) Click(kIdCancel);
    return false;
}

DispatchResult FakeDialogSurface::CloseBox() { return DeliverInput(DialogMessage::Of(MessageKind::Close)); }

DispatchResult FakeDialogSurface::SysCommand(int command) {
    return Deliver(DialogMessage::Of(MessageKind::SysCommand, command));
}

DispatchResult FakeDialogSurface::Resize(SizeKind kind) {
    return Deliver(DialogMessage::Of(MessageKind::Size, 0, static_cast<int>(kind)));
}

DispatchResult FakeDialogSurface::Registered(const std::wstring& name, std::intptr_t param) {
    return Deliver(DialogMessage::OfRegistered(name, param));
}

int FakeDialogSurface::DeliverPosted() {
    int delivered = 0;
    while (!posts_.empty()) {
        DialogMessage message = std::move(posts_.front());
        posts_.pop_front();
        Deliver(message);
        ++delivered;
    }
    return delivered;
}

int FakeDialogSurface::RunWorkers() {
    int ran = 0;
    while (!workers_.empty()) {
        std::function<void()> work = std::move(workers_.front());
        workers_.pop_front();
        ++inWorker_;
        work();
        --inWorker_;
        ++ran;
    }
    return ran;
}

void FakeDialogSurface::Destroy() {
    if (controller_ == nullptr) return;
    // Owned windows go before their owner.
    DestroyModelessChildren();
    controller_->Dispatch(DialogMessage::Of(MessageKind::Destroy));
    controller_->Attach(nullptr);
    controller_ = nullptr;
}

// --- control lookup ----------------------------------------------------------

FakeControl* FakeDialogSurface::Writable(int id) {
    if (!declared_.empty() && declared_.count(id) == 0) {
        unknownIds_.push_back(id);
        return nullptr;
    }
    return &controls_[id];
}

const FakeControl* FakeDialogSurface::Readable(int id) const {
    if (!declared_.empty() && declared_.count(id) == 0) {
        unknownIds_.push_back(id);
        return nullptr;
    }
    return FindControl(id);
}

const FakeControl* FakeDialogSurface::FindControl(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

// --- the dialog window -------------------------------------------------------

void FakeDialogSurface::SetTitle(const std::wstring& title) {
    title_ = title;
    Note(L"title " + title);
}

void FakeDialogSurface::SetIcon(int iconResourceId) {
    icon_ = iconResourceId;
    Note(L"icon " + Num(iconResourceId));
}

void FakeDialogSurface::AppendSystemMenuItem(int command, const std::wstring& text) {
    sysMenu_.emplace_back(command, text);
    Note(L"sysmenu " + Num(command) + L" " + text);
}

void FakeDialogSurface::SetDialogColors(Color background, Color staticText) {
    dialogBackground_ = background;
    staticText_ = staticText;
    Note(L"colors " + ColorText(background) + L" " + ColorText(staticText));
}

void FakeDialogSurface::Repaint() {
    ++repaints_;
    Note(L"repaint");
}

void FakeDialogSurface::EndDialog(int code) {
    if (!endCode_) endCode_ = code;
    Note(L"end " + Num(code));
}

int FakeDialogSurface::RunModal(DialogController& child, int templateId) {
    childRuns_.push_back(templateId);
    Note(L"child " + Num(templateId));
    auto script = childScripts_.find(templateId);
    if (script == childScripts_.end()) return -1;
    const std::chrono::milliseconds opened = Now();
    FakeDialogSurface childSurface;
    childSurface.childScripts_ = childScripts_;
    childSurface.menus_ = menus_;
    childSurface.settings_ = settings_;
    childSurface.Open(child);
    // A child that ended itself during InitDialog or in the script keeps
    // the code it ended with.
    int code = childSurface.EndCode() ? *childSurface.EndCode() : script->second(child, childSurface);
    code = childSurface.EndCode().value_or(code);
    childSurface.Destroy();
    ExcludeFromHandler(opened);
    return code;
}

int FakeDialogSurface::RunSuccessor(DialogController& next, int templateId) {
    successorRuns_.push_back(templateId);
    Note(L"successor " + Num(templateId));
    return RunModal(next, templateId);
}

// --- any control -------------------------------------------------------------

void FakeDialogSurface::SetText(int id, const std::wstring& text) {
    if (FakeControl* c = Writable(id)) {
        c->text = text;
        Note(L"text " + Num(id) + L" " + text);
    }
}

std::wstring FakeDialogSurface::Text(int id) const {
    const FakeControl* c = Readable(id);
    if (c == nullptr) return {};
    // A drop-down list shows its selected item.
    if (c->combo.selection >= 0) return c->combo.items[c->combo.selection];
    return c->text;
}

void FakeDialogSurface::SetTextLimit(int id, int maxChars) {
    if (FakeControl* c = Writable(id)) {
        c->textLimit = maxChars;
        Note(L"limit " + Num(id) + L" " + Num(maxChars));
    }
}

void FakeDialogSurface::SetReadOnly(int id, bool readOnly) {
    if (FakeControl* c = Writable(id)) {
        c->readOnly = readOnly;
        Note(std::wstring(readOnly ? L"read-only " : L"writable ") + Num(id));
    }
}

bool FakeDialogSurface::IsReadOnly(int id) const {
    const FakeControl* c = Readable(id);
    return c != nullptr && c->readOnly;
}

void FakeDialogSurface::Enable(int id, bool enabled) {
    if (FakeControl* c = Writable(id)) {
        c->enabled = enabled;
        Note(std::wstring(enabled ? L"enable " : L"disable ") + Num(id));
    }
}

bool FakeDialogSurface::IsEnabled(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr ? declared_.empty() : c->enabled;
}

void FakeDialogSurface::Show(int id, bool visible) {
    if (FakeControl* c = Writable(id)) {
        c->visible = visible;
        Note(std::wstring(visible ? L"show " : L"hide ") + Num(id));
    }
}

bool FakeDialogSurface::IsVisible(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr ? declared_.empty() : c->visible;
}

void FakeDialogSurface::SetFocus(int id) {
    if (Writable(id) != nullptr) {
        focus_ = id;
        Note(L"focus " + Num(id));
    }
}

void FakeDialogSurface::SetRedraw(int id, bool redraw) {
    if (FakeControl* c = Writable(id)) {
        c->redraw = redraw;
        Note(std::wstring(redraw ? L"redraw on " : L"redraw off ") + Num(id));
    }
}

// --- list views --------------------------------------------------------------

void FakeDialogSurface::InsertListColumn(int id, int index, const ListColumn& column) {
    if (FakeControl* c = Writable(id)) {
        auto& columns = c->list.columns;
        index = std::clamp(index, 0, static_cast<int>(columns.size()));
        columns.insert(columns.begin() + index, column);
        Note(L"column " + Num(id) + L" " + Num(index) + L" " + column.title);
    }
}

void FakeDialogSurface::SetListFullRowSelect(int id, bool fullRow) {
    if (FakeControl* c = Writable(id)) c->list.fullRowSelect = fullRow;
}

void FakeDialogSurface::SetListGridLines(int id, bool gridLines) {
    if (FakeControl* c = Writable(id)) c->list.gridLines = gridLines;
}

int FakeDialogSurface::InsertListRow(int id, int row, const std::wstring& text) {
    FakeControl* c = Writable(id);
    if (c == nullptr || row < 0) return -1;
    FakeListView& list = c->list;
    row = std::min(row, static_cast<int>(list.rows.size()));  // past the end appends
    list.rows.insert(list.rows.begin() + row, std::vector<std::wstring>{text});
    list.selected.insert(list.selected.begin() + row, false);
    Note(L"row " + Num(id) + L" " + Num(row) + L" " + text);
    return row;
}

void FakeDialogSurface::DeleteListRow(int id, int row) {
    FakeControl* c = Writable(id);
    if (c == nullptr || row < 0 || row >= static_cast<int>(c->list.rows.size())) return;
    c->list.rows.erase(c->list.rows.begin() + row);
    c->list.selected.erase(c->list.selected.begin() + row);
    Note(L"delete row " + Num(id) + L" " + Num(row));
}

void FakeDialogSurface::DeleteAllListRows(int id) {
    if (FakeControl* c = Writable(id)) {
        c->list.rows.clear();
        c->list.selected.clear();
        c->list.firstVisible = 0;
        Note(L"delete rows " + Num(id));
    }
}

void FakeDialogSurface::SetListCell(int id, int row, int column, const std::wstring& text) {
    FakeControl* c = Writable(id);
    if (c == nullptr || row < 0 || row >= static_cast<int>(c->list.rows.size()) || column < 0) return;
    auto& cells = c->list.rows[row];
    if (column >= static_cast<int>(cells.size())) cells.resize(column + 1);
    cells[column] = text;
    Note(L"cell " + Num(id) + L" " + Num(row) + L" " + Num(column) + L" " + text);
}

std::wstring FakeDialogSurface::ListCell(int id, int row, int column) const {
    const FakeControl* c = Readable(id);
    if (c == nullptr || row < 0 || row >= static_cast<int>(c->list.rows.size()) || column < 0) return {};
    const auto& cells = c->list.rows[row];
    return column < static_cast<int>(cells.size()) ? cells[column] : std::wstring();
}

bool FakeDialogSurface::IsListRowSelected(int id, int row) const {
    const FakeControl* c = Readable(id);
    if (c == nullptr || row < 0 || row >= static_cast<int>(c->list.selected.size())) return false;
    return c->list.selected[row];
}

void FakeDialogSurface::SetListRowSelected(int id, int row, bool selected) {
    FakeControl* c = Writable(id);
    if (c == nullptr || row < 0 || row >= static_cast<int>(c->list.selected.size())) return;
    // A single-selection list keeps one selected row.
    if (selected) {
        ChangeListSelection(id, row, c->list.singleSelection, ChangeCause::Program);
    } else if (c->list.selected[row]) {
        c->list.selected[row] = false;
        Deliver(DialogMessage::OfListItemChange(id, ListItemChange{row, true, false, ChangeCause::Program}));
    }
}

int FakeDialogSurface::ListRowCount(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr ? 0 : static_cast<int>(c->list.rows.size());
}

int FakeDialogSurface::ListFirstVisibleRow(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr ? 0 : c->list.firstVisible;
}

int FakeDialogSurface::ListVisibleRowCount(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr ? 0 : c->list.visibleRows;
}

// --- combo boxes -------------------------------------------------------------

void FakeDialogSurface::ClearCombo(int id) {
    if (FakeControl* c = Writable(id)) {
        c->combo = FakeCombo{};
        Note(L"combo clear " + Num(id));
    }
}

int FakeDialogSurface::AddComboItem(int id, const std::wstring& text) {
    FakeControl* c = Writable(id);
    if (c == nullptr) return -1;
    c->combo.items.push_back(text);
    Note(L"combo add " + Num(id) + L" " + text);
    return static_cast<int>(c->combo.items.size()) - 1;
}

void FakeDialogSurface::SelectComboItem(int id, int index) {
    if (FakeControl* c = Writable(id)) {
        // Like CB_SETCURSEL: an index out of range clears the selection.
        const bool valid = index >= 0 && index < static_cast<int>(c->combo.items.size());
        c->combo.selection = valid ? index : -1;
        Note(L"combo select " + Num(id) + L" " + Num(c->combo.selection));
    }
}

int FakeDialogSurface::ComboSelection(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr ? -1 : c->combo.selection;
}

int FakeDialogSurface::ComboItemCount(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr ? 0 : static_cast<int>(c->combo.items.size());
}

std::wstring FakeDialogSurface::ComboItemText(int id, int index) const {
    const FakeControl* c = Readable(id);
    if (c == nullptr || index < 0 || index >= static_cast<int>(c->combo.items.size())) return {};
    return c->combo.items[index];
}

// --- IP-address fields -------------------------------------------------------

bool FakeDialogSurface::IsIpBlank(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr || c->ip.blank;
}

IpOctets FakeDialogSurface::IpAddress(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr || c->ip.blank ? IpOctets{} : c->ip.octets;
}

void FakeDialogSurface::SetIpAddress(int id, const IpOctets& octets) {
    if (FakeControl* c = Writable(id)) {
        c->ip.octets = octets;
        c->ip.blank = false;
        Note(L"ip " + Num(id) + L" " + IpText(octets));
    }
}

void FakeDialogSurface::ClearIpAddress(int id) {
    if (FakeControl* c = Writable(id)) {
        c->ip = FakeIpField{};
        Note(L"ip clear " + Num(id));
    }
}

void FakeDialogSurface::FocusIpOctet(int id, int octet) {
    FakeControl* c = Writable(id);
    if (c == nullptr || octet < 0 || octet > 3) return;
    c->ip.focusedOctet = octet;
    focus_ = id;
    Note(L"ip focus " + Num(id) + L" " + Num(octet));
}

// --- progress bars -----------------------------------------------------------

void FakeDialogSurface::SetProgressRange(int id, int low, int high) {
    if (FakeControl* c = Writable(id)) {
        c->progress.low = low;
        c->progress.high = high;
        c->progress.position = std::clamp(c->progress.position, low, std::max(low, high));
    }
}

void FakeDialogSurface::SetProgressPosition(int id, int position) {
    if (FakeControl* c = Writable(id)) {
        // A progress bar keeps its position inside its range.
        c->progress.position =
            std::clamp(position, c->progress.low, std::max(c->progress.low, c->progress.high));
    }
}

int FakeDialogSurface::ProgressPosition(int id) const {
    const FakeControl* c = Readable(id);
    return c == nullptr ? 0 : c->progress.position;
}

void FakeDialogSurface::SetProgressColors(int id, Color bar, Color background) {
    if (FakeControl* c = Writable(id)) {
        c->progress.bar = bar;
        c->progress.background = background;
    }
}

void FakeDialogSurface::SetGroupBoxColors(int id, Color band, Color text) {
    if (FakeControl* c = Writable(id)) {
        c->groupBand = band;
        c->groupText = text;
    }
}

// --- message boxes -----------------------------------------------------------

MessageAnswer FakeDialogSurface::ShowMessage(const MessageBoxRequest& request) {
    const std::chrono::milliseconds opened = Now();
    ShownMessageBox shown{request, FirstButton(request.buttons), false};
    if (!answers_.empty()) {
        shown.answer = answers_.front();
        answers_.pop_front();
        shown.scripted = true;
        // An answer the box cannot give is a fault of the test script.
        if (!AnswerFits(request.buttons, shown.answer)) shown.scripted = false;
    }
    boxes_.push_back(shown);
    Note(L"message " + request.caption + L": " + request.text);
    constexpr int kMostNestedBoxes = 8;
    if (modalLoopBoxes_ && openBoxes_ < kMostNestedBoxes) {
        ++openBoxes_;
        std::vector<int> running;
        for (const auto& timer : timers_) running.push_back(timer.first);
        for (int id : running) FireTimer(id);
        DeliverPosted();
        --openBoxes_;
    }
    ExcludeFromHandler(opened);
    return shown.answer;
}

// --- timers, cursor, threads -------------------------------------------------

void FakeDialogSurface::SetTimer(int id, std::chrono::milliseconds interval) {
    timers_[id] = interval;
    Note(L"timer " + Num(id) + L" " + Num(interval.count()));
}

void FakeDialogSurface::KillTimer(int id) {
    timers_.erase(id);
    Note(L"kill timer " + Num(id));
}

CursorToken FakeDialogSurface::BeginWaitCursor() {
    const CursorToken token = nextCursorToken_++;
    cursorStack_.push_back(token);
    ++cursorPeriods_;
    maxCursorDepth_ = std::max(maxCursorDepth_, CursorDepth());
    return token;
}

void FakeDialogSurface::EndWaitCursor(CursorToken token) {
    if (cursorStack_.empty() || cursorStack_.back() != token) {
        ++cursorMisuses_;
        cursorStack_.erase(std::remove(cursorStack_.begin(), cursorStack_.end(), token),
                           cursorStack_.end());
        return;
    }
    cursorStack_.pop_back();
}

bool FakeDialogSurface::StartWorker(std::function<void()> work) {
    if (!work) return false;
    // A worker that starts another: that one runs beside it, as a thread
    // would, while the first waits for it.
    if (inWorker_ > 0) {
        work();
        return true;
    }
    workers_.push_back(std::move(work));
    return true;
}

void FakeDialogSurface::PostRegistered(const std::wstring& name, std::intptr_t param) {
    posts_.push_back(DialogMessage::OfRegistered(name, param));
}

void FakeDialogSurface::PostClose() { posts_.push_back(DialogMessage::Of(MessageKind::Close)); }

}  // namespace norvale::test
