#include "platform/win32/win32_error_text.h"

namespace norvale::win32 {

std::wstring ErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0,
        nullptr);
    std::wstring result(text ? text : L"", length);
    if (text) LocalFree(text);
    return result;
}

}  // namespace norvale::win32
