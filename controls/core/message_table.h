// The message table of a dialog controller: which handler runs for which
// window message, control id and notification. A controller fills its table
// once, in its constructor; the dialog host (Win32) and the test surface
// both deliver every message through DialogController::Dispatch, which
// looks the message up here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/core/dialog_types.h"
#include "controls/core/list_item_change.h"

namespace norvale {

enum class MessageKind {
    InitDialog,  // the dialog and its controls exist; nothing is shown yet
    Command,     // WM_COMMAND: id = control id, code = notification
    Notify,      // WM_NOTIFY: id = control id, code = notification
    Timer,       // WM_TIMER: id = timer id
    KeyDown,     // WM_KEYDOWN anywhere in the dialog, before normal dispatch: id = key
    Close,       // WM_CLOSE
    SysCommand,  // WM_SYSCOMMAND: id = command
    Size,        // WM_SIZE, after default processing: code = SizeKind
    Registered,  // a registered window message: name, param = its parameter
    Destroy,     // the dialog window is going away
    VScroll,     // WM_VSCROLL of the dialog's own scroll bar: code = ScrollRequest, param = position
    MouseWheel,  // WM_MOUSEWHEEL: param = wheel delta (120 a notch, negative towards the user)
    LButtonDown,  // WM_LBUTTONDOWN in the dialog's client area: point
    MouseMove,    // WM_MOUSEMOVE in the client area (or anywhere while captured): point
    LButtonUp,    // WM_LBUTTONUP: point
};

// One message as the host delivers it.
struct DialogMessage {
    MessageKind kind = MessageKind::Command;
    int id = 0;
    int code = 0;
    std::intptr_t param = 0;
    std::wstring name;  // registered messages only
    Point point;        // mouse messages only, client coordinates
    ListItemChange item;  // LVN_ITEMCHANGED only

    static DialogMessage Of(MessageKind kind, int id = 0, int code = 0) {
        DialogMessage m;
        m.kind = kind;
        m.id = id;
        m.code = code;
        return m;
    }
    static DialogMessage OfMouse(MessageKind kind, Point point) {
        DialogMessage m = Of(kind);
        m.point = point;
        return m;
    }
    static DialogMessage OfNotify(int id, int code, std::intptr_t param) {
        DialogMessage m = Of(MessageKind::Notify, id, code);
        m.param = param;
        return m;
    }
    static DialogMessage OfListItemChange(int listId, const ListItemChange& change) {
        DialogMessage m = OfNotify(listId, kListItemChanged, change.row);
        m.item = change;
        return m;
    }
    static DialogMessage OfRegistered(std::wstring name, std::intptr_t param) {
        DialogMessage m = Of(MessageKind::Registered);
        m.param = param;
        m.name = std::move(name);
        return m;
    }
};

// What dispatch did with a message. A message that no entry handled gets
// the default processing of the host.
struct DispatchResult {
    bool handled = false;
    // For InitDialog: whether the host should give the focus to the first
    // control; for KeyDown: whether the key was consumed.
    bool value = false;
};

class MessageTable {
public:
    // InitDialog. The handler answers true to let the host set the default
    // focus, false when it set the focus itself.
    MessageTable& OnInitDialog(std::function<bool()> handler);
    // WM_COMMAND of one control with one notification code.
    MessageTable& OnCommand(int controlId, int notification, std::function<void()> handler);
    // A button click (BN_CLICKED); also menu and accelerator commands.
    MessageTable& OnClicked(int controlId, std::function<void()> handler);
    // WM_NOTIFY of one control with one code, for example NM_CLICK.
    MessageTable& OnNotify(int controlId, int code, std::function<void()> handler);
    // LVN_ITEMCHANGED of one list view, with the row's selection change.
    MessageTable& OnListItemChanged(int listId, std::function<void(const ListItemChange&)> handler);
    // The user picked a row of a list view: a click (NM_CLICK, also on the
    // row already selected, as ever) or a selection moved with the keys
    // (LVN_ITEMCHANGED). A click's own selection change does not act, so
    // one click acts once; changes the program makes never act.
    MessageTable& OnListRowPicked(int listId, std::function<void()> handler);
    // WM_NOTIFY with one code from whichever id: controls whose id carries
    // data, such as the disk bars (id = disk number, param = segment index).
    MessageTable& OnNotifyFromAnyId(int code, std::function<void(int id, std::intptr_t param)> handler);
    MessageTable& OnTimer(int timerId, std::function<void()> handler);
    // A key pressed in any control of the dialog; answer true to consume it
    // (the control never sees it).
    MessageTable& OnKeyDown(int virtualKey, std::function<bool()> handler);
    // Runs before the default close (the dialog ends with kIdCancel).
    MessageTable& OnClose(std::function<void()> handler);
    // The same for a dialog that may keep itself open: the handler answers
    // true to stay (a change under way must not be cut off).
    MessageTable& OnCloseUnless(std::function<bool()> staysOpen);
    // One system-menu command; other commands get the default processing.
    MessageTable& OnSysCommand(int command, std::function<void()> handler);
    MessageTable& OnSize(std::function<void(SizeKind)> handler);
    // A registered window message by its registration name; the handler
    // receives the message's parameter (the lParam).
    MessageTable& OnRegistered(std::wstring name, std::function<void(std::intptr_t)> handler);
    MessageTable& OnDestroy(std::function<void()> handler);
    // The dialog's vertical scroll bar; `position` is the thumb's for
    // ThumbTrack and ThumbPosition.
    MessageTable& OnVScroll(std::function<void(ScrollRequest request, int position)> handler);
    MessageTable& OnMouseWheel(std::function<void(int delta)> handler);
    MessageTable& OnLButtonDown(std::function<void(Point)> handler);
    MessageTable& OnMouseMove(std::function<void(Point)> handler);
    MessageTable& OnLButtonUp(std::function<void(Point)> handler);

    // Runs the first entry that matches; handled is false when none does.
    DispatchResult Dispatch(const DialogMessage& message) const;
    bool Handles(const DialogMessage& message) const;
    // Registration names of every registered message in the table, in order.
    std::vector<std::wstring> RegisteredNames() const;

private:
    struct Entry {
        MessageKind kind;
        int id;
        int code;
        std::wstring name;
        std::function<bool(const DialogMessage&)> run;  // returns DispatchResult::value
        bool anyId = false;
    };
    MessageTable& Add(MessageKind kind, int id, int code, std::wstring name,
                      std::function<bool(const DialogMessage&)> run, bool anyId = false);
    MessageTable& AddMouse(MessageKind kind, std::function<void(Point)> handler);
    const Entry* Find(const DialogMessage& message) const;

    std::vector<Entry> entries_;
};

}  // namespace norvale
