#include <atomic>

#include "platform/core/system_language_port.h"

namespace norvale {
namespace {

std::atomic<const SystemLanguagePort*> g_installed{nullptr};

}  // namespace

std::uint16_t UiLanguageId() {
    const SystemLanguagePort* installed = g_installed.load(std::memory_order_acquire);
    return (installed != nullptr ? *installed : PlatformSystemLanguage()).SystemDefaultLanguage();
}

void InstallSystemLanguageForTesting(const SystemLanguagePort* language) {
    g_installed.store(language, std::memory_order_release);
}

}  // namespace norvale
