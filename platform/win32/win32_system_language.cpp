#include <windows.h>

#include "platform/core/system_language_port.h"

namespace norvale {
namespace {

class Win32SystemLanguage final : public SystemLanguagePort {
public:
    std::uint16_t SystemDefaultLanguage() const override { return GetSystemDefaultLangID(); }
};

}  // namespace

const SystemLanguagePort& PlatformSystemLanguage() {
    static const Win32SystemLanguage language;
    return language;
}

}  // namespace norvale
