#include "iscsi/core/targets/statistics_selection.h"

#include <string_view>

#include "iscsi/core/targets/name_compare.h"
#include "platform/core/version/windows_version_editions.h"

namespace norvale {

bool UsesStatisticsPrefixMatching(const WindowsVersionInfo& version) {
    // Which releases suffix the names cannot be told from the version (7 RTM
    // with a hotfix does, 10 may); the match falls back to the whole name and
    // target names hold no "_", so it is right under either naming.
    return IsVersion61OrLater(version);
}

std::optional<std::wstring> StatisticsInstanceFor(const std::wstring& targetName,
                                                  const std::vector<std::wstring>& instanceNames,
                                                  bool prefixMatching) {
    if (!prefixMatching) return targetName;
    if (instanceNames.empty()) return std::nullopt;
    for (const std::wstring& instance : instanceNames) {
        const std::wstring_view view(instance);
        if (SameIgnoringCase(view.substr(0, view.find(L'_')), targetName)) return instance;
    }
    return targetName;
}

}  // namespace norvale
