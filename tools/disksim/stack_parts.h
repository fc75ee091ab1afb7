// The records behind SimulatedDiskStack, shared by its two source files.
#pragma once

#include "tools/disksim/fs_probe.h"
#include "tools/disksim/simulated_disk_stack.h"

namespace norvale::disksim {

struct SimulatedDiskStack::SimDisk {
    std::uint64_t id = 0;
    std::uint32_t number = 0;
    DiskImage image;
    bool online = true;
    bool readOnly = false;
    bool system = false;
    std::int64_t sectorBytes = kSectorBytes;  // 512, or 4096 for a native 4K disk
    // A GPT initialisation whose reserved partition has not arrived yet.
    std::optional<std::chrono::milliseconds> reservedDue;
};

// A volume lives as long as its partition (same disk, same start); a gone
// volume is kept so that it gets its GUID and letter back when it returns.
struct SimulatedDiskStack::SimVolume {
    std::uint64_t id = 0;
    std::uint64_t diskId = 0;  // 0: a volume of no simulated disk (stick, CD-ROM)
    std::int64_t start = 0;
    std::int64_t length = 0;
    std::uint32_t partitionNumber = 0;
    std::wstring guidPath;
    std::wstring ntDevice;
    bool present = false;
    // On a table just written (or a disk just come): present from arrivalDue on.
    bool arriving = false;
    std::chrono::milliseconds arrivalDue{0};
    wchar_t letter = 0;
    wchar_t remembered = 0;
    wchar_t pendingLetter = 0;
    std::chrono::milliseconds pendingDue{0};
    // Volumes of no simulated disk answer from these.
    DriveType type = DriveType::Fixed;
    std::optional<FileSystemFound> fileSystem;
    bool notReady = false;  // a CD-ROM drive without a disc
};

}  // namespace norvale::disksim
