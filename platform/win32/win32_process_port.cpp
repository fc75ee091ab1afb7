#include "platform/win32/win32_process_port.h"

#include <windows.h>
#include <tlhelp32.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/core/texts/norvale_texts.h"
#include "platform/core/wipe.h"
#include "platform/win32/win32_handle.h"

namespace norvale::win32 {
namespace {

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

constexpr unsigned kCaptionError = 234;  // "Error"

// The exit code of everything ended at its limit.
constexpr UINT kStoppedExitCode = ERROR_TIMEOUT;
// At most this much is taken from the pipe per check, so that a child that
// never stops printing still lets the caller look at the clock.
constexpr DWORD kMostPerCheck = 1u << 20;

bool StartedBefore(const FILETIME& a, const FILETIME& b) { return ::CompareFileTime(&a, &b) < 0; }

FILETIME CreationOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(process, &created, &exited, &kernel, &user);
    return created;
}

// Without a job: ends the processes the child started, and theirs, found by
// their parent's id. A process older than the child only reuses an id that
// was once a parent's, and is left alone.
void EndDescendants(DWORD child, const FILETIME& childCreated) {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    std::multimap<DWORD, DWORD> byParent;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID != entry.th32ParentProcessID) {
            byParent.emplace(entry.th32ParentProcessID, entry.th32ProcessID);
        }
    }
    ::CloseHandle(snapshot);
    std::vector<DWORD> parents{child};
    std::set<DWORD> seen{child};
    while (!parents.empty()) {
        const DWORD parent = parents.back();
        parents.pop_back();
        const auto range = byParent.equal_range(parent);
        for (auto it = range.first; it != range.second; ++it) {
            const DWORD pid = it->second;
            if (!seen.insert(pid).second) continue;
            const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid);
            if (process == nullptr) continue;
            if (!StartedBefore(CreationOf(process), childCreated)) {
                ::TerminateProcess(process, kStoppedExitCode);
                parents.push_back(pid);
            }
            ::CloseHandle(process);
        }
    }
}

class Win32RunningProcess final : public RunningProcess {
public:
    Win32RunningProcess(HANDLE process, DWORD id, HANDLE job, HANDLE readEnd, bool keepOutput)
        : process_(process), id_(id), job_(job), readEnd_(readEnd), keepOutput_(keepOutput) {}

    State Check() override {
        const bool printed = Drain();
        if (pipeClosed_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0) return State::Ended;
        return printed ? State::Printed : State::Running;
    }

    bool Stop() override {
        // The job holds the child and all it started (they joined it as they
        // were created); without one, the child and then its descendants by
        // their parents' ids.
        if (job_.Valid()) return ::TerminateJobObject(job_.Get(), kStoppedExitCode) != 0;
        const bool ended = ::TerminateProcess(process_.Get(), kStoppedExitCode) != 0;
        EndDescendants(id_, CreationOf(process_.Get()));
        return ended;
    }

    std::wstring Output() override { return FromAnsi(bytes_); }

    std::optional<std::uint32_t> ExitCode() override {
        DWORD code = 0;
        if (!::GetExitCodeProcess(process_.Get(), &code) || code == STILL_ACTIVE) return std::nullopt;
        return code;
    }

private:
    // Reads only what the pipe already holds, so that no read blocks. The
    // pipe reports broken once every holder of its write end has closed it.
    bool Drain() {
        bool printed = false;
        DWORD taken = 0;
        char piece[4096];
        while (!pipeClosed_ && taken < kMostPerCheck) {
            DWORD waiting = 0;
            if (!::PeekNamedPipe(readEnd_.Get(), nullptr, 0, nullptr, &waiting, nullptr)) {
                pipeClosed_ = true;
                break;
            }
            if (waiting == 0) break;
            DWORD got = 0;
            const DWORD ask = waiting < sizeof(piece) ? waiting : static_cast<DWORD>(sizeof(piece));
            if (!::ReadFile(readEnd_.Get(), piece, ask, &got, nullptr)) {
                pipeClosed_ = true;
                break;
            }
            if (keepOutput_) bytes_.append(piece, got);
            taken += got;
            printed = printed || got > 0;
        }
        return printed;
    }

    Handle process_;
    DWORD id_;
    Handle job_;
    Handle readEnd_;
    bool keepOutput_;
    bool pipeClosed_ = false;
    std::string bytes_;
};

// Creates the child suspended, so that it can join the job before it runs a
// single instruction (and so before it can start a process of its own).
// Where this program itself runs in a job, the child breaks away from it if
// that job lets it; a job that does not answers ERROR_ACCESS_DENIED, and the
// child is then made inside it.
bool CreateSuspended(std::vector<wchar_t>& line, STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
    const DWORD flags = CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED;
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags | CREATE_BREAKAWAY_FROM_JOB, nullptr,
                         nullptr, &startup, &process)) {
        return true;
    }
    if (::GetLastError() != ERROR_ACCESS_DENIED) return false;
    return ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                            &process) != 0;
}

}  // namespace

std::unique_ptr<RunningProcess> Win32ProcessPort::Start(const std::wstring& commandLine, bool keepOutput) {
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line;
    line.reserve(commandLine.size() + 1);
    line.assign(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    // A CHAP login line holds the secret: the copy is overwritten on every
    // way out, before its memory goes back to the heap.
    struct WipeOnExit {
        std::vector<wchar_t>& chars;
        ~WipeOnExit() { WipeMemory(chars.data(), chars.size() * sizeof(wchar_t)); }
    } wipeLine{line};

    Handle readEnd;
    Handle writeEnd;
    if (!::CreatePipe(readEnd.Out(), writeEnd.Out(), nullptr, 0)) return nullptr;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();

    PROCESS_INFORMATION process{};
    bool created;
    {
        InheritLock lock;
        if (!::SetHandleInformation(writeEnd.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) return nullptr;
        created = CreateSuspended(line, startup, process);
        // Closed while still locked: no later child can inherit it any more.
        writeEnd.Close();
    }
    if (!created) return nullptr;
    Handle thread(process.hThread);

    // Without KILL_ON_JOB_CLOSE: a program the child leaves running on
    // purpose (an installer's helper) outlives a run that ended normally;
    // only a run past its limit ends the whole job. Windows before 8 puts a
    // process in one job only, so a child that stayed in this program's job
    // cannot join another; it then runs without one.
    Handle job(useJobs_ ? ::CreateJobObjectW(nullptr, nullptr) : nullptr);
    if (job.Valid() && !::AssignProcessToJobObject(job.Get(), process.hProcess)) job.Close();
    ::ResumeThread(thread.Get());
    return std::make_unique<Win32RunningProcess>(process.hProcess, process.dwProcessId, job.Release(),
                                                 readEnd.Release(), keepOutput);
}

void Win32RunTimeoutNotice::ShowRunTimeout(const std::wstring& text) {
    ::MessageBoxW(::GetActiveWindow(), text.c_str(), UiText(kCaptionError).c_str(),
                  MB_OK | MB_ICONSTOP);
}

}  // namespace norvale::win32
