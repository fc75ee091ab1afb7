#include "disk/core/wizard/wizard_partition.h"

#include "disk/core/partition/random_id_source.h"
#include "disk/core/wizard/wizard_texts.h"
#include "mainwindow/core/norvale_texts.h"

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

class Partitioner {
public:
    Partitioner(const WizardPartitionPorts& ports, const WizardPartitionRequest& request, DiskDevice& device)
        : ports_(ports), request_(request), device_(device) {}

    WizardPartitionResult Run() {
        const auto geometry = device_.GetDriveGeometry();
        if (!geometry.Returned(ioctl_bytes::kDiskGeometry)) return Failed(geometry.error);
        WizardDisk disk;
        disk.geometryBytes = geometry.value.Bytes();
        disk.bytesPerSector = geometry.value.bytesPerSector;
        if (const auto exact = device_.GetDriveGeometryEx(); exact.Returned(ioctl_bytes::kDiskGeometryEx)) {
            disk.diskBytes = exact.value.diskSize;
        }
        auto layout = ReadLayout();
        // A table that could not be read may hold data: never write over it
        // as if the disk were empty.
        if (!layout.Ok()) return Failed(layout.error);

        WizardPartitionResult result;
        const bool gpt = request_.gpt && GptCapable(request_.osClass) && !request_.olderWindows;
        if (gpt && !HasPartitions(layout.value)) {
            if (auto refusal = Confirm()) return Refused(std::move(*refusal));
            CreateDiskParams params;
            params.style = PartitionStyle::Gpt;
            params.gptDiskId = RandomIds().NewGuid();
            params.maxPartitionCount = 128;
            if (const DiskStatus created = device_.CreateDisk(params); !created.Ok()) return Failed(created.error);
            device_.UpdateProperties();
            layout = ReadLayout();
            if (!layout.Ok()) return Failed(layout.error);
            result.initialisedGpt = true;
        }

        result.extent = PlanWizardExtent(request_.sizeMiB, gpt, request_.osClass, disk);
        if (result.extent.length == 0) return Refused(UiText(wizard_text::kCannotPartition));
        const DriveLayout wanted = gpt ? WizardGptLayout(result.extent, RandomIds().NewGuid(), RandomIds().NewGuid())
                                       : WizardMbrLayout(result.extent, RandomIds().NewMbrSignature(), disk.bytesPerSector);
        if (auto refusal = Confirm()) return Refused(std::move(*refusal));
        const DiskStatus written =
            request_.olderWindows ? device_.SetDriveLayout(wanted) : device_.SetDriveLayoutEx(wanted);
        if (!written.Ok()) return Failed(written.error);
        device_.UpdateProperties();
        ReadLayout();
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

}  // namespace

WizardPartitionResult CreateWizardPartition(const WizardPartitionPorts& ports,
                                            const WizardPartitionRequest& request) {
    if (request.disk <= 0) return Refused(UiText(wizard_text::kDiskUnavailable));
    // Server editions bring new disks up offline and read-only.
    if (!request.olderWindows &&
        ports.scripts.WriteAndRun(ScriptFile::Online, OnlineScriptText(request.diskText)).outcome ==
            ScriptRun::Outcome::TimedOut) {
        return Refused({});  // stopped at its limit; the runner has told the user
    }
    auto device = ports.disks.Open(PhysicalDrivePath(static_cast<std::uint32_t>(request.disk)),
                                   disk_access::kGenericRead | disk_access::kGenericWrite,
                                   disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok() || !device.value) return Failed(device.error);
    return Partitioner(ports, request, *device.value).Run();
}

}  // namespace norvale
