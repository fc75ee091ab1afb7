#include "mainwindow/core/shares/share_entry.h"

#include <cwctype>

namespace norvale {

bool SameNameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    }
    return true;
}

ShareEntry ParseShareEntry(std::wstring_view entry) {
    const std::size_t star = entry.find(L'*');
    if (star != std::wstring_view::npos && star != 0) {
        return {std::wstring(entry.substr(0, star)), entry.substr(star + 1) != L"0"};
    }
    // An empty name is no share, so a mark in the first character is none.
    const std::size_t at = entry.find(L'@');
    if (at != std::wstring_view::npos && at != 0) {
        const std::wstring_view flag = entry.substr(at + 1);
        if (flag == L"0" || flag == L"1") return {std::wstring(entry.substr(0, at)), flag == L"1"};
    }
    return {std::wstring(entry), false};
}

}  // namespace norvale
