#include "tests/disk/disksim_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/disksim/bytes.h"

namespace norvale::test {

ToolRun RunTool(const std::string& command) {
    ToolRun run;
    FILE* pipe = ::popen(("( " + command + " ) 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string ImageDigest(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "unreadable";
    const off_t size = ::lseek(fd, 0, SEEK_END);
    std::uint32_t digest = 0;
    std::vector<std::uint8_t> buffer(1 << 16);
    off_t at = 0;
    while (at < size) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0) break;
        const off_t hole = ::lseek(fd, data, SEEK_HOLE);
        for (off_t offset = data; offset < hole;) {
            const auto chunk = static_cast<std::size_t>(std::min<off_t>(hole - offset, buffer.size()));
            const ssize_t got = ::pread(fd, buffer.data(), chunk, offset);
            if (got <= 0) break;
            // Zero blocks count as holes: a file system may keep either.
            bool zeros = true;
            for (ssize_t i = 0; i < got && zeros; ++i) zeros = buffer[i] == 0;
            if (!zeros) {
                digest = disksim::Crc32(buffer.data(), static_cast<std::size_t>(got)) ^ (digest * 31 + offset);
            }
            offset += got;
        }
        at = hole;
    }
    ::close(fd);
    return std::to_string(size) + ":" + std::to_string(digest);
}

void DiskSimTest::SetUp() {
    char name[] = "/tmp/norvale-disksim-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    dir_ = name;
    disksim::StackOptions options;
    options.systemDiskBytes = 64 * kGiB;
    stack_ = std::make_unique<disksim::SimulatedDiskStack>(dir_, clock_, pc_, options);
    systemDigest_ = ImageDigest(dir_ + "/system-disk0.img");
}

void DiskSimTest::TearDown() {
    // Whatever a test did, disk 0 holds what it held.
    EXPECT_EQ(stack_->SystemDiskTouches(), expectedSystemTouches_);
    EXPECT_EQ(ImageDigest(dir_ + "/system-disk0.img"), systemDigest_);
    stack_.reset();
    RunTool("rm -rf '" + dir_ + "'");
}

std::uint32_t DiskSimTest::AttachSized(std::int64_t bytes) {
    const auto number = stack_->Attach(disksim::DiskSpec::Sized(bytes));
    EXPECT_TRUE(number.has_value());
    return number.value_or(0);
}

std::string DiskSimTest::ImageOf(std::uint32_t disk) {
    const auto facts = stack_->Disk(disk);
    return facts ? facts->imagePath : std::string();
}

std::unique_ptr<DiskDevice> DiskSimTest::OpenDisk(std::uint32_t disk, std::uint32_t access) {
    auto opened = stack_->Open(PhysicalDrivePath(disk), access, disk_access::kShareRead | disk_access::kShareWrite);
    EXPECT_TRUE(opened.Ok()) << opened.error;
    return std::move(opened.value);
}

std::uint32_t DiskSimTest::Write(std::uint32_t disk, const DriveLayout& layout, const CreateDiskParams* create) {
    auto device = OpenDisk(disk);
    if (!device) return win32_error::kFileNotFound;
    if (create != nullptr) {
        if (const auto status = device->CreateDisk(*create); !status.Ok()) return status.error;
    }
    if (const auto status = device->SetDriveLayoutEx(layout); !status.Ok()) return status.error;
    return device->UpdateProperties().error;
}

PartitionEntry MbrEntry(std::int64_t start, std::int64_t length, std::uint8_t type) {
    PartitionEntry entry;
    entry.style = PartitionStyle::Mbr;
    entry.startingOffset = start;
    entry.partitionLength = length;
    entry.mbrType = type;
    entry.recognizedPartition = true;
    entry.rewritePartition = true;
    entry.hiddenSectors = static_cast<std::uint32_t>(start / 512);
    return entry;
}

PartitionEntry GptEntry(std::int64_t start, std::int64_t length, const std::wstring& name, const Guid& type) {
    PartitionEntry entry;
    entry.style = PartitionStyle::Gpt;
    entry.startingOffset = start;
    entry.partitionLength = length;
    entry.gptType = type;
    entry.gptId = TestGuid(static_cast<std::uint32_t>(start / 512));
    entry.gptName = name;
    entry.rewritePartition = true;
    return entry;
}

DriveLayout MbrLayout(std::uint32_t signature, std::vector<PartitionEntry> entries) {
    DriveLayout layout;
    layout.style = PartitionStyle::Mbr;
    layout.mbrSignature = signature;
    entries.resize(4);
    layout.entries = std::move(entries);
    return layout;
}

DriveLayout GptLayout(const Guid& diskId, std::vector<PartitionEntry> entries) {
    DriveLayout layout;
    layout.style = PartitionStyle::Gpt;
    layout.gptDiskId = diskId;
    layout.maxPartitionCount = 128;
    layout.entries = std::move(entries);
    return layout;
}

Guid TestGuid(std::uint32_t seed) {
    Guid guid;
    guid.data1 = 0x5eed0000u + seed;
    guid.data2 = 0x1234;
    guid.data3 = 0x4abc;
    guid.data4 = {0x8d, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, static_cast<std::uint8_t>(seed)};
    return guid;
}

}  // namespace norvale::test
