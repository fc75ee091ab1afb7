#include "disk/core/letters/drive_letter_offers.h"

namespace norvale {

namespace {

// Table entries of B: and A:.
constexpr std::size_t kFirstFloppyEntry = 24;

bool NothingBehind(DriveType type) { return type == DriveType::Unknown || type == DriveType::NoRootDirectory; }

}  // namespace

MappedDriveTable ReadLetterTable(NetworkDrivePort& network) {
    MappedDriveTable table;
    ReadMappedDrives(network, table);
    return table;
}

OfferedLetters OfferDriveLetters(const MappedDriveTable& table, DriveTypePort& driveTypes) {
    OfferedLetters offered;
    for (std::size_t index = 0; index < kFirstFloppyEntry; ++index) {
        const MappedDrive& entry = table[index];
        if (!NothingBehind(driveTypes.TypeOf(entry.drive))) continue;
        const bool remembered = !entry.server.empty() && !entry.share.empty();
        offered.items.push_back(remembered ? entry.drive + L" \\\\" + entry.server + L"\\" + entry.share + L"\\"
                                           : entry.drive + L"\\");
        if (!remembered && offered.firstFree < 0) offered.firstFree = static_cast<int>(offered.items.size()) - 1;
    }
    return offered;
}

void FillOfferedLetterCombo(DialogSurfacePort& surface, int comboId, const OfferedLetters& offered) {
    surface.ClearCombo(comboId);
    for (const std::wstring& item : offered.items) surface.AddComboItem(comboId, item);
    surface.SelectComboItem(comboId, offered.firstFree);
    surface.SetTextLimit(comboId, 1);
}

}  // namespace norvale
