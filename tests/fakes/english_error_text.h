// The English texts Windows gives for the error codes the disk steps meet,
// so host tests check the very box a user would read.
#pragma once

#include <map>

#include "disk/core/stack/win32_error.h"
#include "platform/core/error_text_port.h"

namespace norvale::test {

class EnglishErrorText final : public ErrorTextPort {
public:
    std::wstring TextOf(std::uint32_t code) const override {
        namespace e = win32_error;
        static const std::map<std::uint32_t, std::wstring> kTexts = {
            {e::kInvalidFunction, L"Incorrect function.\r\n"},
            {e::kFileNotFound, L"The system cannot find the file specified.\r\n"},
            {e::kAccessDenied, L"Access is denied.\r\n"},
            {e::kWriteProtect, L"The media is write protected.\r\n"},
            {e::kNotReady, L"The device is not ready.\r\n"},
            {e::kGenFailure, L"A device attached to the system is not functioning.\r\n"},
            {e::kInvalidParameter, L"The parameter is incorrect.\r\n"},
            {e::kIoDevice, L"The request could not be performed because of an I/O device error.\r\n"},
            {e::kDeviceNotConnected, L"The device is not connected.\r\n"},
        };
        const auto found = kTexts.find(code);
        return found != kTexts.end() ? found->second : L"Error " + std::to_wstring(code);
    }
};

}  // namespace norvale::test
