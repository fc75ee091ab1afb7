// Disks, volumes and the mount manager of the simulated stack.
#include <algorithm>
#include <cwctype>

#include "tools/disksim/stack_parts.h"

namespace norvale::disksim {

namespace {

std::uint64_t Fnv1a(const std::string& text, std::uint64_t seed) {
    std::uint64_t hash = 14695981039346656037ull ^ seed;
    for (const unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// A volume's GUID follows from its disk and start, so it is the same in every
// run of the stack (the command keeps no table of them).
Guid VolumeGuid(const std::string& diskName, std::int64_t start) {
    const std::string key = diskName + "@" + std::to_string(start);
    const std::uint64_t high = Fnv1a(key, 1);
    const std::uint64_t low = Fnv1a(key, 2);
    Guid guid;
    guid.data1 = static_cast<std::uint32_t>(high >> 32);
    guid.data2 = static_cast<std::uint16_t>(high >> 16);
    guid.data3 = static_cast<std::uint16_t>((high & 0x0FFF) | 0x4000);
    for (int i = 0; i < 8; ++i) guid.data4[i] = static_cast<std::uint8_t>(low >> (8 * (7 - i)));
    guid.data4[0] = static_cast<std::uint8_t>((guid.data4[0] & 0x3F) | 0x80);
    return guid;
}

std::wstring GuidPath(const Guid& guid) { return L"\\\\?\\Volume" + guid.ToString() + L"\\"; }

}  // namespace

const char* RequestName(Request request) {
    static const char* const kNames[] = {
        "Open", "GetDriveGeometry", "GetDriveGeometryEx", "GetLengthInfo", "GetPartitionInfo",
        "GetPartitionInfoEx", "GetVolumeDiskExtents", "GetDriveLayout", "GetDriveLayoutEx", "SetDriveLayout",
        "SetDriveLayoutEx", "CreateDisk", "UpdateProperties", "FindVolumes", "GetDriveType",
        "GetVolumeInformation", "QueryDosDevice", "FindVolumeMountPoints", "GetVolumeNameForVolumeMountPoint",
        "GetDiskFreeSpace", "SetVolumeMountPoint", "DeleteVolumeMountPoint"};
    const auto index = static_cast<std::size_t>(request);
    return index < std::size(kNames) ? kNames[index] : "?";
}

SimulatedDiskStack::SimulatedDiskStack(std::string workDir, ClockPort& clock, test::SimulatedPc& pc,
                                       StackOptions options)
    : workDir_(std::move(workDir)), clock_(clock), pc_(pc), options_(std::move(options)),
      calls_(static_cast<std::size_t>(Request::Count), 0) {
    AddSystemDisk();
    AddForeignVolumes();
    SyncLetters();
}

SimulatedDiskStack::~SimulatedDiskStack() = default;

// Disk 0 holds the system volume C:, one NTFS partition from 1 MiB to the end.
void SimulatedDiskStack::AddSystemDisk() {
    const std::string path = workDir_ + "/system-disk0.img";
    auto image = DiskImage::Open(path);
    if (!image || image->Size() != options_.systemDiskBytes) {
        image = DiskImage::Create(path, options_.systemDiskBytes);
        if (!image) return;
        DriveLayout layout;
        layout.style = PartitionStyle::Mbr;
        layout.mbrSignature = 0x0DDBA11u;
        PartitionEntry system;
        system.startingOffset = 1 << 20;
        system.partitionLength = (options_.systemDiskBytes - (1 << 20)) / kSectorBytes * kSectorBytes;
        system.mbrType = mbr_type::kIfs;
        system.bootIndicator = true;
        layout.entries = {system, {}, {}, {}};
        const ByteReader read = [&](std::int64_t offset, std::uint8_t* buffer, std::size_t size) {
            return image->Read(offset, buffer, size);
        };
        for (const auto& write : PlanLayoutWrite(layout, {}, read, image->Size()).writes) {
            image->Write(write.offset, write.bytes.data(), write.bytes.size());
        }
        // Enough of an NTFS boot sector for the volume to read as NTFS.
        std::uint8_t boot[512] = {0xEB, 0x52, 0x90, 'N', 'T', 'F', 'S', ' ', ' ', ' ', ' '};
        boot[510] = 0x55;
        boot[511] = 0xAA;
        image->Write(system.startingOffset, boot, sizeof boot);
    }
    auto disk = std::make_unique<SimDisk>(SimDisk{nextDiskId_++, 0, std::move(*image), true, false, true, kSectorBytes, std::nullopt});
    SimDisk& added = *disk;
    disks_[added.id] = std::move(disk);
    Derive(added);
    for (auto& [id, volume] : volumes_) {
        if (volume->diskId == added.id) GiveLetter(*volume, L'C', false);
    }
}

void SimulatedDiskStack::AddForeignVolumes() {
    for (const auto& [letter, type] : pc_.localDrives) {
        if (letter == L'C' || letters_.count(letter) != 0) continue;
        auto volume = std::make_unique<SimVolume>();
        volume->id = nextVolumeId_++;
        volume->guidPath = GuidPath(VolumeGuid("pc-drive-" + std::to_string(letter), 0));
        volume->present = true;
        volume->type = type;
        if (type == DriveType::CdRom) {
            volume->ntDevice = L"\\Device\\CdRom0";
            volume->notReady = true;
        } else {
            volume->ntDevice = L"\\Device\\HarddiskVolume" + std::to_wstring(nextNtVolume_++);
            volume->length = 8LL << 30;
            volume->fileSystem = FileSystemFound{L"FAT32", type == DriveType::Removable ? L"USBSTICK" : L""};
        }
        volume->letter = letter;
        volume->remembered = letter;
        letters_[letter] = volume->id;
        volumes_[volume->id] = std::move(volume);
    }
}

// --- disks ----------------------------------------------------------------------

std::optional<std::uint32_t> SimulatedDiskStack::Attach(const DiskSpec& wanted) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    std::uint32_t number = 1;
    if (wanted.number) {
        number = *wanted.number;
        if (number == 0 || DiskByNumber(number) != nullptr) return std::nullopt;
    } else {
        while (DiskByNumber(number) != nullptr) ++number;
    }
    std::optional<DiskImage> image;
    if (wanted.store) {
        image = DiskImage::Over(wanted.store);
    } else if (!wanted.imagePath.empty()) {
        image = DiskImage::Open(wanted.imagePath);
    } else {
        image = DiskImage::Create(workDir_ + "/disk-" + std::to_string(nextDiskId_) + ".img", wanted.bytes);
    }
    if (!image) return std::nullopt;
    auto disk =
        std::make_unique<SimDisk>(
            SimDisk{nextDiskId_++, number, std::move(*image), wanted.online, wanted.readOnly, false,
                    wanted.sectorBytes == 4096 ? 4096 : kSectorBytes, std::nullopt});
    SimDisk& added = *disk;
    disks_[added.id] = std::move(disk);
    Derive(added);
    SyncLetters();
    return number;
}

bool SimulatedDiskStack::Detach(std::uint32_t number) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr || disk->system) return false;
    for (auto& [id, volume] : volumes_) {
        if (volume->diskId == disk->id && volume->present) {
            DropLetter(*volume, false);
            volume->present = false;
        }
    }
    disks_.erase(disk->id);
    SyncLetters();
    return true;
}

