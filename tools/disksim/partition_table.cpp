#include "tools/disksim/partition_table.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "disk/core/stack/win32_error.h"
#include "tools/disksim/bytes.h"

namespace norvale::disksim {

namespace {

constexpr std::size_t kMbrTable = 446;
constexpr std::size_t kMbrSignature = 440;
constexpr std::size_t kGptEntryBytes = 128;
constexpr std::uint32_t kMaxGptEntries = 4096;  // a bound for arrays made by others

// The bytes of a table sector that hold anything (MBR, GPT header); a larger
// sector is written whole, its rest zero.
using Sector = std::array<std::uint8_t, 512>;

bool IsContainerType(std::uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

// --- reading ------------------------------------------------------------------

struct GptHeader {
    std::int64_t myLba = 0;
    std::int64_t alternateLba = 0;
    std::int64_t firstUsableLba = 0;
    std::int64_t lastUsableLba = 0;
    Guid diskId;
    std::int64_t entriesLba = 0;
    std::uint32_t entryCount = 0;
    std::uint32_t entrySize = 0;
    std::uint32_t entriesCrc = 0;
};

std::optional<GptHeader> ReadGptHeader(const ByteReader& read, std::int64_t lba, std::int64_t totalSectors,
                                       std::int64_t bps) {
    Sector sector{};
    if (lba <= 0 || lba >= totalSectors || !read(lba * bps, sector.data(), sector.size())) return std::nullopt;
    if (std::memcmp(sector.data(), "EFI PART", 8) != 0) return std::nullopt;
    const std::uint32_t headerSize = Load32(&sector[12]);
    if (headerSize < 92 || headerSize > 512) return std::nullopt;
    const std::uint32_t storedCrc = Load32(&sector[16]);
    Store32(&sector[16], 0);
    if (Crc32(sector.data(), headerSize) != storedCrc) return std::nullopt;
    GptHeader header;
    header.myLba = static_cast<std::int64_t>(Load64(&sector[24]));
    header.alternateLba = static_cast<std::int64_t>(Load64(&sector[32]));
    header.firstUsableLba = static_cast<std::int64_t>(Load64(&sector[40]));
    header.lastUsableLba = static_cast<std::int64_t>(Load64(&sector[48]));
    header.diskId = Guid::FromBytes(&sector[56]);
    header.entriesLba = static_cast<std::int64_t>(Load64(&sector[72]));
    header.entryCount = Load32(&sector[80]);
    header.entrySize = Load32(&sector[84]);
    header.entriesCrc = Load32(&sector[88]);
    // Values a sound table never has; numbers from the disk are checked before
    // any arithmetic relies on them.
    if (header.myLba != lba || header.entrySize < kGptEntryBytes || header.entrySize > 1024 ||
        header.entrySize % kGptEntryBytes != 0 || header.entryCount == 0 || header.entryCount > kMaxGptEntries ||
        header.firstUsableLba < 2 || header.lastUsableLba < header.firstUsableLba ||
        header.lastUsableLba >= totalSectors || header.entriesLba < 1 || header.entriesLba >= totalSectors) {
        return std::nullopt;
    }
    return header;
}

std::optional<std::vector<std::uint8_t>> ReadGptEntries(const ByteReader& read, const GptHeader& header,
                                                        std::int64_t totalSectors, std::int64_t bps) {
    const std::size_t bytes = static_cast<std::size_t>(header.entryCount) * header.entrySize;
    const std::int64_t sectors = (static_cast<std::int64_t>(bytes) + bps - 1) / bps;
    if (header.entriesLba + sectors > totalSectors) return std::nullopt;
    std::vector<std::uint8_t> array(bytes);
    if (!read(header.entriesLba * bps, array.data(), array.size())) return std::nullopt;
    if (Crc32(array.data(), array.size()) != header.entriesCrc) return std::nullopt;
    return array;
}

std::wstring ReadGptName(const std::uint8_t* p) {
    std::wstring name;
    for (int i = 0; i < 36; ++i) {
        const wchar_t c = static_cast<wchar_t>(Load16(p + 2 * i));
        if (c == 0) break;
        name.push_back(c);
    }
    return name;
}

void ReadGptLayout(const GptHeader& header, const std::vector<std::uint8_t>& array, TableOnDisk& table,
                   std::int64_t bps) {
    DriveLayout& layout = table.layout;
    layout.style = PartitionStyle::Gpt;
    layout.gptDiskId = header.diskId;
    layout.startingUsableOffset = header.firstUsableLba * bps;
    layout.usableLength = (header.lastUsableLba - header.firstUsableLba + 1) * bps;
    layout.maxPartitionCount = header.entryCount;
    std::uint32_t number = 0;
    for (std::uint32_t i = 0; i < header.entryCount; ++i) {
        const std::uint8_t* p = &array[static_cast<std::size_t>(i) * header.entrySize];
        const Guid type = Guid::FromBytes(p);
        if (type.IsZero()) continue;
        const auto first = static_cast<std::int64_t>(Load64(p + 32));
        const auto last = static_cast<std::int64_t>(Load64(p + 40));
        PartitionEntry entry;
        entry.style = PartitionStyle::Gpt;
        entry.gptType = type;
        entry.gptId = Guid::FromBytes(p + 16);
        // An entry that ends before it starts, or lies past the disk, is kept
        // with no length: it is listed but owns no bytes.
        if (first >= 0 && last >= first && last < INT64_MAX / bps) {
            entry.startingOffset = first * bps;
            entry.partitionLength = (last - first + 1) * bps;
        }
        entry.gptAttributes = Load64(p + 48);
        entry.gptName = ReadGptName(p + 56);
        entry.partitionNumber = ++number;
        entry.recognizedPartition = IsRecognizedPartition(entry);
        layout.entries.push_back(entry);
    }
    table.gpt = GptArea{header.firstUsableLba, header.lastUsableLba, header.entryCount};
}

void ReadMbrLayout(const Sector& mbr, DriveLayout& layout, std::int64_t bps) {
    layout.style = PartitionStyle::Mbr;
    layout.mbrSignature = Load32(&mbr[kMbrSignature]);
    std::uint32_t number = 0;
    for (int slot = 0; slot < 4; ++slot) {
        const std::uint8_t* p = &mbr[kMbrTable + 16 * slot];
        PartitionEntry entry;
        entry.style = PartitionStyle::Mbr;
        entry.mbrType = p[4];
        const std::int64_t firstLba = Load32(p + 8);
        const std::int64_t sectors = Load32(p + 12);
        if (entry.mbrType != mbr_type::kUnused && sectors != 0) {
            entry.startingOffset = firstLba * bps;
            entry.partitionLength = sectors * bps;
            entry.bootIndicator = p[0] == 0x80;
            entry.hiddenSectors = static_cast<std::uint32_t>(firstLba);
            entry.recognizedPartition = IsRecognizedMbrType(entry.mbrType);
            // Containers get no number; their logical drives are not followed.
            if (!IsContainerType(entry.mbrType)) entry.partitionNumber = ++number;
        } else {
            entry.mbrType = mbr_type::kUnused;
        }
        layout.entries.push_back(entry);
    }
}

// --- writing ------------------------------------------------------------------

std::array<std::uint8_t, 3> Chs(std::int64_t lba) {
    const std::int64_t cylinder = lba / (255 * 63);
    if (cylinder > 1023) return {0xFE, 0xFF, 0xFF};
    const auto head = static_cast<std::uint8_t>((lba / 63) % 255);
    const auto sector = static_cast<std::uint8_t>(lba % 63 + 1);
    return {head, static_cast<std::uint8_t>(sector | ((cylinder >> 2) & 0xC0)),
            static_cast<std::uint8_t>(cylinder & 0xFF)};
}

void StoreMbrEntry(std::uint8_t* p, std::uint8_t type, bool boot, std::int64_t firstLba, std::int64_t sectors) {
    std::memset(p, 0, 16);
    if (type == mbr_type::kUnused || sectors == 0) return;
    p[0] = boot ? 0x80 : 0x00;
    const auto first = Chs(firstLba);
    const auto last = Chs(firstLba + sectors - 1);
    std::memcpy(p + 1, first.data(), 3);
    p[4] = type;
    std::memcpy(p + 5, last.data(), 3);
    Store32(p + 8, static_cast<std::uint32_t>(firstLba));
    Store32(p + 12, static_cast<std::uint32_t>(sectors));
}

SectorWrite WholeSector(std::int64_t lba, const Sector& sector, std::int64_t bps) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(bps), 0);
    std::copy(sector.begin(), sector.end(), bytes.begin());
    return {lba * bps, std::move(bytes)};
}

// The boot code of the disk's first sector is kept, as Windows keeps it.
Sector CurrentFirstSector(const ByteReader& read) {
    Sector sector{};
    if (!read(0, sector.data(), sector.size())) sector.fill(0);
    return sector;
}

void StoreGptEntry(std::uint8_t* p, const PartitionEntry& entry, std::int64_t bps) {
    const auto type = entry.gptType.ToBytes();
    const auto id = entry.gptId.ToBytes();
    std::memcpy(p, type.data(), 16);
    std::memcpy(p + 16, id.data(), 16);
    Store64(p + 32, static_cast<std::uint64_t>(entry.startingOffset / bps));
    Store64(p + 40, static_cast<std::uint64_t>(entry.End() / bps - 1));
    Store64(p + 48, entry.gptAttributes);
    for (std::size_t i = 0; i < 36 && i < entry.gptName.size(); ++i) {
        Store16(p + 56 + 2 * i, static_cast<std::uint16_t>(entry.gptName[i]));
    }
}

Sector GptHeaderSector(const GptArea& area, const Guid& diskId, std::int64_t myLba, std::int64_t alternateLba,
                       std::int64_t entriesLba, std::uint32_t entriesCrc) {
    Sector sector{};
    std::memcpy(sector.data(), "EFI PART", 8);
    Store32(&sector[8], 0x00010000);
    Store32(&sector[12], 92);
    Store64(&sector[24], static_cast<std::uint64_t>(myLba));
    Store64(&sector[32], static_cast<std::uint64_t>(alternateLba));
    Store64(&sector[40], static_cast<std::uint64_t>(area.firstUsableLba));
    Store64(&sector[48], static_cast<std::uint64_t>(area.lastUsableLba));
    const auto id = diskId.ToBytes();
    std::memcpy(&sector[56], id.data(), 16);
    Store64(&sector[72], static_cast<std::uint64_t>(entriesLba));
    Store32(&sector[80], area.entryCount);
    Store32(&sector[84], kGptEntryBytes);
    Store32(&sector[88], entriesCrc);
    Store32(&sector[16], Crc32(sector.data(), 92));
    return sector;
}

Sector ProtectiveMbr(const Sector& current, std::int64_t totalSectors) {
    Sector mbr = current;
    std::memset(&mbr[kMbrSignature], 0, 6);
    std::memset(&mbr[kMbrTable], 0, 64);
    const std::int64_t sectors = std::min<std::int64_t>(totalSectors - 1, 0xFFFFFFFF);
    StoreMbrEntry(&mbr[kMbrTable], mbr_type::kGptProtective, false, 1, sectors);
    // The protective entry's end is always the largest CHS value.
    mbr[kMbrTable + 5] = 0xFE;
    mbr[kMbrTable + 6] = 0xFF;
    mbr[kMbrTable + 7] = 0xFF;
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    return mbr;
}

WritePlan GptWrites(const GptArea& area, const Guid& diskId, const std::vector<const PartitionEntry*>& used,
                    const Sector& firstSector, std::int64_t totalSectors, std::int64_t bps) {
    std::vector<std::uint8_t> array(static_cast<std::size_t>(area.EntrySectors(bps) * bps), 0);
    for (std::size_t i = 0; i < used.size(); ++i) StoreGptEntry(&array[i * kGptEntryBytes], *used[i], bps);
    const std::uint32_t entriesCrc = Crc32(array.data(), static_cast<std::size_t>(area.entryCount) * kGptEntryBytes);
    const std::int64_t lastLba = totalSectors - 1;
    const std::int64_t backupEntriesLba = lastLba - area.EntrySectors(bps);
    WritePlan plan;
    plan.push_back(WholeSector(0, ProtectiveMbr(firstSector, totalSectors), bps));
    plan.push_back(WholeSector(1, GptHeaderSector(area, diskId, 1, lastLba, 2, entriesCrc), bps));
    plan.push_back({2 * bps, array});
    plan.push_back({backupEntriesLba * bps, array});
    plan.push_back(WholeSector(lastLba, GptHeaderSector(area, diskId, lastLba, 1, backupEntriesLba, entriesCrc), bps));
    return plan;
}

// An MBR written over a GPT disk: both GPT headers go, so that no tool
// takes the stale table for the real one.
void WipeGptHeaders(WritePlan& plan, std::int64_t totalSectors, std::int64_t bps) {
    const Sector zeros{};
    plan.push_back(WholeSector(1, zeros, bps));
    plan.push_back(WholeSector(totalSectors - 1, zeros, bps));
}

bool OnSectors(std::int64_t value, std::int64_t bps) { return value >= 0 && value % bps == 0; }

// Used entries, checked for sectors, bounds and overlap.
std::uint32_t CheckEntries(const std::vector<const PartitionEntry*>& used, std::int64_t lowest, std::int64_t end,
                           std::int64_t bps) {
    for (const PartitionEntry* entry : used) {
        if (!OnSectors(entry->startingOffset, bps) || !OnSectors(entry->partitionLength, bps) || entry->partitionLength == 0) {
            return win32_error::kInvalidParameter;
        }
        if (entry->startingOffset < lowest || entry->partitionLength > end - entry->startingOffset) {
            return win32_error::kInvalidParameter;
        }
    }
    std::vector<const PartitionEntry*> sorted = used;
    std::sort(sorted.begin(), sorted.end(),
              [](const auto* a, const auto* b) { return a->startingOffset < b->startingOffset; });
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        if (sorted[i]->startingOffset < sorted[i - 1]->End()) return win32_error::kInvalidParameter;
    }
    return win32_error::kSuccess;
}

