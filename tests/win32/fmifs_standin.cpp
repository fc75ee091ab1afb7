// fmifs.dll for tests: FormatEx reports progress and its end through the
// caller's callback on the calling thread, as the system's library does,
// without touching any volume. NORVALE_FMIFS_FAIL=1 makes the format fail.
// On 32-bit builds every report checks that the callback took its three
// arguments off the stack, as a stdcall function must.
#include <windows.h>

#include <cstdint>
#include <string>

namespace {

using FormatCallback = BOOLEAN(WINAPI*)(int command, DWORD subAction, PVOID data);

LONG g_unbalanced = 0;
DWORD g_callbackThread = 0;
std::wstring g_arguments;

// Calls the callback; false when it left the stack other than a stdcall
// function leaves it.
BOOLEAN Report(FormatCallback callback, int command, PVOID data, bool& balanced) {
#if defined(__i386__)
    std::uintptr_t a = static_cast<std::uintptr_t>(command), c = 0, d = reinterpret_cast<std::uintptr_t>(data);
    std::uintptr_t target = reinterpret_cast<std::uintptr_t>(callback);
    // ESI (kept by any callee) remembers the stack pointer; after the call,
    // EDX holds how far the callee left it from there (0 for stdcall).
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "pushl %%edx\n\t"
        "pushl %%ecx\n\t"
        "pushl %%eax\n\t"
        "call *%%edi\n\t"
        "movl %%esp, %%edx\n\t"
        "subl %%esi, %%edx\n\t"
        "movl %%esi, %%esp\n\t"
        : "+a"(a), "+c"(c), "+d"(d), "+D"(target)
        :
        : "esi", "memory", "cc");
    balanced = d == 0;
    return static_cast<BOOLEAN>(a & 0xFF);
#else
    balanced = true;
    return callback(command, 0, data);
#endif
}

void Send(FormatCallback callback, int command, PVOID data) {
    bool balanced = true;
    g_callbackThread = GetCurrentThreadId();
    Report(callback, command, data, balanced);
    if (!balanced) InterlockedIncrement(&g_unbalanced);
}

}  // namespace

extern "C" {

__declspec(dllexport) VOID WINAPI FormatEx(PWCHAR driveRoot, DWORD mediaType, PWCHAR fileSystem, PWCHAR label,
                                           BOOL quick, DWORD clusterSize, FormatCallback callback) {
    g_arguments = std::wstring(driveRoot) + L"|" + std::to_wstring(mediaType) + L"|" + fileSystem + L"|" + label +
                  L"|" + std::to_wstring(quick) + L"|" + std::to_wstring(clusterSize);
    wchar_t fail[8] = {};
    const bool failing = GetEnvironmentVariableW(L"NORVALE_FMIFS_FAIL", fail, 8) > 0 && fail[0] == L'1';
    for (DWORD percent : {0u, 40u, 100u}) {
        if (failing && percent == 100) break;
        Send(callback, 0, &percent);
        Sleep(20);
    }
    BOOLEAN success = failing ? FALSE : TRUE;
    Send(callback, 11, &success);
}

__declspec(dllexport) BOOLEAN WINAPI EnableVolumeCompression(PWCHAR, USHORT) { return TRUE; }

// For the tests: reports whose callback left the stack unbalanced, the
// thread the last report ran on, and FormatEx's arguments as "root|media|
// file system|label|quick|cluster".
__declspec(dllexport) LONG WINAPI NorvaleStandinUnbalancedReports() { return g_unbalanced; }
__declspec(dllexport) DWORD WINAPI NorvaleStandinReportThread() { return g_callbackThread; }
__declspec(dllexport) const wchar_t* WINAPI NorvaleStandinArguments() { return g_arguments.c_str(); }
}
