#include "protocol/core/name_text.h"

#include <cwctype>

#include "protocol/core/protocol_constants.h"

namespace norvale {
namespace {

// The text after the first `mark`, or the whole name when it holds none.
std::wstring TextAfter(const std::wstring& name, wchar_t mark) {
    const std::size_t at = name.find(mark);
    return at == std::wstring::npos ? name : name.substr(at + 1);
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != L'\0'; ++i) {
        if (i >= text.size() || std::towlower(text[i]) != std::towlower(prefix[i])) return false;
    }
    return true;
}

}  // namespace

std::wstring DisplayName(const std::wstring& name) { return name.substr(0, name.find(L':')); }

int OtherPortNumber(const std::wstring& name) {
    const std::wstring port = TextAfter(name, L':');
    if (StartsWithNoCase(port, L"eth0")) return 2;
    if (StartsWithNoCase(port, L"eth1")) return 1;
    return 0;
}

std::wstring OtherPortAddress(const std::wstring& name) {
    const std::wstring afterColon = TextAfter(name, L':');
    const std::wstring afterEquals = TextAfter(name, L'=');
    if (afterColon.empty() || afterEquals.empty()) return {};
    return afterEquals.substr(0, kMaxAddressChars);
}

}  // namespace norvale
