// The simulated stack behaves as Windows does where the product relies on it:
// refusals that write nothing, volumes that follow the table only after the
// properties are updated, letters from the mount manager, offline and
// read-only disks, injected failures and short replies.
#include <gtest/gtest.h>

#include "tests/disk/disksim_fixture.h"

namespace norvale::test {
namespace {

using disksim::Injection;
using disksim::Request;

// --- refusals -----------------------------------------------------------------------

struct RefusalCase {
    const char* label;
    DriveLayout layout;
    std::uint32_t error;
};

std::vector<RefusalCase> RefusalCases() {
    const std::int64_t disk = 8 * kGiB;
    PartitionEntry fifth = MbrEntry(5 * kGiB, kGiB);
    DriveLayout fiveMbr = MbrLayout(1, {MbrEntry(kMiB, kMiB), MbrEntry(2 * kMiB, kMiB), MbrEntry(3 * kMiB, kMiB),
                                        MbrEntry(4 * kMiB, kMiB)});
    fiveMbr.entries.push_back(fifth);
    DriveLayout raw = MbrLayout(1, {MbrEntry(kMiB, kMiB)});
    raw.style = PartitionStyle::Raw;
    // An MBR layout is counted in whole tables of four entries.
    DriveLayout threeMbr = MbrLayout(1, {MbrEntry(kMiB, kMiB)});
    threeMbr.entries.resize(3);
    DriveLayout fiveEmpty = MbrLayout(1, {MbrEntry(kMiB, kMiB)});
    fiveEmpty.entries.resize(5);
    return {
        {"MbrCountOfThree", threeMbr, win32_error::kInvalidParameter},
        {"MbrCountOfFive", fiveEmpty, win32_error::kInvalidParameter},
        {"Overlap", MbrLayout(1, {MbrEntry(kMiB, 2 * kMiB), MbrEntry(2 * kMiB, kMiB)}), win32_error::kInvalidParameter},
        {"OverlapByOneSector", MbrLayout(1, {MbrEntry(kMiB, kMiB + 512), MbrEntry(2 * kMiB, kMiB)}),
         win32_error::kInvalidParameter},
        {"PastTheEnd", MbrLayout(1, {MbrEntry(kMiB, disk)}), win32_error::kInvalidParameter},
        {"OverTheFirstSector", MbrLayout(1, {MbrEntry(0, kMiB)}), win32_error::kInvalidParameter},
        {"StartNotOnASector", MbrLayout(1, {MbrEntry(kMiB + 100, kMiB)}), win32_error::kInvalidParameter},
        {"LengthNotOnSectors", MbrLayout(1, {MbrEntry(kMiB, kMiB + 1)}), win32_error::kInvalidParameter},
        {"ALogicalDrive", fiveMbr, win32_error::kInvalidParameter},
        {"AContainer", MbrLayout(1, {MbrEntry(kMiB, kMiB, mbr_type::kExtendedLba)}), win32_error::kInvalidParameter},
        {"RawStyle", raw, win32_error::kInvalidParameter},
        {"GptBeforeTheUsableArea", GptLayout(TestGuid(1), {GptEntry(16896, kMiB)}), win32_error::kInvalidParameter},
        // The last 33 sectors hold the backup table.
        {"GptOverTheBackupTable", GptLayout(TestGuid(1), {GptEntry(kMiB, disk - kMiB - 32 * 512)}),
         win32_error::kInvalidParameter},
        {"GptOverlap", GptLayout(TestGuid(1), {GptEntry(kMiB, 4 * kMiB), GptEntry(4 * kMiB, kMiB)}),
         win32_error::kInvalidParameter},
    };
}

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.label; }

class Refusal : public DiskSimTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, LeavesTheImageAsItWas) {
    const std::uint32_t disk = AttachSized(8 * kGiB);
    // A table to keep: the refused write must not disturb it.
    CreateDiskParams create;
    create.style = GetParam().layout.style == PartitionStyle::Gpt ? PartitionStyle::Gpt : PartitionStyle::Mbr;
    create.gptDiskId = TestGuid(9);
    create.mbrSignature = 0xABCD;
    ASSERT_TRUE(OpenDisk(disk)->CreateDisk(create).Ok());
    const std::string before = ImageDigest(ImageOf(disk));

