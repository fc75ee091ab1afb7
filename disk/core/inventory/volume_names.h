// The names Windows gives volumes and drives, taken apart and put together:
// volume GUID paths ("\\?\Volume{...}\"), the DOS device names QueryDosDeviceW
// takes ("Volume{...}", "E:") and drive roots ("E:\"). Volume names come
// from the system and mount points from the user's choice: anything of
// another form is refused, never cut into something else.
#pragma once

#include <optional>
#include <string>

namespace norvale {

// "Volume{...}" of "\\?\Volume{...}\" (the prefix and the trailing backslash
// removed); nullopt when the path has another form.
std::optional<std::wstring> DosNameOfVolume(const std::wstring& volumeGuidPath);

// The upper-case letter of "E:", "E:\" or a combo item that starts so
// ("E: \\NAS\music\"); nullopt for anything else.
std::optional<wchar_t> DriveLetterOf(const std::wstring& text);

// "E:\" and "E:" of a letter.
std::wstring DriveRootOf(wchar_t letter);
std::wstring DriveNameOf(wchar_t letter);

// Case-insensitive equality of ASCII-range names (device paths, target names).
bool SameName(const std::wstring& a, const std::wstring& b);

}  // namespace norvale
