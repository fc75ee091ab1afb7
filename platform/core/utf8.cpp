#include "platform/core/utf8.h"

#include <cstdint>
#include <type_traits>

namespace norvale {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one sequence at data[pos]; advances pos past it (by one byte for an
// invalid lead byte, or up to the first byte that breaks the sequence).
char32_t DecodeOne(const unsigned char* data, std::size_t size, std::size_t& pos) {
    const unsigned char lead = data[pos++];
    if (lead < 0x80) return lead;

    std::size_t length;
    char32_t value;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (pos >= size || !IsContinuation(data[pos])) return kReplacement;
        value = (value << 6) | (data[pos++] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kReplacement;
    }
    return value;
}

void AppendCodePoint(std::wstring& out, char32_t value) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (value >= 0x10000) {
            value -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(value));
}

void AppendUtf8(std::string& out, char32_t value) {
    if (value < 0x80) {
        out.push_back(static_cast<char>(value));
    } else if (value < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (value >> 6)));
        out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else if (value < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (value >> 12)));
        out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (value >> 18)));
        out.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    }
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::wstring Utf8ToWide(const char* data, std::size_t size) {
    std::wstring out;
    if (data == nullptr) return out;
    out.reserve(size);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t pos = 0;
    while (pos < size) AppendCodePoint(out, DecodeOne(bytes, size, pos));
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    // Room for the longest result: growing would leave partial copies of
    // the text (a password, too) in freed blocks.
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
        if (IsHighSurrogate(unit) && i + 1 < text.size() &&
            IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit) || unit > 0x10FFFF) {
            unit = kReplacement;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::string TruncateUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t cut = maxBytes;
    // Step back over continuation bytes to the start of the sequence that the
    // cut would split; keep that sequence only if it fits whole.
    std::size_t start = cut;
    while (start > 0 && IsContinuation(static_cast<unsigned char>(text[start]))) --start;
    if (start != cut) cut = start;
    return std::string(text.substr(0, cut));
}

std::wstring TruncateWide(std::wstring_view text, std::size_t maxUnits) {
    if (text.size() <= maxUnits) return std::wstring(text);
    std::size_t cut = maxUnits;
    if constexpr (sizeof(wchar_t) == 2) {
        if (cut > 0 && IsHighSurrogate(static_cast<char32_t>(text[cut - 1]))) --cut;
    }
    return std::wstring(text.substr(0, cut));
}

std::wstring Utf16ToWide(std::u16string_view units) {
    std::wstring text;
    if constexpr (sizeof(wchar_t) == 2) {
        text.assign(units.begin(), units.end());
    } else {
        for (std::size_t i = 0; i < units.size(); ++i) {
            const char32_t unit = units[i];
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF) {
                const char32_t low = units[++i];
                text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
            } else if (unit >= 0xD800 && unit <= 0xDFFF) {
                text.push_back(static_cast<wchar_t>(0xFFFD));
            } else {
                text.push_back(static_cast<wchar_t>(unit));
            }
        }
    }
    return text;
}

}  // namespace norvale
