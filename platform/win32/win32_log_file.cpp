#include "platform/win32/win32_log_file.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <utility>

#include "platform/win32/win32_handle.h"

namespace norvale::win32 {
namespace {

std::wstring OlderPath(const std::wstring& folder) { return folder + L"\\norvale.old.log"; }

}  // namespace

Win32LogFile::Win32LogFile(std::wstring folder) : folder_(std::move(folder)) {
    if (!folder_.empty()) {
        path_ = folder_ + L"\\norvale.log";
        return;
    }
    wchar_t local[MAX_PATH] = {};
    // CSIDL_LOCAL_APPDATA is what %LOCALAPPDATA% names on Vista and later,
    // and "Local Settings\Application Data" on XP, which has no such variable.
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)) &&
        local[0] != L'\0') {
        folder_ = std::wstring(local) + L"\\Norvale";
        path_ = folder_ + L"\\norvale.log";
    }
}

bool Win32LogFile::Append(const std::string& bytes) {
    if (path_.empty()) return false;
    if (!folderMade_) {
        if (!::CreateDirectoryW(folder_.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
        folderMade_ = true;
    }
    Handle file(::CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::optional<std::uint64_t> Win32LogFile::CurrentSize() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path_.empty() || !::GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Win32LogFile::Rotate() {
    if (path_.empty()) return false;
    return ::MoveFileExW(path_.c_str(), OlderPath(folder_).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::wstring LocalTimeStamp() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u", unsigned{now.wYear}, unsigned{now.wMonth},
                  unsigned{now.wDay}, unsigned{now.wHour}, unsigned{now.wMinute}, unsigned{now.wSecond},
                  unsigned{now.wMilliseconds});
    return text;
}

std::optional<bool> Win32Elevation::IsElevated() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
    Handle held(token);
    // TokenElevation is known from Vista on; older Windows fails the call.
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    if (!::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &returned)) return std::nullopt;
    return elevation.TokenIsElevated != 0;
}

}  // namespace norvale::win32
