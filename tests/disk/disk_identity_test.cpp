// The check before every destructive step: the disk number must still be a
// disk of a session of the expected target at the appliance's address, and
// never disk 0.
#include <gtest/gtest.h>

#include "disk/core/inventory/disk_identity.h"
#include "tests/disk/simulated_windows_fixture.h"

namespace norvale {
namespace {

SessionInfo Session(const wchar_t* target, const wchar_t* address, std::vector<std::int32_t> disks) {
    SessionInfo session;
    session.TargetName = target;
    session.TargetAddress = address;
    for (const std::int32_t disk : disks) session.Devices.push_back(SessionDevice{disk, L"", 0, target});
    return session;
}

struct IdentityCase {
    const char* label;
    std::int32_t disk;
    ExpectedTarget expected;
    DiskIdentity identity;
};

TEST(DiskIdentity, AgainstASessionList) {
    const std::vector<SessionInfo> sessions = {
        Session(test::kArchiveData, test::kArchiveOtherIp, {3}),
        Session(test::kBackupData, test::kBackupIp, {4}),
        // The same target name on another appliance.
        Session(L"iqn.2026-12.com.orrin:shared", L"10.0.0.9", {5}),
        Session(L"iqn.2026-12.com.orrin:shared", test::kArchiveIp, {6}),
        Session(L"iqn.2026-12.com.orrin:zero", test::kArchiveIp, {0}),
    };
    const std::vector<std::wstring> archive = {test::kArchiveIp, test::kArchiveOtherIp};
    const IdentityCase cases[] = {
        {"OwnDiskThroughTheOtherPort", 3, {test::kArchiveData, archive}, DiskIdentity::Confirmed},
        {"TargetNameIgnoresCase", 3, {L"IQN.2026-12.COM.ORRIN:ARCHIVE.DATA", archive}, DiskIdentity::Confirmed},
        {"AnotherTargetsDisk", 4, {test::kArchiveData, archive}, DiskIdentity::NotOfTarget},
        {"SameNameOtherAppliance", 5, {L"iqn.2026-12.com.orrin:shared", archive}, DiskIdentity::NotOfTarget},
        {"SameNameThisAppliance", 6, {L"iqn.2026-12.com.orrin:shared", archive}, DiskIdentity::Confirmed},
        {"NoSuchDisk", 9, {test::kArchiveData, archive}, DiskIdentity::NotOfTarget},
        {"DiskZeroEvenIfASessionClaimsIt", 0, {L"iqn.2026-12.com.orrin:zero", archive}, DiskIdentity::SystemDisk},
        {"NegativeNumber", -1, {test::kArchiveData, archive}, DiskIdentity::SystemDisk},
        {"NoTargetGiven", 3, {L"", archive}, DiskIdentity::NotOfTarget},
        {"NoAddressGiven", 3, {test::kArchiveData, {L"", L""}}, DiskIdentity::NotOfTarget},
    };
    for (const IdentityCase& c : cases) {
        EXPECT_EQ(IdentifyDisk(sessions, c.disk, c.expected), c.identity) << c.label;
    }
}

class DiskIdentityOnWindows : public test::SimulatedWindowsTest {
protected:
    DiskIdentityCheck Check(std::int32_t disk, const wchar_t* target) {
        DiskInventory inventory(Pc().Inventory());
        return ConfirmDiskIdentity(inventory, disk, {target, {test::kArchiveIp, test::kArchiveOtherIp}});
    }
};

// The appliance's disk left and another target's disk took its number: the
// check refuses, with the message that says nothing was written.
TEST_F(DiskIdentityOnWindows, ANumberTakenOverIsRefused) {
    const std::int32_t disk = Connect(test::kArchiveData);
    EXPECT_TRUE(Check(disk, test::kArchiveData).Confirmed());
    ASSERT_TRUE(Pc().Disconnect(test::kArchiveData));
    EXPECT_EQ(Connect(test::kBackupData, test::kBackupIp), disk);
    const DiskIdentityCheck check = Check(disk, test::kArchiveData);
    EXPECT_EQ(check.identity, DiskIdentity::NotOfTarget);
    EXPECT_EQ(check.refusal, L"Disk " + std::to_wstring(disk) +
                                 L" is not a disk of the selected iSCSI target (disks may have changed). Nothing was "
                                 L"written to it.");
    EXPECT_EQ(Check(0, test::kArchiveData).identity, DiskIdentity::SystemDisk);
}

TEST_F(DiskIdentityOnWindows, UnreadableSessionsAreRefused) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Pc().Initiator().Faults().wmiUnreachable = true;
    const DiskIdentityCheck check = Check(disk, test::kArchiveData);
    EXPECT_EQ(check.identity, DiskIdentity::SessionsUnreadable);
    EXPECT_FALSE(check.refusal.empty());
}

}  // namespace
}  // namespace norvale
