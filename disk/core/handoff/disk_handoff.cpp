#include "disk/core/handoff/disk_handoff.h"

#include "disk/core/inventory/volume_names.h"
#include "disk/core/manager/disk_manager_launch.h"
#include "disk/core/partition/partition_dialog.h"

namespace norvale {

TargetDisk DiskManagementHandoff::FindByTarget(const std::wstring& targetName) {
    return ports_.inventory.FindByTarget(targetName);
}

int DiskManagementHandoff::RunFormatWizard(DiskManagementHost& host, const std::wstring& targetName) {
    WizardTarget target{targetName, SelectedApplianceTarget(host, targetName),
                        [&host, targetName] { host.LogoutTarget(targetName); }};
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
