// The Configuration button against Wine's real registry: the default
// Start-menu browser is registered under HKEY_LOCAL_MACHINE as Windows does,
// and the command line the web section builds from it is recorded instead
// of started. The program start itself is checked with programs that cannot
// be found, which is what the Explorer fallback relies on.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "mainwindow/core/web_section.h"
#include "mainwindow/win32/win32_program_start.h"
#include "platform/win32/win32_registry_port.h"
#include "tests/mainwindow/main_dialog_fixture.h"
#include "tests/mainwindow/web_test_ports.h"

namespace norvale::test {
namespace {

constexpr wchar_t kClients[] = L"Software\\Clients\\StartMenuInternet";
constexpr wchar_t kTestClient[] = L"NorvaleTestBrowser";

// The machine's registration as it was before a test, put back afterwards.
struct SavedDefaultValue {
    bool keyExisted = false;
    bool present = false;
    DWORD type = REG_SZ;
    std::vector<BYTE> bytes;
};

SavedDefaultValue SaveClientName() {
    SavedDefaultValue saved;
    HKEY key = nullptr;
    saved.keyExisted = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClients, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (saved.keyExisted) ::RegCloseKey(key);
    DWORD size = 0;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kClients, nullptr, RRF_RT_ANY | RRF_NOEXPAND, &saved.type,
                       nullptr, &size) != ERROR_SUCCESS) {
        return saved;
    }
    saved.bytes.resize(size);
    saved.present = ::RegGetValueW(HKEY_LOCAL_MACHINE, kClients, nullptr, RRF_RT_ANY | RRF_NOEXPAND,
                                   &saved.type, saved.bytes.data(), &size) == ERROR_SUCCESS;
    saved.bytes.resize(size);
    return saved;
}

bool SetDefaultText(const std::wstring& key, const std::wstring& text) {
    HKEY handle = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG result =
        ::RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

class Win32WebSectionTest : public ::testing::Test {
protected:
    Win32WebSectionTest() {
        segment.SetLocalAddresses(std::vector<std::string>{kPcAddress});
        segment.AddAppliance(Nas("192.168.1.20", "NAS-A", 1));
        DeclareMainDialogControls(surface);
    }
    void SetUp() override {
        saved = SaveClientName();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kClients) + L"\\" + kTestClient).c_str());
        surface.Open(dialog);
        surface.ClickListRow(IDC_DEVICE_LIST, 0);
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kClients) + L"\\" + kTestClient).c_str());
        if (!saved.keyExisted) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClients);
            return;
        }
        HKEY handle = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClients, 0, KEY_SET_VALUE, &handle) == ERROR_SUCCESS) {
            if (saved.present) {
                ::RegSetValueExW(handle, nullptr, 0, saved.type, saved.bytes.data(),
                                 static_cast<DWORD>(saved.bytes.size()));
            } else {
                ::RegDeleteValueW(handle, nullptr);
            }
            ::RegCloseKey(handle);
        }
    }
    void RegisterTestBrowser(const std::wstring& command) {
        ASSERT_TRUE(SetDefaultText(kClients, kTestClient)) << "the prefix lets its user write HKLM";
        ASSERT_TRUE(SetDefaultText(std::wstring(kClients) + L"\\" + kTestClient + L"\\shell\\open\\command", command));
    }

    SavedDefaultValue saved;
    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    win32::Win32RegistryPort registry;
    RecordingProgramStart programs;
    CWebSection web{registry, programs};
    CNorvaleDlg dialog{protocol, files, NorvaleDlgSections{nullptr, nullptr, nullptr, &web}};
    FakeDialogSurface surface;
};

TEST_F(Win32WebSectionTest, TheRegisteredBrowserCommandIsFollowedByTheDeviceUrl) {
    RegisterTestBrowser(L"\"C:\\Program Files\\Norvale Test\\browser.exe\"");
    surface.Click(IDC_CONFIGURATION);
    ASSERT_EQ(programs.starts.size(), 1u);
    EXPECT_EQ(programs.starts[0].commandLine, "\"C:\\Program Files\\Norvale Test\\browser.exe\" http://192.168.1.20");
    EXPECT_EQ(programs.starts[0].showCommand, SW_HIDE);
}

TEST_F(Win32WebSectionTest, InternetExplorerAndAnOverLongCommandBothEndAtExplorer) {
    ASSERT_TRUE(SetDefaultText(kClients, L"IEXPLORE.EXE"));
    surface.Click(IDC_CONFIGURATION);
    // 60 characters do not fit the registry buffer: no browser, and the
    // start of " http://..." is answered as a missing program.
    RegisterTestBrowser(std::wstring(60, L'b'));
    programs.results = {kStartFileNotFound};
    surface.Click(IDC_CONFIGURATION);
    EXPECT_EQ(programs.CommandLines(), (std::vector<std::string>{"explorer http://192.168.1.20",
                                                                 " http://192.168.1.20",
                                                                 "explorer http://192.168.1.20"}));
}

TEST(Win32ProgramStart, AProgramThatCannotBeFoundAnswersACodeThatFallsBack) {
    win32::Win32ProgramStart programs;
    const unsigned missing = programs.StartProgram("C:\\no\\such\\norvale-browser.exe http://192.0.2.1", SW_HIDE);
    EXPECT_TRUE(missing == kStartFileNotFound || missing == kStartPathNotFound) << missing;
    // What an empty browser command leaves: no program in front of the URL.
    const unsigned empty = programs.StartProgram(" http://192.0.2.1", SW_HIDE);
    EXPECT_TRUE(empty == kStartFileNotFound || empty == kStartPathNotFound || empty == kStartBadFormat) << empty;
    EXPECT_GT(programs.StartProgram("cmd.exe /c exit 0", SW_HIDE), 31u) << "a program that exists starts";
}

}  // namespace
}  // namespace norvale::test