LayoutPlan PlanMbr(const DriveLayout& layout, const TableOnDisk& current, const ByteReader& read,
                   std::int64_t diskBytes, std::int64_t bps) {
    // An MBR layout always counts its entries in whole tables of four.
    if (layout.entries.empty() || layout.entries.size() % 4 != 0) return {win32_error::kInvalidParameter, {}};
    std::vector<const PartitionEntry*> used;
    for (std::size_t i = 0; i < layout.entries.size(); ++i) {
        const PartitionEntry& entry = layout.entries[i];
        if (!IsUsedEntry(PartitionStyle::Mbr, entry)) continue;
        // Logical drives and containers are not written by this system.
        if (i >= 4 || IsContainerType(entry.mbrType)) return {win32_error::kInvalidParameter, {}};
        used.push_back(&entry);
    }
    // MBR fields hold 32-bit sector numbers.
    const std::int64_t mbrEnd = std::min<std::int64_t>(diskBytes / bps, 0xFFFFFFFFLL) * bps;
    if (const auto error = CheckEntries(used, bps, mbrEnd, bps); error != 0) return {error, {}};
    Sector mbr = CurrentFirstSector(read);
    Store32(&mbr[kMbrSignature], layout.mbrSignature);
    Store16(&mbr[kMbrSignature + 4], 0);
    for (int slot = 0; slot < 4; ++slot) {
        std::uint8_t* p = &mbr[kMbrTable + 16 * slot];
        std::memset(p, 0, 16);
        if (static_cast<std::size_t>(slot) >= layout.entries.size()) continue;
        const PartitionEntry& entry = layout.entries[slot];
        if (!IsUsedEntry(PartitionStyle::Mbr, entry)) continue;
        StoreMbrEntry(p, entry.mbrType, entry.bootIndicator, entry.startingOffset / bps,
                      entry.partitionLength / bps);
    }
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    LayoutPlan plan;
    plan.writes.push_back(WholeSector(0, mbr, bps));
    if (current.gpt) WipeGptHeaders(plan.writes, diskBytes / bps, bps);
    return plan;
}

