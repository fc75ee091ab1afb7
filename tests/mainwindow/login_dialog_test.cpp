// The login dialog on the test surface: what it shows in its two modes, and
// what OK and Cancel leave in the caller's texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "mainwindow/core/login_dialog.h"
#include "resources/resource.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

constexpr Color kBlue{0, 98, 147};
constexpr Color kWhiteText{255, 255, 255};

class FixedUser final : public WindowsUserPort {
public:
    explicit FixedUser(std::wstring name) : name_(std::move(name)) {}
    std::wstring CurrentUserName() const override {
        ++calls;
        return name_;
    }
    mutable int calls = 0;

private:
    std::wstring name_;
};

class LoginDialogTest : public ::testing::Test {
protected:
    // Opens a new dialog on a new surface, writing into `user` and `password`.
    void Open(LoginDialogInputs inputs) {
        surface_ = std::make_unique<FakeDialogSurface>();
        surface_->DeclareControls({IDC_LOGIN_USER_LABEL, IDC_LOGIN_USER, IDC_LOGIN_PASSWORD_LABEL,
                                   IDC_LOGIN_PASSWORD, kIdOk, kIdCancel});
        dialog_ = std::make_unique<CLoginDialog>(std::move(inputs), user, password);
        surface_->Open(*dialog_);
    }
    FakeDialogSurface& Surface() { return *surface_; }
    LoginDialogInputs WindowsUserOn(const std::wstring& versionName) {
        LoginDialogInputs inputs;
        inputs.mode = LoginMode::WindowsUser;
        inputs.windowsUser = &account;
        inputs.windowsVersionName = versionName;
        return inputs;
    }

    FixedUser account{L"Jana"};
    std::string user = "before-user";
    std::string password = "before-password";

private:
    // The surface goes first, so it never outlives the dialog it drives.
    std::unique_ptr<CLoginDialog> dialog_;
    std::unique_ptr<FakeDialogSurface> surface_;
};

TEST_F(LoginDialogTest, ShowsTheTextsColoursAndLimitsOfTheStringTable) {
    Open({});
    EXPECT_EQ(Surface().Title(), L"Login");
    EXPECT_EQ(Surface().Control(IDC_LOGIN_USER_LABEL).text, L"User name:");
    EXPECT_EQ(Surface().Control(IDC_LOGIN_PASSWORD_LABEL).text, L"Password:");
    EXPECT_EQ(Surface().Control(kIdOk).text, L"OK");
    EXPECT_EQ(Surface().Control(kIdCancel).text, L"Cancel");
    EXPECT_EQ(Surface().DialogBackground(), kBlue);
    EXPECT_EQ(Surface().StaticTextColor(), kWhiteText);
    EXPECT_EQ(Surface().Control(IDC_LOGIN_USER).textLimit, 31);
    EXPECT_EQ(Surface().Control(IDC_LOGIN_PASSWORD).textLimit, 127);
    EXPECT_TRUE(Surface().UnknownControlCalls().empty()) << "only controls of template 134";
}

TEST_F(LoginDialogTest, AdministratorModeOffersOnlyThePassword) {
    Open({});
    EXPECT_EQ(Surface().Control(IDC_LOGIN_USER).text, L"admin");
    EXPECT_FALSE(Surface().Control(IDC_LOGIN_USER).enabled);
    EXPECT_EQ(Surface().Focus(), IDC_LOGIN_PASSWORD);

    Surface().TypeText(IDC_LOGIN_USER, L"root");  // refused: the field is disabled
    Surface().TypeText(IDC_LOGIN_PASSWORD, L"s3cret");
    Surface().Click(kIdOk);
    EXPECT_EQ(Surface().EndCode(), kIdOk);
    EXPECT_EQ(user, "admin");
    EXPECT_EQ(password, "s3cret");
}

