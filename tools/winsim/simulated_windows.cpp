#include "tools/winsim/simulated_windows.h"

#include <cwctype>

#include "disk/core/inventory/volume_names.h"
#include "disk/core/scripts/disk_version_sets.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/utf8.h"
#include "platform/core/version/windows_version_reader.h"
#include "tests/fakes/virtual_clock.h"
#include "tools/disksim/diskpart.h"

namespace norvale::sim {

class SimulatedWindows::NoRedirection final : public Wow64RedirectionPort {
public:
    RedirectionResult Disable() override { return RedirectionResult::Done; }
    RedirectionResult Enable(bool) override { return RedirectionResult::Done; }
};

namespace {

constexpr wchar_t kDiskpartPrefix[] = L"cmd.exe /c diskpart /s ";

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

// diskpart prints 8-bit text; the runner hands it on as wide text.
std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (const char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

}  // namespace

WindowsSetup WindowsSetup::For(test::FakeVersionSource version, std::string workDir,
                               std::vector<ApplianceConfig> appliances) {
    WindowsSetup setup;
    setup.workDir = std::move(workDir);
    setup.appliances = std::move(appliances);
    setup.version = std::move(version);
    setup.wow64 = IsWow64(setup.version);
    if (const auto info = ReadWindowsVersion(setup.version)) {
        setup.newDisksOffline = InServerEditionSet(*info);
        setup.autoMount = !InAssignSet(*info);
        setup.initiator.statisticsNames = StatisticsNamesFor(*info, setup.wow64);
        if (info->majorVersion >= 10) setup.reservedSize = disksim::ReservedSize::SixteenMiB;
    }
    return setup;
}

namespace {

InitiatorOptions WithDiskArrival(InitiatorOptions options, std::chrono::milliseconds arrival) {
    options.diskArrival = arrival;
    return options;
}

}  // namespace

SimulatedWindows::SimulatedWindows(ClockPort& clock, WindowsSetup setup)
    : clock_(clock),
      setup_(std::move(setup)),
      pc_(setup_.pc),
      disks_(std::make_unique<disksim::SimulatedDiskStack>(
          setup_.workDir, clock, pc_,
          disksim::StackOptions{setup_.systemDiskBytes, setup_.autoMount, setup_.letterDelay, L"NORVALE-PC",
                                setup_.reservedPartitionDelay, setup_.volumeDelay, test::sim_cost::kDiskRequest,
                                setup_.reservedSize})),
      initiator_(setup_.appliances, clock, WithDiskArrival(setup_.initiator, setup_.diskArrival)),
      wmiPort_(initiator_),
      wmi_(WmiEnvironment{wmiPort_, setup_.version, trace_}),
      redirection_(std::make_unique<NoRedirection>()),
      runner_(processes_, *redirection_, setup_.wow64, clock_, &timeouts_) {
    initiator_.SetLunAttachHook(
        [this](const std::string& target, std::uint64_t bytes, const std::shared_ptr<LunSession>& lun) {
            return AttachLun(target, bytes, lun);
        });
    initiator_.SetTargetNetwork(setup_.targets);
    initiator_.SetLunDetachHook([this](const std::string&, std::int32_t disk) {
        if (disk > 0) disks_->Detach(static_cast<std::uint32_t>(disk));
    });
    initiator_.SetDiskVolumesHook([this](std::int32_t disk) {
        std::vector<std::string> roots;
        for (const auto& volume : disks_->Volumes()) {
            if (volume.disk && static_cast<std::int32_t>(*volume.disk) == disk && volume.letter != 0) {
                roots.push_back(std::string{static_cast<char>(volume.letter), ':', '\\'});
            }
        }
        return roots;
    });
    processes_.Route(L"iscsicli", IscsicliRoute(initiator_), RedactIscsicliCommand);
    processes_.TakeTime(clock_);
    pc_.clock = &clock_;
    processes_.Route(L"cmd", [this](const std::wstring& line, bool keep) { return RunCmd(line, keep); });
}

SimulatedWindows::~SimulatedWindows() = default;

void SimulatedWindows::PreloadLun(const std::string& targetName, const std::string& imagePath, bool offline) {
    lunImages_[targetName] = imagePath;
    firstLoginOffline_[targetName] = offline || setup_.newDisksOffline;
}

std::optional<std::int32_t> SimulatedWindows::AttachLun(const std::string& target, std::uint64_t bytes,
                                                       const std::shared_ptr<LunSession>& lun) {
    disksim::DiskSpec wanted = disksim::DiskSpec::Sized(static_cast<std::int64_t>(bytes));
    // The LUN keeps its data from one login to the next: on the target, or
    // in its image.
    if (lun) {
        wanted = disksim::DiskSpec::Over(lun);
        if (setup_.newDisksOffline) wanted.OfflineAndReadOnly();
    } else if (const auto known = lunImages_.find(target); known != lunImages_.end()) {
        wanted = disksim::DiskSpec::Image(known->second);
        if (const auto first = firstLoginOffline_.find(target); first != firstLoginOffline_.end()) {
            if (first->second) wanted.OfflineAndReadOnly();
            firstLoginOffline_.erase(first);
        }
    } else if (setup_.newDisksOffline) {
        wanted.OfflineAndReadOnly();
    }
    if (!lun) wanted.sectorBytes = setup_.lunSectorBytes;
    const auto number = disks_->Attach(wanted);
    if (!number) return std::nullopt;
    if (const auto facts = disks_->Disk(*number); facts && !lun) lunImages_[target] = facts->imagePath;
    return static_cast<std::int32_t>(*number);
}

disksim::DiskpartVersion SimulatedWindows::DiskpartOfThisWindows() {
    const auto version = ReadWindowsVersion(setup_.version);
    if (!version) return {};
    return {static_cast<int>(version->majorVersion), static_cast<int>(version->minorVersion)};
}

ProcessRun SimulatedWindows::RunCmd(const std::wstring& commandLine, bool keepOutput) {
    const std::wstring prefix = kDiskpartPrefix;
    if (Lower(commandLine.substr(0, prefix.size())) != prefix) {
        // cmd.exe's answer to a program it cannot find.
        return ProcessRun{true, keepOutput ? L"The system cannot find the path specified.\r\n" : L"", 1u};
    }
    DiskpartRunRecord record;
    record.scriptPath = commandLine.substr(prefix.size());
    const SimScriptFiles::ScriptOpen opened = scriptFiles_.OpenAsDiskpart(record.scriptPath);
    if (opened.error == win32_error::kSuccess) record.script = opened.bytes;
    if (const auto entry = scriptFiles_.Entry(record.scriptPath)) {
        record.scriptProtected = entry->adminOnly && entry->holds > 0;
    }
    if (opened.error == win32_error::kSharingViolation) {
        record.output = "\r\nMicrosoft DiskPart version 6.1.7601\r\n\r\nThe process cannot access the file because "
                        "it is being used by another process.\r\n";
        record.exitCode = 2;
    } else if (record.script) {
        const disksim::DiskpartRun run = disksim::RunDiskpartScript(*disks_, *record.script, DiskpartOfThisWindows());
        record.output = run.output;
        record.exitCode = run.exitCode;
    } else {
        record.output = "\r\nMicrosoft DiskPart version 6.1.7601\r\n\r\nThe system cannot find the file specified.\r\n";
        record.exitCode = 2;
    }
    diskpartRuns_.push_back(record);
    return ProcessRun{true, keepOutput ? Widen(record.output) : std::wstring(),
                      static_cast<std::uint32_t>(record.exitCode)};
}

std::optional<std::int32_t> SimulatedWindows::Connect(const std::wstring& portalAddress,
                                                      const std::wstring& targetName) {
    wmi_.For(WmiSite::Connect).AddSendTargetPortal(portalAddress);
    const CommandLine login = LoginTargetCommand(targetName, Utf8ToWide(setup_.initiator.initiatorInstance));
    if (!login.Built() || !runner_.RunConsoleCommand(login.text)) return std::nullopt;
    // Behind the dialog's back, and then Windows settles: the disk comes,
    // its volumes and their letters after it.
    test::SpendTime(clock_, setup_.diskArrival + setup_.volumeDelay + setup_.letterDelay);
    return DiskOf(targetName);
}

std::chrono::milliseconds SimulatedWindows::OwnDelaysBetween(std::chrono::milliseconds from,
                                                             std::chrono::milliseconds to) const {
    std::vector<test::EventSpan> spans = disks_->EventSpans();
    spans.insert(spans.end(), initiator_.EventSpans().begin(), initiator_.EventSpans().end());
    return test::CoveredBetween(std::move(spans), from, to);
}

bool SimulatedWindows::Disconnect(const std::wstring& targetName) {
    bool any = false;
    const std::vector<SimSession> sessions = initiator_.Sessions();
    for (const SimSession& session : sessions) {
        if (!SameName(Utf8ToWide(session.targetName), targetName)) continue;
        const CommandLine logout = LogoutTargetCommand(Utf8ToWide(session.id));
        if (logout.Built() && runner_.RunConsoleCommand(logout.text)) any = true;
    }
    return any;
}

std::optional<std::int32_t> SimulatedWindows::DiskOf(const std::wstring& targetName) const {
    for (const SimSession& session : initiator_.Sessions()) {
        if (SameName(Utf8ToWide(session.targetName), targetName) && session.deviceNumber) return session.deviceNumber;
    }
    return std::nullopt;
}

}  // namespace norvale::sim
