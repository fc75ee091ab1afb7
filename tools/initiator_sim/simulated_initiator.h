// A simulation of the Microsoft iSCSI initiator as the product meets it: the
// iscsicli lines it runs, the WMI classes it reads and the one it writes, the
// MSiSCSI service and its registry entry. The targets come from the same
// appliance configuration the simulated appliances (norvale-sim) read: adding
// a send-target portal makes the targets of the appliance at that address
// known. Logins are checked as a target would (CHAP user and secret, case-
// sensitive), sessions get ids and disk numbers, and faults can be switched on.
//
// Texts are UTF-8. Time passes through ClockPort, so a service start takes
// virtual time in unit tests. Not thread-safe: one caller at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/clock_port.h"
#include "platform/core/version/windows_version_info.h"
#include "tests/fakes/virtual_clock.h"
#include "tools/initiator_sim/iscsicli_line.h"
#include "tools/initiator_sim/sim_object.h"
#include "tools/initiator_sim/target_portal.h"
#include "tools/simulator/appliance_config.h"

namespace norvale::sim {

enum class SimServiceState { Stopped, StartPending, Running };
// How the service manager starts MSiSCSI; Windows installs it as Manual.
enum class SimStartType { Automatic, Manual, Disabled };

// How MSiSCSI_ConnectionStatistics names its instances: the bare target
// name, or the target name with "_" and a connection number behind it (the
// Windows versions on which the product matches the statistics by prefix).
enum class StatisticsNames { Bare, Suffixed };

struct InitiatorOptions {
    // The initiator's instance name: what MSiSCSIInitiator_InitiatorClass
    // reports as InitiatorName and the login lines name.
    std::string initiatorInstance = "ROOT\\ISCSIPRT\\0000_0";
    std::string nodeName = "iqn.1991-05.com.microsoft:norvale-pc";
    bool installed = true;  // service, registry entry, WMI classes and iscsicli exist
    SimServiceState service = SimServiceState::Running;
    SimStartType startType = SimStartType::Manual;
    std::chrono::milliseconds startDelay{400};  // from a start to running
    // A login's disk shows up on its session this long after the login.
    std::chrono::milliseconds diskArrival{0};
    StatisticsNames statisticsNames = StatisticsNames::Bare;
};

// Misbehaviour, switched on and off while the simulation runs.
struct InitiatorFaults {
    bool wmiUnreachable = false;       // connecting to the namespace fails
    bool wmiHangs = false;             // queries deliver nothing and stores do not end in time
    bool wmiConnectHangs = false;      // connecting to the namespace does not end in time
    bool serviceNeverRuns = false;     // a started service stays start-pending
    bool serviceStartRefused = false;  // the service manager refuses the start
    bool noInitiatorInstance = false;  // MSiSCSIInitiator_InitiatorClass has no instance
    bool inactiveStatistics = false;   // Active reads FALSE
    std::set<std::string> loginTimeouts;       // lower-case target names ("*": all): no session
    std::set<std::string> unreachablePortals;  // portal addresses that do not answer
    std::set<std::string> failedReads;         // lower-case property names whose reads fail
};

struct SimSession {
    std::string id;            // as SessionId reports it and logouttarget takes it
    std::string connectionId;
    std::string targetName;
    Portal portal;
    std::optional<std::int32_t> deviceNumber;  // the LUN's disk, when one showed up
    std::chrono::milliseconds deviceDue{0};    // listed on the session from then on
    std::uint64_t lunBytes = 0;
    std::shared_ptr<LunSession> lun;  // the LUN of a real target's session
    std::shared_ptr<void> connection;  // a real target's session, held until the logout
    std::string statisticsInstance;
    bool chap = false;
};

struct SimPersistentLogin {
    std::string targetName;
    std::string initiatorInstance;
    bool chap = false;
    std::string chapUser;  // the secret is not kept
};

struct LoggedCommand {
    std::string line;  // with the CHAP password hidden
    bool accepted = false;  // parsed as a catalogue line
    std::uint32_t exitCode = 0;
};

struct IscsicliRun {
    std::uint32_t exitCode = 0;
    std::string output;
};

struct WmiAnswer {
    std::int32_t code = 0;  // HRESULT
    std::vector<SimObject> objects;
};

// Error codes the simulation answers with (its own choice where Windows'
// exact value does not matter to the product).
namespace iscsi_error {
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kRpcUnavailable = 1722;
inline constexpr std::uint32_t kConnectionFailed = 0xEFFF0003;
inline constexpr std::uint32_t kTargetNotFound = 0xEFFF0004;
inline constexpr std::uint32_t kAuthenticationFailure = 0xEFFF0009;
inline constexpr std::uint32_t kInvalidSessionId = 0xEFFF0008;
inline constexpr std::uint32_t kPortalNotFound = 0xEFFF000E;
inline constexpr std::uint32_t kInvalidChapSecret = 0xEFFF0012;
inline constexpr std::uint32_t kInitiatorNotFound = 0xEFFF0015;
inline constexpr std::uint32_t kPersistentLoginNotFound = 0xEFFF0030;
inline constexpr std::uint32_t kDeviceNotFound = 0xEFFF0031;
inline constexpr std::uint32_t kAlreadyLoggedIn = 0xEFFF003F;
}  // namespace iscsi_error

namespace wbem_error {
inline constexpr std::int32_t kFailed = static_cast<std::int32_t>(0x80041001u);
inline constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x80041002u);
inline constexpr std::int32_t kInvalidParameter = static_cast<std::int32_t>(0x80041008u);
inline constexpr std::int32_t kInvalidNamespace = static_cast<std::int32_t>(0x8004100Eu);
inline constexpr std::int32_t kInvalidClass = static_cast<std::int32_t>(0x80041010u);
inline constexpr std::int32_t kInvalidQuery = static_cast<std::int32_t>(0x80041017u);
inline constexpr std::int32_t kNotSupported = static_cast<std::int32_t>(0x8004100Cu);
inline constexpr std::int32_t kRpcUnavailable = static_cast<std::int32_t>(0x800706BAu);
inline constexpr std::int32_t kTimedOut = static_cast<std::int32_t>(0x80041069u);
}  // namespace wbem_error

