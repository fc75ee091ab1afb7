#include "mainwindow/core/shares/share_list.h"

#include <algorithm>

#include "mainwindow/core/shares/share_entry.h"
#include "protocol/core/device_requests.h"

namespace norvale {

namespace {

// A device answers its count as text; an absurd one must not make the
// selector list millions of pages.
constexpr int kMaxSharePages = 1000;

bool SameServer(const std::wstring& a, const std::wstring& b, ServerMatch match) {
    return match == ServerMatch::Exact ? a == b : SameNameIgnoringCase(a, b);
}

}  // namespace

void FillShareList(DialogSurfacePort& surface, int listId, const NameList& shares, const MappedDriveTable& table,
                   const std::wstring& deviceName, const std::wstring& deviceIp, ServerMatch match) {
    surface.DeleteAllListRows(listId);
    int next = 0;
    for (const std::wstring& entry : shares.Names()) {
        const ShareEntry share = ParseShareEntry(entry);
        const int row = surface.InsertListRow(listId, next, share.name);
        if (row < 0) continue;
        ++next;
        for (const MappedDrive& drive : table) {
            if (drive.server.empty()) continue;
            const bool onDevice = (!deviceName.empty() && SameServer(drive.server, deviceName, match)) ||
                                  (!deviceIp.empty() && SameServer(drive.server, deviceIp, match));
            if (onDevice && SameNameIgnoringCase(drive.share, share.name)) {
                surface.SetListCell(listId, row, 1, drive.drive);
            }
        }
    }
}

void FillSharePages(DialogSurfacePort& surface, int comboId, int count) {
    surface.ClearCombo(comboId);
    if (count >= -1) {
        const int pages = std::min(PageCount(count), kMaxSharePages);
        for (int page = 1; page <= pages; ++page) surface.AddComboItem(comboId, std::to_wstring(page));
    }
    surface.SelectComboItem(comboId, 0);
}

}  // namespace norvale
