// norvale_answer_watch.exe: how long a window of another process keeps a
// sender waiting, as Windows judges a window that does not answer (it calls
// one "Not Responding" after 5 s). It runs beside the program in the same
// prefix, as a separate process that only sends WM_NULL.
//
//   norvale_answer_watch.exe "TITLE" SECONDS STOPFILE PHASEFILE
//
// Prints "watching", then waits up to SECONDS for a visible, unowned
// top-level window of that title and prints "visible MS rows N" (since
// "watching"; N the rows its list views hold then). With STOPFILE "-" it
// ends there. Otherwise it sends WM_NULL every 50 ms until STOPFILE exists or
// the window is gone, and prints per phase (the first line of PHASEFILE when
// the message was sent) "answer PHASE longest MS samples N": the longest wait
// less the time the whole machine stood still meanwhile (an emulated machine
// whose host is busy stops every thread at once; see StallClock). Each wait
// over 250 ms is printed as it happens ("slow PHASE at MS waited MS stalled MS").
// A TITLE ending in "*" matches by its beginning. Exit code 0, or 1 when the
// window never showed.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Search {
    const std::wstring* title;
    HWND found;
};

// A title ending in "*" matches every title that begins with the rest.
bool TitleMatches(const std::wstring& wanted, const std::wstring& title) {
    if (!wanted.empty() && wanted.back() == L'*') return title.compare(0, wanted.size() - 1, wanted, 0, wanted.size() - 1) == 0;
    return wanted == title;
}

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (TitleMatches(*search.title, text) && GetWindow(window, GW_OWNER) == nullptr && IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisible(const std::wstring& title) {
    Search search{&title, nullptr};
    EnumWindows(Visit, LPARAM(&search));
    return search.found;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The phase the script is in: the file's first line, "-" while there is none.
std::string PhaseOf(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "-";
    char text[64] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    std::string phase(text, read);
    phase = phase.substr(0, phase.find_first_of("\r\n"));
    return phase.empty() ? "-" : phase;
}

// When the whole machine stood still: a thread of its own asks for 10 ms
// sleeps and files every one that took over 50 ms. A program that blocks
// its own thread leaves this one ticking; a host that gives the emulated
// machine no processor stops both. Times are ms since the watch began.
class StallClock {
public:
    explicit StallClock(DWORD base) : base_(base) {
        InitializeCriticalSection(&lock_);
        if (HANDLE thread = CreateThread(nullptr, 0, Tick, this, 0, nullptr)) CloseHandle(thread);
    }

    // How much of [from, to) the machine stood still; what ended before
    // FROM is forgotten, as the watch asks in order.
    DWORD Within(DWORD from, DWORD to) {
        EnterCriticalSection(&lock_);
        DWORD stalled = 0;
        std::vector<std::pair<DWORD, DWORD>> kept;
        for (const auto& [begin, end] : gaps_) {
            const DWORD a = begin > from ? begin : from, b = end < to ? end : to;
            if (b > a) stalled += b - a;
            if (end > from) kept.emplace_back(begin, end);
        }
        gaps_.swap(kept);
        LeaveCriticalSection(&lock_);
        return stalled;
    }

private:
    static DWORD WINAPI Tick(void* self) {
        auto& clock = *static_cast<StallClock*>(self);
        for (DWORD last = GetTickCount() - clock.base_;;) {
            Sleep(10);
            const DWORD now = GetTickCount() - clock.base_;
            if (now - last > 50) {
                EnterCriticalSection(&clock.lock_);
                clock.gaps_.emplace_back(last + 10, now);
                LeaveCriticalSection(&clock.lock_);
            }
            last = now;
        }
    }

    const DWORD base_;
    CRITICAL_SECTION lock_;
    std::vector<std::pair<DWORD, DWORD>> gaps_;
};

struct Answers {
    DWORD longest = 0;
    int samples = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: norvale_answer_watch.exe TITLE SECONDS STOPFILE PHASEFILE\n");
        return 2;
    }
    const std::wstring title = argv[1];
    const DWORD limit = DWORD(std::wcstoul(argv[2], nullptr, 10)) * 1000;
    const std::wstring stop = argv[3];
    const std::wstring phases = argv[4];

    // The script starts the program once the watch is ready.
    std::printf("watching\n");
    std::fflush(stdout);
    const DWORD started = GetTickCount();
    HWND window = nullptr;
    while ((window = FindVisible(title)) == nullptr) {
        if (GetTickCount() - started > limit) {
            std::fprintf(stderr, "answer-watch: no visible window of that title\n");
            return 1;
        }
        Sleep(5);
    }
    const DWORD visible = GetTickCount() - started;
    // What the window lists when it first shows: a window that shows only
    // after its first pass already lists what the pass found.
    long rows = 0;
    for (HWND list = nullptr; (list = FindWindowExW(window, list, L"SysListView32", nullptr)) != nullptr;) {
        DWORD_PTR count = 0;
        if (SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 10000, &count)) rows += long(count);
    }
    std::printf("visible %lu rows %ld\n", static_cast<unsigned long>(visible), rows);
    std::fflush(stdout);
    if (stop == L"-") return 0;

    std::map<std::string, Answers> answers;
    // Never freed: its thread ticks until the process ends.
    StallClock& stalls = *new StallClock(started);
    while (!Exists(stop) && IsWindow(window)) {
        const std::string phase = PhaseOf(phases);
        const DWORD sent = GetTickCount() - started;
        DWORD_PTR result = 0;
        // A window that does not answer within 10 s is reported at that.
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        const DWORD waited = GetTickCount() - started - sent;
        // By the end of this pause the stall clock has filed a stall that
        // ended with the wait.
        Sleep(50);
        const DWORD stalled = stalls.Within(sent, sent + waited);
        Answers& answer = answers[phase];
        if (waited - stalled > answer.longest) answer.longest = waited - stalled;
        // The long ones, to be matched with what the script did then.
        if (waited > 250) {
            std::printf("slow %s at %lu waited %lu stalled %lu\n", phase.c_str(), static_cast<unsigned long>(sent),
                        static_cast<unsigned long>(waited), static_cast<unsigned long>(stalled));
            std::fflush(stdout);
        }
        ++answer.samples;
    }
    for (const auto& [phase, answer] : answers) {
        std::printf("answer %s longest %lu samples %d\n", phase.c_str(), static_cast<unsigned long>(answer.longest),
                    answer.samples);
    }
    return 0;
}