// Where the disk side plugs in. A LUN of `target` with `bytes` appeared (with
// `lun` its bytes, when a real target serves it): its disk number, or nullopt
// when no disk shows up.
using LunAttachHook = std::function<std::optional<std::int32_t>(const std::string& target, std::uint64_t bytes,
                                                                const std::shared_ptr<LunSession>& lun)>;
// The session of `target` ended; its disk `deviceNumber` goes away.
using LunDetachHook = std::function<void(const std::string& target, std::int32_t deviceNumber)>;
// The drive roots ("E:\") of the volumes on a disk.
using DiskVolumesHook = std::function<std::vector<std::string>(std::int32_t deviceNumber)>;

class SimulatedInitiator {
public:
    SimulatedInitiator(std::vector<ApplianceConfig> appliances, ClockPort& clock,
                       InitiatorOptions options = {});

    // --- iscsicli: the whole command line, program name first.
    IscsicliRun RunIscsicli(std::string_view commandLine);

    // --- the WMI provider (namespace root\wmi).
    std::int32_t ConnectNamespace(std::string_view namespacePath) const;
    WmiAnswer Query(std::string_view wql) const;
    // GetObject of a class definition.
    std::int32_t GetClass(std::string_view className) const;
    // PutInstance of a spawned instance; only send-target portals can be stored.
    std::int32_t PutInstance(const SimObject& instance);

    // --- the MSiSCSI service.
    bool Installed() const { return options_.installed; }
    void SetInstalled(bool installed) { options_.installed = installed; }
    SimServiceState ServiceState() const;
    // A start through the service manager: false when refused, disabled
    // (ERROR_SERVICE_DISABLED) or not stopped.
    bool StartService();
    SimStartType StartType() const { return options_.startType; }
    // ChangeServiceConfig of the start type; every change is recorded.
    void SetStartType(SimStartType type);
    const std::vector<SimStartType>& StartTypeChanges() const { return startTypeChanges_; }
    // A start carried out by a real service program (the Windows stand-in):
    // the state goes start-pending and the answer says how long the program
    // should take (nullopt: forever); it reports running through SetServiceState.
    std::optional<std::chrono::milliseconds> BeginServiceStart();
    void SetServiceState(SimServiceState state);
    static constexpr const char* kServiceName = "MSiSCSI";
    static constexpr const char* kServiceDisplayName = "Microsoft iSCSI Initiator Service";
    static constexpr const char* kServicesKey = "SYSTEM\\ControlSet001\\Services";

