#include "platform/core/initiator/iscsi_name.h"

#include "platform/core/secret_text.h"

namespace norvale {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsHex(wchar_t c) { return IsDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }
bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsNameChar(wchar_t c) { return IsLetter(c) || IsDigit(c) || c == L'-' || c == L'.' || c == L':'; }

bool HasPrefix(std::wstring_view name, std::wstring_view prefix) {
    if (name.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        wchar_t c = name[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

bool AllHex(std::wstring_view digits) {
    for (wchar_t c : digits) {
        if (!IsHex(c)) return false;
    }
    return true;
}

// "yyyy-mm." and a naming authority that begins with a letter or digit.
bool IqnRestValid(std::wstring_view rest) {
    if (rest.size() < 9) return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6}) {
        if (!IsDigit(rest[i])) return false;
    }
    const int month = (rest[5] - L'0') * 10 + (rest[6] - L'0');
    if (rest[4] != L'-' || month < 1 || month > 12 || rest[7] != L'.') return false;
    const wchar_t first = rest[8];
    return IsLetter(first) || IsDigit(first);
}

}  // namespace

std::wstring IscsiNameProblem(std::wstring_view name) {
    if (name.empty()) return L"is empty";
    if (name.size() > kIscsiNameMaxBytes) return L"is longer than 223 bytes";
    for (wchar_t c : name) {
        if (!IsNameChar(c)) return L"holds a character iSCSI names do not have";
    }
    if (HasPrefix(name, L"iqn.")) {
        if (!IqnRestValid(name.substr(4))) return L"is not an iqn. name (date and naming authority)";
        return {};
    }
    if (HasPrefix(name, L"eui.")) {
        const std::wstring_view digits = name.substr(4);
        if (digits.size() != 16 || !AllHex(digits)) return L"is not an eui. name (16 hex digits)";
        return {};
    }
    if (HasPrefix(name, L"naa.")) {
        const std::wstring_view digits = name.substr(4);
        if ((digits.size() != 16 && digits.size() != 32) || !AllHex(digits))
            return L"is not a naa. name (16 or 32 hex digits)";
        return {};
    }
    return L"is not an iqn., eui. or naa. name";
}

bool IsChapUserName(std::wstring_view userName) {
    if (userName.empty() || userName == L"*") return false;
    for (wchar_t c : userName) {
        if (c <= L' ' || c >= 0x7F || c == L'"') return false;
    }
    return true;
}

std::wstring ChapSecretArgument(std::wstring_view secret) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring argument;
    argument.reserve(2 + secret.size() * 2);
    argument += L"0x";
    for (wchar_t c : secret) {
        if (static_cast<unsigned long>(c) > 0xFF) {
            WipeText(argument);
            return {};
        }
        argument += kDigits[(c >> 4) & 0xF];
        argument += kDigits[c & 0xF];
    }
    return argument;
}

}  // namespace norvale
