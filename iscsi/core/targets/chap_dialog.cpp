#include "iscsi/core/targets/chap_dialog.h"

#include <algorithm>

#include "controls/core/ok_box.h"
#include "iscsi/core/base64.h"
#include "iscsi/core/targets/target_texts.h"
#include "platform/core/texts/norvale_texts.h"
#include "resources/resource.h"

namespace norvale {

ChapVerdict CheckChapInput(std::wstring_view userName, std::wstring_view password, std::wstring_view expectedUser,
                           const SecretText& expectedPassword) {
    if (!password.empty() && password.size() < kChapPasswordMin) return ChapVerdict::PasswordTooShort;
    if (userName.empty()) return ChapVerdict::NoUserName;
    if (password.empty()) return ChapVerdict::NoPassword;
    const bool userRight = userName == expectedUser;
    const bool passwordRight = expectedPassword.Matches(password);
    if (!userRight && !passwordRight) return ChapVerdict::BothWrong;
    if (!userRight) return ChapVerdict::UserNameWrong;
    if (!passwordRight) return ChapVerdict::PasswordWrong;
    return ChapVerdict::Accepted;
}

CPasswordDialog::CPasswordDialog(std::wstring targetName, std::wstring expectedUser,
                                 std::wstring_view encodedPassword, ChapLogin login)
    : targetName_(std::move(targetName)),
      expectedUser_(std::move(expectedUser)),
      expectedPassword_(CBase64::Decode(encodedPassword)),
      login_(std::move(login)) {
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnOk(); })
        .OnClicked(kIdCancel, [this] {
            done_ = false;
            Surface().EndDialog(kIdCancel);
        });
}

bool CPasswordDialog::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    surface.SetDialogColors(kDialogBlue, kWhite);
    surface.SetTitle(UiText(target_text::kTitle));
    surface.SetGroupBoxColors(IDC_CHAP_GROUP, kDialogBlue, kWhite);
    surface.SetText(IDC_CHAP_GROUP, UiText(target_text::kChapGroup));
    surface.SetText(IDC_CHAP_USER_LABEL, UiText(target_text::kUserNameLabel));
    surface.SetText(IDC_CHAP_PASSWORD_LABEL, UiText(target_text::kPasswordLabel));
    surface.SetText(kIdOk, UiText(target_text::kOk));
    surface.SetText(kIdCancel, UiText(target_text::kCancel));
    surface.SetText(IDC_CHAP_STATUS, L"");
    // A user name the appliance announces longer than the field's 8
    // characters could never be typed: the field then takes that many.
    const int userLimit = std::max(kChapUserNameMax, static_cast<int>(expectedUser_.size()));
    surface.SetTextLimit(IDC_CHAP_USER, userLimit);
    surface.SetTextLimit(IDC_CHAP_PASSWORD, kChapPasswordMax);
    surface.SetFocus(IDC_CHAP_USER);
    return false;
}

void CPasswordDialog::ShowBox(unsigned textId) {
    ShowOkBox(Surface(), UiText(textId), target_text::kTitle, MessageIcon::Exclamation);
}

void CPasswordDialog::OnOk() {
    DialogSurfacePort& surface = Surface();
    surface.SetText(IDC_CHAP_STATUS, L"");
    const std::wstring user = surface.Text(IDC_CHAP_USER);
    // Held as a secret from here on: wiped when it goes.
    const SecretText password(surface.Text(IDC_CHAP_PASSWORD));
    switch (CheckChapInput(user, password.Reveal(), expectedUser_, expectedPassword_)) {
        case ChapVerdict::PasswordTooShort:
            ShowBox(target_text::kPasswordLength);
            surface.SetText(IDC_CHAP_PASSWORD, L"");
            return;
        case ChapVerdict::NoUserName:
            surface.SetText(IDC_CHAP_STATUS, UiText(target_text::kUserNameEmpty));
            surface.SetText(IDC_CHAP_PASSWORD, L"");
            return;
        case ChapVerdict::NoPassword:
            surface.SetText(IDC_CHAP_STATUS, UiText(target_text::kPasswordEmpty));
            return;
        case ChapVerdict::BothWrong:
            ShowBox(target_text::kBothWrong);
            surface.SetText(IDC_CHAP_USER, L"");
            surface.SetText(IDC_CHAP_PASSWORD, L"");
            return;
        case ChapVerdict::UserNameWrong:
            ShowBox(target_text::kUserNameWrong);
            surface.SetText(IDC_CHAP_USER, L"");
            return;
        case ChapVerdict::PasswordWrong:
            ShowBox(target_text::kPasswordWrong);
            surface.SetText(IDC_CHAP_PASSWORD, L"");
            return;
        case ChapVerdict::Accepted:
            break;
    }
    // The typed password leaves the field: the window keeps no copy of it.
    surface.SetText(IDC_CHAP_PASSWORD, L"");
    if (!login_ || !login_(user, password)) {
        ShowOkBox(surface, UiText(target_text::kNoInitiatorName), target_text::kCaptionWarning,
                  MessageIcon::Exclamation);
        done_ = false;
        surface.EndDialog(kIdCancel);
        return;
    }
    done_ = true;
    surface.EndDialog(kIdOk);
}

}  // namespace norvale
