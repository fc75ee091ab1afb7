#include "mainwindow/win32/win32_windows_user.h"

#include <windows.h>

#include <vector>

namespace norvale::win32 {

std::wstring Win32WindowsUser::CurrentUserName() const {
    // UNLEN (256) characters and the terminator hold any logon name; a
    // longer answer is asked for once more with the size Windows named.
    DWORD size = 257;
    std::vector<wchar_t> buffer(size);
    if (!::GetUserNameW(buffer.data(), &size)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
        buffer.assign(size, L'\0');
        if (!::GetUserNameW(buffer.data(), &size)) return {};
    }
    buffer.back() = L'\0';
    return std::wstring(buffer.data());
}

}  // namespace norvale::win32