bool SimulatedDiskStack::SetOnline(std::uint32_t number, bool online) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr || disk->system) return false;
    disk->online = online;
    Derive(*disk);
    SyncLetters();
    return true;
}

bool SimulatedDiskStack::SetReadOnly(std::uint32_t number, bool readOnly) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr || disk->system) return false;
    disk->readOnly = readOnly;
    return true;
}

void SimulatedDiskStack::SetAutoMount(bool on) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    options_.autoMount = on;
}

void SimulatedDiskStack::SetLetterDelay(std::chrono::milliseconds delay) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    options_.letterDelay = delay;
}

void SimulatedDiskStack::Inject(const Injection& injection) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    injections_.push_back(injection);
}

void SimulatedDiskStack::ClearInjections() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    injections_.clear();
}

// --- what diskpart does -------------------------------------------------------------

std::optional<DiskFacts> SimulatedDiskStack::Disk(std::uint32_t number) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr) return std::nullopt;
    return DiskFacts{disk->number, disk->image.Path(), disk->image.Size(), disk->online,
                     disk->readOnly, disk->system, TableOf(*disk).layout.style, disk->sectorBytes};
}

std::optional<std::vector<PartitionEntry>> SimulatedDiskStack::Partitions(std::uint32_t number) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr) return std::nullopt;
    std::vector<PartitionEntry> used;
    for (const auto& entry : TableOf(*disk).layout.entries) {
        if (entry.partitionNumber != 0) used.push_back(entry);
    }
    return used;
}

