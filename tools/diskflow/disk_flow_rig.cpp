#include "tools/diskflow/disk_flow_rig.h"

#include "disk/core/inventory/volume_names.h"
#include "disk/core/partition/random_id_source.h"
#include "disk/core/wizard/wizard_plan.h"
#include "platform/core/utf8.h"
#include "resources/resource.h"
#include "tools/initiator_sim/initiator_ports.h"
#include "tools/simulator/appliance.h"

namespace norvale::diskflow {
namespace {

// "ipconfig /all" ends at once here.
class InstantDelayProcess final : public DelayProcessPort {
public:
    ProcessHandle StartHidden(const std::wstring&) override { return next_++; }
    void WaitForEnd(ProcessHandle) override {}
    void Close(ProcessHandle) override {}

private:
    ProcessHandle next_ = 0x100;
};

class ProgramFolder final : public ProgramLocationPort {
public:
    std::wstring ExecutablePath() override { return L"C:\\Program Files\\Norvale\\norvale.exe"; }
    bool FileExists(const std::wstring&) override { return false; }
};

class SystemDriveC final : public SystemFilesPort {
public:
    std::optional<std::wstring> EnvironmentVariable(const std::wstring& name) const override {
        if (SameName(name, L"SystemDrive")) return std::wstring(L"C:");
        return std::nullopt;
    }
    bool RemoveFile(const std::wstring&) override { return true; }
};

class SteppingRandom final : public RandomSource {
public:
    void Seed(unsigned int seed) override { next_ = seed; }
    int Next() override { return static_cast<int>(++next_ & 0x7FFF); }

private:
    unsigned int next_ = 0;
};

test::ApplianceConfig OnSegment(const sim::ApplianceConfig& appliance) {
    test::ApplianceConfig config;
    config.ip = appliance.address;
    config.name = appliance.name;
    config.gateway = "192.168.10.1";
    for (const sim::TargetConfig& target : appliance.targets)
        config.targets.push_back(sim::TargetListEntry(target));
    return config;
}

}  // namespace

FlowSetup FlowSetup::For(test::FakeVersionSource version, const std::string& workDir, std::uint64_t lunBytes) {
    sim::ApplianceConfig archive;
    archive.address = WideToUtf8(kApplianceIp);
    archive.otherAddress = WideToUtf8(kApplianceOtherIp);
    archive.name = "Archive";
    archive.targets = {{WideToUtf8(kTarget), false, "", "", lunBytes}};
    FlowSetup setup{sim::WindowsSetup::For(std::move(version), workDir, {archive}), lunBytes};
    return setup;
}

void FlowSetup::RequireChap(const std::string& user, const std::string& secret) {
    for (sim::ApplianceConfig& appliance : windows.appliances) {
        for (sim::TargetConfig& configured : appliance.targets) {
            configured.chap = true;
            configured.user = user;
            configured.password = secret;
        }
    }
}

void FlowSetup::ServeFrom(sim::TargetNetwork& network, const std::string& name) {
    windows.targets = &network;
    target = Utf8ToWide(name);
    for (sim::ApplianceConfig& appliance : windows.appliances) {
        for (sim::TargetConfig& configured : appliance.targets) configured.name = name;
    }
}

void DiskFlowRig::OnChapDialog(std::wstring user, std::wstring secret) {
    surface_.ScriptChild(IDD_CHAP_PASSWORD, [this, user, secret](DialogController&, test::FakeDialogSurface& chap) {
        chap.TypeText(IDC_CHAP_USER, user);
        chap.TypeText(IDC_CHAP_PASSWORD, secret);
        chap.Click(kIdOk);
        if (!chap.EndCode()) chap.Click(kIdCancel);
        chapLog_.insert(chapLog_.end(), chap.Log().begin(), chap.Log().end());
        return chap.EndCode() ? *chap.EndCode() : kIdCancel;
    });
}

// Everything between the simulated PC and the main dialog, in the order
// it is built.
class DiskFlowRig::Parts {
public:
    explicit Parts(DiskFlowRig& rig)
        : scripts(rig.Pc().Scripts()),
          library(rig.Pc().Disks()),
          engine(library),
          services(rig.Pc().Initiator()),
          registry(baseRegistry, rig.Pc().Initiator()),
          inventory(rig.Pc().Inventory()),
          management{rig.Pc().Disks(), inventory,           rig.Pc().Wmi(),   rig.Pc().Version(),
                     rig.Pc().Trace(), rig.Pc().ScriptFiles(), rig.Pc().Runner(), rig.Pc().Disks(),
                     rig.Pc().Disks(), errors,              RandomIds(),      rig.clock_,
                     engine,           rig.Pc().Wow64()},
          handoff(DiskHandoffPorts{inventory,
                                   WizardPorts{inventory, rig.Pc().Disks(), scripts, rig.Pc().Runner(),
                                               rig.Pc().Disks(), rig.Pc().Disks(), rig.Pc().Version(), errors,
                                               rig.clock_, engine, rig.Pc().Wow64()},
                                   [&rig, opener = DiskManagerOpener(management)](DiskManagementHost& opened) {
                                       ++rig.diskManagerOpens_;
                                       opener(opened);
                                   }}),
          handoffLink(handoff, host),
          targets(TargetSectionPorts{rig.Pc().Wmi(), rig.Pc().Runner(), services, registry, rig.Pc().Version(),
                                     delay, location, rig.clock_, handoffLink, rig.Pc().Wow64()}),
          targetHooks(targets, host),
          segment(rig.SegmentClock()),
          protocol(segment, rig.SegmentClock(), random) {}

