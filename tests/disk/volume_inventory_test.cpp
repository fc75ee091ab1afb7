// The disk inventory on the simulated Windows: which volumes and disks
// belong to iSCSI sessions, with which target, in which order, read through
// the product's disk port and its WMI wrapper.
#include <gtest/gtest.h>

#include "disk/core/inventory/size_text.h"
#include "disk/core/inventory/volume_inventory.h"
#include "tests/disk/simulated_windows_fixture.h"

namespace norvale {
namespace {

using test::kGiB;
using test::kMiB;

class InventoryTest : public test::SimulatedWindowsTest {
protected:
    VolumeInventory Refresh() { return DiskInventory(Pc().Inventory()).Refresh(); }
    static DriveLayout TwoPartitions() {
        return test::MbrLayout(0x5A, {test::MbrEntry(kMiB, kGiB), test::MbrEntry(kMiB + kGiB, 2 * kGiB)});
    }
};

TEST_F(InventoryTest, BareDiskAppearsOnceWithStarsThenItsVolumesInOrder) {
    const std::int32_t disk = Connect(test::kArchiveData);
    VolumeInventory inventory = Refresh();
    ASSERT_EQ(inventory.size(), 1u);
    const VolumeRecord& bare = inventory[0];
    EXPECT_EQ(bare.diskNumber, disk);
    EXPECT_EQ(bare.diskText, std::to_wstring(disk));
    EXPECT_EQ(bare.partitionNumber, 0);
    EXPECT_EQ(bare.partitionText, L"*");
    EXPECT_EQ(bare.fileSystem, L"*");
    EXPECT_EQ(bare.driveLetter, L"*");
    EXPECT_EQ(bare.volumeName, PhysicalDrivePath(static_cast<std::uint32_t>(disk)));
    // The geometry's size, whole cylinders, not rounded to MiB.
    EXPECT_EQ(bare.length, 1305ull * 255 * 63 * 512);
    EXPECT_EQ(bare.sizeText, SizeText(bare.length));
    EXPECT_EQ(bare.targetName, test::kArchiveData);
    EXPECT_EQ(bare.targetAddress, test::kArchiveIp);

    Partition(disk, TwoPartitions());
    inventory = Refresh();
    ASSERT_EQ(inventory.size(), 2u);
    EXPECT_EQ(inventory[0].partitionNumber, 1);
    EXPECT_EQ(inventory[1].partitionNumber, 2);
    // Exactly 1 GiB shows as 1.00 Gb.
    EXPECT_EQ(inventory[0].length, static_cast<std::uint64_t>(kGiB));
    EXPECT_EQ(inventory[0].lengthMiB, 1024u);
    EXPECT_EQ(inventory[0].sizeText, L"1.00 Gb");
    // A new raw volume: lettered by the mount manager, no file system yet.
    EXPECT_EQ(inventory[0].driveLetter, L"F:\\");
    EXPECT_EQ(inventory[1].driveLetter, L"G:\\");
    EXPECT_EQ(inventory[0].fileSystem, L"Unknown");
    EXPECT_EQ(inventory[0].partitionText, L"1");
    for (const VolumeRecord& record : inventory) EXPECT_EQ(record.targetName, test::kArchiveData);
}

// Only iSCSI disks count; their records sort by disk, then partition, and
// carry their own session's target and portal address.
TEST_F(InventoryTest, OnlySessionDisksSortedAndTaggedWithTheirTarget) {
    const std::int32_t data = Connect(test::kArchiveData);
    const std::int32_t backup = Connect(test::kBackupData, test::kBackupIp);
    const std::int32_t small = Connect(test::kArchiveSmall);
    Partition(data, TwoPartitions());
    // A disk of no session, with a volume of its own (a USB disk, say).
    const auto local = Disks().Attach(disksim::DiskSpec::Sized(4 * kGiB));
    ASSERT_TRUE(local.has_value());
    Partition(static_cast<std::int32_t>(*local), TwoPartitions());

    const VolumeInventory inventory = Refresh();
    std::vector<std::pair<std::int32_t, std::int32_t>> keys;
    for (const VolumeRecord& record : inventory) keys.emplace_back(record.diskNumber, record.partitionNumber);
    EXPECT_EQ(keys, (std::vector<std::pair<std::int32_t, std::int32_t>>{{data, 1}, {data, 2}, {backup, 0}, {small, 0}}));
    EXPECT_EQ(inventory[2].targetName, test::kBackupData);
    EXPECT_EQ(inventory[2].targetAddress, test::kBackupIp);
    EXPECT_EQ(inventory[3].targetName, test::kArchiveSmall);

    DiskInventory finder(Pc().Inventory());
    EXPECT_EQ(finder.FindByTarget(L"IQN.2026-12.COM.ORRIN:ARCHIVE.SMALL"), TargetDisk::BareDisk);
    EXPECT_EQ(finder.FindByTarget(test::kArchiveData), TargetDisk::HasVolume);
    EXPECT_EQ(finder.FindByTarget(L"iqn.2026-12.com.orrin:nobody"), TargetDisk::None);
    EXPECT_EQ(finder.FindByTarget(L""), TargetDisk::None);
}

TEST_F(InventoryTest, FindPartitionNeverAnswersForTheSystemDisk) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, TwoPartitions());
    DiskInventory inventory(Pc().Inventory());
    EXPECT_FALSE(inventory.FindPartition(0, 0).has_value());
    EXPECT_FALSE(inventory.FindPartition(0, 1).has_value());
    EXPECT_FALSE(inventory.FindPartition(-1, 0).has_value());
    EXPECT_EQ(inventory.FindPartition(disk, 0)->partitionNumber, 1);
    EXPECT_EQ(inventory.FindPartition(disk, 2)->driveLetter, L"G:\\");
    EXPECT_FALSE(inventory.FindPartition(disk, 3).has_value());
    EXPECT_EQ(inventory.DriveLetterOfDevice(inventory.FindPartition(disk, 2)->volumeName), L"G:\\");
    EXPECT_EQ(inventory.DriveLetterOfDevice(L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\"), L"*");
}

// An offline disk (as new iSCSI disks come up on server editions) shows no
// volume: it is a bare disk until the online script ran.
TEST_F(InventoryTest, OfflineDiskIsBareUntilTheOnlineScript) {
    Boot(test::Server2008R2Datacenter());
    const std::int32_t disk = Connect(test::kArchiveData);
    Disks().SetOnline(static_cast<std::uint32_t>(disk), true);
    Disks().SetReadOnly(static_cast<std::uint32_t>(disk), false);
    Partition(disk, TwoPartitions());
    Disks().SetOnline(static_cast<std::uint32_t>(disk), false);
    ASSERT_EQ(Refresh().size(), 1u);
    EXPECT_TRUE(Refresh()[0].IsBareDisk());

    DiskScripts scripts = Pc().Scripts();
    EXPECT_TRUE(scripts.WriteAndRun(ScriptFile::Active, OnlineScriptText(static_cast<std::uint32_t>(disk))).Ran());
    EXPECT_EQ(Refresh().size(), 1u) << "the volumes come a moment after the disk is online";
    clock_.Advance(Pc().Setup().volumeDelay);
    const VolumeInventory online = Refresh();
    ASSERT_EQ(online.size(), 2u);
    // Server editions give no letter of their own: the assign script does.
    EXPECT_EQ(online[0].driveLetter, L"*");
}

TEST_F(InventoryTest, WithoutTheSessionListNothingCountsAsISCSI) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, TwoPartitions());
    Pc().Initiator().Faults().wmiUnreachable = true;
    EXPECT_TRUE(Refresh().empty());
    DiskInventory inventory(Pc().Inventory());
    EXPECT_FALSE(inventory.Sessions().has_value());
}

