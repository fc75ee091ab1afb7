#include "mainwindow/core/norvale_sections.h"

#include <string>

#include "controls/core/list_selection.h"
#include "mainwindow/core/norvale_dialog.h"
#include "protocol/core/device_requests.h"
#include "resources/resource.h"

namespace norvale {

void TargetSection::FillTargetPages(CNorvaleDlg& dialog, int count) {
    DialogSurfacePort& surface = dialog.Surface();
    surface.ClearCombo(IDC_TARGET_PAGE);
    const int pages = PageCount(count);
    for (int page = 1; page <= pages; ++page) surface.AddComboItem(IDC_TARGET_PAGE, std::to_wstring(page));
    surface.SelectComboItem(IDC_TARGET_PAGE, 0);
}

void TargetSection::ClearTargetList(CNorvaleDlg& dialog) {
    EmptyListAndDisable(dialog.Surface(), IDC_TARGET_LIST, {IDC_TARGET_CONNECT, IDC_MANAGEMENT});
}

}  // namespace norvale
