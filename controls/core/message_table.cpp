#include "controls/core/message_table.h"

#include <utility>

namespace norvale {

MessageTable& MessageTable::Add(MessageKind kind, int id, int code, std::wstring name,
                                std::function<bool(const DialogMessage&)> run) {
    entries_.push_back(Entry{kind, id, code, std::move(name), std::move(run)});
    return *this;
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

// Which fields of a message select its entry.
static bool Matches(MessageKind kind, int id, int code, const std::wstring& name,
                    const DialogMessage& m) {
    if (kind != m.kind) return false;
    switch (kind) {
        case MessageKind::Command:
        case MessageKind::Notify:
            return id == m.id && code == m.code;
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
            return true;
    }
    return false;
}

const MessageTable::Entry* MessageTable::Find(const DialogMessage& message) const {
    for (const Entry& e : entries_) {
        if (Matches(e.kind, e.id, e.code, e.name, message)) return &e;
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
