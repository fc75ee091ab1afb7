// norvale_probe.exe: drives a running dialog of another process from
// outside, as a user at the screen would, and prints what it shows. It runs
// in the same Wine prefix (or on the same Windows desktop) as the program.
//
//   norvale_probe.exe "WINDOW TITLE" COMMAND [ARGS] [COMMAND [ARGS]] ...
//
// Commands, run in order; each prints one line (or one per row) on stdout:
//   wait SECONDS              until the window exists             -> window found
//   rows LIST                 every row of a list view           -> row LIST N c0|c1|...
//   wait-rows LIST N SECONDS  until the list holds at least N rows
//   click-row LIST ROW        a real left click on that row (mouse input)
//   click ID                  presses a button (BM_CLICK)
//   key ID VK                 a key press (down and up) in that control
//   text ID                   the window text                    -> text ID "..."
//   ip ID                     an IP-address field                 -> ip ID a.b.c.d | blank
//   combo ID                  selection and items                 -> combo ID SEL "text" [items]
//   enabled ID                                                    -> enabled ID 0|1
//   select-combo ID INDEX     picks an item as a user would (selection + CBN_SELCHANGE)
//   set-ip ID a.b.c.d         types an address into an IP-address field
//   clear-ip ID               empties an IP-address field
//   set-text ID TEXT          types a text into an edit field
//   wait-box SECONDS          until the program shows a message box -> box "caption" "text"
//   answer-box BUTTON         presses a button of that box (1 OK, 2 Cancel, 6 Yes, 7 No)
//   no-box                    fails when a message box is shown   -> no box
//   dialog TITLE SECONDS      the following commands act on the program's
//                             window of that title (a child dialog)
//   dialog-with ID SECONDS    ... on the program's window, other than the main
//                             one, that has a control ID (dialogs whose title is
//                             the program's own)
//   main                      ... and on the main window again
//   click-async ID            presses a button and goes on at once, while the
//                             program may still be busy with it
//   peek ID                   the text of a control, read without asking the
//                             program's thread (it may be busy)   -> peek ID "..."
//   gone ID SECONDS           until no window other than the main one has a
//                             control ID                          -> gone ID
//   wait-idle                 until the program's thread is back in its loop
//   size                      the window's outer and client size  -> size W H client W H dpi D
//   fits FACE POINTS          every static text, button and group-box caption
//                             fits its control, measured in the template's
//                             font at this DPI                    -> fits N texts
//   sleep MS
//   focus ID                  gives that control the keyboard focus  -> focus ID
//   focused                   the control that has the focus         -> focused ID (0: none of the dialog's)
//   msaa ID                   the control's accessible object, read through
//                             AccessibleObjectFromWindow as a screen reader does
//                                                                  -> msaa ID "name" ROLE CHILDREN
//
//   norvale_probe.exe --serve FOLDER
//
// runs the same commands for a script without a Wine start per call (which
// costs seconds under emulation): it takes FOLDER\N.req (N = 1, 2, ...; the
// title, then one argument per line, UTF-8), writes what it prints to N.out
// and N.err, then its exit code to N.rc; it ends when FOLDER\stop exists or
// after ten minutes without a request.
// Every command waits for the dialog to be idle afterwards, and for a flow
// it started (its steps run behind the window) to end or to ask something,
// so the next one sees what the last one caused; a click waits for a control
// that a running flow holds. Exit code 0, or 1 with a message on stderr.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win32/text_fit.h"

