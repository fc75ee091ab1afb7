// Where the iSCSI group hands over to disk management: after a connect, the
// new disk of the target (an empty one goes through the format wizard, then
// the disk manager opens); before a logout, the drive letters of the
// target's volumes, which the initiator must stop mounting at start-up; and
// the Management button.
//
// Disk management implements this; until it does, SessionDiskHandoff stands
// in: it knows from the initiator's sessions only whether a target brought a
// disk at all, never whether that disk is empty, so it never runs the wizard
// and has no volumes and no disk manager to offer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/initiator/wmi_connections.h"

namespace norvale {

// Find-by-target: how the target's disk stands.
enum class TargetDiskState : int {
    None = -1,      // no disk of the target was found
    HasVolume = 0,  // its disk carries a volume
    BareDisk = 1,   // its disk has no volume yet
    // Its disk holds partitions whose volumes have not shown up yet.
    VolumesToCome = 2,
};

class TargetDiskHandoff {
public:
    virtual ~TargetDiskHandoff() = default;

    // How the disk of a target that is now connected stands (a fresh look).
    // Blocks: called on a step's worker.
    virtual TargetDiskState FindByTarget(const std::wstring& targetName) = 0;
    // The number of the target's disk (-1: none). Blocks: called on a
    // step's worker.
    virtual std::int32_t DiskOf(const std::wstring& targetName) = 0;
    // The target's disk holds partitions though no volume of it came: the
    // user is told over the main dialog, and nothing is run on it (the disk
    // manager opens next).
    virtual void ReportHeldPartitions(std::int32_t disk) = 0;
    // Runs the format wizard over the main dialog for the target's empty
    // disk (`targetName` in upper case) and answers its cancel mark: 0 when
    // it was not cancelled. A cancelled wizard logs the target out itself
    // (the group's LogoutTargetWork with remove-devices off, on its worker).
    virtual int RunFormatWizard(const std::wstring& targetName) = 0;
    // The disk manager for the selected device (SelectedDeviceIp and
    // SelectedDeviceOtherIp of the dialog's protocol), modal over the main
    // dialog.
    virtual void OpenDiskManager() = 0;
    // The drive roots ("E:\") of the volumes of `targetName` that have a
    // letter, from a freshly refreshed inventory. Blocks: called on a
    // step's worker.
    virtual std::vector<std::wstring> LetteredVolumes(const std::wstring& targetName) = 0;
};

class SessionDiskHandoff final : public TargetDiskHandoff {
public:
    // Asks through its own WMI site; `wmi` must outlive it.
    explicit SessionDiskHandoff(WmiConnections& wmi) : wmi_(wmi) {}

    // HasVolume when a session of the target lists a disk, None otherwise.
    TargetDiskState FindByTarget(const std::wstring& targetName) override;
    // Never asked for (FindByTarget answers neither BareDisk nor
    // VolumesToCome).
    std::int32_t DiskOf(const std::wstring&) override { return -1; }
    void ReportHeldPartitions(std::int32_t) override {}
    int RunFormatWizard(const std::wstring&) override { return 0; }
    void OpenDiskManager() override {}
    std::vector<std::wstring> LetteredVolumes(const std::wstring&) override { return {}; }

private:
    WmiConnections& wmi_;
};

}  // namespace norvale
