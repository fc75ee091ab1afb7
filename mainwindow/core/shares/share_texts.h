// The string-table texts of the share section.
#pragma once

namespace norvale::share_text {

inline constexpr unsigned kSelectShare = 165;           // "Please select a device in the above section."
inline constexpr unsigned kMappedRestart = 184;         // mapped, restart to see it everywhere
inline constexpr unsigned kMapped = 185;
inline constexpr unsigned kMapFailed = 186;
inline constexpr unsigned kUnmapFailed = 187;
inline constexpr unsigned kUnmappedRestart = 188;
inline constexpr unsigned kUnmapped = 189;
inline constexpr unsigned kDeviceUnavailable = 202;
inline constexpr unsigned kCaptionError = 234;
inline constexpr unsigned kCaptionConfirm = 235;
inline constexpr unsigned kCaptionWarning = 236;
inline constexpr unsigned kNeedsAdministrator = 291;  // "Run as administrator"
inline constexpr unsigned kIsLocked = 247;              // " is Locked.", behind the share name

}  // namespace norvale::share_text
