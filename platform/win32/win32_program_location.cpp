#include "platform/win32/win32_program_location.h"

#include <windows.h>

namespace norvale::win32 {

std::wstring Win32ProgramLocation::ExecutablePath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A full buffer means the path was cut: no path is better than a wrong one.
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(path, length);
}

bool Win32ProgramLocation::FileExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace norvale::win32
