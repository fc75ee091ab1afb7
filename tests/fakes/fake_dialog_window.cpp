// The fake surface's window-level half: modeless children, the window's
// state and geometry, scrolling, mouse capture, popup menus, check boxes,
// striped lists and disk bars.
#include <algorithm>
#include <utility>

#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {

namespace {

using fake_surface::Num;

using fake_surface::Middle;

}  // namespace

// --- modeless children -------------------------------------------------------

bool FakeDialogSurface::OpenModeless(DialogController& child, int templateId) {
    modelessOpens_.push_back(templateId);
    Note(L"modeless " + Num(templateId));
    if (refusedModeless_.count(templateId) != 0 || child.IsAttached()) return false;
    auto surface = std::make_unique<FakeDialogSurface>();
    surface->modeless_ = true;
    surface->settings_ = settings_;
    surface->childScripts_ = childScripts_;
    surface->menus_ = menus_;
    FakeDialogSurface& opened = *surface;
    modelessChildren_.push_back(ModelessChild{templateId, &child, std::move(surface)});
    opened.Open(child);
    return true;
}

void FakeDialogSurface::CloseModeless(DialogController& child) {
    for (ModelessChild& m : modelessChildren_) {
        if (m.controller == &child && m.surface->controller_ == &child) {
            Note(L"close modeless " + Num(m.templateId));
            m.surface->Destroy();
        }
    }
}

void FakeDialogSurface::DestroyModelessChildren() {
    for (ModelessChild& m : modelessChildren_) m.surface->Destroy();
}

FakeDialogSurface* FakeDialogSurface::ModelessSurface(int templateId) const {
    for (auto it = modelessChildren_.rbegin(); it != modelessChildren_.rend(); ++it) {
        if (it->templateId == templateId) return it->surface.get();
    }
    return nullptr;
}

int FakeDialogSurface::OpenModelessCount() const {
    return static_cast<int>(std::count_if(modelessChildren_.begin(), modelessChildren_.end(),
                                          [](const ModelessChild& m) { return m.surface->controller_ != nullptr; }));
}

// --- the window's state and geometry ----------------------------------------

void FakeDialogSurface::EnableDialog(bool enabled) {
    dialogEnabled_ = enabled;
    Note(enabled ? L"enable dialog" : L"disable dialog");
}

void FakeDialogSurface::Minimize() {
    Note(L"minimize");
    if (minimized_) return;
    minimized_ = true;
    Deliver(DialogMessage::Of(MessageKind::Size, 0, static_cast<int>(SizeKind::Minimized)));
}

void FakeDialogSurface::Restore() {
    Note(L"restore");
    if (!minimized_) return;
    minimized_ = false;
    Deliver(DialogMessage::Of(MessageKind::Size, 0, static_cast<int>(SizeKind::Restored)));
}

void FakeDialogSurface::ResizeDialog(Extent size) {
    const Extent old = size_;
    size_ = Extent{std::max(size.width, 0), std::max(size.height, 0)};
    Note(L"size " + Num(size_.width) + L"x" + Num(size_.height));
    // A new size reaches the dialog as WM_SIZE inside the call.
    if (!(size_ == old) && !minimized_)
        Deliver(DialogMessage::Of(MessageKind::Size, 0, static_cast<int>(SizeKind::Restored)));
}

void FakeDialogSurface::CenterDialog() {
    centered_ = true;
    Note(L"center");
}

void FakeDialogSurface::SetVerticalScrollBar(const ScrollBarState& state) {
    ScrollBarState s = state;
    s.max = std::max(s.max, s.min);
    s.page = std::clamp(s.page, 0, s.max - s.min + 1);
    s.position = std::clamp(s.position, s.min, HighestScrollPosition(s));
    const bool appears = !scrollBar_;
    scrollBar_ = s;
    // The bar takes room from the client area: the dialog hears of it.
    if (appears) Deliver(DialogMessage::Of(MessageKind::Size, 0, static_cast<int>(SizeKind::Restored)));
    Note(L"scroll bar " + Num(s.min) + L".." + Num(s.max) + L" page " + Num(s.page) + L" at " +
         Num(s.position));
}

void FakeDialogSurface::RemoveVerticalScrollBar() {
    if (!scrollBar_) return;
    scrollBar_.reset();
    Deliver(DialogMessage::Of(MessageKind::Size, 0, static_cast<int>(SizeKind::Restored)));
    Note(L"no scroll bar");
}

