#include "iscsi/core/targets/initiator_notices.h"

#include "controls/core/ok_box.h"
#include "iscsi/core/targets/target_texts.h"
#include "platform/core/texts/norvale_texts.h"
#include "resources/resource.h"

namespace norvale {

CWinService::CWinService() {
    Messages().OnInitDialog([this] {
        DialogSurfacePort& surface = Surface();
        surface.SetDialogColors(kDialogBlue, kWhite);
        surface.SetTitle(UiText(target_text::kTitle));
        surface.SetText(IDC_SERVICE_NOTICE_LINE, UiText(target_text::kServiceStarting));
        surface.SetText(IDC_SERVICE_NOTICE_NAME, UiText(target_text::kServiceName));
        return false;
    });
}

InstallDialog::InstallDialog(std::function<void()> onOk, std::function<void()> onClosed)
    : onOk_(std::move(onOk)), onClosed_(std::move(onClosed)) {
    const auto close = [this] {
        if (onClosed_) onClosed_();
        ending_ = true;
        Surface().EndDialog(kIdCancel);
    };
    Messages()
        .OnInitDialog([this] {
            ending_ = false;
            DialogSurfacePort& surface = Surface();
            surface.SetDialogColors(kDialogBlue, kWhite);
            surface.SetTitle(UiText(target_text::kTitle));
            surface.SetText(IDC_INSTALL_NOTICE_TEXT, UiText(target_text::kInstallNotice));
            surface.SetText(kIdOk, UiText(target_text::kOk));
            return true;
        })
        .OnClicked(kIdOk, [this] {
            if (onOk_) onOk_();
        })
        .OnClicked(kIdCancel, close)
        // The close box: the table entry, then the default end with Cancel.
        .OnClose([this] {
            if (onClosed_) onClosed_();
            ending_ = true;
        });
}

void InstallDialog::End() {
    if (!IsAttached()) return;
    ending_ = true;
    Surface().EndDialog(kIdOk);
}

void InstallDialog::Tell(const std::wstring& text) {
    if (IsAttached()) ShowOkBox(Surface(), text, target_text::kTitle, MessageIcon::Exclamation);
}

}  // namespace norvale
