#include "mainwindow/core/login_dialog.h"

#include "mainwindow/core/admin_login.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/utf8.h"
#include "platform/core/wipe.h"
#include "resources/resource.h"

namespace norvale {

namespace {

// Windows 98 and ME map a share for the logged-on user only.
bool AccountNameIsFixed(const std::wstring& versionName) {
    return versionName.find(L"ME") != std::wstring::npos || versionName.find(L"98") != std::wstring::npos;
}

// The field's text as the device takes it: at most `maxChars` characters,
// then at most as many UTF-8 bytes, never half a character. Text the program
// set is not held to the field's limit, so it is cut here as well.
std::string FieldAsUtf8(const std::wstring& text, int maxChars) {
    const auto limit = static_cast<std::size_t>(maxChars);
    return TruncateUtf8(WideToUtf8(TruncateWide(text, limit)), limit);
}

// The same for the password field: every intermediate copy is overwritten
// before it is freed.
std::string SecretFieldAsUtf8(const DialogSurfacePort& surface, int fieldId, int maxChars) {
    const auto limit = static_cast<std::size_t>(maxChars);
    std::wstring typed = surface.Text(fieldId);
    std::wstring cut = TruncateWide(typed, limit);
    WipeText(typed);
    std::string utf8 = WideToUtf8(cut);
    WipeText(cut);
    std::string result = TruncateUtf8(utf8, limit);
    WipeBytes(utf8);
    return result;
}

}  // namespace

CLoginDialog::CLoginDialog(LoginDialogInputs inputs, std::string& userName, std::string& password)
    : inputs_(std::move(inputs)), userName_(userName), password_(password) {
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnOk(); });
    // Cancel and the close box take the default way out and leave both
    // outputs untouched.
}

bool CLoginDialog::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    surface.SetDialogColors(kDialogBlue, kWhite);
    surface.SetTitle(UiText(main_text::kLoginTitle));
    surface.SetText(IDC_LOGIN_USER_LABEL, UiText(main_text::kUserNameLabel));
    surface.SetText(IDC_LOGIN_PASSWORD_LABEL, UiText(main_text::kPasswordLabel));
    surface.SetText(kIdOk, UiText(main_text::kOk));
    surface.SetText(kIdCancel, UiText(main_text::kCancel));
    surface.SetTextLimit(IDC_LOGIN_USER, kLoginUserNameMax);
    surface.SetTextLimit(IDC_LOGIN_PASSWORD, kLoginPasswordMax);

    bool userFixed = true;
    std::wstring user;
    if (inputs_.mode == LoginMode::Administrator) {
        user = Utf8ToWide(kDefaultAdminUserName);
    } else if (AccountNameIsFixed(inputs_.windowsVersionName)) {
        if (inputs_.windowsUser != nullptr) user = inputs_.windowsUser->CurrentUserName();
    } else {
        userFixed = false;
    }
    surface.SetText(IDC_LOGIN_USER, user);
    surface.Enable(IDC_LOGIN_USER, !userFixed);
    // Straight to the first field the user can type into.
    surface.SetFocus(userFixed ? IDC_LOGIN_PASSWORD : IDC_LOGIN_USER);
    return false;
}

void CLoginDialog::OnOk() {
    DialogSurfacePort& surface = Surface();
    userName_ = FieldAsUtf8(surface.Text(IDC_LOGIN_USER), kLoginUserNameMax);
    WipeBytes(password_);
    password_ = SecretFieldAsUtf8(surface, IDC_LOGIN_PASSWORD, kLoginPasswordMax);
    surface.EndDialog(kIdOk);
}

}  // namespace norvale
