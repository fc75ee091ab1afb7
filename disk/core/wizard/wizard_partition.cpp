#include "disk/core/wizard/wizard_partition.h"

#include "disk/core/disk_texts.h"
#include "disk/core/partition/random_id_source.h"
#include "disk/core/stack/reserved_partition.h"
#include "disk/core/wizard/wizard_texts.h"
#include "platform/core/texts/norvale_texts.h"

namespace norvale {
namespace {

using Outcome = WizardPartitionResult::Outcome;

WizardPartitionResult Refused(std::wstring text) {
    WizardPartitionResult result;
    result.outcome = Outcome::Refused;
    result.refusal = std::move(text);
    return result;
}

WizardPartitionResult Failed(std::uint32_t error) {
    WizardPartitionResult result;
    result.outcome = Outcome::SystemError;
    // A request that "succeeded" with too few bytes still failed.
    result.error = error != win32_error::kSuccess ? error : win32_error::kInvalidFunction;
    return result;
}

bool GptCapable(int osClass) { return osClass >= 1 && osClass <= 7 && osClass != 4; }

bool HasPartitions(const DriveLayout& layout) {
    for (const PartitionEntry& entry : layout.entries) {
        if (entry.style == PartitionStyle::Gpt ? !entry.gptType.IsZero() : entry.mbrType != mbr_type::kUnused) {
            return true;
        }
    }
    return false;
}

// A reused LUN: handed over as it is, with the user told why.
WizardPartitionResult HoldsPartitions(std::int32_t disk) {
    WizardPartitionResult result = Refused(disk_text::FillText(UiText(wizard_text::kHoldsPartitions), disk));
    result.outcome = Outcome::HoldsPartitions;
    return result;
}

WizardDisk WizardDiskOf(DiskDevice& device, const DiskGeometry& geometry) {
    WizardDisk disk;
    disk.geometryBytes = geometry.Bytes();
    disk.bytesPerSector = geometry.bytesPerSector;
    if (const auto exact = device.GetDriveGeometryEx(); exact.Returned(ioctl_bytes::kDiskGeometryEx)) {
        disk.diskBytes = exact.value.diskSize;
    }
    return disk;
}

class Partitioner {
public:
    Partitioner(const WizardPartitionPorts& ports, const WizardPartitionRequest& request, DiskDevice& device)
        : ports_(ports), request_(request), device_(device) {}

    WizardPartitionResult Run() {
        const auto geometry = device_.GetDriveGeometry();
        if (!geometry.Returned(ioctl_bytes::kDiskGeometry)) return Failed(geometry.error);
        WizardDisk disk = WizardDiskOf(device_, geometry.value);
        auto layout = ReadLayout();
        // A table that could not be read may hold data: never write over it
        // as if the disk were empty.
        if (!layout.Ok()) return Failed(layout.error);
        // A reused LUN (foreign, offline or unreadable file systems) keeps
        // what it holds: only an empty table may be initialised.
        if (HasPartitions(layout.value)) return HoldsPartitions(request_.disk);

        WizardPartitionResult result;
        const bool gpt = request_.gpt && GptCapable(request_.osClass) && !request_.olderWindows;
        std::optional<PartitionEntry> reserved;
        if (gpt) {
            if (auto refusal = Confirm()) return Refused(std::move(*refusal));
            CreateDiskParams params;
            params.style = PartitionStyle::Gpt;
            params.gptDiskId = RandomIds().NewGuid();
            params.maxPartitionCount = 128;
            if (const DiskStatus created = device_.CreateDisk(params); !created.Ok()) return Failed(created.error);
            result.initialisedGpt = true;
            // Windows adds its reserved partition after the request returned;
            // the new table keeps it and the partition goes after it.
            const ReservedPartitionWait wait = WaitForReservedPartition(device_, ports_.clock);
            if (!wait.table.Ok()) return Failed(wait.table.error);
            if (!wait.arrived) return Refused(UiText(wizard_text::kNoReservedPartition));
            for (const PartitionEntry& entry : wait.table.value.entries) {
                if (IsReservedPartition(entry)) reserved = entry;
            }
            disk.firstFree = EndOfUsedEntries(wait.table.value, 0);
            disk.gptFirstUsable = wait.table.value.startingUsableOffset;
            layout = wait.table;
        }

        result.extent = PlanWizardExtent(request_.sizeMiB, gpt, request_.osClass, disk);
        if (result.extent.length == 0) return Refused(UiText(wizard_text::kCannotPartition));
        DriveLayout wanted = gpt ? WizardGptLayout(result.extent, layout.value.gptDiskId, RandomIds().NewGuid(), reserved)
                                 : WizardMbrLayout(result.extent, RandomIds().NewMbrSignature(), disk.bytesPerSector);
        if (gpt && wanted.gptDiskId.IsZero()) wanted.gptDiskId = RandomIds().NewGuid();
        if (auto refusal = Confirm()) return Refused(std::move(*refusal));
        const DiskStatus written =
            request_.olderWindows ? device_.SetDriveLayout(wanted) : device_.SetDriveLayoutEx(wanted);
        if (!written.Ok()) return Failed(written.error);
        device_.UpdateProperties();
        ReadLayout();
        result.partitionNumber = reserved ? 2 : 1;
        result.outcome = Outcome::Written;
        return result;
    }

private:
    IoctlResult<DriveLayout> ReadLayout() {
        return request_.olderWindows ? device_.GetDriveLayout() : device_.GetDriveLayoutEx();
    }
    // The disk number may have moved to another disk since the record was read.
    std::optional<std::wstring> Confirm() {
        DiskIdentityCheck check = ConfirmDiskIdentity(ports_.inventory, request_.disk, request_.owner);
        if (check.Confirmed()) return std::nullopt;
        return std::move(check.refusal);
    }

