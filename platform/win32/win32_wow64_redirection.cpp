#include "platform/win32/win32_wow64_redirection.h"

#include <windows.h>

namespace norvale::win32 {
namespace {

FARPROC Kernel32Function(const char* name) {
    HMODULE kernel32 = ::GetModuleHandleW(L"KERNEL32.DLL");
    return kernel32 != nullptr ? ::GetProcAddress(kernel32, name) : nullptr;
}

// Only a 32-bit process on 64-bit Windows has redirection at all; elsewhere
// the calls exist but fail, which must not read as a failed switch. Windows
// without IsWow64Process has no WOW64 either.
bool UnderWow64() {
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64 = reinterpret_cast<IsWow64Fn>(
        reinterpret_cast<void*>(Kernel32Function("IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

RedirectionResult Win32Wow64Redirection::Disable() {
    if (!UnderWow64()) return RedirectionResult::Unavailable;
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    auto disable = reinterpret_cast<DisableFn>(
        reinterpret_cast<void*>(Kernel32Function("Wow64DisableWow64FsRedirection")));
    if (disable == nullptr) return RedirectionResult::Unavailable;
    PVOID oldValue = nullptr;  // not kept: redirection stays off for the thread
    return disable(&oldValue) ? RedirectionResult::Done : RedirectionResult::Failed;
}

RedirectionResult Win32Wow64Redirection::Enable(bool on) {
    if (!UnderWow64()) return RedirectionResult::Unavailable;
    using EnableFn = BOOLEAN(WINAPI*)(BOOLEAN);
    auto enable = reinterpret_cast<EnableFn>(
        reinterpret_cast<void*>(Kernel32Function("Wow64EnableWow64FsRedirection")));
    if (enable == nullptr) return RedirectionResult::Unavailable;
    return enable(on ? TRUE : FALSE) ? RedirectionResult::Done : RedirectionResult::Failed;
}

}  // namespace norvale::win32
