#include "iscsi/core/base64.h"

#include <algorithm>
#include <string>

namespace norvale {
namespace {

int SextetOf(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c - L'A';
    if (c >= L'a' && c <= L'z') return c - L'a' + 26;
    if (c >= L'0' && c <= L'9') return c - L'0' + 52;
    if (c == L'+') return 62;
    if (c == L'/') return 63;
    return -1;
}

}  // namespace

SecretText CBase64::Decode(std::wstring_view encoded) {
    encoded = encoded.substr(0, std::min(encoded.size(), kMaxEncodedChars));
    std::wstring bytes;
    // Room for the longest result up front: no reallocation leaves a copy behind.
    bytes.reserve(kMaxEncodedChars);
    unsigned bits = 0;
    unsigned pending = 0;
    for (wchar_t c : encoded) {
        if (c == L'=') break;
        const int sextet = SextetOf(c);
        if (sextet < 0) continue;
        bits = (bits << 6) | static_cast<unsigned>(sextet);
        pending += 6;
        if (pending >= 8) {
            pending -= 8;
            bytes += static_cast<wchar_t>((bits >> pending) & 0xFFu);
            bits &= (1u << pending) - 1u;
        }
    }
    return SecretText(std::move(bytes));
}

}  // namespace norvale