    DiskScripts scripts;
    disksim::MkfsFormatPort library;
    FormatEngine engine;
    test::EnglishErrorText errors;
    sim::SimServiceControl services;
    test::InMemoryRegistry baseRegistry;
    sim::SimInitiatorRegistry registry;
    InstantDelayProcess delay;
    ProgramFolder location;
    DiskInventory inventory;
    DiskManagementPorts management;
    DiskManagementHandoff handoff;
    MainDialogHost host;
    DiskHandoffLink handoffLink;
    CTargetSection targets;
    TargetSectionLink targetHooks;
    test::FakeSegment segment;
    SteppingRandom random;
    DeviceProtocol protocol;
    SystemDriveC files;
};

test::VirtualClock& DiskFlowRig::SegmentClock() {
    // One clock where the flow runs in virtual time: the appliance's
    // exchanges take their time on it too.
    auto* virtualClock = test::VirtualClock::Of(clock_);
    return virtualClock != nullptr ? *virtualClock : segmentClock_;
}

DiskFlowRig::DiskFlowRig(FlowSetup setup, ClockPort& clock) : clock_(clock), target_(setup.target) {
    // Every handler of the flow's dialogs is timed; the tests fail one
    // that holds the dialog's thread past its budget.
    surface_.MeasureHandlers(clock_);
    const std::vector<sim::ApplianceConfig> appliances = setup.windows.appliances;
    const std::string workDir = setup.windows.workDir;
    windows_ = std::make_unique<sim::SimulatedWindows>(clock_, std::move(setup.windows));
    if (setup.existing != ExistingContent::None) {
        existingImage_ = workDir + "/existing-lun.img";
        existingError_ = MakeExistingLun(setup.existing, existingImage_, static_cast<std::int64_t>(setup.lunBytes),
                                         windows_->Setup().lunSectorBytes);
        if (existingError_.empty()) {
            windows_->PreloadLun(WideToUtf8(target_), existingImage_, ComesUpOffline(setup.existing));
        }
    }
    parts_ = std::make_unique<Parts>(*this);
    parts_->segment.SetLocalAddresses(std::vector<std::string>{"192.168.10.2"});
    for (const sim::ApplianceConfig& appliance : appliances) parts_->segment.AddAppliance(OnSegment(appliance));
    NorvaleDlgSections sections;
    sections.targets = &parts_->targetHooks;
    dialog_ = std::make_unique<CNorvaleDlg>(parts_->protocol, parts_->files, sections);
    surface_.ScriptChild(IDD_FORMAT_WIZARD, [this](DialogController&, test::FakeDialogSurface& wizard) {
        ++wizardRuns_;
        if (wizardUser_) wizardUser_(wizard);
        RunUntilQuiet(wizard);
        wizardLog_ = wizard.Log();
        wizardBoxes_ = wizard.MessageBoxes();
        return wizard.EndCode().value_or(kIdCancel);
    });
    // The disk manager as the user first sees it, then closed.
    surface_.ScriptChild(IDD_DISK_MANAGER, [this](DialogController&, test::FakeDialogSurface& manager) {
        if (managerUser_) {
            const int code = managerUser_(manager);
            diskManagerLog_ = manager.Log();
            return code;
        }
        RunUntilQuiet(manager);
        diskManagerLog_ = manager.Log();
        manager.CloseBox();
        return manager.EndCode().value_or(kIdCancel);
    });
}

DiskFlowRig::~DiskFlowRig() {
    // The dialog goes before the surface that drives it.
    surface_.Destroy();
    dialog_.reset();
}

void DiskFlowRig::OpenAndSelect() {
    surface_.Open(*dialog_);
    RunUntilQuiet(surface_);
    for (int row = 0; row < surface_.ListRowCount(IDC_DEVICE_LIST); ++row) {
        if (surface_.ListCell(IDC_DEVICE_LIST, row, 1) == kApplianceIp) {
            surface_.ClickListRow(IDC_DEVICE_LIST, row);
            RunUntilQuiet(surface_);
            return;
        }
    }
}

void DiskFlowRig::OnWizard(std::function<void(test::FakeDialogSurface&)> user) { wizardUser_ = std::move(user); }

void DiskFlowRig::ClickTargetRow() {
    // The list shows the name after the colon.
    const std::wstring& target = target_;
    const std::wstring shown = target.substr(target.rfind(L':') + 1);
    for (int row = 0; row < surface_.ListRowCount(IDC_TARGET_LIST); ++row) {
        if (SameName(surface_.ListCell(IDC_TARGET_LIST, row, 0), shown)) {
            surface_.ClickListRow(IDC_TARGET_LIST, row);
            return;
        }
    }
}

void DiskFlowRig::Connect() {
    ClickTargetRow();
    surface_.Click(IDC_TARGET_CONNECT);
    RunUntilQuiet(surface_);
}

void DiskFlowRig::Disconnect() { Connect(); }

void DiskFlowRig::ConnectAndManage() {
    windows_->Connect(kApplianceIp, target_);
    RunUntilQuiet(surface_);
    Manage();
}

void DiskFlowRig::Manage() {
    surface_.Click(IDC_MANAGEMENT);
    RunUntilQuiet(surface_);
}

void DiskFlowRig::OnDiskManager(std::function<int(test::FakeDialogSurface&)> user) { managerUser_ = std::move(user); }

void DiskFlowRig::RunUntilQuiet(test::FakeDialogSurface& surface) {
    auto* virtualClock = test::VirtualClock::Of(clock_);
    for (int round = 0; round < 2000 && !surface.EndCode(); ++round) {
        if (surface.RunWorkers() + surface.DeliverPosted() > 0) continue;
        if (surface.Timers().empty()) return;
        // The timer due first fires; its interval passes on both clocks.
        auto next = surface.Timers().begin();
        for (auto timer = next; timer != surface.Timers().end(); ++timer) {
            if (timer->second < next->second) next = timer;
        }
        const auto [id, interval] = *next;
        SegmentClock().Advance(interval);
        if (virtualClock != nullptr && virtualClock != &SegmentClock()) virtualClock->Advance(interval);
        surface.FireTimer(id);
    }
}

DiskInventory& DiskFlowRig::Inventory() { return parts_->inventory; }

disksim::MkfsFormatPort& DiskFlowRig::FormatLibrary() { return parts_->library; }

std::int32_t DiskFlowRig::TargetDisk() const { return windows_->DiskOf(target_).value_or(-1); }

}  // namespace norvale::diskflow