// A volume whose extents cannot be read has no disk: it never takes the disk
// of the volume read before it.
TEST_F(InventoryTest, AVolumeWithoutExtentsIsLeftOutNotGivenTheDiskBefore) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(0x5A, {test::MbrEntry(kMiB, kGiB)}));
    const auto local = Disks().Attach(disksim::DiskSpec::Sized(4 * kGiB));
    Partition(static_cast<std::int32_t>(*local), test::MbrLayout(0x5B, {test::MbrEntry(kMiB, kGiB)}));
    Disks().Inject({disksim::Request::GetVolumeDiskExtents, *local, win32_error::kGenFailure, std::nullopt, -1});
    const VolumeInventory inventory = Refresh();
    ASSERT_EQ(inventory.size(), 1u);
    EXPECT_EQ(inventory[0].diskNumber, disk);
}

// Windows 2000: the older requests, and the size from the free-space call
// (which needs a file system).
TEST_F(InventoryTest, OlderWindowsUsesTheOlderRequests) {
    Boot(test::Windows2000());
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, TwoPartitions());
    const VolumeInventory inventory = Refresh();
    ASSERT_EQ(inventory.size(), 2u);
    EXPECT_EQ(inventory[1].partitionNumber, 2);
    EXPECT_EQ(inventory[1].sizeText, L"*");
    EXPECT_EQ(Disks().Calls(disksim::Request::GetPartitionInfoEx), 0u);
    EXPECT_EQ(Disks().Calls(disksim::Request::GetLengthInfo), 0u);
    EXPECT_EQ(Disks().Calls(disksim::Request::GetDriveGeometryEx), 0u);
    EXPECT_GT(Disks().Calls(disksim::Request::GetPartitionInfo), 0u);
}

TEST_F(InventoryTest, TraceNamesWhatTheWalkSaw) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(0x5A, {test::MbrEntry(kMiB, kGiB)}));
    Pc().Trace().lines.clear();
    Refresh();
    const std::wstring trace = Pc().Trace().All();
    for (const wchar_t* expected :
         {L"\nVolumes:\n", L" DriveType : Fixed\n", L" DriveType : CdRom\n", L" DriveType : Removable\n",
          L" Media type :! Fixed hard disk\n", L" Length : 1.00 Gb\n",
          L" Partition : type 0x7, number 1, length 1.00 Gb, boot \"no\"\n", L" Volume consists of 1 extent(s)\n",
          L" 0: disk 1, [0x100000 0x40100000) bytes = [0x800 0x200800) sectors\n", L" F:\n"}) {
        EXPECT_NE(trace.find(expected), std::wstring::npos) << testing::PrintToString(std::wstring(expected));
    }
}

}  // namespace
}  // namespace norvale