    EXPECT_EQ(OpenDisk(disk)->SetDriveLayoutEx(GetParam().layout).error, GetParam().error);
    EXPECT_EQ(ImageDigest(ImageOf(disk)), before);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Refusal, testing::ValuesIn(RefusalCases()),
                         [](const auto& param) { return std::string(param.param.label); });

// Every kind of write on a disk that may not be written, with nothing written.
TEST_F(DiskSimTest, DisksThatMayNotBeWrittenRefuseEveryWrite) {
    const DriveLayout layout = MbrLayout(1, {MbrEntry(kMiB, kMiB)});
    CreateDiskParams create;
    struct Case {
        const char* label;
        std::function<void(std::uint32_t)> prepare;
        std::uint32_t access;
        std::uint32_t error;
    };
    const Case cases[] = {
        {"read-only", [&](std::uint32_t n) { Stack().SetReadOnly(n, true); },
         disk_access::kGenericRead | disk_access::kGenericWrite, win32_error::kWriteProtect},
        {"offline", [&](std::uint32_t n) { Stack().SetOnline(n, false); },
         disk_access::kGenericRead | disk_access::kGenericWrite, win32_error::kNotReady},
        {"opened for reading", [](std::uint32_t) {}, disk_access::kGenericRead, win32_error::kAccessDenied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::uint32_t disk = AttachSized(kGiB);
        c.prepare(disk);
        const std::string before = ImageDigest(ImageOf(disk));
        auto device = OpenDisk(disk, c.access);
        EXPECT_EQ(device->SetDriveLayoutEx(layout).error, c.error);
        EXPECT_EQ(device->SetDriveLayout(layout).error, c.error);
        EXPECT_EQ(device->CreateDisk(create).error, c.error);
        EXPECT_EQ(ImageDigest(ImageOf(disk)), before);
    }
}

// The system disk refuses, and the attempt is counted for the tests' guard.
TEST_F(DiskSimTest, SystemDiskIsNeverWritten) {
    auto device = OpenDisk(0);
    EXPECT_EQ(device->SetDriveLayoutEx(MbrLayout(1, {})).error, win32_error::kAccessDenied);
    EXPECT_EQ(Stack().DeleteMountPoint(L"C:\\").error, win32_error::kAccessDenied);
    EXPECT_EQ(Stack().DeletePartition(0, 1), win32_error::kAccessDenied);
    EXPECT_EQ(Stack().SystemDiskTouches(), 3u);
    ExpectSystemTouches(3);
}

// --- volumes and letters ----------------------------------------------------------------

TEST_F(DiskSimTest, VolumesFollowTheTableOnlyWhenThePropertiesAreUpdated) {
    const std::uint32_t disk = AttachSized(4 * kGiB);
    auto device = OpenDisk(disk);
    ASSERT_TRUE(device->SetDriveLayoutEx(MbrLayout(3, {MbrEntry(65536, kGiB)})).Ok());
    EXPECT_EQ(Stack().Volumes().size(), 4u);  // C:, the PC's D:, E:, R:, nothing new yet
    ASSERT_TRUE(device->UpdateProperties().Ok());
    const auto volumes = Stack().Volumes();
    ASSERT_EQ(volumes.size(), 5u);
    const auto& added = volumes.back();
    EXPECT_EQ(added.disk, disk);
    EXPECT_EQ(added.partitionNumber, 1u);
    EXPECT_EQ(added.letter, L'F');  // the lowest letter the typical PC leaves free
    EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::Fixed);
    EXPECT_EQ(Stack().DosDeviceTarget(L"F:").value, added.ntDevice);
    EXPECT_EQ(Stack().DosDeviceTarget(added.guidPath.substr(4, added.guidPath.size() - 5)).value, added.ntDevice);
    EXPECT_EQ(Stack().VolumeNameForMountPoint(L"F:\\").value, added.guidPath);

    // The volume keeps its GUID when its partition stays, and goes with it.
    ASSERT_TRUE(device->SetDriveLayoutEx(MbrLayout(3, {MbrEntry(65536, kGiB), MbrEntry(2 * kGiB, kGiB)})).Ok());
    ASSERT_TRUE(device->UpdateProperties().Ok());
    EXPECT_EQ(Stack().VolumeNameForMountPoint(L"F:\\").value, added.guidPath);
    ASSERT_TRUE(device->SetDriveLayoutEx(MbrLayout(3, {})).Ok());
    ASSERT_TRUE(device->UpdateProperties().Ok());
    EXPECT_EQ(Stack().Volumes().size(), 4u);
    EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::NoRootDirectory);
}

