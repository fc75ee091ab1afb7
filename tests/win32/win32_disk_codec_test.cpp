// The disk structures of Windows, read and written on in-memory buffers laid
// out by the real headers: every layout and geometry structure, both styles,
// and counts a buffer cannot hold. Then the port's calls against Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <cstring>

#include "disk/win32/disk_ioctl_codec.h"
#include "disk/win32/win32_disk_port.h"

namespace norvale::win32 {
namespace {

const GUID kBasicData = {0xebd0a0a2, 0xb9e5, 0x4433, {0x87, 0xc0, 0x68, 0xb6, 0xb7, 0x26, 0x99, 0xc7}};
const GUID kSomeId = {0x01234567, 0x89ab, 0x4cde, {0x8f, 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd}};

template <class T>
T* At(IoBuffer& buffer, std::size_t offset = 0) {
    return reinterpret_cast<T*>(buffer.data() + offset);
}

TEST(Win32DiskCodec, GeometryLengthAndExtents) {
    IoBuffer geometry(ioctl_bytes::kDiskGeometryEx, 0);
    auto* ex = At<DISK_GEOMETRY_EX>(geometry);
    ex->Geometry.Cylinders.QuadPart = 1305;
    ex->Geometry.MediaType = FixedMedia;
    ex->Geometry.TracksPerCylinder = 255;
    ex->Geometry.SectorsPerTrack = 63;
    ex->Geometry.BytesPerSector = 512;
    ex->DiskSize.QuadPart = 10737418240LL;
    const DiskGeometryEx decoded = DecodeDiskGeometryEx(geometry);
    EXPECT_EQ(decoded.geometry.cylinders, 1305);
    EXPECT_EQ(decoded.geometry.mediaType, media_type::kFixedMedia);
    EXPECT_EQ(decoded.geometry.Bytes(), 1305LL * 255 * 63 * 512);
    EXPECT_EQ(decoded.diskSize, 10737418240LL);
    geometry.resize(ioctl_bytes::kDiskGeometry);
    EXPECT_EQ(DecodeDiskGeometry(geometry).sectorsPerTrack, 63u);

    IoBuffer length(ioctl_bytes::kLengthInfo, 0);
    At<GET_LENGTH_INFORMATION>(length)->Length.QuadPart = 3LL << 40;
    EXPECT_EQ(DecodeLengthInfo(length), 3LL << 40);

    IoBuffer extents(ioctl_bytes::kVolumeDiskExtents, 0);
    auto* volume = At<VOLUME_DISK_EXTENTS>(extents);
    volume->NumberOfDiskExtents = 2;
    volume->Extents[0] = {7, {{65536, 0}}, {{0x40000000, 0}}};
    auto* second = At<DISK_EXTENT>(extents, offsetof(VOLUME_DISK_EXTENTS, Extents) + sizeof(DISK_EXTENT));
    second->DiskNumber = 9;
    second->StartingOffset.QuadPart = 5LL << 40;
    const auto decodedExtents = DecodeVolumeDiskExtents(extents);
    ASSERT_EQ(decodedExtents.size(), 2u);
    EXPECT_EQ(decodedExtents[0].diskNumber, 7u);
    EXPECT_EQ(decodedExtents[0].extentLength, 0x40000000);
    EXPECT_EQ(decodedExtents[1].startingOffset, 5LL << 40);
    // A count beyond the buffer is cut to what it holds: (512 - 8) / 24.
    volume->NumberOfDiskExtents = 1000;
    EXPECT_EQ(DecodeVolumeDiskExtents(extents).size(), 21u);
}

TEST(Win32DiskCodec, PartitionInformationOfBothRequests) {
    IoBuffer old(ioctl_bytes::kPartitionInfo, 0);
    auto* info = At<PARTITION_INFORMATION>(old);
    info->StartingOffset.QuadPart = 32256;
    info->PartitionLength.QuadPart = 1LL << 30;
    info->HiddenSectors = 63;
    info->PartitionNumber = 2;
    info->PartitionType = 0x07;
    info->BootIndicator = TRUE;
    info->RecognizedPartition = TRUE;
    const PartitionEntry entry = DecodePartitionInfo(old);
    EXPECT_EQ(entry.style, PartitionStyle::Mbr);
    EXPECT_EQ(entry.startingOffset, 32256);
    EXPECT_EQ(entry.hiddenSectors, 63u);
    EXPECT_EQ(entry.partitionNumber, 2u);
    EXPECT_EQ(entry.mbrType, 0x07);
    EXPECT_TRUE(entry.bootIndicator);
    EXPECT_FALSE(entry.rewritePartition);

    IoBuffer ex(ioctl_bytes::kPartitionInfoEx, 0);
    auto* gpt = At<PARTITION_INFORMATION_EX>(ex);
    gpt->PartitionStyle = PARTITION_STYLE_GPT;
    gpt->StartingOffset.QuadPart = 17408;
    gpt->PartitionNumber = 1;
    gpt->Gpt.PartitionType = kBasicData;
    gpt->Gpt.PartitionId = kSomeId;
    gpt->Gpt.Attributes = 0x8000000000000001ULL;
    // A name that fills all 36 places has no terminating zero.
    for (int i = 0; i < 36; ++i) gpt->Gpt.Name[i] = static_cast<WCHAR>(L'a' + i % 26);
    const PartitionEntry decoded = DecodePartitionInfoEx(ex);
    EXPECT_EQ(decoded.style, PartitionStyle::Gpt);
    EXPECT_EQ(decoded.gptType, kBasicDataPartitionType);
    EXPECT_EQ(decoded.gptId.ToString(), L"{01234567-89ab-4cde-8f01-23456789abcd}");
    EXPECT_EQ(decoded.gptAttributes, 0x8000000000000001ULL);
    EXPECT_EQ(decoded.gptName.size(), 36u);
}

DriveLayout GptLayout() {
    DriveLayout layout;
    layout.style = PartitionStyle::Gpt;
    layout.gptDiskId = *Guid::Parse(L"{11111111-2222-4333-8444-555555555555}");
    layout.startingUsableOffset = 17408;
    layout.usableLength = 10LL << 30;
    layout.maxPartitionCount = 128;
    PartitionEntry entry;
    entry.style = PartitionStyle::Gpt;
    entry.startingOffset = 17408;
    entry.partitionLength = 1LL << 30;
    entry.partitionNumber = 1;
    entry.rewritePartition = true;
    entry.gptType = kBasicDataPartitionType;
    entry.gptId = *Guid::Parse(L"{01234567-89ab-4cde-8f01-23456789abcd}");
    entry.gptAttributes = 1;
    entry.gptName = L"microsoft reserved partition";
    layout.entries = {entry, entry};
    layout.entries[1].startingOffset = 2LL << 30;
    layout.entries[1].partitionNumber = 2;
    return layout;
}

TEST(Win32DiskCodec, GptLayoutIsWrittenAsTheRealStructureAndReadBack) {
    const IoBuffer buffer = EncodeDriveLayoutEx(GptLayout());
    ASSERT_EQ(buffer.size(), 48u + 2 * 144);
    IoBuffer copy = buffer;
    const auto* layout = At<DRIVE_LAYOUT_INFORMATION_EX>(copy);
    EXPECT_EQ(layout->PartitionStyle, static_cast<DWORD>(PARTITION_STYLE_GPT));
    EXPECT_EQ(layout->PartitionCount, 2u);
    EXPECT_EQ(layout->Gpt.StartingUsableOffset.QuadPart, 17408);
    EXPECT_EQ(layout->Gpt.MaxPartitionCount, 128u);
    const auto& second = *At<PARTITION_INFORMATION_EX>(copy, 48 + 144);
    EXPECT_EQ(second.StartingOffset.QuadPart, 2LL << 30);
    EXPECT_EQ(second.PartitionNumber, 2u);
    EXPECT_TRUE(second.RewritePartition);
    EXPECT_TRUE(IsEqualGUID(second.Gpt.PartitionType, kBasicData));
    EXPECT_TRUE(IsEqualGUID(second.Gpt.PartitionId, kSomeId));
    EXPECT_EQ(std::wstring(second.Gpt.Name), L"microsoft reserved partition");

    // Read back through the request's 2496-byte buffer.
    IoBuffer reply(ioctl_bytes::kDriveLayoutEx, 0);
    std::memcpy(reply.data(), buffer.data(), buffer.size());
    const DriveLayout decoded = DecodeDriveLayoutEx(reply);
    EXPECT_EQ(decoded.gptDiskId, GptLayout().gptDiskId);
    EXPECT_EQ(decoded.usableLength, 10LL << 30);
    ASSERT_EQ(decoded.entries.size(), 2u);
    EXPECT_EQ(decoded.entries[1].gptName, L"microsoft reserved partition");
    EXPECT_EQ(decoded.entries[1].gptAttributes, 1u);
}

TEST(Win32DiskCodec, MbrLayoutsOfTheExtendedAndTheOlderRequests) {
    DriveLayout layout;
    layout.style = PartitionStyle::Mbr;
    layout.mbrSignature = 0x1CEB00DA;
    layout.entries.resize(4);
    auto& first = layout.entries[0];
    first.startingOffset = 65536;
    first.partitionLength = (10LL << 30) - 65536;
    first.partitionNumber = 1;
    first.rewritePartition = true;
    first.mbrType = 0x07;
    first.recognizedPartition = true;
    first.hiddenSectors = 128;

    IoBuffer ex = EncodeDriveLayoutEx(layout);
    ASSERT_EQ(ex.size(), 48u + 4 * 144);
    EXPECT_EQ(At<DRIVE_LAYOUT_INFORMATION_EX>(ex)->Mbr.Signature, 0x1CEB00DAu);
    const auto& slot = *At<PARTITION_INFORMATION_EX>(ex, 48);
    EXPECT_EQ(slot.Mbr.PartitionType, 0x07);
    EXPECT_EQ(slot.Mbr.HiddenSectors, 128u);
    EXPECT_TRUE(slot.Mbr.RecognizedPartition);
    EXPECT_EQ(At<PARTITION_INFORMATION_EX>(ex, 48 + 144)->Mbr.PartitionType, 0);

    IoBuffer old = EncodeDriveLayout(layout);
    ASSERT_EQ(old.size(), 8u + 4 * 32);
    const auto* top = At<DRIVE_LAYOUT_INFORMATION>(old);
    EXPECT_EQ(top->PartitionCount, 4u);
    EXPECT_EQ(top->Signature, 0x1CEB00DAu);
    EXPECT_EQ(top->PartitionEntry[0].StartingOffset.QuadPart, 65536);
    EXPECT_TRUE(top->PartitionEntry[0].RewritePartition);

    // The older request's reply: 552 bytes, room for 17 entries.
    IoBuffer reply(ioctl_bytes::kDriveLayout, 0);
    std::memcpy(reply.data(), old.data(), old.size());
    const DriveLayout decoded = DecodeDriveLayout(reply);
    ASSERT_EQ(decoded.entries.size(), 4u);
    EXPECT_EQ(decoded.entries[0].partitionLength, (10LL << 30) - 65536);
    At<DRIVE_LAYOUT_INFORMATION>(reply)->PartitionCount = 400;
    EXPECT_EQ(DecodeDriveLayout(reply).entries.size(), 17u);
    IoBuffer exReply(ioctl_bytes::kDriveLayoutEx, 0);
    At<DRIVE_LAYOUT_INFORMATION_EX>(exReply)->PartitionCount = 400;
    EXPECT_EQ(DecodeDriveLayoutEx(exReply).entries.size(), 17u);
    // A zeroed buffer (a failed request) reads as MBR without partitions.
    EXPECT_TRUE(DecodeDriveLayoutEx(IoBuffer(ioctl_bytes::kDriveLayoutEx, 0)).entries.empty());
}

TEST(Win32DiskCodec, CreateDiskOfEitherStyle) {
    CreateDiskParams mbr;
    mbr.mbrSignature = 0xDEADBEEF;
    IoBuffer buffer = EncodeCreateDisk(mbr);
    ASSERT_EQ(buffer.size(), 24u);
    EXPECT_EQ(At<CREATE_DISK>(buffer)->PartitionStyle, PARTITION_STYLE_MBR);
    EXPECT_EQ(At<CREATE_DISK>(buffer)->Mbr.Signature, 0xDEADBEEFu);
    CreateDiskParams gpt;
    gpt.style = PartitionStyle::Gpt;
    gpt.gptDiskId = *Guid::Parse(L"{01234567-89ab-4cde-8f01-23456789abcd}");
    gpt.maxPartitionCount = 128;
    buffer = EncodeCreateDisk(gpt);
    EXPECT_EQ(At<CREATE_DISK>(buffer)->PartitionStyle, PARTITION_STYLE_GPT);
    EXPECT_TRUE(IsEqualGUID(At<CREATE_DISK>(buffer)->Gpt.DiskId, kSomeId));
    EXPECT_EQ(At<CREATE_DISK>(buffer)->Gpt.MaxPartitionCount, 128u);
}

// The port's calls as Wine answers them: the system drive, and the errors of
// names that do not exist.
TEST(Win32DiskPort, SystemDriveAndMissingDevices) {
    Win32DiskPort port;
    EXPECT_EQ(port.DriveTypeOf(L"C:\\"), DriveType::Fixed);
    EXPECT_TRUE(port.DosDeviceTarget(L"C:").Ok());
    EXPECT_TRUE(port.DiskFreeSpaceOf(L"C:\\").Ok());
    const auto missing = port.Open(L"\\\\.\\PhysicalDrive77", disk_access::kGenericRead, disk_access::kShareRead);
    EXPECT_FALSE(missing.Ok());
    EXPECT_EQ(missing.value, nullptr);
    EXPECT_FALSE(port.VolumeInfo(L"Q:\\nowhere\\").Ok());
    const std::uint32_t previous = port.SetErrorMode(kSemFailCriticalErrors);
    EXPECT_EQ(port.SetErrorMode(previous), kSemFailCriticalErrors);
}

}  // namespace
}  // namespace norvale::win32
