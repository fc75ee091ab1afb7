// Values the disk half shows and the names it takes apart: size texts,
// volume and drive names, filled string-table texts.
#include <gtest/gtest.h>

#include "disk/core/disk_texts.h"
#include "disk/core/inventory/size_text.h"
#include "disk/core/inventory/volume_names.h"

namespace norvale {
namespace {

TEST(SizeText, GigabytesWithTwoDecimals) {
    const std::pair<std::uint64_t, const wchar_t*> cases[] = {
        {0, L"0.00 Gb"},
        {1073741824, L"1.00 Gb"},
        // The hundredths round up from 0x5FFFFF below and carry into the whole.
        {2147483647, L"2.00 Gb"},
        {1073741824 + 10737418, L"1.01 Gb"},
        {1073741824 + 4445963, L"1.00 Gb"},
        {1073741824 + 4445964, L"1.01 Gb"},
        {13421772800ULL, L"12.50 Gb"},
        {3ULL << 40, L"3072.00 Gb"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(SizeText(bytes), text) << bytes;
}

TEST(VolumeNames, DosNameOfAVolumeGuidPath) {
    EXPECT_EQ(DosNameOfVolume(L"\\\\?\\Volume{0f1e2d3c-0000-4000-8000-000000000001}\\"),
              L"Volume{0f1e2d3c-0000-4000-8000-000000000001}");
    for (const wchar_t* bad : {L"", L"\\\\?\\", L"\\\\?\\\\", L"\\\\?\\Volume{x}", L"\\\\.\\Volume{x}\\",
                               L"\\\\?\\a\\b\\", L"C:\\"}) {
        EXPECT_FALSE(DosNameOfVolume(bad).has_value()) << bad;
    }
}

TEST(VolumeNames, DriveLetters) {
    EXPECT_EQ(DriveLetterOf(L"e:"), L'E');
    EXPECT_EQ(DriveLetterOf(L"G:\\"), L'G');
    EXPECT_EQ(DriveLetterOf(L"Y: \\\\NAS\\music\\"), L'Y');
    for (const wchar_t* bad : {L"", L"E", L"*", L"1:", L"E:x", L"\u00c4:"}) {
        EXPECT_FALSE(DriveLetterOf(bad).has_value()) << bad;
    }
    EXPECT_EQ(DriveRootOf(L'K'), L"K:\\");
    EXPECT_TRUE(SameName(L"\\Device\\HarddiskVolume3", L"\\DEVICE\\harddiskvolume3"));
    EXPECT_FALSE(SameName(L"\\Device\\HarddiskVolume3", L"\\Device\\HarddiskVolume30"));
}

TEST(DiskTexts, FillsNumberAndWordOnce) {
    EXPECT_EQ(disk_text::FillText(L"Disk %d of %s", 3, L"%d"), L"Disk 3 of %d");
    EXPECT_EQ(disk_text::FillText(L"no place", 3, L"x"), L"no place");
}

}  // namespace
}  // namespace norvale
