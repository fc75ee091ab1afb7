#include "mainwindow/win32/win32_http_check.h"

#include <windows.h>
#include <wininet.h>

namespace norvale::win32 {

bool Win32HttpCheck::CheckConnection(const std::wstring& url) {
    return ::InternetCheckConnectionW(url.c_str(), FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
}

}  // namespace norvale::win32