int FakeDialogSurface::SetVerticalScrollPosition(int position) {
    if (!scrollBar_) return 0;
    scrollBar_->position = std::clamp(position, scrollBar_->min, HighestScrollPosition(*scrollBar_));
    return scrollBar_->position;
}

void FakeDialogSurface::ScrollContent(int dy) {
    contentOffset_ += dy;
    // The bars are child windows: they move with the content.
    for (FakeDiskBar& bar : bars_) {
        bar.rect.top += dy;
        bar.rect.bottom += dy;
    }
    Note(L"scroll " + Num(dy));
}

void FakeDialogSurface::CaptureMouse() { captured_ = true; }

void FakeDialogSurface::ReleaseMouse() { captured_ = false; }

// --- popup menus -------------------------------------------------------------

bool FakeDialogSurface::ShowPopupMenu(int menuId, int subMenu, const std::vector<MenuItemText>& texts) {
    auto menu = menus_.find(menuId);
    if (menu == menus_.end() || subMenu < 0 || subMenu >= static_cast<int>(menu->second.size())) {
        Note(L"popup " + Num(menuId) + L" " + Num(subMenu) + L" missing");
        return false;
    }
    ShownPopupMenu shown{menuId, subMenu, {}, 0, menuAnchor_};
    const std::vector<FakeMenuItem>& items = menu->second[static_cast<size_t>(subMenu)];
    for (const FakeMenuItem& item : items) {
        if (item.command == 0) continue;
        auto named = std::find_if(texts.begin(), texts.end(),
                                  [&item](const MenuItemText& text) { return text.command == item.command; });
        shown.texts.push_back(named != texts.end() ? named->text : item.text);
    }
    if (!menuChoices_.empty()) {
        const int choice = menuChoices_.front();
        menuChoices_.pop_front();
        // Only an item of the menu shown can be picked.
        const bool offered = std::any_of(items.begin(), items.end(), [choice](const FakeMenuItem& i) {
            return i.command != 0 && i.command == choice;
        });
        shown.chosen = offered ? choice : 0;
    }
    popups_.push_back(shown);
    Note(L"popup " + Num(menuId) + L" " + Num(subMenu) + L" chose " + Num(shown.chosen));
    if (shown.chosen != 0) {
        menuCommands_.push_back(shown.chosen);
        if (depth_ == 0) {
            // Shown outside a handler: the loop delivers the pick at once.
            const int command = menuCommands_.front();
            menuCommands_.pop_front();
            Deliver(DialogMessage::Of(MessageKind::Command, command, 0));
        }
    }
    return true;
}

// --- scrolling and mouse input ----------------------------------------------

DispatchResult FakeDialogSurface::ScrollBarRequest(ScrollRequest request, int position) {
    DialogMessage m = DialogMessage::Of(MessageKind::VScroll, 0, static_cast<int>(request));
    m.param = position;
    return DeliverInput(m);
}

DispatchResult FakeDialogSurface::Wheel(int delta) {
    DialogMessage m = DialogMessage::Of(MessageKind::MouseWheel);
    m.param = delta;
    return DeliverInput(m);
}

DispatchResult FakeDialogSurface::MouseDown(Point point) {
    return DeliverInput(DialogMessage::OfMouse(MessageKind::LButtonDown, point));
}

DispatchResult FakeDialogSurface::MouseMove(Point point) {
    return DeliverInput(DialogMessage::OfMouse(MessageKind::MouseMove, point));
}

DispatchResult FakeDialogSurface::MouseUp(Point point) {
    return DeliverInput(DialogMessage::OfMouse(MessageKind::LButtonUp, point));
}

// --- check boxes -------------------------------------------------------------

void FakeDialogSurface::SetChecked(int id, bool checked) {
    if (FakeControl* c = Writable(id)) {
        c->checked = checked;
        Note(std::wstring(checked ? L"check " : L"uncheck ") + Num(id));
    }
}

bool FakeDialogSurface::IsChecked(int id) const {
    const FakeControl* c = Readable(id);
    return c != nullptr && c->checked;
}

DispatchResult FakeDialogSurface::ClickCheckBox(int id) {
    FakeControl* c = Writable(id);
    if (c == nullptr || !c->enabled || !c->visible) return {};
    if (!dialogEnabled_) return DeliverInput(DialogMessage::Of(MessageKind::Command, id, kButtonClicked));
    if (RefusedAsHeld(id)) return {};
    c->checked = !c->checked;
    return Click(id);
}