LayoutPlan PlanGpt(const DriveLayout& layout, const TableOnDisk& current, const ByteReader& read,
                   std::int64_t diskBytes, std::int64_t bps) {
    const std::int64_t totalSectors = diskBytes / bps;
    const GptArea area = current.gpt ? *current.gpt : GptArea::Fresh(diskBytes, 128, bps);
    if (area.lastUsableLba < area.firstUsableLba) return {win32_error::kInvalidParameter, {}};
    std::vector<const PartitionEntry*> used;
    for (const PartitionEntry& entry : layout.entries) {
        if (IsUsedEntry(PartitionStyle::Gpt, entry)) used.push_back(&entry);
    }
    if (used.size() > area.entryCount) return {win32_error::kInvalidParameter, {}};
    if (const auto error = CheckEntries(used, area.firstUsableLba * bps, (area.lastUsableLba + 1) * bps, bps);
        error != 0) {
        return {error, {}};
    }
    return {win32_error::kSuccess, GptWrites(area, layout.gptDiskId, used, CurrentFirstSector(read), totalSectors, bps)};
}

}  // namespace

GptArea GptArea::Fresh(std::int64_t diskBytes, std::uint32_t entryCount, std::int64_t bps) {
    GptArea area;
    area.entryCount = std::max<std::uint32_t>(entryCount, 128);
    const std::int64_t totalSectors = diskBytes / bps;
    area.firstUsableLba = 2 + area.EntrySectors(bps);
    area.lastUsableLba = totalSectors - 2 - area.EntrySectors(bps);
    return area;
}