    // --- configuration and hooks.
    std::vector<ApplianceConfig>& Appliances() { return appliances_; }
    InitiatorFaults& Faults() { return faults_; }
    const InitiatorOptions& Options() const { return options_; }
    void SetStatisticsNames(StatisticsNames names) { options_.statisticsNames = names; }
    void SetLunAttachHook(LunAttachHook hook) { attach_ = std::move(hook); }
    // A real target answers discoveries and logins from now on (null: the
    // configuration does): it checks CHAP itself, its LUNs give the sizes.
    // The initiator still decodes 0x secrets and refuses secrets outside
    // 12-16 bytes, as iscsicli does. Not owned.
    void SetTargetNetwork(TargetNetwork* network) { network_ = network; }
    void SetLunDetachHook(LunDetachHook hook) { detach_ = std::move(hook); }
    void SetDiskVolumesHook(DiskVolumesHook hook) { volumes_ = std::move(hook); }

    // --- what happened, for tests.
    const std::vector<Portal>& SendTargetPortals() const { return sendTargetPortals_; }
    std::vector<std::string> KnownTargets() const;
    const std::vector<SimSession>& Sessions() const { return sessions_; }
    const std::vector<SimPersistentLogin>& PersistentLogins() const { return persistentLogins_; }
    const std::vector<std::string>& PersistentDevices() const { return persistentDevices_; }
    const std::vector<LoggedCommand>& CommandLog() const { return log_; }
    // When the sessions' disks were due, from when.
    const std::vector<test::EventSpan>& EventSpans() const { return spans_; }

    // Forgets portals, targets, sessions, persistent settings, the log and
    // the faults; the appliances, options and service state stay.
    void Reset();

private:
    struct KnownTarget {
        std::string name;  // the iSCSI name, lower case
        std::vector<std::vector<Portal>> groups;
        TargetConfig config;
        std::vector<std::string> sources;  // send-target portal addresses
    };

    IscsicliRun Execute(const IscsicliCommand& command);
    IscsicliRun Login(const IscsicliCommand& command);
    IscsicliRun PersistentLogin(const IscsicliCommand& command);
    IscsicliRun Logout(const IscsicliCommand& command);
    IscsicliRun RemovePersistentTarget(const IscsicliCommand& command);
    IscsicliRun RemoveTargetPortal(const IscsicliCommand& command);
    IscsicliRun ListTargets();
    IscsicliRun BindPersistentVolumes();

    bool ServiceRunning() const { return ServiceState() == SimServiceState::Running; }
    // The targets of the appliances at `address`; false when it does not answer.
    bool Discover(const std::string& address, std::vector<KnownTarget>& found) const;
    bool DiscoverAtTarget(const std::string& address, std::vector<KnownTarget>& found) const;
    void RebuildTargets();
    const KnownTarget* FindTarget(std::string_view name) const;
    std::optional<IscsicliRun> CheckInitiatorName(const std::string& name) const;
    std::optional<IscsicliRun> CheckCredentials(const KnownTarget& target,
                                                const IscsicliCommand& command) const;
    std::int32_t NextFreeDisk() const;

    std::vector<SimObject> Instances(const std::string& className) const;
    SimObject TargetObject(const KnownTarget& target) const;
    SimObject SessionObject(const SimSession& session) const;
    void StripFailedReads(SimObject& object) const;

    std::vector<ApplianceConfig> appliances_;
    ClockPort& clock_;
    InitiatorOptions options_;
    InitiatorFaults faults_;
    LunAttachHook attach_;
    LunDetachHook detach_;
    DiskVolumesHook volumes_;
    TargetNetwork* network_ = nullptr;

    SimServiceState service_;
    std::vector<SimStartType> startTypeChanges_;
    std::chrono::milliseconds startRequestedAt_{0};
    bool externalStart_ = false;

    std::vector<Portal> sendTargetPortals_;
    std::vector<KnownTarget> targets_;
    std::vector<SimSession> sessions_;
    std::vector<SimPersistentLogin> persistentLogins_;
    std::vector<std::string> persistentDevices_;
    std::vector<LoggedCommand> log_;
    std::vector<test::EventSpan> spans_;
    std::uint32_t sessionsMade_ = 0;
};

// The name an appliance's target has on the wire: iSCSI names are lower case
// and carry no "_" (the appliance lists "-" as "_").
std::string IscsiNameOf(const std::string& configuredName);

// The statistics naming of a Windows version: suffixed from 6.1 on for a
// workstation with Service Pack 1, an Enterprise server under WOW64, or any
// server edition under WOW64 with Service Pack 1; bare elsewhere.
StatisticsNames StatisticsNamesFor(const WindowsVersionInfo& version, bool wow64);

}  // namespace norvale::sim
