// The system's own text for a Win32 error code, as message boxes show it.
#pragma once

#include <windows.h>

#include <string>

namespace norvale::win32 {

std::wstring ErrorText(DWORD code);

}  // namespace norvale::win32