bool IsRecognizedMbrType(std::uint8_t type) {
    switch (type) {
        case mbr_type::kFat12:
        case mbr_type::kFat16Small:
        case mbr_type::kFat16:
        case mbr_type::kIfs:
        case mbr_type::kFat32:
        case mbr_type::kFat32Lba:
        case mbr_type::kFat16Lba:
            return true;
        default:
            return false;
    }
}

bool IsRecognizedPartition(const PartitionEntry& entry) {
    if (entry.partitionLength <= 0) return false;
    return entry.style == PartitionStyle::Gpt ? entry.gptType == kBasicDataPartitionType
                                              : IsRecognizedMbrType(entry.mbrType);
}

bool IsUsedEntry(PartitionStyle style, const PartitionEntry& entry) {
    if (entry.partitionLength == 0) return false;
    return style == PartitionStyle::Gpt ? !entry.gptType.IsZero() : entry.mbrType != mbr_type::kUnused;
}

TableOnDisk ReadPartitionTable(const ByteReader& read, std::int64_t diskBytes, std::int64_t bps) {
    TableOnDisk table;
    table.layout.style = PartitionStyle::Raw;
    const std::int64_t totalSectors = diskBytes / bps;
    Sector mbr{};
    if (totalSectors < 1 || !read(0, mbr.data(), mbr.size())) return table;
    if (mbr[510] != 0x55 || mbr[511] != 0xAA) return table;
    bool protective = false;
    for (int slot = 0; slot < 4; ++slot) protective |= mbr[kMbrTable + 16 * slot + 4] == mbr_type::kGptProtective;
    if (protective) {
        // The primary table first, the backup when the primary is damaged.
        auto header = ReadGptHeader(read, 1, totalSectors, bps);
        std::optional<std::vector<std::uint8_t>> array;
        if (header) array = ReadGptEntries(read, *header, totalSectors, bps);
        const auto backup = ReadGptHeader(read, totalSectors - 1, totalSectors, bps);
        std::optional<std::vector<std::uint8_t>> backupArray;
        if (backup) backupArray = ReadGptEntries(read, *backup, totalSectors, bps);
        table.backupGptValid = backupArray.has_value();
        if (!array && backupArray) {
            header = backup;
            array = backupArray;
        }
        if (array) {
            ReadGptLayout(*header, *array, table, bps);
            return table;
        }
        // A protective MBR without a readable GPT: Windows shows no table.
        return table;
    }
    ReadMbrLayout(mbr, table.layout, bps);
    return table;
}

