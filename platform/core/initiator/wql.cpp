#include "platform/core/initiator/wql.h"

namespace norvale {

std::optional<std::wstring> WqlStringLiteral(std::wstring_view value) {
    std::wstring literal = L"'";
    literal.reserve(value.size() + 2);
    for (wchar_t c : value) {
        if (c == L'\0') return std::nullopt;
        if (c == L'\\' || c == L'\'') literal += L'\\';
        literal += c;
    }
    return literal + L"'";
}

std::optional<std::wstring> WqlWhereEquals(std::wstring_view className, std::wstring_view property,
                                           std::wstring_view value) {
    std::optional<std::wstring> literal = WqlStringLiteral(value);
    if (!literal) return std::nullopt;
    return std::wstring(className) + L" WHERE " + std::wstring(property) + L" = " + *literal;
}

}  // namespace norvale
