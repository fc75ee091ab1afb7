// The letters offered for a volume, and the Drive Select dialog that moves a
// volume to one of them, on the simulated PC's letters.
#include <gtest/gtest.h>

#include "disk/core/letters/drive_letter_offers.h"
#include "disk/core/letters/select_drive_dialog.h"
#include "resources/resource.h"
#include "tests/disk/disksim_fixture.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale {
namespace {

using Items = std::vector<std::wstring>;

// Z: down to F:, without the typical PC's Y: share and R: RAM disk.
const Items kTypicalOffers = {L"Z:\\", L"X:\\", L"W:\\", L"V:\\", L"U:\\", L"T:\\", L"S:\\", L"Q:\\", L"P:\\", L"O:\\",
                              L"N:\\", L"M:\\", L"L:\\", L"K:\\", L"J:\\", L"I:\\", L"H:\\", L"G:\\", L"F:\\"};

class OfferedLetterTest : public test::DiskSimTest {
protected:
    OfferedLetters Offers() { return OfferDriveLetters(ReadLetterTable(Stack()), Stack()); }

    // A disk with one NTFS volume; the mount manager gives it F:.
    VolumeRecord LetteredVolume() {
        const std::uint32_t disk = AttachSized(2 * test::kGiB);
        EXPECT_EQ(Write(disk, test::MbrLayout(0x51, {test::MbrEntry(test::kMiB, test::kGiB)})), 0u);
        for (const auto& volume : Stack().Volumes()) {
            if (volume.disk != disk) continue;
            VolumeRecord record;
            record.volumeName = volume.guidPath;
            record.driveLetter = volume.letter != 0 ? std::wstring{volume.letter, L':', L'\\'} : L"*";
            return record;
        }
        ADD_FAILURE() << "no volume";
        return {};
    }
    wchar_t LetterOf(const std::wstring& volumeName) {
        for (const auto& volume : Stack().Volumes()) {
            if (volume.guidPath == volumeName) return volume.letter;
        }
        return 0;
    }
};

TEST_F(OfferedLetterTest, OnlyLettersWithNothingBehindThemNeverAOrB) {
    const OfferedLetters offered = Offers();
    EXPECT_EQ(offered.items, kTypicalOffers);
    EXPECT_EQ(offered.firstFree, 0);

    // A USB stick on F: takes F: away; G: stays.
    pc_.localDrives[L'F'] = DriveType::Removable;
    const Items withStick = Offers().items;
    EXPECT_EQ(withStick.back(), L"G:\\");
}

TEST_F(OfferedLetterTest, RememberedShareIsOfferedWithItsShareButNotPreselected) {
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        if (pc_.localDrives.count(letter) == 0 && pc_.connections.count(letter) == 0) {
            pc_.localDrives[letter] = DriveType::Fixed;
        }
    }
    pc_.remembered.insert(L'Y');
    const OfferedLetters offered = Offers();
    EXPECT_EQ(offered.items, Items{L"Y: \\\\NAS\\music\\"});
    EXPECT_EQ(offered.firstFree, -1);
}

TEST_F(OfferedLetterTest, AllLettersUsedOffersNothing) {
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) pc_.localDrives.emplace(letter, DriveType::Fixed);
    pc_.localDrives[L'A'] = DriveType::NoRootDirectory;
    pc_.localDrives[L'B'] = DriveType::Unknown;
    EXPECT_TRUE(Offers().items.empty());

    test::FakeDialogSurface surface;
    surface.Control(IDC_DRIVE_SELECT_LETTERS).combo.items = {L"stale"};
    FillOfferedLetterCombo(surface, IDC_DRIVE_SELECT_LETTERS, Offers());
    EXPECT_TRUE(surface.Control(IDC_DRIVE_SELECT_LETTERS).combo.items.empty());
    EXPECT_EQ(surface.Control(IDC_DRIVE_SELECT_LETTERS).combo.selection, -1);
}

