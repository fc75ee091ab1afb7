// Windows error codes the disk half of the program meets, as plain numbers:
// the portable code hands them to FormatMessageW (through a port) so the user
// reads the system's own text, and tests name the exact refusal they expect.
#pragma once

#include <cstdint>

namespace norvale::win32_error {

inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kInvalidFunction = 1;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNoMoreFiles = 18;
inline constexpr std::uint32_t kWriteProtect = 19;
inline constexpr std::uint32_t kNotReady = 21;
inline constexpr std::uint32_t kGenFailure = 31;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kNotSupported = 50;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kInsufficientBuffer = 122;
inline constexpr std::uint32_t kInvalidName = 123;
inline constexpr std::uint32_t kDirNotEmpty = 145;
inline constexpr std::uint32_t kMoreData = 234;
inline constexpr std::uint32_t kUnrecognizedVolume = 1005;
inline constexpr std::uint32_t kIoDevice = 1117;
inline constexpr std::uint32_t kDeviceNotConnected = 1167;

}  // namespace norvale::win32_error