std::uint32_t SimulatedDiskStack::DeletePartition(std::uint32_t number, std::uint32_t partitionNumber) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr) return win32_error::kFileNotFound;
    if (const auto refusal = WriteRefusal(*disk); refusal != 0) return refusal;
    const TableOnDisk table = TableOf(*disk);
    DriveLayout layout = table.layout;
    const auto found = std::find_if(layout.entries.begin(), layout.entries.end(),
                                    [&](const auto& entry) { return entry.partitionNumber == partitionNumber; });
    if (partitionNumber == 0 || found == layout.entries.end()) return win32_error::kFileNotFound;
    if (layout.style == PartitionStyle::Gpt) {
        layout.entries.erase(found);
    } else {
        *found = PartitionEntry{};
    }
    const ByteReader read = [disk](std::int64_t offset, std::uint8_t* buffer, std::size_t size) {
        return disk->image.Read(offset, buffer, size);
    };
    const auto error = ApplyPlan(*disk, PlanLayoutWrite(layout, table, read, disk->image.Size(), disk->sectorBytes));
    Derive(*disk);
    SyncLetters();
    return error;
}

std::uint32_t SimulatedDiskStack::AssignLetter(std::uint32_t number, std::uint32_t partitionNumber, wchar_t letter) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr) return win32_error::kFileNotFound;
    if (!disk->online) return win32_error::kNotReady;
    letter = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(letter)));
    if (letter < L'A' || letter > L'Z') return win32_error::kInvalidParameter;
    for (auto& [id, volume] : volumes_) {
        if (volume->diskId != disk->id || !volume->present || volume->partitionNumber != partitionNumber) continue;
        if (disk->system) {
            ++systemTouches_;
            return win32_error::kAccessDenied;
        }
        if (volume->letter == letter || volume->pendingLetter == letter) return win32_error::kSuccess;
        if (!LetterFree(letter)) return win32_error::kDirNotEmpty;
        // The volume moves to the new letter, as diskpart's assign does.
        DropLetter(*volume, true);
        GiveLetter(*volume, letter, true);
        SyncLetters();
        return win32_error::kSuccess;
    }
    return win32_error::kInvalidParameter;
}

bool SimulatedDiskStack::BringOnline(std::uint32_t number) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr || disk->online) return false;
    return SetOnline(number, true);
}

// --- inspection -------------------------------------------------------------------

std::vector<DiskFacts> SimulatedDiskStack::Disks() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<DiskFacts> facts;
    for (auto& [id, disk] : disks_) facts.push_back(*Disk(disk->number));
    std::sort(facts.begin(), facts.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    return facts;
}

std::vector<VolumeFacts> SimulatedDiskStack::Volumes() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    std::vector<VolumeFacts> facts;
    for (auto& [id, volume] : volumes_) {
        if (!volume->present) continue;
        facts.push_back(VolumeFacts{volume->guidPath, volume->ntDevice, DiskNumberOf(*volume), volume->partitionNumber,
                                    volume->start, volume->length, volume->letter, volume->type});
    }
    return facts;
}

