// The inventory's walk and the layout builder through the real disk adapter.
// Under Wine there is no disk stack behind the volumes: every call it lacks
// must fail cleanly and leave the walk going, never crash it.
#include <windows.h>

#include <gtest/gtest.h>

#include "disk/core/inventory/disk_layout.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/win32/win32_disk_port.h"
#include "tests/fakes/fake_version_source.h"
#include "tests/fakes/recording_trace.h"
#include "tests/platform/scripted_wmi.h"
#include "tests/platform/version_machines.h"

namespace norvale::test {
namespace {

// A session that claims disk 0 and one that claims a disk that is not there.
void ScriptSessions(ScriptedWmi& wmi) {
    const auto session = [](const wchar_t* target, std::int32_t disk) {
        const ScriptObject device{{L"deviceNumber", I4(disk)},
                                  {L"legacyName", Text(L"\\\\.\\PhysicalDrive" + std::to_wstring(disk))},
                                  {L"partitionNumber", I4(0)},
                                  {L"TargetName", Text(target)}};
        return ScriptObject{{L"TargetName", Text(target)},
                            {L"ConnectionInformation", Objects({{{L"TargetAddress", Text(L"192.168.10.20")}}})},
                            {L"Devices", Objects({device})}};
    };
    wmi.results[L"SELECT * FROM MSiSCSIInitiator_SessionClass"] = {session(L"iqn.t:zero", 0),
                                                                    session(L"iqn.t:gone", 77)};
}

TEST(Win32DiskWalk, RefreshFindsTheVolumesItCanAndFailsCleanlyOnTheRest) {
    win32::Win32DiskPort disks;
    ScriptedWmi wmi;
    ScriptSessions(wmi);
    FakeVersionSource version = Windows7Professional();
    RecordingTrace trace;
    WmiConnections connections(WmiEnvironment{wmi, version, trace});
    DiskInventory inventory(InventoryPorts{disks, connections, version, trace});
    const VolumeInventory records = inventory.Refresh();
    const std::wstring walk = trace.All();
    EXPECT_NE(walk.find(L"\nVolumes:\n"), std::wstring::npos) << "the volume enumeration answered";
    // Disk 77 does not exist: its bare record has no size.
    bool gone = false;
    for (const VolumeRecord& record : records) {
        if (record.diskNumber != 77) continue;
        gone = true;
        EXPECT_TRUE(record.IsBareDisk());
        EXPECT_EQ(record.sizeText, L"*");
        EXPECT_EQ(record.targetName, L"iqn.t:gone");
    }
    EXPECT_TRUE(gone);
    EXPECT_FALSE(inventory.FindPartition(0, 0).has_value()) << "never disk 0";
    EXPECT_EQ(inventory.DriveLetterOfDevice(L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\"), L"*");
}

TEST(Win32DiskWalk, LayoutOfAMissingDiskIsEmpty) {
    win32::Win32DiskPort disks;
    const DiskLayout layout = BuildDiskLayout(disks, 77, false);
    EXPECT_TRUE(layout.segments.empty());
    EXPECT_EQ(layout.diskSize, 0);
    EXPECT_EQ(DiskSizeOf(disks, 77), 0);
    // Whatever Wine answers for the system disk, the builder ends cleanly.
    const DiskLayout system = BuildDiskLayout(disks, 0, false);
    EXPECT_LE(system.segments.size(), kMaxDiskSegments);
}

}  // namespace
}  // namespace norvale::test