TEST_F(DiskSimTest, VolumeRequestsAnswerForTheirPartition) {
    const std::uint32_t disk = AttachSized(4 * kGiB);
    ASSERT_EQ(Write(disk, MbrLayout(3, {MbrEntry(kMiB, kGiB), MbrEntry(2 * kGiB, kGiB)})), 0u);
    const auto volumes = Stack().Volumes();
    const std::wstring path = volumes.back().guidPath;
    auto opened = Stack().Open(path.substr(0, path.size() - 1), disk_access::kMaximumAllowed,
                               disk_access::kShareRead | disk_access::kShareWrite);
    ASSERT_TRUE(opened.Ok());
    auto& volume = *opened.value;
    const auto geometry = volume.GetDriveGeometryEx();
    EXPECT_TRUE(geometry.Returned(ioctl_bytes::kDiskGeometryEx));
    EXPECT_EQ(geometry.value.geometry.mediaType, media_type::kFixedMedia);
    EXPECT_EQ(geometry.value.diskSize, 4 * kGiB);
    EXPECT_EQ(volume.GetLengthInfo().value, kGiB);
    const auto partition = volume.GetPartitionInfoEx();
    EXPECT_TRUE(partition.Returned(ioctl_bytes::kPartitionInfoEx));
    EXPECT_EQ(partition.value.partitionNumber, 2u);
    EXPECT_EQ(partition.value.startingOffset, 2 * kGiB);
    const auto extents = volume.GetVolumeDiskExtents();
    EXPECT_TRUE(extents.Returned(ioctl_bytes::kVolumeDiskExtentsOne));
    ASSERT_EQ(extents.value.size(), 1u);
    EXPECT_EQ(extents.value[0].diskNumber, disk);
    EXPECT_EQ(volume.GetDriveLayoutEx().error, win32_error::kInvalidFunction);
    EXPECT_EQ(volume.SetDriveLayoutEx(MbrLayout(1, {})).error, win32_error::kInvalidFunction);

    // With its trailing backslash the path opens the root folder.
    auto folder = Stack().Open(path, disk_access::kMaximumAllowed, 0);
    ASSERT_TRUE(folder.Ok());
    EXPECT_EQ(folder.value->GetPartitionInfoEx().error, win32_error::kInvalidFunction);
    EXPECT_EQ(Stack().Open(L"\\\\.\\PhysicalDrive77", disk_access::kGenericRead, 0).error,
              win32_error::kFileNotFound);

    // A handle outliving its disk answers that the device is gone.
    ASSERT_TRUE(Stack().Detach(disk));
    EXPECT_EQ(volume.GetLengthInfo().error, win32_error::kDeviceNotConnected);
}

TEST_F(DiskSimTest, MountManagerMovesLettersWithWindowsErrors) {
    const std::uint32_t disk = AttachSized(2 * kGiB);
    ASSERT_EQ(Write(disk, MbrLayout(3, {MbrEntry(kMiB, kGiB)})), 0u);
    const std::wstring volume = Stack().VolumeNameForMountPoint(L"F:\\").value;
    ASSERT_FALSE(volume.empty());
    EXPECT_EQ(Stack().SetMountPoint(L"E:\\", volume).error, win32_error::kDirNotEmpty);  // the USB stick
    EXPECT_EQ(Stack().SetMountPoint(L"Y:\\", volume).error, win32_error::kDirNotEmpty);  // a mapped share
    EXPECT_EQ(Stack().SetMountPoint(L"G:\\", volume).error, win32_error::kInvalidParameter);  // has F:
    EXPECT_EQ(Stack().DeleteMountPoint(L"*").error, win32_error::kInvalidName);
    EXPECT_EQ(Stack().DeleteMountPoint(L"K:\\").error, win32_error::kFileNotFound);
    EXPECT_TRUE(Stack().DeleteMountPoint(L"F:\\").Ok());
    EXPECT_TRUE(Stack().SetMountPoint(L"G:\\", volume).Ok());
    EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::NoRootDirectory);
    EXPECT_EQ(Stack().TypeOf(L"G:"), DriveType::Fixed);
    // The network provider sees the letter taken.
    EXPECT_FALSE(Stack().AddConnection(L"G:", L"\\\\NAS\\video", L"", L"", 0));
}

