// A simulated Windows PC for the disk half's tests and tools: the Microsoft
// iSCSI initiator (whose logins bring disks of the target's LUN size, backed
// by sparse images, and whose logouts take them away), the disk stack with
// its mount manager, the PC's other letters and mapped shares (one model of
// letters), the root folder the script files go to, and one process port
// that runs "iscsicli ..." on the initiator and "cmd.exe /C diskpart /s PATH"
// on the diskpart stand-in, which reads PATH from that folder. The product's
// own runner, WMI wrapper and inventory run unchanged on top of it.
//
//   test::VirtualClock clock;
//   sim::SimulatedWindows pc(clock, sim::WindowsSetup::For(test::Windows7Enterprise(), dir, {archive}));
//   const auto disk = pc.Connect(L"192.168.10.20", L"iqn.2026-12.com.orrin:archive.lun0");
//   DiskInventory inventory(pc.Inventory());
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/scripts/disk_scripts.h"
#include "platform/core/console/console_command_runner.h"
#include "platform/core/initiator/wmi_connections.h"
#include "tests/fakes/fake_version_source.h"
#include "tests/fakes/recording_trace.h"
#include "tests/fakes/routed_process_port.h"
#include "tests/fakes/simulated_pc.h"
#include "tools/disksim/diskpart.h"
#include "tools/disksim/simulated_disk_stack.h"
#include "tools/initiator_sim/initiator_ports.h"
#include "tools/winsim/sim_script_files.h"

namespace norvale::sim {

struct WindowsSetup {
    std::string workDir;  // disk images (the system disk's too)
    std::vector<ApplianceConfig> appliances;
    test::FakeVersionSource version;
    bool wow64 = false;
    // New iSCSI disks come up offline and read-only until the online script
    // runs (server editions).
    bool newDisksOffline = false;
    // The mount manager letters new volumes by itself (where no assign
    // script is needed).
    bool autoMount = true;
    // Windows takes its time, and the waits of the disk half wait for these
    // events rather than for fixed pauses: a login's disk shows up on its
    // session after diskArrival, a partition's volume after volumeDelay
    // (from the table write or the disk's arrival), its letter letterDelay
    // after that, and the reserved partition of a new GPT table
    // reservedPartitionDelay after the initialisation returned.
    std::chrono::milliseconds diskArrival{300};
    std::chrono::milliseconds volumeDelay{200};
    std::chrono::milliseconds letterDelay{300};
    std::chrono::milliseconds reservedPartitionDelay{1000};
    // The reserved partition's size: 16 MiB from Windows 10 and Server 2016 on.
    disksim::ReservedSize reservedSize = disksim::ReservedSize::BySize;
    // The sector size of the disks the initiator's logins bring (512 or 4096).
    std::int64_t lunSectorBytes = 512;
    std::int64_t systemDiskBytes = 64LL << 30;
    InitiatorOptions initiator;
    // A real target behind the initiator (not owned): its logins, CHAP and
    // LUNs, whose bytes the disks then read and write over iSCSI.
    TargetNetwork* targets = nullptr;
    test::SimulatedPc pc = test::SimulatedPc::Typical();

    // The behaviour of the Windows that `version` describes: server editions
    // bring disks offline; where the program runs the assign script, Windows
    // gives new volumes no letter of its own.
    static WindowsSetup For(test::FakeVersionSource version, std::string workDir,
                            std::vector<ApplianceConfig> appliances);
};

// One diskpart run, as the stand-in saw it.
struct DiskpartRunRecord {
    std::wstring scriptPath;
    std::optional<std::string> script;  // nullopt: no such file
    bool scriptProtected = false;       // administrators-only and held while read
    std::string output;
    int exitCode = 0;
};

class SimulatedWindows {
public:
    SimulatedWindows(ClockPort& clock, WindowsSetup setup);
    ~SimulatedWindows();
    SimulatedWindows(const SimulatedWindows&) = delete;
    SimulatedWindows& operator=(const SimulatedWindows&) = delete;

    // --- the pieces ---------------------------------------------------------
    test::SimulatedPc& Pc() { return pc_; }
    disksim::SimulatedDiskStack& Disks() { return *disks_; }
    SimulatedInitiator& Initiator() { return initiator_; }
    SimScriptFiles& ScriptFiles() { return scriptFiles_; }
    test::RoutedProcessPort& Processes() { return processes_; }
    ConsoleCommandRunner& Runner() { return runner_; }
    WmiConnections& Wmi() { return wmi_; }
    test::FakeVersionSource& Version() { return setup_.version; }
    test::RecordingTrace& Trace() { return trace_; }
    SimWmiPort& WmiProvider() { return wmiPort_; }
    bool Wow64() const { return setup_.wow64; }
    const WindowsSetup& Setup() const { return setup_; }

    // The ports the inventory reads through, and a scripts module on the
    // script folder and the runner.
    InventoryPorts Inventory() { return InventoryPorts{*disks_, wmi_, setup_.version, trace_}; }
    DiskScripts Scripts() { return DiskScripts(scriptFiles_, runner_); }

    // --- doing what the connect flow does -----------------------------------
    // Adds the appliance's portal and logs in to the target through the
    // product's wrapper and runner; the disk number of the new session.
    std::optional<std::int32_t> Connect(const std::wstring& portalAddress, const std::wstring& targetName);
    // Logs every session of the target out.
    bool Disconnect(const std::wstring& targetName);
    // The target's LUN is the image at `imagePath` (a reused LUN with data
    // on it). Its first login brings it offline and read-only when `offline`
    // or where new disks come up so.
    void PreloadLun(const std::string& targetName, const std::string& imagePath, bool offline);

    // --- what happened ------------------------------------------------------
    const std::vector<DiskpartRunRecord>& DiskpartRuns() const { return diskpartRuns_; }
    // The messages of runs ended at their limit (in the clock's time).
    const std::vector<std::wstring>& RunTimeouts() const { return timeouts_.texts; }
    // How much of [from, to] Windows spent bringing disks, volumes, letters
    // and reserved partitions (its own delays, not the program's).
    std::chrono::milliseconds OwnDelaysBetween(std::chrono::milliseconds from, std::chrono::milliseconds to) const;
    // The disk number the target's session has now.
    std::optional<std::int32_t> DiskOf(const std::wstring& targetName) const;

private:
    disksim::DiskpartVersion DiskpartOfThisWindows();
    ProcessRun RunCmd(const std::wstring& commandLine, bool keepOutput);
    std::optional<std::int32_t> AttachLun(const std::string& target, std::uint64_t bytes,
                                          const std::shared_ptr<LunSession>& lun);

    ClockPort& clock_;
    WindowsSetup setup_;
    test::SimulatedPc pc_;
    std::unique_ptr<disksim::SimulatedDiskStack> disks_;
    SimulatedInitiator initiator_;
    SimWmiPort wmiPort_;
    test::RecordingTrace trace_;
    WmiConnections wmi_;
    SimScriptFiles scriptFiles_;
    test::RoutedProcessPort processes_;
    class NoRedirection;
    std::unique_ptr<Wow64RedirectionPort> redirection_;
    struct RecordedTimeouts final : RunTimeoutNotice {
        std::vector<std::wstring> texts;
        void ShowRunTimeout(const std::wstring& text) override { texts.push_back(text); }
    } timeouts_;
    ConsoleCommandRunner runner_;
    std::map<std::string, std::string> lunImages_;  // target -> its image, kept across logins
    std::map<std::string, bool> firstLoginOffline_;  // preloaded LUNs not attached yet
    std::vector<DiskpartRunRecord> diskpartRuns_;
};

}  // namespace norvale::sim
