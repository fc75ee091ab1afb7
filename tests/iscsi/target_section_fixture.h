// The iSCSI group in the main dialog as the Win32 host drives it: an
// appliance on the simulated segment and the same appliance behind the
// simulated initiator (WMI, service, registry and iscsicli through the
// product's own ports), a delay process, disk management and the program's
// folder as scripted, all in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/core/section_links.h"
#include "iscsi/core/targets/target_section.h"
#include "mainwindow/core/norvale_dialog.h"
#include "platform/core/console/console_command_runner.h"
#include "platform/core/initiator/wmi_connections.h"
#include "tests/fakes/fake_dialog_surface.h"
#include "tests/fakes/fake_segment.h"
#include "tests/fakes/in_memory_registry.h"
#include "tests/fakes/recording_trace.h"
#include "tests/fakes/routed_process_port.h"
#include "tests/fakes/virtual_clock.h"
#include "tests/mainwindow/main_dialog_fixture.h"
#include "tests/platform/version_machines.h"
#include "tools/initiator_sim/initiator_ports.h"
#include "tools/simulator/appliance.h"

namespace norvale::test {
// Fixture headers each keep their names apart: an inline constant of the
// same name in two fixtures would otherwise be one symbol to the linker.
inline namespace target_section_fixture {

using Rows = std::vector<std::vector<std::wstring>>;
using Lines = std::vector<std::string>;

inline constexpr char kArchiveIp[] = "192.168.10.20";
inline constexpr wchar_t kArchiveIpW[] = L"192.168.10.20";
inline constexpr char kOfficeIp[] = "192.168.10.40";
inline constexpr char kPcIp[] = "192.168.10.2";
// What the appliance calls its targets; the initiator knows "_" as "-".
inline constexpr char kPlainName[] = "iqn.2026-12.com.orrin:archive_lun0";
inline constexpr wchar_t kPlainTarget[] = L"IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0";
inline constexpr wchar_t kChapTarget[] = L"IQN.2026-12.COM.ORRIN:ARCHIVE-SECURE";
inline constexpr wchar_t kNoLunTarget[] = L"IQN.2026-12.COM.ORRIN:ARCHIVE.EMPTY";
inline constexpr wchar_t kChapUser[] = L"chap_usr";
inline constexpr wchar_t kChapSecret[] = L"Sixteen-chars-16";

// Handles from 0x100 up; every start and close noted.
class FakeDelayProcess final : public DelayProcessPort {
public:
    bool startFails = false;
    std::vector<std::wstring> started;
    std::map<ProcessHandle, int> closes;

    ProcessHandle StartHidden(const std::wstring& commandLine) override {
        if (startFails) return 0;
        started.push_back(commandLine);
        return next_++;
    }
    void WaitForEnd(ProcessHandle) override {}
    void Close(ProcessHandle process) override { ++closes[process]; }
    // Every handle given out was closed exactly once.
    bool AllClosedOnce() const {
        for (ProcessHandle handle = 0x100; handle < next_; ++handle) {
            const auto found = closes.find(handle);
            if (found == closes.end() || found->second != 1) return false;
        }
        return closes.size() == static_cast<std::size_t>(next_ - 0x100);
    }

private:
    ProcessHandle next_ = 0x100;
};

class FakeLocation final : public ProgramLocationPort {
public:
    std::wstring path = L"C:\\Program Files\\Norvale\\norvale.exe";
    std::set<std::wstring> files;
    std::wstring ExecutablePath() override { return path; }
    bool FileExists(const std::wstring& file) override { return files.count(file) != 0; }
};

// Disk management as the connect sequence meets it: a state per target
// (upper case; HasVolume when not scripted), every call noted.
class ScriptedDisks final : public TargetDiskHandoff {
public:
    std::map<std::wstring, TargetDiskState> states;
    std::map<std::wstring, std::vector<std::wstring>> letters;
    int wizardCancelMark = 0;
    std::vector<std::wstring> calls;

    TargetDiskState FindByTarget(const std::wstring& target) override {
        calls.push_back(L"find " + target);
        const auto found = states.find(target);
        return found == states.end() ? TargetDiskState::HasVolume : found->second;
    }
    std::int32_t DiskOf(const std::wstring&) override { return 4; }
    void ReportHeldPartitions(std::int32_t disk) override { calls.push_back(L"held partitions " + std::to_wstring(disk)); }
    int RunFormatWizard(const std::wstring& target) override {
        calls.push_back(L"wizard " + target);
        return wizardCancelMark;
    }
    void OpenDiskManager() override { calls.push_back(L"disk manager"); }
    std::vector<std::wstring> LetteredVolumes(const std::wstring& target) override {
        calls.push_back(L"volumes " + target);
        return letters[target];
    }
};

class FakeRedirection final : public Wow64RedirectionPort {
public:
    RedirectionResult Disable() override { return RedirectionResult::Done; }
    RedirectionResult Enable(bool) override { return RedirectionResult::Done; }
};

// Archive: a plain target and a CHAP target, both with a LUN and listed
// with "_", and a target without a LUN.
inline sim::ApplianceConfig ArchiveAppliance() {
    sim::ApplianceConfig archive;
    archive.interfaceName = "n1";
    archive.address = kArchiveIp;
    archive.name = "Archive";
    archive.targets = {{kPlainName, false, "", "", 1ull << 30},
                       {"iqn.2026-12.com.orrin:archive_secure", true, "chap_usr", "Sixteen-chars-16", 1ull << 31},
                       {"iqn.2026-12.com.orrin:archive.empty", false, "", "", 0}};
    return archive;
}

inline sim::ApplianceConfig OfficeAppliance() {
    sim::ApplianceConfig office;
    office.interfaceName = "n2";
    office.address = kOfficeIp;
    office.name = "Office";
    office.targets = {{"iqn.2026-12.com.orrin:office.lun0", false, "", "", 1ull << 30}};
    return office;
}

class TargetSectionTest : public ::testing::Test {
protected:
    explicit TargetSectionTest(sim::InitiatorOptions options = {},
                               std::vector<sim::ApplianceConfig> appliances = {ArchiveAppliance(), OfficeAppliance()})
        : initiator(std::move(appliances), clock, options) {
        segment.SetLocalAddresses(std::vector<std::string>{kPcIp});
        DeclareMainDialogControls(surface);
        surface.MeasureHandlers(clock);
        processes.TakeTime(clock);
        processes.Route(L"iscsicli", sim::IscsicliRoute(initiator), sim::RedactIscsicliCommand);
        for (const sim::ApplianceConfig& appliance : initiator.Appliances()) OnSegment(appliance);
    }
    // The dialog goes before the surface that drives it: let go of it first.
    ~TargetSectionTest() override { surface.Destroy(); }

    // The appliance as the segment answers for it: the same targets.
    void OnSegment(const sim::ApplianceConfig& appliance) {
        ApplianceConfig config = Nas(appliance.address, appliance.name, static_cast<std::uint8_t>(segmentCount_++));
        config.gateway = "192.168.10.1";
        for (const sim::TargetConfig& target : appliance.targets) config.targets.push_back(sim::TargetListEntry(target));
        segment.AddAppliance(std::move(config));
    }
    FakeAppliance& SegmentAppliance(std::size_t index) { return segment.Appliance(index); }

    // Adds a send-target portal and runs an iscsicli line as another
    // program would have before the dialog opened.
    void Before(const std::string& portal, const std::string& line) {
        sim::SimObject instance;
        instance.className = "MSiSCSIInitiator_SendTargetPortalClass";
        instance.Set("PortalAddress", sim::SimValue::String(portal));
        ASSERT_EQ(initiator.PutInstance(instance), 0);
        ASSERT_EQ(initiator.RunIscsicli(line).exitCode, 0u) << line;
    }
    void LogInBefore(const std::string& portal, const std::string& target) {
        Before(portal, "iscsicli logintarget " + target + " t * * * * * * * * * * * * * * * 0");
    }

    void Open() {
        targets = std::make_unique<CTargetSection>(TargetSectionPorts{
            wmi, runner, services, registry, version, delay, location, clock, *handoff, wow64, elevation, supportLog,
            errorTexts});
        hooks = std::make_unique<TargetSectionLink>(*targets, host);
        NorvaleDlgSections sections;
        sections.targets = hooks.get();
        sections.shares = shares;
        dialog = std::make_unique<CNorvaleDlg>(protocol, files, sections);
        surface.Open(*dialog);
        ASSERT_FALSE(surface.EndCode());
    }
    // Clicks the device row of `address` and lets the refresh run to its end.
    void Select(const std::wstring& address = kArchiveIpW) {
        for (int row = 0; row < surface.ListRowCount(IDC_DEVICE_LIST); ++row) {
            if (surface.ListCell(IDC_DEVICE_LIST, row, 1) == address) {
                surface.ClickListRow(IDC_DEVICE_LIST, row);
                Settle();
                return;
            }
        }
        ADD_FAILURE() << "no device row for the address";
    }
    void OpenAndSelect() {
        Open();
        Select();
    }
    // What a running dialog does meanwhile: watchers end, their messages
    // arrive, timer 1054 fires (after its interval), until all is quiet.
    // The service start's poll (timer IDT_SERVICE_START) fires the same way.
    // `between` runs before each round.
    void Settle(const std::function<void()>& between = nullptr) {
        for (int round = 0; round < 500; ++round) {
            if (between) between();
            const bool worked = surface.RunWorkers() + surface.DeliverPosted() > 0;
            if (surface.EndCode()) {
                // An ended dialog's timers fire no more; what runs still ends.
                if (!worked) return;
                continue;
            }
            const auto poll = surface.Timers().find(IDT_SERVICE_START);
            const auto timer = surface.Timers().find(IDT_TARGET_LIST);
            if (poll != surface.Timers().end()) {
                clock.Advance(poll->second);
                surface.FireTimer(IDT_SERVICE_START);
            } else if (timer != surface.Timers().end()) {
                clock.Advance(timer->second);
                timerDelays.push_back(static_cast<int>(timer->second.count()));
                surface.FireTimer(IDT_TARGET_LIST);
            } else if (!worked) {
                return;
            }
        }
        ADD_FAILURE() << "the group never came to rest";
    }
    void PickPage(int index) {
        surface.ChooseComboItem(IDC_TARGET_PAGE, index);
        Settle();
    }
    void ClickTarget(int row) { surface.ClickListRow(IDC_TARGET_LIST, row); }
    // Connect (or Disconnect) of the selected row, and what follows.
    void PressConnect() {
        surface.Click(IDC_TARGET_CONNECT);
        Settle();
    }
    int RowOf(const std::wstring& shown) {
        for (int row = 0; row < surface.ListRowCount(IDC_TARGET_LIST); ++row) {
            if (surface.ListCell(IDC_TARGET_LIST, row, 0) == shown) return row;
        }
        ADD_FAILURE() << "no target row";
        return -1;
    }
    // Both columns of every row; a cell never set reads empty.
    Rows TargetRows() {
        Rows rows = ListRows(surface, IDC_TARGET_LIST);
        for (auto& row : rows) row.resize(2);
        return rows;
    }
    // The iscsicli lines the initiator received (CHAP passwords hidden),
    // from `from` on.
    Lines Iscsicli(std::size_t from = 0) {
        Lines lines;
        const auto& log = initiator.CommandLog();
        for (std::size_t i = from; i < log.size(); ++i) lines.push_back(log[i].line);
        return lines;
    }
    std::size_t Mark() const { return initiator.CommandLog().size(); }
    bool Connected(const std::wstring& target) {
        for (const sim::SimSession& session : initiator.Sessions()) {
            if (Upper(session.targetName) == target) return true;
        }
        return false;
    }
    static std::wstring Upper(const std::string& text) {
        std::wstring wide(text.begin(), text.end());
        for (wchar_t& c : wide) c = static_cast<wchar_t>(std::towupper(c));
        return wide;
    }
    std::vector<std::wstring> BoxTexts() {
        std::vector<std::wstring> texts;
        for (const ShownMessageBox& box : surface.MessageBoxes()) texts.push_back(box.request.text);
        return texts;
    }
    bool Enabled(int id) { return surface.IsEnabled(id); }

    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    FakeDialogSurface surface;
    sim::SimulatedInitiator initiator;
    sim::SimWmiPort wmiPort{initiator};
    sim::SimServiceControl services{initiator};
    InMemoryRegistry baseRegistry;
    sim::SimInitiatorRegistry registry{baseRegistry, initiator};
    RoutedProcessPort processes;
    FakeRedirection redirection;
    ConsoleCommandRunner runner{processes, redirection, false};
    FakeVersionSource version = Windows7Enterprise();
    RecordingTrace trace;
    WmiConnections wmi{WmiEnvironment{wmiPort, version, trace}};
    FakeDelayProcess delay;
    FakeLocation location;
    ScriptedDisks disks;
    TargetDiskHandoff* handoff = &disks;
    ShareSection* shares = nullptr;
    bool wow64 = false;
    ElevationPort* elevation = nullptr;
    TracePort* supportLog = &trace;
    const ErrorTextPort* errorTexts = nullptr;
    std::vector<int> timerDelays;
    std::unique_ptr<CTargetSection> targets;
    MainDialogHost host;
    std::unique_ptr<TargetSectionLink> hooks;
    std::unique_ptr<CNorvaleDlg> dialog;

private:
    int segmentCount_ = 1;
};

}  // namespace target_section_fixture
}  // namespace norvale::test
