// A simulation of the Windows disk stack for tests and tools: physical disks
// backed by sparse image files holding real MBR and GPT tables, the volumes
// Windows mounts on them, a mount manager for drive letters, DOS device
// names, and the drive types of the other letters of the PC (taken from the
// simulated PC of the share tests, so that there is one model of letters).
// It implements the product's disk port, and the drive-type and network-drive
// ports of the letter table, and it is as strict as Windows where Windows
// refuses. Thread-safe: the format engine calls it from its worker.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "disk/core/stack/disk_port.h"
#include "platform/core/clock_port.h"
#include "platform/core/drives/network_drive_port.h"
#include "tests/fakes/simulated_pc.h"
#include "tests/fakes/virtual_clock.h"
#include "tools/disksim/disk_image.h"
#include "tools/disksim/fs_probe.h"
#include "tools/disksim/partition_table.h"

namespace norvale::disksim {

// Every request the stack answers, for failure injection and call counts.
enum class Request {
    Open,
    GetDriveGeometry,
    GetDriveGeometryEx,
    GetLengthInfo,
    GetPartitionInfo,
    GetPartitionInfoEx,
    GetVolumeDiskExtents,
    GetDriveLayout,
    GetDriveLayoutEx,
    SetDriveLayout,
    SetDriveLayoutEx,
    CreateDisk,
    UpdateProperties,
    FindVolumes,
    GetDriveType,
    GetVolumeInformation,
    QueryDosDevice,
    FindVolumeMountPoints,
    GetVolumeNameForVolumeMountPoint,
    GetDiskFreeSpace,
    SetVolumeMountPoint,
    DeleteVolumeMountPoint,
    Count
};
const char* RequestName(Request request);

// A failure to inject: the request of that kind (on that disk, or any) fails
// with `error`; or, with `shortBytes`, a control request succeeds but returns
// only that many bytes. `times` < 0: every time.
struct Injection {
    Request request = Request::Open;
    std::optional<std::uint32_t> disk;
    std::uint32_t error = win32_error::kGenFailure;
    std::optional<std::uint32_t> shortBytes;
    int times = 1;
};

// A disk to attach: a new sparse image of `bytes`, an existing image file, or
// a block store (a LUN a real target serves).
struct DiskSpec {
    std::int64_t bytes = 0;
    std::string imagePath;
    bool online = true;
    bool readOnly = false;
    std::optional<std::uint32_t> number;  // the lowest free number from 1 when empty
    std::int64_t sectorBytes = kSectorBytes;  // 512 or 4096
    std::shared_ptr<BlockStore> store;

    static DiskSpec Sized(std::int64_t size) { return DiskSpec{size, {}, true, false, {}, kSectorBytes, {}}; }
    static DiskSpec Image(std::string path) { return DiskSpec{0, std::move(path), true, false, {}, kSectorBytes, {}}; }
    static DiskSpec Over(std::shared_ptr<BlockStore> store) {
        DiskSpec disk;
        disk.sectorBytes = store->BlockBytes() == 4096 ? 4096 : kSectorBytes;
        disk.store = std::move(store);
        return disk;
    }
    // As new iSCSI disks come up on server editions.
    DiskSpec& OfflineAndReadOnly() {
        online = false;
        readOnly = true;
        return *this;
    }
};

struct DiskFacts {
    std::uint32_t number = 0;
    std::string imagePath;
    std::int64_t bytes = 0;
    bool online = true;
    bool readOnly = false;
    bool system = false;
    PartitionStyle style = PartitionStyle::Raw;
    std::int64_t sectorBytes = kSectorBytes;
};

struct VolumeFacts {
    std::wstring guidPath;  // "\\?\Volume{...}\"
    std::wstring ntDevice;  // "\Device\HarddiskVolumeN"
    std::optional<std::uint32_t> disk;  // none for volumes on no simulated disk
    std::uint32_t partitionNumber = 0;
    std::int64_t start = 0;
    std::int64_t length = 0;
    wchar_t letter = 0;  // 0: none
    DriveType type = DriveType::Fixed;
};

// Where a volume's bytes lie, for a format stand-in that writes a file system.
struct VolumeRegion {
    std::string imagePath;
    std::int64_t offset = 0;
    std::int64_t length = 0;
    // Windows formats no volume of a read-only or offline disk.
    bool writable = true;
    std::int64_t sectorBytes = kSectorBytes;  // the disk's: the file system is made for it
};

struct StackOptions {
    std::int64_t systemDiskBytes = 256LL << 30;
    bool autoMount = true;  // new volumes get the lowest free letter (client editions)
    std::chrono::milliseconds letterDelay{0};  // a letter appears this long after it is given
    std::wstring computerName = L"NORVALE-PC";
    // A GPT initialisation's reserved partition appears this long after the
    // request returned (0: with the request).
    std::chrono::milliseconds reservedPartitionDelay{0};
    // A partition's volume appears this long after the table that holds it
    // was written, or the disk that holds it came (0: at once).
    std::chrono::milliseconds volumeDelay{0};
    // Each request takes this long (in virtual time; see test::SpendTime).
    std::chrono::milliseconds requestTime{0};
    // The reserved partition of a new GPT table (partition_table.h).
    ReservedSize reservedSize = ReservedSize::BySize;
};

class SimulatedDiskStack final : public DiskPort, public DriveTypePort, public NetworkDrivePort {
public:
    // Images of new disks are made in `workDir` (the system disk's too, once).
    // The letters of `pc` that are not C: become volumes of no simulated disk
    // (removable stick, CD-ROM, RAM disk); C: is the system volume of disk 0.
    SimulatedDiskStack(std::string workDir, ClockPort& clock, test::SimulatedPc& pc, StackOptions options = {});
    ~SimulatedDiskStack() override;

