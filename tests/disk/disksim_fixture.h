// A simulated disk stack in a temporary folder, with the helpers the disk
// tests share: layouts written through the port, the real partitioning tools
// run on the images, and a digest of what an image holds so that a refused
// request can be shown to have written nothing. Every test ends by checking
// that nothing reached the system disk.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/fakes/simulated_pc.h"
#include "tests/fakes/virtual_clock.h"
#include "tools/disksim/simulated_disk_stack.h"

namespace norvale::test {

// Output and exit code of a shell command.
struct ToolRun {
    std::string output;
    int exitCode = -1;
};
ToolRun RunTool(const std::string& command);

// A hash of every byte of the file that is not a hole (sparse images hold a
// few kilobytes of data whatever their size).
std::string ImageDigest(const std::string& path);

class DiskSimTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    disksim::SimulatedDiskStack& Stack() { return *stack_; }
    const std::string& Dir() const { return dir_; }
    std::uint32_t AttachSized(std::int64_t bytes);
    std::string ImageOf(std::uint32_t disk);
    std::unique_ptr<DiskDevice> OpenDisk(std::uint32_t disk,
                                         std::uint32_t access = disk_access::kGenericRead | disk_access::kGenericWrite);
    // CREATE_DISK (when given), the layout, then the properties update.
    std::uint32_t Write(std::uint32_t disk, const DriveLayout& layout, const CreateDiskParams* create = nullptr);
    // Tests that mean to touch the system disk say how often.
    void ExpectSystemTouches(std::uint64_t count) { expectedSystemTouches_ = count; }

    VirtualClock clock_;
    SimulatedPc pc_ = SimulatedPc::Typical();

private:
    std::string dir_;
    std::string systemDigest_;
    std::unique_ptr<disksim::SimulatedDiskStack> stack_;
    std::uint64_t expectedSystemTouches_ = 0;
};

// Layout pieces.
PartitionEntry MbrEntry(std::int64_t start, std::int64_t length, std::uint8_t type = mbr_type::kIfs);
PartitionEntry GptEntry(std::int64_t start, std::int64_t length, const std::wstring& name = L"",
                        const Guid& type = kBasicDataPartitionType);
DriveLayout MbrLayout(std::uint32_t signature, std::vector<PartitionEntry> entries);
DriveLayout GptLayout(const Guid& diskId, std::vector<PartitionEntry> entries);
Guid TestGuid(std::uint32_t seed);

inline constexpr std::int64_t kMiB = 1LL << 20;
inline constexpr std::int64_t kGiB = 1LL << 30;

}  // namespace norvale::test