namespace {

// Where a request's answers go: the console, or a served request's files.
std::FILE* answers = stdout;
std::FILE* complaints = stderr;

// Ends the request's commands with that exit code.
struct RequestEnd {
    int code;
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

void Complain(const std::wstring& message) {
    std::fprintf(complaints, "probe: %s\n", Utf8(message).c_str());
    std::fflush(complaints);
}

[[noreturn]] void Fail(const std::wstring& message) {
    Complain(message);
    throw RequestEnd{1};
}

void Print(const std::wstring& line) {
    std::fprintf(answers, "%s\n", Utf8(line).c_str());
    std::fflush(answers);
}

// Memory inside the target process, for the messages whose arguments are
// pointers (a pointer of ours means nothing there).
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, SIZE_T size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_ == nullptr) Fail(L"cannot open the program's process");
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (address_ == nullptr) Fail(L"cannot allocate in the program's process");
    }
    ~RemoteBuffer() {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    void* At(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
    void Write(SIZE_T offset, const void* data, SIZE_T size) {
        if (offset + size > size_ || !WriteProcessMemory(process_, At(offset), data, size, nullptr))
            Fail(L"cannot write to the program's process");
    }
    void Read(SIZE_T offset, void* data, SIZE_T size) const {
        if (offset + size > size_ || !ReadProcessMemory(process_, At(offset), data, size, nullptr))
            Fail(L"cannot read from the program's process");
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    SIZE_T size_;
};

class Probe {
public:
    explicit Probe(std::wstring title) : title_(std::move(title)) {}

    // The main window is the one of that title that no other window owns:
    // the program's own dialogs may carry its title too.
    struct TitleSearch {
        const std::wstring* title;
        HWND found;
    };

    static BOOL CALLBACK VisitTopLevel(HWND window, LPARAM param) {
        auto& search = *reinterpret_cast<TitleSearch*>(param);
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        if (*search.title == text && GetWindow(window, GW_OWNER) == nullptr) {
            search.found = window;
            return FALSE;
        }
        return TRUE;
    }

    void WaitWindow(int seconds) {
        for (int i = 0; i < seconds * 10; ++i) {
            TitleSearch search{&title_, nullptr};
            EnumWindows(VisitTopLevel, LPARAM(&search));
            dialog_ = search.found;
            if (dialog_ != nullptr) {
                Print(L"window found");
                return;
            }
            Sleep(100);
        }
        Fail(L"no window titled \"" + title_ + L"\"");
    }

    // A visible top-level window of the program's thread, other than the
    // main one, with a control of this id; nullptr when there is none.
    struct ControlSearch {
        HWND main;
        int id;
        HWND found;
    };

    static BOOL CALLBACK VisitWithControl(HWND window, LPARAM param) {
        auto& search = *reinterpret_cast<ControlSearch*>(param);
        if (window != search.main && IsWindowVisible(window) && GetDlgItem(window, search.id) != nullptr) {
            search.found = window;
            return FALSE;
        }
        return TRUE;
    }

    HWND FindWithControl(int id) {
        if (dialog_ == nullptr) WaitWindow(1);
        ControlSearch search{dialog_, id, nullptr};
        EnumThreadWindows(GetWindowThreadProcessId(dialog_, nullptr), VisitWithControl, LPARAM(&search));
        return search.found;
    }

    void ChooseDialogWith(int id, int seconds) {
        for (int i = 0; i < seconds * 10; ++i) {
            if (HWND window = FindWithControl(id)) {
                child_ = window;
                Print(L"dialog-with " + std::to_wstring(id));
                return;
            }
            Sleep(100);
        }
        Fail(L"no dialog with control " + std::to_wstring(id));
    }

    void WaitGone(int id, int seconds) {
        for (int i = 0; i < seconds * 10; ++i) {
            if (FindWithControl(id) == nullptr) {
                if (child_ != nullptr && !IsWindow(child_)) child_ = nullptr;
                Print(L"gone " + std::to_wstring(id));
                return;
            }
            Sleep(100);
        }
        Fail(L"the dialog with control " + std::to_wstring(id) + L" is still there");
    }

    // GetWindowText of another process's window reads the text Windows
    // keeps for it, without a message to the (perhaps busy) thread.
    void Peek(int id) {
        wchar_t text[1024] = {};
        GetWindowTextW(Control(id), text, 1024);
        Print(L"peek " + std::to_wstring(id) + L" \"" + text + L"\"");
    }

    void ClickAsync(int id) {
        HWND button = EnabledControl(id);
        if (!IsWindowEnabled(button)) Fail(L"button " + std::to_wstring(id) + L" is disabled");
        PostMessageW(button, BM_CLICK, 0, 0);
        Sleep(300);
    }

    HWND Control(int id) {
        if (dialog_ == nullptr) WaitWindow(1);
        HWND control = GetDlgItem(Target(), id);
        if (control == nullptr) Fail(L"the dialog has no control " + std::to_wstring(id));
        return control;
    }

    // Sent messages wait until the program's GUI thread is back in its
    // message loop, that is, until whatever the last input caused is done.
    void WaitIdle() {
        DWORD_PTR ignored = 0;
        for (int i = 0; i < 3; ++i) {
            if (!IsWindow(dialog_)) {
                // What the user did closed the dialog (Exit, Escape).
                Print(L"window closed");
                throw RequestEnd{0};
            }
            if (!SendMessageTimeoutW(dialog_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored) &&
                IsWindow(dialog_))
                Fail(L"the program did not answer within 60 s");
            Sleep(100);
        }
        WaitFlows();
    }

    // A flow the last input started runs on behind the answering window (its
    // steps off the window's thread, its busy cursor up): the user waits for
    // it, unless it asks something meanwhile (a box, a dialog of its own).
    void WaitFlows() {
        for (int i = 0; i < 1200; ++i) {
            if (!IsWindow(dialog_)) return;
            const bool running = FlowRuns(dialog_) || (child_ != nullptr && IsWindow(child_) && FlowRuns(child_));
            if (!running || OtherDialogShown()) return;
            Sleep(100);
        }
        Fail(L"a flow still runs after 120 s");
    }

    static bool FlowRuns(HWND window) { return GetPropW(window, L"Norvale.FlowRunning") != nullptr; }

    // A visible dialog of the program other than the ones acted on.
    struct DialogSearch {
        HWND main, child, found;
    };
    static BOOL CALLBACK VisitOtherDialog(HWND window, LPARAM param) {
        auto& search = *reinterpret_cast<DialogSearch*>(param);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (window != search.main && window != search.child && IsWindowVisible(window) &&
            std::wstring(className) == L"#32770") {
            search.found = window;
            return FALSE;
        }
        return TRUE;
    }
    bool OtherDialogShown() {
        DialogSearch search{dialog_, child_, nullptr};
        EnumThreadWindows(GetWindowThreadProcessId(dialog_, nullptr), VisitOtherDialog, LPARAM(&search));
        return search.found != nullptr;
    }

    // A control the running flow holds comes back when it ends, as the user
    // sees a greyed button come back.
    HWND EnabledControl(int id) {
        HWND control = Control(id);
        for (int i = 0; i < 300 && !IsWindowEnabled(control); ++i) Sleep(100);
        return control;
    }

    int RowCount(int listId) { return int(SendMessageW(Control(listId), LVM_GETITEMCOUNT, 0, 0)); }

    std::wstring Cell(int listId, int row, int column) {
        constexpr int kChars = 512;
        RemoteBuffer remote(dialog_, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
        LVITEMW item{};
        item.iSubItem = column;
        item.cchTextMax = kChars;
        item.pszText = static_cast<wchar_t*>(remote.At(sizeof(LVITEMW)));
        remote.Write(0, &item, sizeof(item));
        const LRESULT length =
            SendMessageW(Control(listId), LVM_GETITEMTEXTW, WPARAM(row), LPARAM(remote.At(0)));
        std::wstring text(kChars, L'\0');
        remote.Read(sizeof(LVITEMW), text.data(), kChars * sizeof(wchar_t));
        text.resize(size_t(length < 0 ? 0 : length < kChars ? length : kChars - 1));
        return text;
    }

    int ColumnCount(int listId) {
        HWND header = HWND(SendMessageW(Control(listId), LVM_GETHEADER, 0, 0));
        return header != nullptr ? int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    }

    void Rows(int listId) {
        const int rows = RowCount(listId);
        const int columns = ColumnCount(listId);
        Print(L"rows " + std::to_wstring(listId) + L" " + std::to_wstring(rows));
        for (int row = 0; row < rows; ++row) {
            std::wstring line = L"row " + std::to_wstring(listId) + L" " + std::to_wstring(row) + L" ";
            for (int column = 0; column < columns; ++column) {
                if (column > 0) line += L"|";
                line += Cell(listId, row, column);
            }
            Print(line);
        }
    }

    void WaitRows(int listId, int count, int seconds) {
        for (int i = 0; i < seconds * 10; ++i) {
            if (RowCount(listId) >= count) return Rows(listId);
            Sleep(100);
        }
        Rows(listId);
        Fail(L"list " + std::to_wstring(listId) + L" has fewer than " + std::to_wstring(count) +
             L" rows");
    }

    // A click as the mouse makes it: the list view selects the row itself
    // and tells the dialog (NM_CLICK), exactly as for a person.
    void ClickRow(int listId, int row) {
        HWND list = EnabledControl(listId);
        if (row >= RowCount(listId)) Fail(L"no row " + std::to_wstring(row));
        SendMessageW(list, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
        RemoteBuffer remote(dialog_, sizeof(RECT));
        RECT rect{};
        rect.left = LVIR_LABEL;
        remote.Write(0, &rect, sizeof(rect));
        if (!SendMessageW(list, LVM_GETITEMRECT, WPARAM(row), LPARAM(remote.At(0))))
            Fail(L"no rectangle for row " + std::to_wstring(row));
        remote.Read(0, &rect, sizeof(rect));
        POINT point{rect.left + 8, (rect.top + rect.bottom) / 2};
        ClientToScreen(list, &point);
        SetForegroundWindow(dialog_);
        ClickAt(point);
        WaitIdle();
    }

    void ClickAt(POINT point) {
        SetCursorPos(point.x, point.y);
        Sleep(50);
        INPUT inputs[2]{};
        for (INPUT& input : inputs) {
            input.type = INPUT_MOUSE;
            input.mi.dx = LONG(point.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
            input.mi.dy = LONG(point.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
        }
        inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        SendInput(1, &inputs[0], sizeof(INPUT));
        Sleep(50);
        SendInput(1, &inputs[1], sizeof(INPUT));
        Sleep(300);
    }

    void Click(int id) {
        HWND button = EnabledControl(id);
        if (!IsWindowEnabled(button)) Fail(L"button " + std::to_wstring(id) + L" is disabled");
        // Posted, so that a handler which opens a message box does not hold
        // the probe; WaitIdle then waits for the handler.
        PostMessageW(button, BM_CLICK, 0, 0);
        Sleep(300);
        WaitIdle();
    }

    // Posted key messages go through the dialog's own message loop, where
    // its keyboard rules apply, as for keys typed into the focused control.
    void Key(int id, int virtualKey) {
        HWND control = Control(id);
        const UINT scan = MapVirtualKeyW(UINT(virtualKey), MAPVK_VK_TO_VSC);
        PostMessageW(control, WM_KEYDOWN, WPARAM(virtualKey), LPARAM(1 | (scan << 16)));
        PostMessageW(control, WM_KEYUP, WPARAM(virtualKey), LPARAM(1 | (scan << 16) | (3u << 30)));
        Sleep(300);
        WaitIdle();
    }

    std::wstring WindowText(HWND window) {
        wchar_t buffer[1024] = {};
        SendMessageW(window, WM_GETTEXT, WPARAM(1024), LPARAM(buffer));
        return buffer;
    }

    void Text(int id) { Print(L"text " + std::to_wstring(id) + L" \"" + WindowText(Control(id)) + L"\""); }

    void Ip(int id) {
        HWND field = Control(id);
        std::wstring line = L"ip " + std::to_wstring(id) + L" ";
        if (SendMessageW(field, IPM_ISBLANK, 0, 0)) {
            Print(line + L"blank");
            return;
        }
        RemoteBuffer remote(dialog_, sizeof(DWORD));
        SendMessageW(field, IPM_GETADDRESS, 0, LPARAM(remote.At(0)));
        DWORD address = 0;
        remote.Read(0, &address, sizeof(address));
        Print(line + std::to_wstring(FIRST_IPADDRESS(address)) + L"." +
              std::to_wstring(SECOND_IPADDRESS(address)) + L"." +
              std::to_wstring(THIRD_IPADDRESS(address)) + L"." +
              std::to_wstring(FOURTH_IPADDRESS(address)));
    }

    void Combo(int id) {
        HWND combo = Control(id);
        const int selection = int(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        const int count = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        std::wstring line = L"combo " + std::to_wstring(id) + L" " + std::to_wstring(selection) +
                            L" \"" + WindowText(combo) + L"\" [";
        for (int i = 0; i < count; ++i) {
            // CB_GETLBTEXT's buffer is marshalled by the system, as WM_GETTEXT's.
            wchar_t item[256] = {};
            if (SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) < 255)
                SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(item));
            line += (i > 0 ? L"," : L"") + std::wstring(item);
        }
        Print(line + L"]");
    }

    void SelectCombo(int id, int index) {
        HWND combo = Control(id);
        SendMessageW(combo, CB_SETCURSEL, WPARAM(index), 0);
        PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(combo));
        Sleep(300);
        WaitIdle();
    }

    // The window the control commands act on: the main dialog, or the child
    // dialog chosen with `dialog`.
    HWND Target() const { return child_ != nullptr ? child_ : dialog_; }

    void SetIp(int id, const std::wstring& text) {
        unsigned a = 0, b = 0, c = 0, d = 0;
        wchar_t rest = 0;
        if (swscanf(text.c_str(), L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &rest) != 4 || a > 255 || b > 255 ||
            c > 255 || d > 255)
            Fail(L"not an address: " + text);
        SendMessageW(Control(id), IPM_SETADDRESS, 0, LPARAM(MAKEIPADDRESS(a, b, c, d)));
        WaitIdle();
    }

    void ClearIp(int id) {
        SendMessageW(Control(id), IPM_CLEARADDRESS, 0, 0);
        WaitIdle();
    }

    void SetText(int id, const std::wstring& text) {
        SendMessageW(Control(id), WM_SETTEXT, 0, LPARAM(text.c_str()));
    }

    // A message box of the program: a top-level dialog of its GUI thread,
    // other than the main dialog, that holds the box's static text (65535).
    struct BoxSearch {
        HWND main;
        HWND found;
    };

    static BOOL CALLBACK VisitThreadWindow(HWND window, LPARAM param) {
        auto& search = *reinterpret_cast<BoxSearch*>(param);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (window != search.main && IsWindowVisible(window) && std::wstring(className) == L"#32770" &&
            GetDlgItem(window, 0xFFFF) != nullptr) {
            search.found = window;
            return FALSE;
        }
        return TRUE;
    }

    HWND FindMessageBox() {
        if (dialog_ == nullptr) WaitWindow(1);
        BoxSearch search{dialog_, nullptr};
        EnumThreadWindows(GetWindowThreadProcessId(dialog_, nullptr), VisitThreadWindow, LPARAM(&search));
        return search.found;
    }

    void WaitBox(int seconds) {
        for (int i = 0; i < seconds * 10; ++i) {
            if (HWND box = FindMessageBox()) {
                box_ = box;
                std::wstring text = WindowText(GetDlgItem(box, 0xFFFF));
                for (auto& ch : text)
                    if (ch == L'\n' || ch == L'\r') ch = L' ';
                Print(L"box \"" + WindowText(box) + L"\" \"" + text + L"\"");
                return;
            }
            Sleep(100);
        }
        Fail(L"no message box within " + std::to_wstring(seconds) + L" s");
    }

    void AnswerBox(int button) {
        if (box_ == nullptr || !IsWindow(box_)) Fail(L"no message box to answer");
        HWND control = GetDlgItem(box_, button);
        if (control == nullptr) Fail(L"the message box has no button " + std::to_wstring(button));
        PostMessageW(control, BM_CLICK, 0, 0);
        box_ = nullptr;
        Sleep(300);
        WaitIdle();
    }

    void NoBox() {
        if (HWND box = FindMessageBox())
            Fail(L"unexpected message box: \"" + WindowText(GetDlgItem(box, 0xFFFF)) + L"\"");
        Print(L"no box");
    }

    void ChooseDialog(const std::wstring& title, int seconds) {
        if (dialog_ == nullptr) WaitWindow(1);
        for (int i = 0; i < seconds * 10; ++i) {
            HWND window = FindWindowW(nullptr, title.c_str());
            if (window != nullptr && window != dialog_) {
                child_ = window;
                // A dialog is found by its title while it still sets itself
                // up; it shows when that is done. What it does on opening
                // (the wizard reads its disk) runs on behind it, as the user
                // sees by its busy cursor.
                for (int j = 0; j < 300 && IsWindow(child_) && !IsWindowVisible(child_); ++j) Sleep(100);
                for (int j = 0; j < 1200 && IsWindow(child_) && FlowRuns(child_) && !OtherDialogShown(); ++j) Sleep(100);
                Print(L"dialog \"" + title + L"\"");
                return;
            }
            Sleep(100);
        }
        Fail(L"no window titled \"" + title + L"\"");
    }

    void ChooseMain() { child_ = nullptr; }

    void Size() {
        if (dialog_ == nullptr) WaitWindow(1);
        RECT window{}, client{};
        GetWindowRect(Target(), &window);
        GetClientRect(Target(), &client);
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        Print(L"size " + std::to_wstring(window.right - window.left) + L" " + std::to_wstring(window.bottom - window.top) +
              L" client " + std::to_wstring(client.right) + L" " + std::to_wstring(client.bottom) + L" dpi " +
              std::to_wstring(dpi));
    }

    // A font handle of the program means nothing here: the template's font
    // is made again at this DPI, as the dialog manager makes it.
    void Fits(const std::wstring& face, int points) {
        if (dialog_ == nullptr) WaitWindow(1);
        HDC screen = GetDC(nullptr);
        const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
        if (font == nullptr) Fail(L"no font " + face);
        int checked = 0;
        const auto clipped = norvale::test::ClippedTexts(Target(), font, &checked);
        DeleteObject(font);
        for (const auto& c : clipped) Complain(L"clipped " + norvale::test::Describe(c));
        if (!clipped.empty()) Fail(std::to_wstring(clipped.size()) + L" of " + std::to_wstring(checked) + L" texts do not fit");
        Print(L"fits " + std::to_wstring(checked) + L" texts");
    }

    void Enabled(int id) {
        Print(L"enabled " + std::to_wstring(id) + L" " + (IsWindowEnabled(Control(id)) ? L"1" : L"0"));
    }

    // SetFocus works on a window of the calling thread's input state: the
    // probe joins the program's for the call.
    void Focus(int id) {
        HWND control = Control(id);
        const DWORD program = GetWindowThreadProcessId(Target(), nullptr);
        SetForegroundWindow(Target());
        AttachThreadInput(GetCurrentThreadId(), program, TRUE);
        SetFocus(control);
        AttachThreadInput(GetCurrentThreadId(), program, FALSE);
        WaitIdle();
        Print(L"focus " + std::to_wstring(id));
    }

    void Focused() {
        if (dialog_ == nullptr) WaitWindow(1);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        int id = 0;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(Target(), nullptr), &info) && info.hwndFocus != nullptr) {
            // The control of the dialog that holds the focus (the edit inside
            // a combo box or an IP field counts as that control).
            for (HWND w = info.hwndFocus; w != nullptr && w != Target(); w = GetParent(w))
                if (GetParent(w) == Target()) id = GetDlgCtrlID(w);
        }
        Print(L"focused " + std::to_wstring(id));
    }

    void Msaa(int id) {
        IAccessible* acc = nullptr;
        if (FAILED(AccessibleObjectFromWindow(Control(id), DWORD(OBJID_CLIENT), IID_IAccessible,
                                              reinterpret_cast<void**>(&acc))) || acc == nullptr)
            Fail(L"no accessible object for control " + std::to_wstring(id));
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        std::wstring text;
        if (SUCCEEDED(acc->get_accName(self, &name)) && name != nullptr) text.assign(name, SysStringLen(name));
        SysFreeString(name);
        VARIANT role;
        VariantInit(&role);
        const long roleId = SUCCEEDED(acc->get_accRole(self, &role)) && role.vt == VT_I4 ? role.lVal : -1;
        long children = -1;
        acc->get_accChildCount(&children);
        acc->Release();
        Print(L"msaa " + std::to_wstring(id) + L" \"" + text + L"\" " + std::to_wstring(roleId) + L" " +
              std::to_wstring(children));
    }

private:
    std::wstring title_;
    HWND dialog_ = nullptr;
    HWND child_ = nullptr;
    HWND box_ = nullptr;
};

using Arguments = std::vector<std::wstring>;

int Number(const Arguments& argv, std::size_t& next) {
    if (next >= argv.size()) Fail(L"a command is missing its arguments");
    wchar_t* end = nullptr;
    const long value = std::wcstol(argv[next].c_str(), &end, 0);
    if (end == argv[next].c_str() || *end != L'\0') Fail(L"not a number: " + argv[next]);
    ++next;
    return int(value);
}

// The title and the commands after it.
void Run(const Arguments& argv) {
    if (argv.size() < 2) Fail(L"usage: norvale_probe.exe TITLE COMMAND [ARGS]...");
    Probe probe(argv[0]);
    const std::size_t argc = argv.size();
    std::size_t next = 1;
    while (next < argc) {
        const std::wstring command = argv[next++];
        if (command == L"wait") {
            probe.WaitWindow(Number(argv, next));
        } else if (command == L"rows") {
            probe.Rows(Number(argv, next));
        } else if (command == L"wait-rows") {
            const int list = Number(argv, next);
            const int count = Number(argv, next);
            probe.WaitRows(list, count, Number(argv, next));
        } else if (command == L"click-row") {
            const int list = Number(argv, next);
            probe.ClickRow(list, Number(argv, next));
        } else if (command == L"click") {
            probe.Click(Number(argv, next));
        } else if (command == L"key") {
            const int id = Number(argv, next);
            probe.Key(id, Number(argv, next));
        } else if (command == L"text") {
            probe.Text(Number(argv, next));
        } else if (command == L"ip") {
            probe.Ip(Number(argv, next));
        } else if (command == L"combo") {
            probe.Combo(Number(argv, next));
        } else if (command == L"select-combo") {
            const int id = Number(argv, next);
            probe.SelectCombo(id, Number(argv, next));
        } else if (command == L"enabled") {
            probe.Enabled(Number(argv, next));
        } else if (command == L"set-ip" || command == L"set-text") {
            const int id = Number(argv, next);
            if (next >= argc) Fail(command + L" needs a text");
            const std::wstring text = argv[next++];
            if (command == L"set-ip") probe.SetIp(id, text); else probe.SetText(id, text);
        } else if (command == L"clear-ip") {
            probe.ClearIp(Number(argv, next));
        } else if (command == L"wait-box") {
            probe.WaitBox(Number(argv, next));
        } else if (command == L"answer-box") {
            probe.AnswerBox(Number(argv, next));
        } else if (command == L"no-box") {
            probe.NoBox();
        } else if (command == L"dialog") {
            if (next >= argc) Fail(L"dialog needs a title");
            const std::wstring title = argv[next++];
            probe.ChooseDialog(title, Number(argv, next));
        } else if (command == L"dialog-with") {
            const int id = Number(argv, next);
            probe.ChooseDialogWith(id, Number(argv, next));
        } else if (command == L"main") {
            probe.ChooseMain();
        } else if (command == L"click-async") {
            probe.ClickAsync(Number(argv, next));
        } else if (command == L"peek") {
            probe.Peek(Number(argv, next));
        } else if (command == L"gone") {
            const int id = Number(argv, next);
            probe.WaitGone(id, Number(argv, next));
        } else if (command == L"size") {
            probe.Size();
        } else if (command == L"fits") {
            if (next >= argc) Fail(L"fits needs a font face");
            const std::wstring face = argv[next++];
            probe.Fits(face, Number(argv, next));
        } else if (command == L"wait-idle") {
            probe.WaitIdle();
        } else if (command == L"focus") {
            probe.Focus(Number(argv, next));
        } else if (command == L"focused") {
            probe.Focused();
        } else if (command == L"msaa") {
            probe.Msaa(Number(argv, next));
        } else if (command == L"sleep") {
            Sleep(DWORD(Number(argv, next)));
        } else {
            Fail(L"unknown command " + command);
        }
    }
}

int RunRequest(const Arguments& argv) {
    try {
        Run(argv);
        return 0;
    } catch (const RequestEnd& end) {
        return end.code;
    }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Arguments ReadLines(const std::wstring& path) {
    Arguments lines;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) return lines;
    std::string line;
    for (int c = std::fgetc(file);; c = std::fgetc(file)) {
        if (c == EOF || c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (c != EOF || !line.empty()) {
                std::wstring wide(line.size(), L'\0');
                wide.resize(MultiByteToWideChar(CP_UTF8, 0, line.data(), int(line.size()), wide.data(), int(wide.size())));
                lines.push_back(wide);
            }
            if (c == EOF) break;
            line.clear();
        } else {
            line.push_back(char(c));
        }
    }
    std::fclose(file);
    return lines;
}

// Requests one after the other, each answered in files of its own; the exit
// code is written last, under its final name at once, so a reader never
// sees half of it.
int Serve(const std::wstring& folder) {
    constexpr DWORD kIdleEndMs = 600000;
    for (unsigned n = 1;; ++n) {
        const std::wstring base = folder + L"\\" + std::to_wstring(n);
        for (DWORD idle = 0; !Exists(base + L".req"); idle += 20) {
            if (Exists(folder + L"\\stop") || idle >= kIdleEndMs) return 0;
            Sleep(20);
        }
        answers = _wfopen((base + L".out").c_str(), L"wb");
        complaints = _wfopen((base + L".err").c_str(), L"wb");
        if (answers == nullptr || complaints == nullptr) return 1;
        const int code = RunRequest(ReadLines(base + L".req"));
        std::fclose(answers);
        std::fclose(complaints);
        answers = stdout;
        complaints = stderr;
        if (std::FILE* rc = _wfopen((base + L".tmp").c_str(), L"wb")) {
            std::fprintf(rc, "%d\n", code);
            std::fclose(rc);
        }
        if (!MoveFileExW((base + L".tmp").c_str(), (base + L".rc").c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The accessible objects of another process come through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (argc == 3 && std::wstring(argv[1]) == L"--serve") return Serve(argv[2]);
    return RunRequest(Arguments(argv + 1, argv + argc));
}