TEST_F(DiskSimTest, LetterAppearsOnlyAfterTheDelay) {
    Stack().SetLetterDelay(std::chrono::milliseconds(2000));
    const std::uint32_t disk = AttachSized(2 * kGiB);
    ASSERT_EQ(Write(disk, MbrLayout(3, {MbrEntry(kMiB, kGiB)})), 0u);
    EXPECT_EQ(Stack().Volumes().back().letter, 0);
    EXPECT_EQ(Stack().DosDeviceTarget(L"F:").error, win32_error::kFileNotFound);
    clock_.Advance(std::chrono::milliseconds(1999));
    EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::NoRootDirectory);
    clock_.Advance(std::chrono::milliseconds(1));
    EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::Fixed);
    EXPECT_EQ(Stack().Volumes().back().letter, L'F');
}

TEST_F(DiskSimTest, OfflineDiskShowsNoVolumeUntilItComesOnline) {
    const std::uint32_t disk = AttachSized(2 * kGiB);
    ASSERT_EQ(Write(disk, MbrLayout(3, {MbrEntry(kMiB, kGiB)})), 0u);
    const std::wstring volume = Stack().VolumeNameForMountPoint(L"F:\\").value;
    ASSERT_TRUE(Stack().SetOnline(disk, false));
    EXPECT_EQ(Stack().Volumes().size(), 4u);
    EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::NoRootDirectory);
    EXPECT_EQ(Stack().Open(volume.substr(0, volume.size() - 1), disk_access::kGenericRead, 0).error,
              win32_error::kFileNotFound);
    // The layout can still be read; the disk comes back with its letter.
    EXPECT_TRUE(OpenDisk(disk)->GetDriveLayoutEx().Ok());
    ASSERT_TRUE(Stack().BringOnline(disk));
    EXPECT_EQ(Stack().VolumeNameForMountPoint(L"F:\\").value, volume);
    // Taken away and brought back (a logout and a login): the same volume,
    // with its letter.
    const std::string image = ImageOf(disk);
    ASSERT_TRUE(Stack().Detach(disk));
    EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::NoRootDirectory);
    ASSERT_TRUE(Stack().Attach(disksim::DiskSpec::Image(image)).has_value());
    EXPECT_EQ(Stack().VolumeNameForMountPoint(L"F:\\").value, volume);
}

TEST_F(DiskSimTest, NewDisksAreNumberedFromOneAndNumbersAreReused) {
    EXPECT_EQ(AttachSized(kGiB), 1u);
    EXPECT_EQ(AttachSized(kGiB), 2u);
    EXPECT_EQ(AttachSized(kGiB), 3u);
    ASSERT_TRUE(Stack().Detach(2));
    EXPECT_EQ(AttachSized(kGiB), 2u);
    EXPECT_FALSE(Stack().Detach(0));
    const auto geometry = OpenDisk(1)->GetDriveGeometry();
    EXPECT_TRUE(geometry.Returned(ioctl_bytes::kDiskGeometry));
    EXPECT_EQ(geometry.value.Bytes(), 130LL * 255 * 63 * 512);  // whole cylinders: below 1 GiB
}

// --- failures -------------------------------------------------------------------------

