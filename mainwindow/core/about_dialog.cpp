#include "mainwindow/core/about_dialog.h"

#include "platform/core/texts/norvale_texts.h"
#include "resources/resource.h"

namespace norvale {

CAboutDlg::CAboutDlg() {
    // OK and Cancel (Escape, the close box) keep the framework's default:
    // the box ends with that code.
    Messages().OnInitDialog([this] { return OnInitDialog(); });
}

bool CAboutDlg::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    surface.SetDialogColors(kDialogBlue, kWhite);
    surface.SetTitle(UiText(main_text::kTitle));
    surface.SetText(kIdOk, UiText(main_text::kOk));
    surface.SetText(IDC_ABOUT_TITLE, UiText(main_text::kTitle));
    surface.SetText(IDC_ABOUT_LINE, UiText(main_text::kAboutLine));
    surface.SetText(IDC_ABOUT_VERSION, UiText(main_text::kAboutVersion));
    return true;
}

}  // namespace norvale
