// The fake surface's keyboard half: list selections moved with the keys
// and the disk bars' focus and keys, sent in the order Windows sends them.
#include <utility>

#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {

namespace {

using fake_surface::Middle;

}  // namespace

void FakeDialogSurface::ChangeListSelection(int listId, int row, bool exclusive, ChangeCause cause) {
    FakeControl* c = Writable(listId);
    if (c == nullptr) return;
    const int count = static_cast<int>(c->list.selected.size());
    // Each row's state changes before its notification, and a handler may
    // change the list meanwhile: the control is looked up again each time.
    for (int other = 0; exclusive && other < count; ++other) {
        FakeListView& list = Control(listId).list;
        if (other == row || other >= static_cast<int>(list.selected.size()) || !list.selected[other]) continue;
        list.selected[other] = false;
        Deliver(DialogMessage::OfListItemChange(listId, ListItemChange{other, true, false, cause}));
    }
    FakeListView& list = Control(listId).list;
    if (row < 0 || row >= static_cast<int>(list.selected.size()) || list.selected[row]) return;
    list.selected[row] = true;
    Deliver(DialogMessage::OfListItemChange(listId, ListItemChange{row, false, true, cause}));
}

void FakeDialogSurface::KeyToListRow(int listId, int row) {
    if (!dialogEnabled_) {
        DeliverInput(DialogMessage::Of(MessageKind::KeyDown, 0));
        return;
    }
    if (RefusedAsHeld(listId)) return;
    focus_ = listId;
    const FakeControl* c = FindControl(listId);
    if (c == nullptr || row < 0 || row >= static_cast<int>(c->list.rows.size())) return;
    ChangeListSelection(listId, row, true, ChangeCause::Keyboard);
}

void FakeDialogSurface::FocusDiskBar(int bar) {
    FakeDiskBar* b = Bar(bar);
    if (b == nullptr || !b->visible) return;
    for (FakeDiskBar& other : bars_) other.keys.FocusLost();
    focus_ = b->controlId;
    focusedBar_ = bar;
    b->keys.FocusGained(b->state);
    ++b->repaints;
}

DispatchResult FakeDialogSurface::NotifyFromBar(FakeDiskBar& bar, const BarNotice& notice,
                                                std::optional<Point> anchor) {
    ++bar.repaints;
    if (notice.code == 0) return {};
    menuAnchor_ = anchor;
    const DispatchResult result = DeliverInput(DialogMessage::OfNotify(bar.state.View().diskNumber, notice.code,
                                                                       notice.segment));
    menuAnchor_.reset();
    return result;
}

DispatchResult FakeDialogSurface::DiskBarKey(int bar, int virtualKey, bool shift) {
    FakeDiskBar* b = Bar(bar);
    // Keys reach the bar only while it has the focus.
    if (b == nullptr || focusedBar_ != bar || focus_ != b->controlId || !b->keys.HasFocus()) return {};
    if (!dialogEnabled_) return DeliverInput(DialogMessage::Of(MessageKind::KeyDown, virtualKey));
    if (RefusedAsHeld(b->controlId)) return {};
    // The dialog's key entries come first, as the host's message filter
    // gives them the key before the control.
    if (Deliver(DialogMessage::Of(MessageKind::KeyDown, virtualKey)).value) return {};
    b->state.Layout(Rect{0, 0, b->rect.Width(), b->rect.Height()});
    const std::optional<BarNotice> notice = b->keys.Key(virtualKey, shift, b->state);
    if (!notice) return {};
    const int segment = b->keys.FocusedSegment(b->state);
    const std::vector<Rect> segments = b->Segments();
    std::optional<Point> anchor;
    if (segment >= 0 && segment < static_cast<int>(segments.size()))
        anchor = Middle(segments[static_cast<size_t>(segment)]);
    return NotifyFromBar(*b, *notice, anchor);
}

DispatchResult FakeDialogSurface::DiskBarContextMenu(int bar, std::optional<Point> point) {
    FakeDiskBar* b = Bar(bar);
    if (b == nullptr || !b->visible) return {};
    if (!point) return DiskBarKey(bar, kKeyApps);
    b->state.Layout(Rect{0, 0, b->rect.Width(), b->rect.Height()});
    return NotifyFromBar(*b, b->keys.ContextMenu(point, b->state), std::nullopt);
}

}  // namespace norvale::test