LayoutPlan PlanLayoutWrite(const DriveLayout& layout, const TableOnDisk& current, const ByteReader& read,
                           std::int64_t diskBytes, std::int64_t bps) {
    if (diskBytes < 64 * bps) return {win32_error::kInvalidParameter, {}};
    switch (layout.style) {
        case PartitionStyle::Mbr:
            return PlanMbr(layout, current, read, diskBytes, bps);
        case PartitionStyle::Gpt:
            // A GPT layout over an MBR table starts a new table.
            return PlanGpt(layout, current.layout.style == PartitionStyle::Gpt ? current : TableOnDisk{}, read,
                           diskBytes, bps);
        default:
            return {win32_error::kInvalidParameter, {}};
    }
}

LayoutPlan PlanCreateDisk(const CreateDiskParams& params, std::int64_t diskBytes, std::int64_t bps) {
    if (diskBytes < 64 * bps || params.maxPartitionCount > kMaxGptEntries) {
        return {win32_error::kInvalidParameter, {}};
    }
    const std::int64_t totalSectors = diskBytes / bps;
    Sector zeros{};
    switch (params.style) {
        case PartitionStyle::Mbr: {
            Sector mbr{};
            Store32(&mbr[kMbrSignature], params.mbrSignature);
            mbr[510] = 0x55;
            mbr[511] = 0xAA;
            LayoutPlan plan;
            plan.writes.push_back(WholeSector(0, mbr, bps));
            WipeGptHeaders(plan.writes, totalSectors, bps);
            return plan;
        }
        case PartitionStyle::Gpt: {
            const GptArea area = GptArea::Fresh(diskBytes, params.maxPartitionCount, bps);
            if (area.lastUsableLba < area.firstUsableLba) return {win32_error::kInvalidParameter, {}};
            return {win32_error::kSuccess, GptWrites(area, params.gptDiskId, {}, zeros, totalSectors, bps)};
        }
        default:
            return {win32_error::kInvalidParameter, {}};
    }
}

std::int64_t ReservedPartitionBytes(std::int64_t diskBytes) {
    return diskBytes < (16LL << 30) ? (32LL << 20) : (128LL << 20);
}

PartitionEntry ReservedPartitionEntry(const GptArea& area, std::int64_t diskBytes, const Guid& id,
                                      std::int64_t bps, ReservedSize size) {
    PartitionEntry entry;
    entry.style = PartitionStyle::Gpt;
    entry.startingOffset = area.firstUsableLba * bps;
    entry.partitionLength =
        size == ReservedSize::SixteenMiB ? (16LL << 20) - entry.startingOffset : ReservedPartitionBytes(diskBytes);
    entry.gptType = kReservedPartitionType;
    entry.gptId = id;
    entry.gptName = L"Microsoft reserved partition";
    entry.partitionNumber = 1;
    entry.rewritePartition = true;
    return entry;
}

}  // namespace norvale::disksim