    // --- disks ------------------------------------------------------------
    std::optional<std::uint32_t> Attach(const DiskSpec& wanted);
    bool Detach(std::uint32_t number);
    bool SetOnline(std::uint32_t number, bool online);
    bool SetReadOnly(std::uint32_t number, bool readOnly);
    void SetAutoMount(bool on);
    void SetLetterDelay(std::chrono::milliseconds delay);
    void Inject(const Injection& injection);
    void ClearInjections();

    // --- what diskpart does (the interpreter drives these) ------------------
    std::optional<DiskFacts> Disk(std::uint32_t number);
    // Used entries with their numbers; nullopt when the disk is unknown.
    std::optional<std::vector<PartitionEntry>> Partitions(std::uint32_t number);
    std::uint32_t DeletePartition(std::uint32_t disk, std::uint32_t partitionNumber);
    std::uint32_t AssignLetter(std::uint32_t disk, std::uint32_t partitionNumber, wchar_t letter);
    // Brings the disk online; false when it already was.
    bool BringOnline(std::uint32_t disk);
    const std::wstring& ComputerName() const { return options_.computerName; }

    // --- inspection ---------------------------------------------------------
    std::vector<DiskFacts> Disks();
    std::vector<VolumeFacts> Volumes();
    std::optional<TableOnDisk> ReadTable(std::uint32_t disk);
    std::optional<VolumeRegion> RegionOf(const std::wstring& rootOrVolume);
    // Writes into a volume's region (`offset` from its start) through its
    // disk, wherever its bytes live; false outside the region or on a disk
    // Windows formats nothing on.
    bool WriteRegion(const std::wstring& rootOrVolume, std::int64_t offset, const std::uint8_t* bytes,
                     std::size_t size);
    // Where scratch files go.
    const std::string& WorkDir() const { return workDir_; }
    // Writes and write attempts that reached the system disk (must stay 0).
    std::uint64_t SystemDiskTouches();
    std::uint64_t Calls(Request request);
    std::uint64_t TotalCalls();
    std::uint32_t LastErrorMode();

    // --- DiskPort -----------------------------------------------------------
    std::uint32_t SetErrorMode(std::uint32_t mode) override;
    DiskResult<std::vector<std::wstring>> FindVolumes() override;
    DriveType DriveTypeOf(const std::wstring& rootPath) override;
    DiskResult<VolumeInformation> VolumeInfo(const std::wstring& rootPath) override;
    DiskResult<std::wstring> DosDeviceTarget(const std::wstring& deviceName) override;
    DiskResult<std::vector<std::wstring>> FindVolumeMountPoints(const std::wstring& volumeName) override;
    DiskResult<std::wstring> VolumeNameForMountPoint(const std::wstring& mountPoint) override;
    DiskResult<DiskFreeSpace> DiskFreeSpaceOf(const std::wstring& directory) override;
    DiskResult<std::unique_ptr<DiskDevice>> Open(const std::wstring& path, std::uint32_t access,
                                                 std::uint32_t share) override;
    DiskStatus SetMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) override;
    DiskStatus DeleteMountPoint(const std::wstring& mountPoint) override;

