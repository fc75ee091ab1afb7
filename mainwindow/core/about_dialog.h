// The About box (template 100): the program's title, a second line and the
// version, white on the dialog blue. OK and Escape end it.
//
//   CAboutDlg about;
//   surface.RunModal(about, IDD_ABOUTBOX);
#pragma once

#include "controls/core/dialog_controller.h"

namespace norvale {

class CAboutDlg final : public DialogController {
public:
    CAboutDlg();

private:
    bool OnInitDialog();
};

}  // namespace norvale
