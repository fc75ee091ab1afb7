// The links between the rooms of the main window's floor, made here because
// none of them may know another: the main dialog as the iSCSI group and disk
// management see it, the iSCSI group behind the main dialog's target hooks,
// disk management behind the iSCSI group's hand-off, and the initiator's
// tear-down behind the LAN change.
//
//   MainDialogHost host;
//   DiskHandoffLink handoff(disks, host);          // DiskManagementHandoff disks
//   CTargetSection targets(TargetSectionPorts{..., handoff, ...});
//   TargetSectionLink link(targets, host);
//   InitiatorTeardown teardown(commands);
//   LanTeardownLink lanTeardown(teardown);
//   CLanSection lan(lanTeardown);
//   CNorvaleDlg dialog(protocol, files, {&lan, &shares, &link, &web});
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/core/disk_management_host.h"
#include "disk/core/handoff/disk_handoff.h"
#include "iscsi/core/initiator_teardown.h"
#include "iscsi/core/targets/target_disk_handoff.h"
#include "iscsi/core/targets/target_group_host.h"
#include "iscsi/core/targets/target_section.h"
#include "mainwindow/core/lan/lan_section.h"
#include "mainwindow/core/norvale_dialog.h"
#include "mainwindow/core/norvale_sections.h"

namespace norvale {

// The main dialog seen through the two interfaces. It serves the dialog
// whose target hook ran last (TargetSectionLink binds it before every call),
// which is the only way the iSCSI group and disk management are entered.
class MainDialogHost final : public TargetGroupHost, public DiskManagementHost {
public:
    void Bind(CNorvaleDlg& dialog) { dialog_ = &dialog; }
    bool Bound() const { return dialog_ != nullptr; }

    DialogSurfacePort& Surface() override;
    BackgroundSteps& Steps() override;
    StepGate& Gate() override;
    DeviceProtocol& Protocol() override;
    int TargetPageStart() const override;
    void SetTargetPageStart(int first) override;
    void RefreshDriveLetters() override;
    ApplianceAddresses SelectedAppliance() override;
    int TargetCount() override;
    // Through the dialog's target hook, as any other section would.
    void LogoutTarget(const std::wstring& targetName, const std::wstring& deviceIp) override;

private:
    CNorvaleDlg& Dialog() const;

    CNorvaleDlg* dialog_ = nullptr;
};

class TargetSectionLink final : public TargetSection {
public:
    // Both must outlive the link.
    TargetSectionLink(CTargetSection& group, MainDialogHost& host) : group_(group), host_(host) {}

    void ResetFlags() override { group_.ResetFlags(); }
    void ClearTargetList(CNorvaleDlg& dialog) override { group_.ClearTargetList(Host(dialog)); }
    void RefreshTargets(CNorvaleDlg& dialog, const SectionFlow& flow) override {
        group_.RefreshTargets(Host(dialog), flow);
    }
    void OnTargetListTimer(CNorvaleDlg& dialog) override { group_.OnTargetListTimer(Host(dialog)); }
    void OnServiceStartTimer(CNorvaleDlg& dialog) override { group_.OnServiceStartTimer(Host(dialog)); }
    void OnListClicked(CNorvaleDlg& dialog) override { group_.OnListClicked(Host(dialog)); }
    void OnConnect(CNorvaleDlg& dialog) override { group_.OnConnect(Host(dialog)); }
    void OnManagement(CNorvaleDlg& dialog) override { group_.OnManagement(Host(dialog)); }
    void OnPageChanged(CNorvaleDlg& dialog) override { group_.OnPageChanged(Host(dialog)); }
    void OnRestored(CNorvaleDlg& dialog) override { group_.OnRestored(Host(dialog)); }
    std::vector<std::wstring> ActiveTargets(CNorvaleDlg& dialog) override { return group_.ActiveTargets(Host(dialog)); }
    void LogoutTargetWork(const std::wstring& targetName, bool removeDevices, const std::wstring& deviceIp) override {
        group_.LogoutTargetWork(targetName, removeDevices, deviceIp);
    }
    void OnDialogEnding(CNorvaleDlg& dialog) override { group_.OnDialogEnding(Host(dialog)); }

private:
    MainDialogHost& Host(CNorvaleDlg& dialog) {
        host_.Bind(dialog);
        return host_;
    }

    CTargetSection& group_;
    MainDialogHost& host_;
};

class DiskHandoffLink final : public TargetDiskHandoff {
public:
    // Both must outlive the link.
    DiskHandoffLink(DiskManagementHandoff& disks, DiskManagementHost& host) : disks_(disks), host_(host) {}

    TargetDiskState FindByTarget(const std::wstring& targetName) override;
    std::int32_t DiskOf(const std::wstring& targetName) override { return disks_.DiskOf(targetName); }
    void ReportHeldPartitions(std::int32_t disk) override { disks_.ReportHeldPartitions(host_, disk); }
    int RunFormatWizard(const std::wstring& targetName) override { return disks_.RunFormatWizard(host_, targetName); }
    void OpenDiskManager() override { disks_.OpenDiskManager(host_); }
    std::vector<std::wstring> LetteredVolumes(const std::wstring& targetName) override {
        return disks_.LetteredVolumes(targetName);
    }

private:
    DiskManagementHandoff& disks_;
    DiskManagementHost& host_;
};

class LanTeardownLink final : public InitiatorTeardownPort {
public:
    explicit LanTeardownLink(InitiatorTeardown& initiator) : initiator_(initiator) {}
    void ForgetDevice(const std::wstring& deviceIp) override { initiator_.ForgetDevice(deviceIp); }

private:
    InitiatorTeardown& initiator_;
};

}  // namespace norvale