TEST_F(LoginDialogTest, OkWritesUtf8AndNeverHalfACharacter) {
    Open({});
    Surface().TypeText(IDC_LOGIN_PASSWORD, L"p\u00e4ss\u20ac\U0001F511");
    Surface().Click(kIdOk);
    EXPECT_EQ(password, "p\xC3\xA4ss\xE2\x82\xAC\xF0\x9F\x94\x91");

    // 126 ASCII characters and a two-byte one: 128 bytes, one too many; the
    // whole last character goes.
    Open({});
    Surface().TypeText(IDC_LOGIN_PASSWORD, std::wstring(126, L'x') + L"\u00e9");
    Surface().Click(kIdOk);
    EXPECT_EQ(password, std::string(126, 'x'));

    // A user name of 11 three-byte characters (33 bytes) keeps 10 of them.
    Open(WindowsUserOn(L"Windows XP"));
    Surface().TypeText(IDC_LOGIN_USER, std::wstring(11, L'\u4e00'));
    Surface().Click(kIdOk);
    std::string ten;
    for (int i = 0; i < 10; ++i) ten += "\xE4\xB8\x80";
    EXPECT_EQ(user, ten);
}

TEST_F(LoginDialogTest, TextLongerThanTheFieldTakesIsCutToItsLimit) {
    // Text that reaches the field without typing (pasted by a program) is
    // not held to the edit limit; what is sent still is.
    Open({});
    Surface().Control(IDC_LOGIN_PASSWORD).text = std::wstring(300, L'k');
    Surface().Click(kIdOk);
    EXPECT_EQ(password, std::string(127, 'k'));
}

TEST_F(LoginDialogTest, CancelAndTheCloseBoxLeaveBothTextsAsTheyWere) {
    Open({});
    Surface().TypeText(IDC_LOGIN_PASSWORD, L"typed");
    Surface().Click(kIdCancel);
    EXPECT_EQ(Surface().EndCode(), kIdCancel);
    EXPECT_EQ(user, "before-user");
    EXPECT_EQ(password, "before-password");

    Open(WindowsUserOn(L"Windows 2000"));
    Surface().TypeText(IDC_LOGIN_USER, L"someone");
    Surface().CloseBox();
    EXPECT_EQ(user, "before-user");
    EXPECT_EQ(password, "before-password");
}

TEST_F(LoginDialogTest, WindowsUserModeShowsTheAccountOnlyOn98AndMe) {
    for (const wchar_t* version : {L"Windows 98", L"Windows 98 SE", L"Windows ME"}) {
        Open(WindowsUserOn(version));
        FakeDialogSurface& fresh = Surface();
        EXPECT_EQ(fresh.Control(IDC_LOGIN_USER).text, L"Jana") << version;
        EXPECT_FALSE(fresh.Control(IDC_LOGIN_USER).enabled) << version;
        EXPECT_EQ(fresh.Focus(), IDC_LOGIN_PASSWORD) << version;
        fresh.TypeText(IDC_LOGIN_PASSWORD, L"pw");
        fresh.Click(kIdOk);
        EXPECT_EQ(user, "Jana") << version;
        EXPECT_EQ(password, "pw") << version;
    }
    for (const wchar_t* version : {L"Windows XP", L"Vista", L"Windows NT 4", L"Windows 95"}) {
        Open(WindowsUserOn(version));
        FakeDialogSurface& fresh = Surface();
        EXPECT_EQ(fresh.Control(IDC_LOGIN_USER).text, L"") << version;
        EXPECT_TRUE(fresh.Control(IDC_LOGIN_USER).enabled) << version;
        EXPECT_EQ(fresh.Focus(), IDC_LOGIN_USER) << version;
        fresh.TypeText(IDC_LOGIN_USER, L"J\u00fcrgen");
        fresh.Click(kIdOk);
        EXPECT_EQ(user, "J\xC3\xBCrgen") << version;
        EXPECT_EQ(password, "") << version;
    }
}

TEST_F(LoginDialogTest, WindowsUserModeWithoutAnAccountSourceStartsEmpty) {
    LoginDialogInputs inputs = WindowsUserOn(L"Windows ME");
    inputs.windowsUser = nullptr;
    Open(inputs);
    EXPECT_EQ(Surface().Control(IDC_LOGIN_USER).text, L"");
    Surface().Click(kIdOk);
    EXPECT_EQ(user, "");
}

TEST_F(LoginDialogTest, ThePasswordNeverReachesTheSurfaceLog) {
    Open({});
    Surface().TypeText(IDC_LOGIN_PASSWORD, L"hunter2");
    Surface().Click(kIdOk);
    for (const std::wstring& entry : Surface().Log()) {
        EXPECT_EQ(entry.find(L"hunter2"), std::wstring::npos) << "the password was logged";
    }
}

}  // namespace
}  // namespace norvale::test