TEST_F(DiskSimTest, InjectedFailuresHitTheirRequestAndDiskOnceOrAlways) {
    const std::uint32_t one = AttachSized(kGiB);
    const std::uint32_t two = AttachSized(kGiB);
    Stack().Inject(Injection{Request::GetDriveLayoutEx, two, win32_error::kIoDevice, std::nullopt, 1});
    Stack().Inject(Injection{Request::GetDriveGeometry, std::nullopt, win32_error::kNotReady, std::nullopt, -1});
    EXPECT_TRUE(OpenDisk(one)->GetDriveLayoutEx().Ok());
    const auto failed = OpenDisk(two)->GetDriveLayoutEx();
    EXPECT_EQ(failed.error, win32_error::kIoDevice);
    EXPECT_TRUE(OpenDisk(two)->GetDriveLayoutEx().Ok());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(OpenDisk(one)->GetDriveGeometry().error, win32_error::kNotReady);
    Stack().ClearInjections();
    EXPECT_TRUE(OpenDisk(one)->GetDriveGeometry().Ok());
    Stack().Inject(Injection{Request::FindVolumes, std::nullopt, win32_error::kNoMoreFiles, std::nullopt, 1});
    EXPECT_EQ(Stack().FindVolumes().error, win32_error::kNoMoreFiles);
    EXPECT_EQ(Stack().FindVolumes().value.size(), 4u);
}

// A failed read is not an empty disk: the two answers differ in their error.
TEST_F(DiskSimTest, FailedLayoutReadIsToldFromADiskWithoutPartitions) {
    const std::uint32_t disk = AttachSized(kGiB);
    ASSERT_EQ(Write(disk, MbrLayout(3, {MbrEntry(kMiB, 100 * kMiB)})), 0u);
    Stack().Inject(Injection{Request::GetDriveLayoutEx, disk, win32_error::kIoDevice, std::nullopt, 1});
    const auto failed = OpenDisk(disk)->GetDriveLayoutEx();
    EXPECT_FALSE(failed.Ok());
    EXPECT_TRUE(failed.value.entries.empty());
    EXPECT_EQ(failed.bytesReturned, 0u);

    const std::uint32_t empty = AttachSized(kGiB);
    const auto raw = OpenDisk(empty)->GetDriveLayoutEx();
    EXPECT_TRUE(raw.Ok());
    EXPECT_EQ(raw.value.style, PartitionStyle::Raw);
    EXPECT_TRUE(raw.value.entries.empty());
    EXPECT_EQ(raw.bytesReturned, 48u);
}

TEST_F(DiskSimTest, ShortRepliesShowTheirByteCount) {
    const std::uint32_t disk = AttachSized(kGiB);
    Stack().Inject(Injection{Request::GetLengthInfo, disk, 0, 4, 1});
    auto device = OpenDisk(disk);
    const auto shortReply = device->GetLengthInfo();
    EXPECT_TRUE(shortReply.Ok());
    EXPECT_EQ(shortReply.bytesReturned, 4u);
    EXPECT_FALSE(shortReply.Returned(ioctl_bytes::kLengthInfo));
    EXPECT_EQ(shortReply.value, 0);
    EXPECT_TRUE(device->GetLengthInfo().Returned(ioctl_bytes::kLengthInfo));
    EXPECT_EQ(Stack().Calls(Request::GetLengthInfo), 2u);
}

// More partitions than the fixed buffers hold: Windows answers that the
// buffer is too small.
TEST_F(DiskSimTest, LayoutOfMoreThanSeventeenPartitionsDoesNotFitTheBuffer) {
    const std::uint32_t disk = AttachSized(4 * kGiB);
    std::vector<PartitionEntry> entries;
    for (int i = 0; i < 18; ++i) entries.push_back(GptEntry((i + 1) * 64 * kMiB, 32 * kMiB));
    CreateDiskParams create;
    create.style = PartitionStyle::Gpt;
    ASSERT_EQ(Write(disk, GptLayout(TestGuid(3), entries), &create), 0u);
    EXPECT_EQ(OpenDisk(disk)->GetDriveLayoutEx().error, win32_error::kInsufficientBuffer);
    EXPECT_EQ(OpenDisk(disk)->GetDriveLayout().error, win32_error::kInvalidFunction);  // GPT
}

}  // namespace
}  // namespace norvale::test
