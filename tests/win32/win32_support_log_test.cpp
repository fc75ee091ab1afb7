// The support log's files and the token's elevation against Wine: a log in a
// folder of its own is created, fills, turns over to norvale.old.log, and a
// folder that cannot be made costs nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/core/log/support_log.h"
#include "platform/win32/win32_log_file.h"

namespace norvale {
namespace {

std::string FileText(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string text(64 * 1024, '\0');
    DWORD got = 0;
    ::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
    ::CloseHandle(file);
    text.resize(got);
    return text;
}

TEST(Win32SupportLog, TheFileIsMadeFillsAndTurnsOver) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"norvale-log-test-" + std::to_wstring(::GetCurrentProcessId());
    {
        win32::Win32LogFile file(folder);
        SupportLog log(file, {}, 40);
        log.Trace(L"first line");          // 12 bytes
        log.Trace(L"second line");         // 13 bytes
        log.Trace(L"third line, too far"); // would make 46
    }
    EXPECT_EQ(FileText(folder + L"\\norvale.old.log"), "first line\r\nsecond line\r\n");
    EXPECT_EQ(FileText(folder + L"\\norvale.log"), "third line, too far\r\n");
    ::DeleteFileW((folder + L"\\norvale.log").c_str());
    ::DeleteFileW((folder + L"\\norvale.old.log").c_str());
    EXPECT_TRUE(::RemoveDirectoryW(folder.c_str()));

    win32::Win32LogFile nowhere(std::wstring(temp) + L"no\\such\\parent\\Norvale");
    SupportLog silent(nowhere);
    silent.Trace(L"lost");  // no folder, no file, no failure
    EXPECT_FALSE(nowhere.CurrentSize().has_value());
}

TEST(Win32SupportLog, TheDefaultFolderIsTheLocalApplicationData) {
    win32::Win32LogFile file;
    EXPECT_NE(file.Path().find(L"\\Norvale\\norvale.log"), std::wstring::npos);
    wchar_t local[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH) > 0) {
        EXPECT_EQ(file.Path(), std::wstring(local) + L"\\Norvale\\norvale.log");
    }
    // Wine gives every process a token that answers TokenElevation.
    EXPECT_TRUE(win32::Win32Elevation().IsElevated().has_value());
}

}  // namespace
}  // namespace norvale
