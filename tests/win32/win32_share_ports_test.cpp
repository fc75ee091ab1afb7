// The share section's Windows ports under Wine: a letter nothing is mapped
// to, the system drive, and a web check that nobody answers.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "mainwindow/win32/win32_http_check.h"
#include "platform/win32/win32_drive_ports.h"

namespace norvale {
namespace {

// A letter no Wine prefix maps by default.
constexpr wchar_t kUnmapped[] = L"Q:";

TEST(Win32NetworkDrivePort, UnmappedLetterHasNoRemoteNameAndCannotBeCancelled) {
    win32::Win32NetworkDrivePort drives;
    EXPECT_FALSE(drives.RemoteName(kUnmapped));
    EXPECT_FALSE(drives.CancelConnection(kUnmapped, 1, true));
    EXPECT_FALSE(drives.RemoteName(L""));
}

TEST(Win32NetworkDrivePort, MappingToAMissingServerFailsWithoutTakingTheLetter) {
    win32::Win32NetworkDrivePort drives;
    EXPECT_FALSE(drives.AddConnection(kUnmapped, L"\\\\norvale-no-such-host.invalid\\share", L"", L"", 0));
    EXPECT_FALSE(drives.RemoteName(kUnmapped));
}

TEST(Win32DriveTypePort, SystemDriveIsFixedAndAnUnusedLetterHasNoRoot) {
    win32::Win32DriveTypePort types;
    EXPECT_EQ(types.TypeOf(L"C:"), DriveType::Fixed);
    EXPECT_EQ(types.TypeOf(kUnmapped), DriveType::NoRootDirectory);
}

TEST(Win32HttpCheck, NothingListeningIsNoAnswer) {
    win32::Win32HttpCheck http;
    EXPECT_FALSE(http.CheckConnection(L"http://127.0.0.1:9"));
    EXPECT_FALSE(http.CheckConnection(L"not a url"));
}

}  // namespace
}  // namespace norvale
