#include "platform/win32/win32_system_library.h"

#include <string>

namespace norvale::win32 {
namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x00000800;
#endif

FARPROC Kernel32Function(const char* name) {
    HMODULE kernel32 = ::GetModuleHandleW(L"KERNEL32.DLL");
    return kernel32 != nullptr ? ::GetProcAddress(kernel32, name) : nullptr;
}

// The LOAD_LIBRARY_SEARCH_* flags came with the same update as these
// functions: without them LoadLibraryExW refuses the flags.
bool SearchFlagsKnown() { return Kernel32Function("AddDllDirectory") != nullptr; }

}  // namespace

bool RestrictDllSearchToSystem() {
    using SetDefaultFn = BOOL(WINAPI*)(DWORD);
    auto setDefault = reinterpret_cast<SetDefaultFn>(
        reinterpret_cast<void*>(Kernel32Function("SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(Kernel32Function("SetDllDirectoryW")));
    if (setDllDirectory != nullptr) setDllDirectory(L"");
    return false;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    if (SearchFlagsKnown()) return ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + fileName;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace norvale::win32
