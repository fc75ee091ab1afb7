// ErrorTextPort over FormatMessageW.
#pragma once

#include "platform/core/error_text_port.h"

namespace norvale::win32 {

class Win32ErrorTextPort final : public ErrorTextPort {
public:
    std::wstring TextOf(std::uint32_t code) const override;
};

}  // namespace norvale::win32
