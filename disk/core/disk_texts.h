// String-table ids of the disk half's texts that the foundations use, and
// the one way they are filled in.
#pragma once

#include <string>

namespace norvale::disk_text {

inline constexpr unsigned kSelectDriveLetter = 123;  // group box of the Drive Select dialog
inline constexpr unsigned kDevice = 143;             // "Device:"
inline constexpr unsigned kOk = 155;
inline constexpr unsigned kCancel = 156;
inline constexpr unsigned kDriveSelectTitle = 215;   // "Drive Select"
inline constexpr unsigned kCaptionError = 234;
inline constexpr unsigned kCaptionWarning = 236;
inline constexpr unsigned kNoFreeLetter = 261;       // "There is no avaliable drive letter to use."
// The disk number moved to another target, or is the system disk: %d.
inline constexpr unsigned kDiskNotOfTarget = 266;
// A new or changed partition got no drive letter within the wait's bound.
inline constexpr unsigned kNoLetterInTime = 267;
// A script file could not be made safely: %s is its path.
inline constexpr unsigned kScriptFileRefused = 268;

// The text with its first "%d" replaced by the number and its first "%s" by
// the text (each when present), as the table's templates are written.
std::wstring FillText(std::wstring text, long long number, const std::wstring& word = {});

// The foundations' refusals as the user reads them (system default language).
std::wstring DiskNotOfTargetText(long long disk);
std::wstring NoLetterInTimeText();
std::wstring ScriptFileRefusedText(const std::wstring& scriptPath);

}  // namespace norvale::disk_text
