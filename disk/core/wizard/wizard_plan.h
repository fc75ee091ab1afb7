// What the format wizard decides before it touches the disk: whether the
// user's choice of size and file system is acceptable, the partition style,
// and where the one partition lies. Pure functions, so every edge is checked
// without a disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disk/core/partition/aligned_extent.h"
#include "disk/core/partition/new_partition.h"
#include "disk/core/stack/disk_types.h"

namespace norvale {

struct WizardChoice {
    bool maximumSpace = true;
    std::wstring sizeText;  // the size edit, read only when maximumSpace is off
    bool ntfs = true;
    bool fat32 = false;
};

struct WizardSizing {
    unsigned refusal = 0;         // string id of the message; 0: accepted
    std::int64_t refusalMiB = 0;  // the number the refusal shows (the disk size for "less than %dMb")
    std::int64_t sizeMiB = 0;
    bool gpt = false;

    bool Accepted() const { return refusal == 0; }
};

// The largest partition an MBR entry of Windows' older tools can describe
// (the 2 TB test of XP-class systems).
inline constexpr std::int64_t kMbrLimitMiB = 2089990;

// Whether the wizard gives a disk of this size a GPT table: where the system
// handles GPT and the disk is too large for MBR.
bool WizardUsesGpt(std::int64_t diskMiB, int osClass);

// The size checks of OK, after the file system was checked and the disk's
// size in MiB was read. `availableMiB` is what the partition can have (what
// the dialog offered): the size of "maximum space", and the most a typed
// size may ask for. The size text must be digits only; one too long to be a
// size is refused like any other non-size.
WizardSizing CheckWizardSize(const WizardChoice& choice, std::int64_t diskMiB, int osClass,
                             std::int64_t availableMiB);

// What the wizard knows of the disk when it builds the layout.
struct WizardDisk {
    std::int64_t geometryBytes = 0;  // cylinders × heads × sectors × bytes per sector
    std::int64_t diskBytes = 0;      // the exact length (0: unknown, the geometry is taken)
    std::uint32_t bytesPerSector = 512;
    // From the GPT table Windows reports after the initialisation (0: not
    // known, the values of a 512-byte disk with 128 entries are taken).
    std::int64_t gptFirstUsable = 0;  // StartingUsableOffset
    std::int64_t gptUsableEnd = 0;    // StartingUsableOffset + UsableLength
    std::int64_t firstFree = 0;       // past the entries the table holds (its reserved partition)
};

// The first usable byte of a GPT disk with 128 entries (its backup table's
// sectors at the end: kGptBackupSectors).
inline constexpr std::int64_t kGptFirstUsable = 0x4400;
inline constexpr std::int64_t kMbrStartWindows7 = 0x10000;
inline constexpr std::int64_t kMbrStartOlder = 0x7E00;

// Where the partition of `sizeMiB` goes. On Vista and later (AlignsPartitions)
// a GPT partition and Vista's MBR partition start on the first 1 MiB boundary
// after the table's first usable byte and the entries the new table holds
// (its reserved partition), and take the size asked for or, when that does
// not fit, the most whole MiB that do (AlignedExtent); the MBR partition of
// 6.1 and later starts at 65 536 (a multiple of 4 KiB). Older Windows: GPT at
// 17 408 or after the table's entries, MBR at 32 256; on sectors larger than
// 512 bytes the start is rounded up to a whole sector at or after the
// table's first usable byte. The partition always ends inside the disk:
// before the GPT backup table, within the geometry and the 32-bit sector
// count of an MBR entry, on a sector boundary.
PartitionExtent PlanWizardExtent(std::int64_t sizeMiB, bool gpt, int osClass, const WizardDisk& disk);

// What the dialog offers as available: the whole MiB of the partition that
// "maximum space" makes on the disk as it is (before an initialisation adds
// a reserved partition). Older Windows offer the disk's size, as before.
std::int64_t WizardAvailableMiB(std::int64_t diskMiB, int osClass, const WizardDisk& disk);

// The layouts the wizard writes, with their fresh ids.
// A GPT layout keeps the table's reserved partition, when it has one, in
// front of the new partition.
DriveLayout WizardGptLayout(const PartitionExtent& extent, const Guid& diskId, const Guid& partitionId,
                            const std::optional<PartitionEntry>& reserved = std::nullopt);
DriveLayout WizardMbrLayout(const PartitionExtent& extent, std::uint32_t signature, std::uint32_t bytesPerSector);

}  // namespace norvale