std::optional<TableOnDisk> SimulatedDiskStack::ReadTable(std::uint32_t number) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    SimDisk* disk = DiskByNumber(number);
    if (disk == nullptr) return std::nullopt;
    return TableOf(*disk);
}

std::optional<VolumeRegion> SimulatedDiskStack::RegionOf(const std::wstring& rootOrVolume) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    SimVolume* volume = VolumeByRoot(rootOrVolume);
    if (volume == nullptr || volume->diskId == 0) return std::nullopt;
    const SimDisk* disk = DiskById(volume->diskId);
    return VolumeRegion{disk->image.Path(), volume->start, volume->length, disk->online && !disk->readOnly,
                        disk->sectorBytes};
}

bool SimulatedDiskStack::WriteRegion(const std::wstring& rootOrVolume, std::int64_t offset,
                                     const std::uint8_t* bytes, std::size_t size) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    SimVolume* volume = VolumeByRoot(rootOrVolume);
    if (volume == nullptr || volume->diskId == 0 || offset < 0 ||
        offset + static_cast<std::int64_t>(size) > volume->length)
        return false;
    SimDisk* disk = DiskById(volume->diskId);
    if (disk->system || !disk->online || disk->readOnly) return false;
    return disk->image.Write(volume->start + offset, bytes, size);
}

std::uint64_t SimulatedDiskStack::SystemDiskTouches() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return systemTouches_;
}

std::uint64_t SimulatedDiskStack::Calls(Request request) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return calls_[static_cast<std::size_t>(request)];
}

std::uint64_t SimulatedDiskStack::TotalCalls() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::uint64_t total = 0;
    for (const auto count : calls_) total += count;
    return total;
}

std::uint32_t SimulatedDiskStack::LastErrorMode() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return errorMode_;
}

// --- internals ----------------------------------------------------------------------

void SimulatedDiskStack::Count(Request request) {
    test::SpendTime(clock_, options_.requestTime);
    ++calls_[static_cast<std::size_t>(request)];
}

SimulatedDiskStack::Fault SimulatedDiskStack::Take(Request request, std::optional<std::uint32_t> disk) {
    for (auto it = injections_.begin(); it != injections_.end(); ++it) {
        if (it->request != request || (it->disk && it->disk != disk) || it->times == 0) continue;
        Fault fault{true, it->error, it->shortBytes};
        if (it->shortBytes) fault.error = win32_error::kSuccess;
        if (it->times > 0 && --it->times == 0) injections_.erase(it);
        return fault;
    }
    return {};
}

SimulatedDiskStack::SimDisk* SimulatedDiskStack::DiskByNumber(std::uint32_t number) {
    for (auto& [id, disk] : disks_) {
        if (disk->number == number) return disk.get();
    }
    return nullptr;
}

SimulatedDiskStack::SimDisk* SimulatedDiskStack::DiskById(std::uint64_t id) {
    const auto found = disks_.find(id);
    return found == disks_.end() ? nullptr : found->second.get();
}

SimulatedDiskStack::SimVolume* SimulatedDiskStack::VolumeById(std::uint64_t id) {
    const auto found = volumes_.find(id);
    return found == volumes_.end() || !found->second->present ? nullptr : found->second.get();
}

std::optional<std::uint32_t> SimulatedDiskStack::DiskNumberOf(const SimVolume& volume) {
    if (volume.diskId == 0) return std::nullopt;
    const SimDisk* disk = DiskById(volume.diskId);
    return disk == nullptr ? std::nullopt : std::optional<std::uint32_t>(disk->number);
}

TableOnDisk SimulatedDiskStack::TableOf(SimDisk& disk) {
    const ByteReader read = [&disk](std::int64_t offset, std::uint8_t* buffer, std::size_t size) {
        return disk.image.Read(offset, buffer, size);
    };
    return ReadPartitionTable(read, disk.image.Size(), disk.sectorBytes);
}