DispatchResult FakeDialogSurface::CtrlClickListRow(int listId, int row) {
    if (!dialogEnabled_) return DeliverInput(DialogMessage::Of(MessageKind::Notify, listId, kNotifyClick));
    if (RefusedAsHeld(listId)) return {};
    const FakeControl* c = FindControl(listId);
    ChangeListSelection(listId, row, c != nullptr && c->list.singleSelection, ChangeCause::Mouse);
    return Notify(listId, kNotifyClick);
}

// --- striped lists -----------------------------------------------------------

void FakeDialogSurface::SetListStripeColors(int id, Color evenRows, Color oddRows) {
    if (FakeControl* c = Writable(id)) {
        if (!c->list.stripes) c->list.stripes.emplace();
        c->list.stripes->SetStripes(evenRows, oddRows);
    }
}

void FakeDialogSurface::AddListRowColor(int id, int row, Color color) {
    if (FakeControl* c = Writable(id)) {
        if (!c->list.stripes) c->list.stripes.emplace();
        c->list.stripes->AddRowColor(row, color);
    }
}

void FakeDialogSurface::ClearListRowColors(int id) {
    if (FakeControl* c = Writable(id)) {
        if (c->list.stripes) c->list.stripes->ClearRowColors();
    }
}

// --- disk bars ---------------------------------------------------------------

FakeDiskBar* FakeDialogSurface::Bar(int bar) {
    if (bar < 0 || bar >= static_cast<int>(bars_.size())) {
        unknownIds_.push_back(bar);
        return nullptr;
    }
    return &bars_[static_cast<size_t>(bar)];
}

int FakeDialogSurface::CreateDiskBar(int controlId, const Rect& rect) {
    FakeDiskBar bar;
    bar.controlId = controlId;
    bar.rect = rect;
    bars_.push_back(std::move(bar));
    Note(L"bar " + Num(static_cast<long long>(bars_.size()) - 1));
    return static_cast<int>(bars_.size()) - 1;
}

void FakeDialogSurface::MoveDiskBar(int bar, const Rect& rect) {
    if (FakeDiskBar* b = Bar(bar)) b->rect = rect;
}

void FakeDialogSurface::ShowDiskBar(int bar, bool visible) {
    if (FakeDiskBar* b = Bar(bar)) b->visible = visible;
}

void FakeDialogSurface::SetDiskBarView(int bar, const DiskView& view) {
    if (FakeDiskBar* b = Bar(bar)) {
        b->state.SetView(view);
        ++b->repaints;
    }
}

void FakeDialogSurface::ClearDiskBarSelection(int bar) {
    if (FakeDiskBar* b = Bar(bar)) b->state.SetSelectedSegment(-1);
}

void FakeDialogSurface::RepaintDiskBar(int bar) {
    if (FakeDiskBar* b = Bar(bar)) ++b->repaints;
}

DispatchResult FakeDialogSurface::ClickDiskBar(int bar, Point point, MouseButton button) {
    FakeDiskBar* b = Bar(bar);
    if (b == nullptr || !b->visible) return {};
    const int code = button == MouseButton::Left ? kDiskBarLeftClick : kDiskBarRightClick;
    if (!dialogEnabled_) return DeliverInput(DialogMessage::OfNotify(b->state.View().diskNumber, code, -1));
    if (RefusedAsHeld(b->controlId)) return {};
    b->state.Layout(Rect{0, 0, b->rect.Width(), b->rect.Height()});
    const int segment = b->state.Press(point);
    // A press takes the focus, which rests on the segment pressed.
    FocusDiskBar(bar);
    b->keys.Pressed(segment);
    ++b->repaints;
    return Deliver(DialogMessage::OfNotify(b->state.View().diskNumber, code, segment));
}

DispatchResult FakeDialogSurface::ClickDiskBarSegment(int bar, int segment, MouseButton button) {
    FakeDiskBar* b = Bar(bar);
    if (b == nullptr) return {};
    const std::vector<Rect> segments = b->Segments();
    if (segment < 0 || segment >= static_cast<int>(segments.size())) return {};
    return ClickDiskBar(bar, Middle(segments[static_cast<size_t>(segment)]), button);
}

}  // namespace norvale::test
