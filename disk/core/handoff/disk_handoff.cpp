#include "disk/core/handoff/disk_handoff.h"

#include "controls/core/ok_box.h"
#include "disk/core/disk_texts.h"
#include "disk/core/inventory/volume_names.h"
#include "disk/core/wizard/wizard_texts.h"
#include "disk/core/manager/disk_manager_launch.h"
#include "disk/core/partition/partition_dialog.h"
#include "disk/core/wizard/wizard_partition.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_reader.h"

namespace norvale {

TargetDisk DiskManagementHandoff::FindByTarget(const std::wstring& targetName) {
    for (const VolumeRecord& record : ports_.inventory.Refresh()) {
        if (!SameName(record.targetName, targetName)) continue;
        if (!record.IsBareDisk()) return TargetDisk::HasVolume;
        // A reused LUN: Windows mounts its volumes a moment after the disk
        // came. Read only, nothing is run on it.
        const auto version = ReadWindowsVersion(ports_.wizard.version);
        if (record.diskNumber > 0 &&
            ReadWizardDiskContent(ports_.wizard.disks, record.diskNumber, version && IsOlderNt(*version)) ==
                WizardDiskContent::HoldsPartitions) {
            return TargetDisk::VolumesToCome;
        }
        return TargetDisk::BareDisk;
    }
    return TargetDisk::None;
}

std::int32_t DiskManagementHandoff::DiskOf(const std::wstring& targetName) {
    for (const VolumeRecord& record : ports_.inventory.Refresh()) {
        if (SameName(record.targetName, targetName)) return record.diskNumber;
    }
    return -1;
}

void DiskManagementHandoff::ReportHeldPartitions(DiskManagementHost& host, std::int32_t disk) {
    ShowOkBox(host.Surface(), disk_text::FillText(UiText(wizard_text::kHoldsPartitions), disk), wizard_text::kTitle,
              MessageIcon::Exclamation);
}

int DiskManagementHandoff::RunFormatWizard(DiskManagementHost& host, const std::wstring& targetName) {
    const std::wstring deviceIp = host.SelectedAppliance().ip;
    WizardTarget target{targetName, SelectedApplianceTarget(host, targetName),
                        [&host, targetName, deviceIp] { host.LogoutTarget(targetName, deviceIp); }};
    CWizardDialog wizard(ports_.wizard, std::move(target));
    return wizard.Run(host.Surface());
}

void DiskManagementHandoff::OpenDiskManager(DiskManagementHost& host) {
    if (ports_.openDiskManager) ports_.openDiskManager(host);
}

std::vector<std::wstring> DiskManagementHandoff::LetteredVolumes(const std::wstring& targetName) {
    std::vector<std::wstring> letters;
    for (const VolumeRecord& record : ports_.inventory.Refresh()) {
        if (SameName(record.targetName, targetName) && record.HasLetter()) letters.push_back(record.driveLetter);
    }
    return letters;
}

std::function<void(DiskManagementHost&)> DiskManagerOpener(const DiskManagementPorts& ports) {
    return [ports](DiskManagementHost& host) {
        const PartitionPorts partition{ports.disks,   ports.inventory, ports.scriptFiles, ports.commands,
                                       ports.version, ports.wow64,     ports.network,     ports.driveTypes,
                                       ports.errors,  ports.ids,       ports.clock,       ports.formats};
        IdSourcePort& ids = ports.ids;
        const DiskManagerPorts manager{
            InventoryPorts{ports.disks, ports.wmi, ports.version, ports.trace},
            ports.scriptFiles,
            ports.commands,
            ports.clock,
            ports.errors,
            ports.network,
            ports.driveTypes,
            ports.wow64,
            DiskIds{[&ids] { return ids.NewMbrSignature(); }, [&ids] { return ids.NewGuid(); }},
            {},
            [partition](DialogSurfacePort& owner, const PartitionJob& job) {
                return RunPartitionManager(owner, job, partition);
            },
            {}};
        OpenDiskManager(host, manager);
    };
}

ExpectedTarget SelectedApplianceTarget(DiskManagementHost& host, const std::wstring& targetName) {
    const ApplianceAddresses appliance = host.SelectedAppliance();
    return ExpectedTarget{targetName, {appliance.ip, appliance.otherIp}};
}

}  // namespace norvale
