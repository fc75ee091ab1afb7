#include "iscsi/win32/win32_process_port.h"

#include <windows.h>

#include <string>
#include <vector>

namespace norvale::win32 {
namespace {

class Handle {
public:
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE* Out() { return &h_; }
    HANDLE Get() const { return h_; }
    void Close() {
        if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

// A child inherits every inheritable handle that exists while it is created.
// The format thread runs commands too, so the write end of one run's pipe is
// made inheritable only inside this lock; otherwise another run's child could
// hold it open and this run's read would wait for that child's end as well.
class InheritLock {
public:
    InheritLock() { ::EnterCriticalSection(&Section()); }
    ~InheritLock() { ::LeaveCriticalSection(&Section()); }

private:
    static CRITICAL_SECTION& Section() {
        static struct Holder {
            CRITICAL_SECTION cs;
            Holder() { ::InitializeCriticalSection(&cs); }
        } holder;
        return holder.cs;
    }
};

std::wstring FromAnsi(const std::string& bytes) {
    if (bytes.empty()) return {};
    int size = static_cast<int>(bytes.size());
    int wide = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (wide <= 0) return {};
    std::wstring text(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, &text[0], wide);
    return text;
}

}  // namespace

ProcessRun Win32ProcessPort::RunHidden(const std::wstring& commandLine, bool keepOutput) {
    ProcessRun run;
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');

    Handle readEnd;
    Handle writeEnd;
    if (!::CreatePipe(readEnd.Out(), writeEnd.Out(), nullptr, 0)) return run;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();

    PROCESS_INFORMATION process{};
    BOOL created;
    {
        InheritLock lock;
        if (!::SetHandleInformation(writeEnd.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT))
            return run;
        created = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                   CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                                   &startup, &process);
        // Closed while still locked: no later child can inherit it any more.
        writeEnd.Close();
    }
    if (!created) return run;
    run.started = true;
    Handle processHandle;
    *processHandle.Out() = process.hProcess;
    ::CloseHandle(process.hThread);

    // Read until every writer (the child and anything it passed the handle
    // on to) has gone; only then is the output complete.
    std::string bytes;
    char piece[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd.Get(), piece, sizeof(piece), &got, nullptr)) {
        if (keepOutput) bytes.append(piece, got);
    }
    ::WaitForSingleObject(processHandle.Get(), INFINITE);
    DWORD exitCode = 0;
    if (::GetExitCodeProcess(processHandle.Get(), &exitCode)) run.exitCode = exitCode;
    if (keepOutput) run.output = FromAnsi(bytes);
    return run;
}

}  // namespace norvale::win32