// What Windows does when it reads a disk's table again: a volume for every
// recognised partition of an online disk, kept (GUID and letter) when its
// partition stays where it was.
void SimulatedDiskStack::Derive(SimDisk& disk) {
    std::vector<std::uint64_t> seen;
    if (disk.online) {
        for (const auto& entry : TableOf(disk).layout.entries) {
            if (entry.partitionNumber == 0 || !IsRecognizedPartition(entry)) continue;
            // The same image and start is the same volume, also when the disk
            // was detached and attached again (an iSCSI logout and login).
            const std::wstring guidPath = GuidPath(VolumeGuid(disk.image.Path(), entry.startingOffset));
            SimVolume* volume = nullptr;
            for (auto& [id, candidate] : volumes_) {
                if (candidate->guidPath == guidPath && (candidate->diskId == disk.id || !candidate->present)) {
                    volume = candidate.get();
                }
            }
            if (volume != nullptr) volume->diskId = disk.id;
            if (volume == nullptr) {
                auto created = std::make_unique<SimVolume>();
                created->id = nextVolumeId_++;
                created->diskId = disk.id;
                created->start = entry.startingOffset;
                created->guidPath = guidPath;
                created->ntDevice = L"\\Device\\HarddiskVolume" + std::to_wstring(nextNtVolume_++);
                volume = created.get();
                volumes_[created->id] = std::move(created);
            }
            volume->length = entry.partitionLength;
            volume->partitionNumber = entry.partitionNumber;
            seen.push_back(volume->id);
            if (volume->present || volume->arriving) continue;
            if (disk.system) {
                volume->present = true;
                continue;
            }
            if (options_.volumeDelay.count() > 0) {
                volume->arriving = true;
                volume->arrivalDue = clock_.Now() + options_.volumeDelay;
                spans_.emplace_back(clock_.Now(), volume->arrivalDue);
                continue;
            }
            Arrive(*volume);
        }
    }
    for (auto& [id, volume] : volumes_) {
        if (volume->diskId != disk.id || !(volume->present || volume->arriving)) continue;
        if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        volume->arriving = false;
        if (!volume->present) continue;
        DropLetter(*volume, false);
        volume->present = false;
    }
}

void SimulatedDiskStack::Arrive(SimVolume& volume, std::optional<std::chrono::milliseconds> since) {
    volume.present = true;
    if (volume.remembered != 0 && LetterFree(volume.remembered)) {
        GiveLetter(volume, volume.remembered, true, since);
    } else if (options_.autoMount) {
        if (const wchar_t letter = LowestFreeLetter(); letter != 0) GiveLetter(volume, letter, true, since);
    }
}

bool SimulatedDiskStack::LetterFree(wchar_t letter) {
    if (letters_.count(letter) != 0 || pc_.localDrives.count(letter) != 0) return false;
    // A connection only remembered for the next logon holds no letter now.
    if (pc_.connections.count(letter) != 0 && pc_.remembered.count(letter) == 0) return false;
    for (const auto& [id, volume] : volumes_) {
        if (volume->pendingLetter == letter) return false;
    }
    return true;
}

wchar_t SimulatedDiskStack::LowestFreeLetter() {
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        if (LetterFree(letter)) return letter;
    }
    return 0;
}

void SimulatedDiskStack::GiveLetter(SimVolume& volume, wchar_t letter, bool delayed,
                                    std::optional<std::chrono::milliseconds> since) {
    if (delayed && options_.letterDelay.count() > 0) {
        volume.pendingLetter = letter;
        volume.pendingDue = since.value_or(clock_.Now()) + options_.letterDelay;
        if (volume.pendingDue > clock_.Now()) {
            spans_.emplace_back(since.value_or(clock_.Now()), volume.pendingDue);
            return;
        }
        volume.pendingLetter = 0;
    }
    letters_[letter] = volume.id;
    volume.letter = letter;
    volume.remembered = letter;
    volume.pendingLetter = 0;
}