    // --- DriveTypePort and NetworkDrivePort (the letters of the PC) ----------
    DriveType TypeOf(const std::wstring& driveName) override;
    std::optional<std::wstring> RemoteName(const std::wstring& localName) override;
    bool AddConnection(const std::wstring& localName, const std::wstring& remoteName, const std::wstring& password,
                       const std::wstring& userName, unsigned flags) override;
    bool CancelConnection(const std::wstring& localName, unsigned flags, bool force) override;

    // When volumes, letters and reserved partitions were due, from when.
    const std::vector<test::EventSpan>& EventSpans() const { return spans_; }

private:
    friend class SimDevice;
    struct SimDisk;
    struct SimVolume;
    enum class TargetKind { Disk, Volume, Directory };
    struct Target {
        TargetKind kind = TargetKind::Disk;
        std::uint64_t id = 0;  // a disk's or a volume's id
    };
    struct Fault {
        bool fail = false;
        std::uint32_t error = 0;
        std::optional<std::uint32_t> shortBytes;
    };

    // All below run under mutex_.
    void Settle();
    Fault Take(Request request, std::optional<std::uint32_t> disk);
    SimDisk* DiskByNumber(std::uint32_t number);
    SimDisk* DiskById(std::uint64_t id);
    SimVolume* VolumeById(std::uint64_t id);
    SimVolume* PresentVolumeByGuidPath(const std::wstring& path, bool wantTrailingSlash);
    SimVolume* VolumeByLetter(wchar_t letter);
    SimVolume* VolumeByRoot(const std::wstring& root);
    std::optional<std::uint32_t> DiskNumberOf(const SimVolume& volume);
    TableOnDisk TableOf(SimDisk& disk);
    std::optional<FileSystemFound> FileSystemOf(SimVolume& volume);
    void Derive(SimDisk& disk);
    bool LetterFree(wchar_t letter);
    wchar_t LowestFreeLetter();
    // A delayed letter appears letterDelay after `since` (now when not given).
    void GiveLetter(SimVolume& volume, wchar_t letter, bool delayed,
                    std::optional<std::chrono::milliseconds> since = std::nullopt);
    // The volume is there (since `since`): the mount manager letters it,
    // after its delay.
    void Arrive(SimVolume& volume, std::optional<std::chrono::milliseconds> since = std::nullopt);
    void DropLetter(SimVolume& volume, bool forget);
    void SyncLetters();
    std::uint32_t WriteRefusal(SimDisk& disk);
    std::uint32_t ApplyPlan(SimDisk& disk, const LayoutPlan& plan);
    std::uint32_t CreateDiskOn(SimDisk& disk, const CreateDiskParams& params);
    void AddReservedPartition(SimDisk& disk);
    void Count(Request request);
    void AddSystemDisk();
    void AddForeignVolumes();

    // Device requests of an open handle.
    template <class T>
    IoctlResult<T> Reply(Request request, const Target& target, std::uint32_t fullBytes,
                         const std::function<std::uint32_t(T&)>& answer);
    std::uint32_t WriteRequest(Request request, const Target& target, std::uint32_t access,
                               const std::function<std::uint32_t(SimDisk&)>& write);

    std::string workDir_;
    ClockPort& clock_;
    test::SimulatedPc& pc_;
    StackOptions options_;
    std::recursive_mutex mutex_;
    std::map<std::uint64_t, std::unique_ptr<SimDisk>> disks_;  // by id
    std::map<std::uint64_t, std::unique_ptr<SimVolume>> volumes_;  // by id, also gone ones
    std::map<wchar_t, std::uint64_t> letters_;  // the mount manager: letter -> volume id
    std::vector<wchar_t> placedLetters_;  // letters this stack put into the PC's table
    std::vector<Injection> injections_;
    std::vector<std::uint64_t> calls_;
    std::vector<test::EventSpan> spans_;
    std::uint64_t nextDiskId_ = 1;
    std::uint64_t nextVolumeId_ = 1;
    std::uint32_t nextNtVolume_ = 1;
    std::uint64_t systemTouches_ = 0;
    std::uint32_t errorMode_ = 0;
};

}  // namespace norvale::disksim
