#include "controls/core/message_table.h"

#include <utility>

namespace norvale {

MessageTable& MessageTable::Add(MessageKind kind, int id, int code, std::wstring name,
                                std::function<bool(const DialogMessage&)> run, bool anyId) {
    entries_.push_back(Entry{kind, id, code, std::move(name), std::move(run), anyId});
    return *this;
}

MessageTable& MessageTable::AddMouse(MessageKind kind, std::function<void(Point)> handler) {
    return Add(kind, 0, 0, {}, [h = std::move(handler)](const DialogMessage& m) {
        h(m.point);
        return false;
    });
}

MessageTable& MessageTable::OnInitDialog(std::function<bool()> handler) {
    return Add(MessageKind::InitDialog, 0, 0, {},
               [h = std::move(handler)](const DialogMessage&) { return h(); });
}

MessageTable& MessageTable::OnCommand(int controlId, int notification,
                                      std::function<void()> handler) {
    return Add(MessageKind::Command, controlId, notification, {},
               [h = std::move(handler)](const DialogMessage&) { h(); return false; });
}

MessageTable& MessageTable::OnClicked(int controlId, std::function<void()> handler) {
    return OnCommand(controlId, kButtonClicked, std::move(handler));
}

MessageTable& MessageTable::OnNotify(int controlId, int code, std::function<void()> handler) {
    return Add(MessageKind::Notify, controlId, code, {},
               [h = std::move(handler)](const DialogMessage&) { h(); return false; });
}

MessageTable& MessageTable::OnListItemChanged(int listId,
                                              std::function<void(const ListItemChange&)> handler) {
    return Add(MessageKind::Notify, listId, kListItemChanged, {},
               [h = std::move(handler)](const DialogMessage& m) { h(m.item); return false; });
}

MessageTable& MessageTable::OnListRowPicked(int listId, std::function<void()> handler) {
    OnNotify(listId, kNotifyClick, handler);
    return OnListItemChanged(listId, [h = std::move(handler)](const ListItemChange& change) {
        // A press of the mouse changes the selection before its NM_CLICK,
        // which acts; the keys send nothing else.
        if (change.cause == ChangeCause::Keyboard && change.SelectionGained()) h();
    });
}

MessageTable& MessageTable::OnNotifyFromAnyId(int code,
                                              std::function<void(int, std::intptr_t)> handler) {
    return Add(
        MessageKind::Notify, 0, code, {},
        [h = std::move(handler)](const DialogMessage& m) {
            h(m.id, m.param);
            return false;
        },
        true);
}

MessageTable& MessageTable::OnTimer(int timerId, std::function<void()> handler) {
    return Add(MessageKind::Timer, timerId, 0, {},
               [h = std::move(handler)](const DialogMessage&) { h(); return false; });
}

MessageTable& MessageTable::OnKeyDown(int virtualKey, std::function<bool()> handler) {
    return Add(MessageKind::KeyDown, virtualKey, 0, {},
               [h = std::move(handler)](const DialogMessage&) { return h(); });
}

MessageTable& MessageTable::OnClose(std::function<void()> handler) {
    return Add(MessageKind::Close, 0, 0, {},
               [h = std::move(handler)](const DialogMessage&) { h(); return false; });
}

MessageTable& MessageTable::OnCloseUnless(std::function<bool()> staysOpen) {
    return Add(MessageKind::Close, 0, 0, {}, [h = std::move(staysOpen)](const DialogMessage&) { return h(); });
}

MessageTable& MessageTable::OnSysCommand(int command, std::function<void()> handler) {
    return Add(MessageKind::SysCommand, command, 0, {},
               [h = std::move(handler)](const DialogMessage&) { h(); return false; });
}

MessageTable& MessageTable::OnSize(std::function<void(SizeKind)> handler) {
    return Add(MessageKind::Size, 0, 0, {}, [h = std::move(handler)](const DialogMessage& m) {
        h(static_cast<SizeKind>(m.code));
        return false;
    });
}

MessageTable& MessageTable::OnRegistered(std::wstring name,
                                         std::function<void(std::intptr_t)> handler) {
    return Add(MessageKind::Registered, 0, 0, std::move(name),
               [h = std::move(handler)](const DialogMessage& m) { h(m.param); return false; });
}

MessageTable& MessageTable::OnDestroy(std::function<void()> handler) {
    return Add(MessageKind::Destroy, 0, 0, {},
               [h = std::move(handler)](const DialogMessage&) { h(); return false; });
}

MessageTable& MessageTable::OnVScroll(std::function<void(ScrollRequest, int)> handler) {
    return Add(MessageKind::VScroll, 0, 0, {}, [h = std::move(handler)](const DialogMessage& m) {
        h(static_cast<ScrollRequest>(m.code), static_cast<int>(m.param));
        return false;
    });
}

MessageTable& MessageTable::OnMouseWheel(std::function<void(int)> handler) {
    return Add(MessageKind::MouseWheel, 0, 0, {}, [h = std::move(handler)](const DialogMessage& m) {
        h(static_cast<int>(m.param));
        return false;
    });
}

MessageTable& MessageTable::OnLButtonDown(std::function<void(Point)> handler) {
    return AddMouse(MessageKind::LButtonDown, std::move(handler));
}

MessageTable& MessageTable::OnMouseMove(std::function<void(Point)> handler) {
    return AddMouse(MessageKind::MouseMove, std::move(handler));
}

MessageTable& MessageTable::OnLButtonUp(std::function<void(Point)> handler) {
    return AddMouse(MessageKind::LButtonUp, std::move(handler));
}

// Which fields of a message select its entry.
static bool Matches(MessageKind kind, int id, int code, const std::wstring& name, bool anyId,
                    const DialogMessage& m) {
    if (kind != m.kind) return false;
    switch (kind) {
        case MessageKind::Command:
        case MessageKind::Notify:
            return (anyId || id == m.id) && code == m.code;
        case MessageKind::Timer:
        case MessageKind::KeyDown:
        case MessageKind::SysCommand:
            return id == m.id;
        case MessageKind::Registered:
            return name == m.name;
        case MessageKind::InitDialog:
        case MessageKind::Close:
        case MessageKind::Size:
        case MessageKind::Destroy:
        case MessageKind::VScroll:
        case MessageKind::MouseWheel:
        case MessageKind::LButtonDown:
        case MessageKind::MouseMove:
        case MessageKind::LButtonUp:
            return true;
    }
    return false;
}

const MessageTable::Entry* MessageTable::Find(const DialogMessage& message) const {
    for (const Entry& e : entries_) {
        if (Matches(e.kind, e.id, e.code, e.name, e.anyId, message)) return &e;
    }
    return nullptr;
}

DispatchResult MessageTable::Dispatch(const DialogMessage& message) const {
    const Entry* entry = Find(message);
    if (entry == nullptr) return {};
    return DispatchResult{true, entry->run(message)};
}

bool MessageTable::Handles(const DialogMessage& message) const {
    return Find(message) != nullptr;
}

std::vector<std::wstring> MessageTable::RegisteredNames() const {
    std::vector<std::wstring> names;
    for (const Entry& e : entries_) {
        if (e.kind == MessageKind::Registered) names.push_back(e.name);
    }
    return names;
}

}  // namespace norvale
