// The system default language, which decides the language of every text the
// program shows. It is read anew each time a text is fetched.
#pragma once

#include <cstdint>

namespace norvale {

inline constexpr std::uint16_t kLanguageEnglishUs = 1033;

class SystemLanguagePort {
public:
    virtual ~SystemLanguagePort() = default;
    // GetSystemDefaultLangID: primary language in the low 10 bits,
    // sublanguage in the high 6.
    virtual std::uint16_t SystemDefaultLanguage() const = 0;
};

// Defined by each platform library: GetSystemDefaultLangID on Windows,
// English (United States) on the host.
const SystemLanguagePort& PlatformSystemLanguage();

// The language the program's texts are shown in, read at each call: the
// platform's system default language, or the one a test installed.
std::uint16_t UiLanguageId();

// Test seam: until called again with nullptr, UiLanguageId() answers
// `language`'s. Swap only while no text is loading.
void InstallSystemLanguageForTesting(const SystemLanguagePort* language);

}  // namespace norvale
