// CPasswordDialog (template 229): the CHAP user name and password of a
// target, typed by the user and checked against what the appliance announced
// for it before the CHAP login lines run.
//
//   CPasswordDialog chap(target, entry.userName, entry.encodedPassword.Reveal(), login);
//   surface.RunModal(chap, IDD_CHAP_PASSWORD);
//   if (chap.Done()) ...   // the login lines ran
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_controller.h"
#include "controls/core/step_gate.h"
#include "platform/core/secret_text.h"

namespace norvale {

// The fields take at most this many characters; a CHAP secret has 12 to 16.
inline constexpr int kChapUserNameMax = 8;
inline constexpr int kChapPasswordMax = 16;
inline constexpr std::size_t kChapPasswordMin = 12;

enum class ChapVerdict {
    PasswordTooShort,  // 1 to 11 characters
    NoUserName,
    NoPassword,
    BothWrong,
    UserNameWrong,
    PasswordWrong,
    Accepted,
};

// What OK makes of the typed texts, in the order the checks run; the
// comparisons are exact (letter case counts).
ChapVerdict CheckChapInput(std::wstring_view userName, std::wstring_view password, std::wstring_view expectedUser,
                           const SecretText& expectedPassword);

class CPasswordDialog final : public DialogController {
public:
    // Runs the CHAP login lines for the dialog's target with what the user
    // typed; false when they could not be run (the initiator reports no
    // name to log in with). Blocks: it runs on the dialog's worker, where
    // the lines are built, run and wiped.
    using ChapLogin = std::function<bool(const std::wstring& userName, const SecretText& password)>;

    // The expected password arrives Base64-encoded, as the appliance sends it.
    CPasswordDialog(std::wstring targetName, std::wstring expectedUser, std::wstring_view encodedPassword,
                    ChapLogin login);

    const std::wstring& TargetName() const { return targetName_; }
    // True when OK ran the login lines.
    bool Done() const { return done_; }

private:
    bool OnInitDialog();
    void OnOk();

    std::wstring targetName_;
    std::wstring expectedUser_;
    SecretText expectedPassword_;
    ChapLogin login_;
    bool done_ = false;
    BackgroundSteps steps_{Messages()};
    StepGate gate_;
};

}  // namespace norvale
