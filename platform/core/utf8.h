// UTF-8 <-> wide text. std::wstring is UTF-16 where wchar_t has 16 bits
// (Windows) and UTF-32 where it has 32 (Linux). Malformed input never fails:
// every invalid or truncated sequence, overlong form, surrogate code point or
// value above U+10FFFF becomes one U+FFFD, and nothing is read past `size`.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvale {

std::wstring Utf8ToWide(const char* data, std::size_t size);
inline std::wstring Utf8ToWide(std::string_view text) { return Utf8ToWide(text.data(), text.size()); }

// Unpaired surrogates (UTF-16 builds) and invalid code points become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// UTF-16 units (a registry text, for example) as wide text: copied where
// wchar_t is UTF-16, joined into code points where it is UTF-32; an unpaired
// surrogate becomes U+FFFD there.
std::wstring Utf16ToWide(std::u16string_view units);

// The longest prefix of `text` of at most `maxBytes` bytes that does not cut
// a UTF-8 sequence in two.
std::string TruncateUtf8(std::string_view text, std::size_t maxBytes);

// The longest prefix of at most `maxUnits` wchar_t units that does not split
// a UTF-16 surrogate pair.
std::wstring TruncateWide(std::wstring_view text, std::size_t maxUnits);

}  // namespace norvale
