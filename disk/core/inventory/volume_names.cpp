#include "disk/core/inventory/volume_names.h"

#include <algorithm>
#include <cwctype>

namespace norvale {

namespace {

constexpr wchar_t kVolumePrefix[] = L"\\\\?\\";
constexpr std::size_t kVolumePrefixChars = 4;

wchar_t Upper(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); }

}  // namespace

std::optional<std::wstring> DosNameOfVolume(const std::wstring& volumeGuidPath) {
    if (volumeGuidPath.size() <= kVolumePrefixChars + 1) return std::nullopt;
    if (volumeGuidPath.compare(0, kVolumePrefixChars, kVolumePrefix) != 0) return std::nullopt;
    if (volumeGuidPath.back() != L'\\') return std::nullopt;
    std::wstring name = volumeGuidPath.substr(kVolumePrefixChars, volumeGuidPath.size() - kVolumePrefixChars - 1);
    // A DOS device name is one path component.
    if (name.find_first_of(L"\\/") != std::wstring::npos || name.find(L'\0') != std::wstring::npos) {
        return std::nullopt;
    }
    return name;
}

std::optional<wchar_t> DriveLetterOf(const std::wstring& text) {
    if (text.size() < 2 || text[1] != L':') return std::nullopt;
    const wchar_t letter = Upper(text[0]);
    if (letter < L'A' || letter > L'Z') return std::nullopt;
    if (text.size() == 2) return letter;
    if (text[2] != L'\\' && text[2] != L' ') return std::nullopt;
    return letter;
}

std::wstring DriveRootOf(wchar_t letter) { return std::wstring{letter, L':', L'\\'}; }
std::wstring DriveNameOf(wchar_t letter) { return std::wstring{letter, L':'}; }

bool SameName(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return Upper(x) == Upper(y); });
}

}  // namespace norvale
