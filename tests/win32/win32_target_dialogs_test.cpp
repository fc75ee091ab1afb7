// The iSCSI group's own dialogs in real windows from the program's
// templates: the CHAP dialog with its field limits and password field, and
// the two notices opened modeless over a running dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include "iscsi/core/targets/chap_dialog.h"
#include "iscsi/core/targets/initiator_notices.h"
#include "resources/resource.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

constexpr int kDriveTimer = 0x7A12;

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

TEST(Win32TargetDialogs, TheChapDialogLimitsItsFieldsHidesThePasswordAndLogsInWithTheRightOnes) {
    NORVALE_REQUIRE_WINDOWS();
    std::wstring loggedInAs;
    std::size_t passwordLength = 0;
    // "Sixteen-chars-16" as the appliance sends it, its padding eaten.
    CPasswordDialog chap(L"iqn.2026-12.com.orrin:archive-secure", L"chap_usr", L"U2l4dGVlbi1jaGFycy0xNg",
                         [&](const std::wstring& user, const SecretText& password) {
                             loggedInAs = user;
                             passwordLength = password.Size();
                             return true;
                         });
    LRESULT userLimit = 0, passwordLimit = 0;
    LONG_PTR passwordStyle = 0;
    std::wstring caption;
    TestDialog owner;
    owner.Messages().OnTimer(kDriveTimer, [&] {
        // A modal dialog shows once its loop is idle, which on a slow
        // machine comes after the first tick.
        HWND window = GetLastActivePopup(owner.Window());
        if (window == owner.Window() || !IsWindowVisible(window)) return;
        owner.Surface().KillTimer(kDriveTimer);
        caption = WindowText(window);
        HWND user = GetDlgItem(window, IDC_CHAP_USER);
        HWND password = GetDlgItem(window, IDC_CHAP_PASSWORD);
        userLimit = SendMessageW(user, EM_GETLIMITTEXT, 0, 0);
        passwordLimit = SendMessageW(password, EM_GETLIMITTEXT, 0, 0);
        passwordStyle = GetWindowLongPtrW(password, GWL_STYLE);
        ExpectTextsFit(window);
        SaveWindowShot(window, L"chap.bmp");
        SetWindowTextW(user, L"chap_usr");
        SetWindowTextW(password, L"Sixteen-chars-16");
        SendMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
    });
    int code = 0;
    owner.onShown = [&] {
        owner.Surface().SetTimer(kDriveTimer, std::chrono::milliseconds(200));
        code = owner.Surface().RunModal(chap, IDD_CHAP_PASSWORD);
        owner.Surface().EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(owner), kIdOk);
    EXPECT_EQ(code, kIdOk);
    EXPECT_TRUE(chap.Done());
    EXPECT_EQ(loggedInAs, L"chap_usr");
    EXPECT_EQ(passwordLength, 16u);
    EXPECT_EQ(userLimit, 8);
    EXPECT_EQ(passwordLimit, 16);
    EXPECT_NE(passwordStyle & ES_PASSWORD, 0);
    EXPECT_EQ(caption, L"Orrin's HVB-3300-12 Norvale");
}

TEST(Win32TargetDialogs, TheNoticesOpenOverARunningDialogAndGoAgain) {
    NORVALE_REQUIRE_WINDOWS();
    CWinService service;
    int closed = 0;
    InstallDialog install([] {}, [&] { ++closed; });
    std::wstring serviceLine, serviceName, installText, installOk;
    bool serviceVisible = false, installGone = false;
    WithShownDialog([&](TestDialog& owner) {
        ASSERT_TRUE(owner.Surface().OpenModeless(service, IDD_SERVICE_NOTICE));
        HWND notice = GetLastActivePopup(owner.Window());
        serviceVisible = IsWindowVisible(notice) != 0;
        serviceLine = WindowText(GetDlgItem(notice, IDC_SERVICE_NOTICE_LINE));
        serviceName = WindowText(GetDlgItem(notice, IDC_SERVICE_NOTICE_NAME));
        owner.Surface().CloseModeless(service);
        EXPECT_FALSE(service.IsAttached());

        ASSERT_TRUE(owner.Surface().OpenModeless(install, IDD_INSTALL_NOTICE));
        HWND window = GetLastActivePopup(owner.Window());
        installText = WindowText(GetDlgItem(window, IDC_INSTALL_NOTICE_TEXT));
        installOk = WindowText(GetDlgItem(window, IDOK));
        SendMessageW(window, WM_CLOSE, 0, 0);
        installGone = PumpUntil([&] { return !install.IsAttached(); }, std::chrono::seconds(5));
    });
    EXPECT_TRUE(serviceVisible);
    EXPECT_EQ(serviceLine, L"Windows is trying to start the following service...");
    EXPECT_EQ(serviceName, L"Microsoft iSCSI Initiator Service");
    EXPECT_EQ(installText.rfind(L"This application requires the use of a full install", 0), 0u);
    EXPECT_EQ(installOk, L"OK");
    EXPECT_TRUE(installGone);
    EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace norvale::test