void SimulatedDiskStack::DropLetter(SimVolume& volume, bool forget) {
    if (volume.letter != 0) letters_.erase(volume.letter);
    volume.letter = 0;
    volume.pendingLetter = 0;
    if (forget) volume.remembered = 0;
}

// Letters given after a delay appear once their time has come.
void SimulatedDiskStack::Settle() {
    bool changed = false;
    const auto now = clock_.Now();
    for (auto& [id, disk] : disks_) {
        if (disk->reservedDue && *disk->reservedDue <= now) AddReservedPartition(*disk);
    }
    for (auto& [id, volume] : volumes_) {
        if (!volume->arriving || volume->arrivalDue > now) continue;
        volume->arriving = false;
        if (DiskById(volume->diskId) != nullptr) Arrive(*volume, volume->arrivalDue);
        changed = true;
    }
    for (auto& [id, volume] : volumes_) {
        if (volume->pendingLetter == 0 || volume->pendingDue > now) continue;
        const wchar_t letter = volume->pendingLetter;
        volume->pendingLetter = 0;
        if (volume->present && LetterFree(letter)) {
            GiveLetter(*volume, letter, false);
            changed = true;
        }
    }
    if (changed) SyncLetters();
}

// The PC's table of local drives shows the mount manager's letters.
void SimulatedDiskStack::SyncLetters() {
    for (const wchar_t letter : placedLetters_) pc_.localDrives.erase(letter);
    placedLetters_.clear();
    for (const auto& [letter, id] : letters_) {
        pc_.localDrives[letter] = volumes_[id]->type;
        placedLetters_.push_back(letter);
    }
}

std::uint32_t SimulatedDiskStack::WriteRefusal(SimDisk& disk) {
    if (disk.system) {
        ++systemTouches_;
        return win32_error::kAccessDenied;
    }
    if (disk.readOnly) return win32_error::kWriteProtect;
    if (!disk.online) return win32_error::kNotReady;
    return win32_error::kSuccess;
}

std::uint32_t SimulatedDiskStack::CreateDiskOn(SimDisk& disk, const CreateDiskParams& params) {
    disk.reservedDue.reset();
    const std::uint32_t error = ApplyPlan(disk, PlanCreateDisk(params, disk.image.Size(), disk.sectorBytes));
    if (error != 0 || params.style != PartitionStyle::Gpt) return error;
    disk.reservedDue = clock_.Now() + options_.reservedPartitionDelay;
    spans_.emplace_back(clock_.Now(), *disk.reservedDue);
    if (options_.reservedPartitionDelay.count() <= 0) AddReservedPartition(disk);
    return error;
}

// Windows adds the reserved partition to the new table by itself; a table
// changed in the meantime gets none.
void SimulatedDiskStack::AddReservedPartition(SimDisk& disk) {
    disk.reservedDue.reset();
    TableOnDisk table = TableOf(disk);
    if (!table.gpt) return;
    for (const PartitionEntry& entry : table.layout.entries) {
        if (IsUsedEntry(PartitionStyle::Gpt, entry)) return;
    }
    DriveLayout layout = table.layout;
    Guid id = layout.gptDiskId;
    id.data1 ^= 0x5a5a5a5a;
    layout.entries = {ReservedPartitionEntry(*table.gpt, disk.image.Size(), id, disk.sectorBytes, options_.reservedSize)};
    const ByteReader read = [&disk](std::int64_t offset, std::uint8_t* buffer, std::size_t size) {
        return disk.image.Read(offset, buffer, size);
    };
    ApplyPlan(disk, PlanLayoutWrite(layout, table, read, disk.image.Size(), disk.sectorBytes));
}

std::uint32_t SimulatedDiskStack::ApplyPlan(SimDisk& disk, const LayoutPlan& plan) {
    if (plan.error != 0) return plan.error;
    for (const auto& write : plan.writes) {
        if (!disk.image.Write(write.offset, write.bytes.data(), write.bytes.size())) return win32_error::kIoDevice;
    }
    return win32_error::kSuccess;
}

}  // namespace norvale::disksim
