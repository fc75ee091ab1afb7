// The simulated Windows in a temporary folder, with two appliances: Archive
// (two targets with LUNs of 10 GiB and 1 GiB, and one without a LUN) and
// Backup (one target of 2 GiB). Every test ends by checking that nothing
// reached the system disk.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/disk/disksim_fixture.h"
#include "tests/fakes/virtual_clock.h"
#include "tests/platform/version_machines.h"
#include "tools/winsim/simulated_windows.h"

namespace norvale::test {
// Fixture headers each keep their names apart: an inline constant of the
// same name in two fixtures would otherwise be one symbol to the linker.
inline namespace simulated_windows_fixture {

inline constexpr wchar_t kArchiveIp[] = L"192.168.10.20";
inline constexpr wchar_t kArchiveOtherIp[] = L"192.168.11.20";
inline constexpr wchar_t kBackupIp[] = L"192.168.10.30";
inline constexpr wchar_t kArchiveData[] = L"iqn.2026-12.com.orrin:archive.data";
inline constexpr wchar_t kArchiveSmall[] = L"iqn.2026-12.com.orrin:archive.small";
inline constexpr wchar_t kArchiveEmpty[] = L"iqn.2026-12.com.orrin:archive.empty";
inline constexpr wchar_t kBackupData[] = L"iqn.2026-12.com.orrin:backup.data";

inline std::vector<sim::ApplianceConfig> TwoAppliances() {
    sim::ApplianceConfig archive;
    archive.address = "192.168.10.20";
    archive.otherAddress = "192.168.11.20";
    archive.name = "Archive";
    archive.targets = {{"iqn.2026-12.com.orrin:archive.data", false, "", "", 10ull << 30},
                       {"iqn.2026-12.com.orrin:archive.small", false, "", "", 1ull << 30},
                       {"iqn.2026-12.com.orrin:archive.empty", false, "", "", 0}};
    sim::ApplianceConfig backup;
    backup.address = "192.168.10.30";
    backup.name = "Backup";
    backup.targets = {{"iqn.2026-12.com.orrin:backup.data", false, "", "", 2ull << 30}};
    return {archive, backup};
}

class SimulatedWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/norvale-winsim-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
        Boot(Windows7Professional());
    }
    void TearDown() override {
        EXPECT_EQ(windows_->Disks().SystemDiskTouches(), 0u);
        windows_.reset();
        RunTool("rm -rf '" + dir_ + "'");
    }
    // A fresh PC of that Windows (its disks start empty again).
    void Boot(FakeVersionSource version, std::chrono::milliseconds letterDelay = {}) {
        windows_.reset();
        RunTool("rm -rf '" + dir_ + "'/*");
        sim::WindowsSetup setup = sim::WindowsSetup::For(std::move(version), dir_, TwoAppliances());
        setup.letterDelay = letterDelay;
        windows_ = std::make_unique<sim::SimulatedWindows>(clock_, std::move(setup));
    }
    sim::SimulatedWindows& Pc() { return *windows_; }
    disksim::SimulatedDiskStack& Disks() { return windows_->Disks(); }
    std::int32_t Connect(const wchar_t* target, const wchar_t* address = kArchiveIp) {
        const auto disk = windows_->Connect(address, target);
        EXPECT_TRUE(disk.has_value()) << "no disk for the login";
        return disk.value_or(0);
    }
    // Writes a layout to the disk as the partition dialogs do, and has the
    // system read the table again.
    void Partition(std::int32_t disk, const DriveLayout& layout) {
        auto device = Disks().Open(PhysicalDrivePath(static_cast<std::uint32_t>(disk)),
                                   disk_access::kGenericRead | disk_access::kGenericWrite,
                                   disk_access::kShareRead | disk_access::kShareWrite);
        ASSERT_TRUE(device.Ok());
        ASSERT_EQ(device.value->SetDriveLayoutEx(layout).error, 0u);
        ASSERT_EQ(device.value->UpdateProperties().error, 0u);
        // Windows mounts the new volumes a moment later, and letters them
        // (where it does) a moment after that.
        clock_.Advance(Pc().Setup().volumeDelay + Pc().Setup().letterDelay);
    }

    VirtualClock clock_;
    std::string dir_;
    std::unique_ptr<sim::SimulatedWindows> windows_;
};

}  // namespace simulated_windows_fixture
}  // namespace norvale::test
