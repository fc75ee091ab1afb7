#include "iscsi/core/targets/chap_dialog.h"

#include <algorithm>

#include "controls/core/ok_box.h"
#include "controls/core/ok_checks.h"
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
      login_(std::move(login)),
      gate_({kIdOk, kIdCancel, IDC_CHAP_USER, IDC_CHAP_PASSWORD}) {
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnOk(); })
        .OnClicked(kIdCancel, [this] {
            if (gate_.Busy()) return;
            done_ = false;
            Surface().EndDialog(kIdCancel);
        })
        // The login lines are not cut off half run: the close waits for them.
        .OnCloseUnless([this] { return gate_.DeferClose(Surface(), [this] { Surface().PostClose(); }); })
        .OnDestroy([this] {
            gate_.DialogEnded();
            steps_.DialogEnded();
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

namespace {

// How the dialog answers each refused verdict: a box, or the status line for
// a field left empty; the fields emptied for typing anew; the field to mend.
struct ChapRefusalRow {
    ChapVerdict verdict;
    unsigned textId;
    bool inBox;
    int emptied[2];  // 0: none
    int focus;
};

const ChapRefusalRow kChapRefusals[] = {
    {ChapVerdict::PasswordTooShort, target_text::kPasswordLength, true, {IDC_CHAP_PASSWORD, 0}, IDC_CHAP_PASSWORD},
    {ChapVerdict::NoUserName, target_text::kUserNameEmpty, false, {IDC_CHAP_PASSWORD, 0}, IDC_CHAP_USER},
    {ChapVerdict::NoPassword, target_text::kPasswordEmpty, false, {0, 0}, IDC_CHAP_PASSWORD},
    {ChapVerdict::BothWrong, target_text::kBothWrong, true, {IDC_CHAP_USER, IDC_CHAP_PASSWORD}, IDC_CHAP_USER},
    {ChapVerdict::UserNameWrong, target_text::kUserNameWrong, true, {IDC_CHAP_USER, 0}, IDC_CHAP_USER},
    {ChapVerdict::PasswordWrong, target_text::kPasswordWrong, true, {IDC_CHAP_PASSWORD, 0}, IDC_CHAP_PASSWORD},
};

std::optional<OkRefusal> ChapRefusal(ChapVerdict verdict) {
    for (const ChapRefusalRow& row : kChapRefusals) {
        if (row.verdict != verdict) continue;
        OkRefusal refusal = row.inBox ? OkRefusal::Box(UiText(row.textId), UiText(target_text::kTitle),
                                                       MessageIcon::Exclamation)
                                      : OkRefusal::Status(IDC_CHAP_STATUS, UiText(row.textId));
        for (const int field : row.emptied) {
            if (field != 0) refusal.emptied.push_back(field);
        }
        refusal.focusId = row.focus;
        return refusal;
    }
    return std::nullopt;
}

}  // namespace

void CPasswordDialog::OnOk() {
    DialogSurfacePort& surface = Surface();
    surface.SetText(IDC_CHAP_STATUS, L"");
    const std::wstring user = surface.Text(IDC_CHAP_USER);
    // Held as a secret from here on: wiped when it goes.
    const SecretText password(surface.Text(IDC_CHAP_PASSWORD));
    const ChapVerdict verdict = CheckChapInput(user, password.Reveal(), expectedUser_, expectedPassword_);
    if (!OkChecks(surface).Then([verdict] { return ChapRefusal(verdict); }).Passed()) return;
    // The typed password leaves the field: the window keeps no copy of it.
    surface.SetText(IDC_CHAP_PASSWORD, L"");
    const StepGate::Ticket flow = gate_.Enter(surface, FlowWrites::Yes);
    if (!flow) return;
    const bool started = steps_.Run(
        surface,
        [login = login_, user, secret = SecretText(password.Reveal())] {
            return login && login(user, secret);
        },
        [this, flow](bool ran) {
            DialogSurfacePort& shown = Surface();
            if (!ran) {
                ShowOkBox(shown, UiText(target_text::kNoInitiatorName), target_text::kCaptionWarning,
                          MessageIcon::Exclamation);
                done_ = false;
                shown.EndDialog(kIdCancel);
                return;
            }
            done_ = true;
            shown.EndDialog(kIdOk);
        });
    if (!started) {
        done_ = false;
        surface.EndDialog(kIdCancel);
    }
}

}  // namespace norvale