TEST_F(OfferedLetterTest, ComboHoldsTheOffersFirstFreeSelectedOneCharacterOfTyping) {
    pc_.remembered.insert(L'Y');
    test::FakeDialogSurface surface;
    FillOfferedLetterCombo(surface, 1043, Offers());
    const test::FakeControl& combo = surface.Control(1043);
    ASSERT_GE(combo.combo.items.size(), 2u);
    EXPECT_EQ(combo.combo.items[1], L"Y: \\\\NAS\\music\\");
    EXPECT_EQ(combo.combo.selection, 0);
    EXPECT_EQ(combo.textLimit, 1);
}

TEST_F(OfferedLetterTest, SelectDialogShowsLowestFirstAndMovesTheVolume) {
    const VolumeRecord volume = LetteredVolume();
    ASSERT_EQ(volume.driveLetter, L"F:\\");
    CSelectDriveDlg dialog(Offers().items, volume, Stack());
    test::FakeDialogSurface surface;
    surface.Open(dialog);
    EXPECT_EQ(surface.Title(), L"Drive Select");
    EXPECT_EQ(surface.Text(IDC_DRIVE_SELECT_GROUP), L"Select Drive Letter");
    EXPECT_EQ(surface.Text(IDC_DRIVE_SELECT_DEVICE_LABEL), L"Device:");
    EXPECT_EQ(surface.Control(IDC_DRIVE_SELECT_GROUP).groupBand, kDialogBlue);
    const test::FakeCombo& combo = surface.Control(IDC_DRIVE_SELECT_LETTERS).combo;
    EXPECT_EQ(combo.items.front(), L"G:\\");
    EXPECT_EQ(combo.items.back(), L"Z:\\");
    EXPECT_EQ(combo.selection, 0);

    surface.ChooseComboItem(IDC_DRIVE_SELECT_LETTERS, 2);  // I:
    surface.Click(kIdOk);
    EXPECT_EQ(surface.EndCode(), kIdOk);
    EXPECT_EQ(LetterOf(volume.volumeName), L'I');
    EXPECT_EQ(dialog.Move().newRoot, L"I:\\");
}

TEST_F(OfferedLetterTest, CancelLeavesTheVolumeAlone) {
    const VolumeRecord volume = LetteredVolume();
    CSelectDriveDlg dialog(Offers().items, volume, Stack());
    test::FakeDialogSurface surface;
    surface.Open(dialog);
    surface.Click(kIdCancel);
    EXPECT_EQ(surface.EndCode(), kIdCancel);
    EXPECT_EQ(LetterOf(volume.volumeName), L'F');
    EXPECT_FALSE(dialog.Move().attempted);
}

// The chosen letter was taken while the dialog was open: the volume keeps
// the letter it had rather than ending up with none.
TEST_F(OfferedLetterTest, ALetterTakenMeanwhileLeavesTheOldOne) {
    const VolumeRecord volume = LetteredVolume();
    CSelectDriveDlg dialog(Offers().items, volume, Stack());
    test::FakeDialogSurface surface;
    surface.Open(dialog);
    pc_.localDrives[L'G'] = DriveType::Removable;
    surface.Click(kIdOk);
    EXPECT_NE(dialog.Move().setError, win32_error::kSuccess);
    EXPECT_TRUE(dialog.Move().oldLetterRestored);
    EXPECT_EQ(LetterOf(volume.volumeName), L'F');
}

// An item of a remembered share mounts the volume at the drive root alone.
TEST_F(OfferedLetterTest, RememberedShareItemMountsAtItsRoot) {
    pc_.remembered.insert(L'Y');
    const VolumeRecord volume = LetteredVolume();
    CSelectDriveDlg dialog(Offers().items, volume, Stack());
    test::FakeDialogSurface surface;
    surface.Open(dialog);
    const auto& items = surface.Control(IDC_DRIVE_SELECT_LETTERS).combo.items;
    const auto share = std::find(items.begin(), items.end(), L"Y: \\\\NAS\\music\\");
    ASSERT_NE(share, items.end());
    surface.ChooseComboItem(IDC_DRIVE_SELECT_LETTERS, static_cast<int>(share - items.begin()));
    surface.Click(kIdOk);
    EXPECT_EQ(dialog.Move().newRoot, L"Y:\\");
    EXPECT_EQ(LetterOf(volume.volumeName), L'Y');
}

}  // namespace
}  // namespace norvale
