// The host has no system default language in the Windows sense; its tools
// and tests see the language the string table ships in.
#include "platform/core/system_language_port.h"

namespace norvale {
namespace {

class HostSystemLanguage final : public SystemLanguagePort {
public:
    std::uint16_t SystemDefaultLanguage() const override { return kLanguageEnglishUs; }
};

}  // namespace

const SystemLanguagePort& PlatformSystemLanguage() {
    static const HostSystemLanguage language;
    return language;
}

}  // namespace norvale
