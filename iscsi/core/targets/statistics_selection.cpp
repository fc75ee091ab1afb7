#include "iscsi/core/targets/statistics_selection.h"

#include <string_view>

#include "iscsi/core/targets/name_compare.h"
#include "platform/core/version/windows_version_editions.h"

namespace norvale {

bool UsesStatisticsPrefixMatching(const WindowsVersionInfo& version, bool wow64) {
    if (!IsVersion61OrLater(version)) return false;
    const bool servicePack1 = version.servicePackText == L"Service Pack 1";
    if (IsVersion61OrLaterWorkstation(version) && servicePack1) return true;
    if (wow64 && IsVersion61OrLaterEnterprise(version)) return true;
    const bool server = IsVersion61OrLaterMemberServer(version) || IsVersion61OrLaterEnterprise(version) ||
                        IsVersion61OrLaterWebEdition(version) || IsVersion61OrLaterDatacenter(version) ||
                        IsVersion61OrLaterStandard(version);
    return server && wow64 && servicePack1;
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
