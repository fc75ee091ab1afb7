#include "mainwindow/core/shares/share_drive_letters.h"

namespace norvale {

namespace {

// Table entries of B: and A:, the floppy letters.
constexpr std::size_t kFirstFloppyEntry = 24;

bool IsLocalDrive(DriveType type) {
    return type == DriveType::Fixed || type == DriveType::Removable || type == DriveType::CdRom ||
           type == DriveType::RamDisk;
}

}  // namespace

void FillDriveLetterCombo(DialogSurfacePort& surface, int comboId, const MappedDriveTable& table,
                          DriveTypePort& driveTypes) {
    surface.ClearCombo(comboId);
    int firstFree = -1;
    for (std::size_t index = 0; index < kFirstFloppyEntry; ++index) {
        const MappedDrive& entry = table[index];
        if (IsLocalDrive(driveTypes.TypeOf(entry.drive))) continue;
        std::wstring text = entry.drive;
        if (!entry.server.empty() && !entry.share.empty()) {
            text += L" \\\\" + entry.server + L"\\" + entry.share;
        } else if (entry.IsConnected()) {
            // A connection of another form is still taken: offering it as
            // free would let Connect drop it.
            text += L" " + entry.remote;
        }
        const int item = surface.AddComboItem(comboId, text);
        if (item >= 0 && firstFree < 0 && !entry.IsConnected()) firstFree = item;
    }
    surface.SelectComboItem(comboId, firstFree);
}

}  // namespace norvale
