#include "controls/win32/worker_threads.h"

#include <objbase.h>

#include <memory>

namespace norvale::win32 {
namespace {

// Workers that have not returned; the event is set while there are none.
LONG running = 0;
HANDLE noneRunning = nullptr;
LONG startState = 0;  // 0 not started, 1 starting, 2 started

// The apartment lives as long as one thread is in it. Workers come and go,
// so one thread that never leaves keeps it (and every interface a worker
// obtained there) alive for the life of the process.
DWORD WINAPI KeepApartment(LPVOID) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Sleep(INFINITE);
    return 0;
}

// Once per process, before the first worker (InitOnce needs Vista).
void StartOnce() {
    if (InterlockedCompareExchange(&startState, 1, 0) == 0) {
        noneRunning = CreateEventW(nullptr, TRUE, TRUE, nullptr);
        HANDLE keeper = CreateThread(nullptr, 0, KeepApartment, nullptr, 0, nullptr);
        if (keeper != nullptr) CloseHandle(keeper);
        InterlockedExchange(&startState, 2);
    }
    while (InterlockedCompareExchange(&startState, 2, 2) != 2) Sleep(0);
}

void Ended() {
    if (InterlockedDecrement(&running) == 0 && noneRunning != nullptr) SetEvent(noneRunning);
}

DWORD WINAPI WorkerEntry(LPVOID parameter) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    (*work)();
    work.reset();
    if (SUCCEEDED(com)) CoUninitialize();
    Ended();
    return 0;
}

}  // namespace

bool StartWorkerThread(std::function<void()> work) {
    if (!work) return false;
    StartOnce();
    auto* parameter = new std::function<void()>(std::move(work));
    if (InterlockedIncrement(&running) == 1 && noneRunning != nullptr) ResetEvent(noneRunning);
    HANDLE thread = CreateThread(nullptr, 0, WorkerEntry, parameter, 0, nullptr);
    if (thread == nullptr) {
        delete parameter;
        Ended();
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool WaitForWorkers(DWORD milliseconds) {
    if (noneRunning == nullptr) return true;
    const DWORD start = GetTickCount();
    // The event can be set a moment before a new worker resets it: the
    // count decides, the event only spares the polling.
    while (InterlockedCompareExchange(&running, 0, 0) != 0) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds) return false;
        WaitForSingleObject(noneRunning, (milliseconds - spent) < 50 ? milliseconds - spent : 50);
    }
    return true;
}

}  // namespace norvale::win32
