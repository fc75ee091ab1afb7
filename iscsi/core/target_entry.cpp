#include "iscsi/core/target_entry.h"

#include <algorithm>
#include <cwctype>

namespace norvale {
namespace {

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
           });
}

}  // namespace

DeviceTargetEntry SplitTargetEntry(std::wstring_view entry) {
    DeviceTargetEntry split;
    std::wstring_view rest = entry;
    const std::size_t bar = rest.find(L'|');
    if (bar == std::wstring_view::npos) return split;
    split.listedName.assign(rest.substr(0, bar));
    rest.remove_prefix(bar + 1);
    split.name = split.listedName;
    std::replace(split.name.begin(), split.name.end(), L'_', L'-');

    // Flag up to "@", user up to "$": each empty, with all after it, when
    // its mark is missing.
    const std::size_t at = rest.find(L'@');
    if (at == std::wstring_view::npos) return split;
    split.chapFlag.assign(rest.substr(0, at));
    rest.remove_prefix(at + 1);
    const std::size_t dollar = rest.find(L'$');
    if (dollar == std::wstring_view::npos) return split;
    split.userName.assign(rest.substr(0, dollar));
    split.encodedPassword = SecretText(std::wstring(rest.substr(dollar + 1)));
    return split;
}

const std::wstring* FindTargetEntry(const std::vector<std::wstring>& entries,
                                    std::wstring_view targetName) {
    for (const std::wstring& entry : entries) {
        const DeviceTargetEntry split = SplitTargetEntry(entry);
        if (!split.name.empty() && SameIgnoringCase(split.name, targetName)) return &entry;
    }
    return nullptr;
}

std::wstring ShownTargetName(std::wstring_view name) {
    const std::size_t colon = name.find(L':');
    return std::wstring(colon == std::wstring_view::npos ? name : name.substr(colon + 1));
}

std::wstring TargetNamePrefix(std::wstring_view name) {
    const std::size_t colon = name.find(L':');
    return colon == std::wstring_view::npos ? std::wstring() : std::wstring(name.substr(0, colon + 1));
}

}  // namespace norvale
