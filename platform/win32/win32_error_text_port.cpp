#include "platform/win32/win32_error_text_port.h"

#include "platform/win32/win32_error_text.h"

namespace norvale::win32 {

std::wstring Win32ErrorTextPort::TextOf(std::uint32_t code) const {
    std::wstring text = ErrorText(static_cast<DWORD>(code));
    return text.empty() ? L"Error " + std::to_wstring(code) : text;
}

}  // namespace norvale::win32