    const WizardPartitionPorts& ports_;
    const WizardPartitionRequest& request_;
    DiskDevice& device_;
};

// The table, read with read access only.
IoctlResult<DriveLayout> ReadTableOnly(DiskPort& disks, std::int32_t disk, bool olderWindows) {
    IoctlResult<DriveLayout> failed;
    failed.error = win32_error::kInvalidFunction;
    if (disk <= 0) return failed;
    auto device = disks.Open(PhysicalDrivePath(static_cast<std::uint32_t>(disk)), disk_access::kGenericRead,
                             disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok() || !device.value) {
        failed.error = device.error != win32_error::kSuccess ? device.error : failed.error;
        return failed;
    }
    return olderWindows ? device.value->GetDriveLayout() : device.value->GetDriveLayoutEx();
}

}  // namespace

std::optional<WizardDisk> ReadWizardDisk(DiskPort& disks, std::int32_t disk) {
    if (disk <= 0) return std::nullopt;
    auto device = disks.Open(PhysicalDrivePath(static_cast<std::uint32_t>(disk)), disk_access::kGenericRead,
                             disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok() || !device.value) return std::nullopt;
    const auto geometry = device.value->GetDriveGeometry();
    if (!geometry.Returned(ioctl_bytes::kDiskGeometry)) return std::nullopt;
    return WizardDiskOf(*device.value, geometry.value);
}

WizardDiskContent ReadWizardDiskContent(DiskPort& disks, std::int32_t disk, bool olderWindows) {
    const auto layout = ReadTableOnly(disks, disk, olderWindows);
    if (!layout.Ok()) return WizardDiskContent::Unreadable;
    return HasPartitions(layout.value) ? WizardDiskContent::HoldsPartitions : WizardDiskContent::Empty;
}

WizardPartitionResult CreateWizardPartition(const WizardPartitionPorts& ports,
                                            const WizardPartitionRequest& request) {
    if (request.disk <= 0) return Refused(UiText(wizard_text::kDiskUnavailable));
    // Nothing is run on a disk that is not the target's, nor on one that
    // holds partitions: bringing it online would mount its file systems.
    if (!request.olderWindows) {
        const DiskIdentityCheck check = ConfirmDiskIdentity(ports.inventory, request.disk, request.owner);
        if (!check.Confirmed()) return Refused(check.refusal);
        const auto table = ReadTableOnly(ports.disks, request.disk, false);
        if (!table.Ok()) return Failed(table.error);
        if (HasPartitions(table.value)) return HoldsPartitions(request.disk);
        // Server editions bring new disks up offline and read-only. A run
        // stopped at its limit ends the step (the runner has told the user).
        if (ports.scripts.WriteAndRun(ScriptFile::Online, OnlineScriptText(request.diskText)).outcome ==
            ScriptRun::Outcome::TimedOut) {
            return Refused({});
        }
    }
    auto device = ports.disks.Open(PhysicalDrivePath(static_cast<std::uint32_t>(request.disk)),
                                   disk_access::kGenericRead | disk_access::kGenericWrite,
                                   disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok() || !device.value) return Failed(device.error);
    return Partitioner(ports, request, *device.value).Run();
}

}  // namespace norvale
