#include "tools/initiator_sim/simulated_initiator.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/core/version/windows_version_editions.h"
#include "tests/fakes/virtual_clock.h"
#include "tools/initiator_sim/wql_select.h"

namespace norvale::sim {
namespace {

constexpr char kBanner[] = "Microsoft iSCSI Initiator Version 6.1 Build 7601\n\n";
constexpr char kDone[] = "The operation completed successfully. \n";
constexpr char kAdapterId[] = "fffffa8003c41018";
constexpr std::uint64_t kFirstSessionCounter = 0x4000013700000001ull;

constexpr char kInitiatorClass[] = "MSiSCSIInitiator_InitiatorClass";
constexpr char kTargetClass[] = "MSiSCSIInitiator_TargetClass";
constexpr char kSessionClass[] = "MSiSCSIInitiator_SessionClass";
constexpr char kStatisticsClass[] = "MSiSCSI_ConnectionStatistics";
constexpr char kPersistentLoginClass[] = "MSiSCSIInitiator_PersistentLoginClass";
constexpr char kSendTargetPortalClass[] = "MSiSCSIInitiator_SendTargetPortalClass";

// Every property each class has, so that a WHERE naming another one is an
// invalid query, as for the real provider.
struct ClassSchema {
    const char* className;
    std::vector<const char*> properties;
};

const std::vector<ClassSchema>& Schemas() {
    static const std::vector<ClassSchema> schemas = {
        {kInitiatorClass, {"InitiatorName"}},
        {kTargetClass, {"TargetName", "DiscoveryMechanism", "InitiatorName", "TargetFlags", "PortalGroups"}},
        {kSessionClass,
         {"SessionId", "TargetName", "InitiatorName", "TargetNodeName", "ConnectionCount",
          "ConnectionInformation", "Devices"}},
        {kStatisticsClass, {"InstanceName", "Active"}},
        {kPersistentLoginClass, {"TargetName", "InitiatorInstance", "InitiatorPortNumber", "IsInformationalSession"}},
        {kSendTargetPortalClass, {"PortalAddress", "PortalPort", "InitiatorName"}},
    };
    return schemas;
}

const ClassSchema* FindSchema(std::string_view className) {
    for (const ClassSchema& schema : Schemas()) {
        if (SameIgnoringCase(schema.className, className)) return &schema;
    }
    return nullptr;
}

std::string Hex16(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

IscsicliRun Done(std::string output = {}) { return {0, kBanner + output + kDone}; }

IscsicliRun Error(std::uint32_t code, const std::string& text) { return {code, std::string(kBanner) + text + "\n"}; }

std::string SessionIdKey(std::string_view id) {
    std::string key;
    std::size_t start = 0;
    while (start <= id.size()) {
        std::size_t end = id.find('-', start);
        if (end == std::string_view::npos) end = id.size();
        std::string_view part = id.substr(start, end - start);
        if (part.size() > 2 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) part.remove_prefix(2);
        if (!key.empty() || start > 0) key += '-';
        key += Lower(part);
        start = end + 1;
    }
    return key;
}

bool Matches(const std::set<std::string>& names, const std::string& name) {
    return names.count("*") != 0 || names.count(Lower(name)) != 0;
}

}  // namespace

std::string IscsiNameOf(const std::string& configuredName) {
    std::string name = Lower(configuredName);
    std::replace(name.begin(), name.end(), '_', '-');
    return name;
}

StatisticsNames StatisticsNamesFor(const WindowsVersionInfo& version, bool wow64) {
    if (!IsVersion61OrLater(version)) return StatisticsNames::Bare;
    // Taken as suffixed from 6.2 on (no service-pack text to go by): the
    // stricter of the two namings for whoever reads them.
    if (version.majorVersion > 6 || version.minorVersion >= 2) return StatisticsNames::Suffixed;
    const bool sp1 = version.servicePackText == L"Service Pack 1";
    if (IsVersion61OrLaterWorkstation(version) && sp1) return StatisticsNames::Suffixed;
    if (wow64 && IsVersion61OrLaterEnterprise(version)) return StatisticsNames::Suffixed;
    const bool server = IsVersion61OrLaterMemberServer(version) || IsVersion61OrLaterEnterprise(version) ||
                        IsVersion61OrLaterWebEdition(version) || IsVersion61OrLaterDatacenter(version) ||
                        IsVersion61OrLaterStandard(version);
    return wow64 && sp1 && server ? StatisticsNames::Suffixed : StatisticsNames::Bare;
}

SimulatedInitiator::SimulatedInitiator(std::vector<ApplianceConfig> appliances, ClockPort& clock,
                                       InitiatorOptions options)
    : appliances_(std::move(appliances)), clock_(clock), options_(std::move(options)),
      service_(options_.service) {}

void SimulatedInitiator::Reset() {
    faults_ = InitiatorFaults();
    sendTargetPortals_.clear();
    targets_.clear();
    sessions_.clear();
    persistentLogins_.clear();
    persistentDevices_.clear();
    log_.clear();
    sessionsMade_ = 0;
}

// --- the service ------------------------------------------------------------

SimServiceState SimulatedInitiator::ServiceState() const {
    if (service_ != SimServiceState::StartPending || externalStart_ || faults_.serviceNeverRuns) return service_;
    return clock_.Now() - startRequestedAt_ >= options_.startDelay ? SimServiceState::Running
                                                                    : SimServiceState::StartPending;
}

bool SimulatedInitiator::StartService() {
    if (!options_.installed || faults_.serviceStartRefused || options_.startType == SimStartType::Disabled ||
        ServiceState() != SimServiceState::Stopped)
        return false;
    test::SpendTime(clock_, test::sim_cost::kServiceStart);
    service_ = SimServiceState::StartPending;
    startRequestedAt_ = clock_.Now();
    externalStart_ = false;
    return true;
}

void SimulatedInitiator::SetStartType(SimStartType type) {
    options_.startType = type;
    startTypeChanges_.push_back(type);
}

std::optional<std::chrono::milliseconds> SimulatedInitiator::BeginServiceStart() {
    service_ = SimServiceState::StartPending;
    externalStart_ = true;
    if (faults_.serviceNeverRuns) return std::nullopt;
    return options_.startDelay;
}

void SimulatedInitiator::SetServiceState(SimServiceState state) {
    service_ = state;
    externalStart_ = state == SimServiceState::StartPending;
}

// --- iscsicli ---------------------------------------------------------------

IscsicliRun SimulatedInitiator::RunIscsicli(std::string_view commandLine) {
    const IscsicliParse parse = ParseIscsicliLine(commandLine);
    IscsicliRun run;
    if (parse.unknownVerb) {
        run = Error(iscsi_error::kInvalidParameter,
                    "The command is not one this initiator knows.\nThe parameter is incorrect.");
    } else if (!parse.command) {
        run = Error(iscsi_error::kInvalidParameter, "Usage: " + parse.usage + "\nThe parameter is incorrect.");
    } else if (!ServiceRunning()) {
        run = Error(iscsi_error::kRpcUnavailable, "The RPC server is unavailable.");
    } else {
        run = Execute(*parse.command);
    }
    log_.push_back({RedactIscsicliLine(commandLine), parse.command.has_value(), run.exitCode});
    return run;
}

IscsicliRun SimulatedInitiator::Execute(const IscsicliCommand& command) {
    switch (command.verb) {
    case IscsicliVerb::LoginTarget: return Login(command);
    case IscsicliVerb::PersistentLoginTarget: return PersistentLogin(command);
    case IscsicliVerb::BindPersistentVolumes: return BindPersistentVolumes();
    case IscsicliVerb::LogoutTarget: return Logout(command);
    case IscsicliVerb::RemovePersistentTarget: return RemovePersistentTarget(command);
    case IscsicliVerb::RemovePersistentDevice: {
        const auto found = std::find(persistentDevices_.begin(), persistentDevices_.end(), command.driveRoot);
        if (found == persistentDevices_.end())
            return Error(iscsi_error::kDeviceNotFound, "The specified persistent device was not found.");
        persistentDevices_.erase(found);
        return Done();
    }
    case IscsicliVerb::AddPersistentDevice: {
        // Only a volume on a disk of a session can be re-mounted at start-up;
        // without a disk simulation every volume counts as one.
        if (volumes_) {
            const bool onSessionDisk = std::any_of(sessions_.begin(), sessions_.end(), [&](const SimSession& s) {
                if (!s.deviceNumber) return false;
                // The path names a volume by its letter, with or without the
                // backslash; the list keeps the text as given.
                const std::vector<std::string> roots = volumes_(*s.deviceNumber);
                return std::any_of(roots.begin(), roots.end(), [&](const std::string& root) {
                    return !root.empty() && SameIgnoringCase(root.substr(0, 1), command.driveRoot.substr(0, 1));
                });
            });
            if (!onSessionDisk) return Error(iscsi_error::kDeviceNotFound, "The volume is not on an iSCSI disk.");
        }
        if (std::find(persistentDevices_.begin(), persistentDevices_.end(), command.driveRoot) ==
            persistentDevices_.end())
            persistentDevices_.push_back(command.driveRoot);
        return Done();
    }
    case IscsicliVerb::ClearPersistentDevices:
        persistentDevices_.clear();
        return Done();
    case IscsicliVerb::RemoveTargetPortal: return RemoveTargetPortal(command);
    case IscsicliVerb::ListTargets: return ListTargets();
    }
    return Error(iscsi_error::kInvalidParameter, "The parameter is incorrect.");
}

std::optional<IscsicliRun> SimulatedInitiator::CheckInitiatorName(const std::string& name) const {
    if (faults_.noInitiatorInstance || (name != "*" && !SameIgnoringCase(name, options_.initiatorInstance)))
        return Error(iscsi_error::kInitiatorNotFound, "The initiator name is not valid.");
    return std::nullopt;
}

std::optional<IscsicliRun> SimulatedInitiator::CheckCredentials(const KnownTarget& target,
                                                                const IscsicliCommand& command) const {
    // The initiator takes CHAP secrets of 12 to 16 bytes only.
    if (command.chap && (command.chapSecret.size() < 12 || command.chapSecret.size() > 16))
        return Error(iscsi_error::kInvalidChapSecret, "The CHAP secret given does not conform to the standard.");
    if (network_ != nullptr || !target.config.chap) return std::nullopt;  // a real target checks for itself
    if (!command.chap || command.chapUser != target.config.user || command.chapSecret != target.config.password)
        return Error(iscsi_error::kAuthenticationFailure, "Authentication Failure.");
    return std::nullopt;
}

IscsicliRun SimulatedInitiator::Login(const IscsicliCommand& command) {
    const KnownTarget* target = FindTarget(command.targetName);
    if (target == nullptr)
        return Error(iscsi_error::kTargetNotFound, "The target name is not found or is marked as hidden from login.");
    if (auto refused = CheckInitiatorName(command.initiatorName)) return *refused;
    if (auto refused = CheckCredentials(*target, command)) return *refused;
    for (const SimSession& session : sessions_) {
        if (session.targetName == target->name)
            return Error(iscsi_error::kAlreadyLoggedIn, "The target has already been logged in via an iSCSI session.");
    }

    const Portal* reachable = nullptr;
    for (const std::vector<Portal>& group : target->groups) {
        for (const Portal& portal : group) {
            if (reachable == nullptr && faults_.unreachablePortals.count(portal.address) == 0) reachable = &portal;
        }
    }
    if (reachable == nullptr || Matches(faults_.loginTimeouts, target->name))
        return Error(iscsi_error::kConnectionFailed, "Connection Failed.");
    std::shared_ptr<LunSession> lun;
    std::shared_ptr<void> connection;
    if (network_ != nullptr) {
        const TargetLogin login = network_->LogIn(
            *reachable, target->name, command.chap ? std::optional(command.chapUser) : std::nullopt, command.chapSecret);
        switch (login.outcome) {
        case TargetLogin::Outcome::LoggedIn:
            lun = login.lun;
            connection = login.session;
            break;
        case TargetLogin::Outcome::AuthenticationFailed:
            return Error(iscsi_error::kAuthenticationFailure, "Authentication Failure.");
        case TargetLogin::Outcome::NoSuchTarget:
            return Error(iscsi_error::kTargetNotFound,
                         "The target name is not found or is marked as hidden from login.");
        case TargetLogin::Outcome::ConnectionFailed: return Error(iscsi_error::kConnectionFailed, "Connection Failed.");
        }
    }

    SimSession session;
    const std::uint64_t counter = kFirstSessionCounter + sessionsMade_++;
    session.id = std::string(kAdapterId) + "-" + Hex16(counter);
    session.connectionId = std::string(kAdapterId) + "-" + Hex16(sessionsMade_);
    session.targetName = target->name;
    session.portal = *reachable;
    session.chap = command.chap;
    session.lunBytes = network_ != nullptr ? (lun ? static_cast<std::uint64_t>(lun->Size()) : 0) : target->config.lunBytes;
    session.lun = lun;
    session.connection = connection;
    if (session.lunBytes > 0) {
        session.deviceNumber = attach_ ? attach_(target->name, session.lunBytes, lun) : std::optional(NextFreeDisk());
        session.deviceDue = clock_.Now() + options_.diskArrival;
        spans_.emplace_back(clock_.Now(), session.deviceDue);
    }
    session.statisticsInstance = options_.statisticsNames == StatisticsNames::Suffixed
                                     ? target->name + "_" + std::to_string(sessionsMade_ - 1)
                                     : target->name;
    sessions_.push_back(session);
    return Done("Session Id is 0x" + std::string(kAdapterId) + "-0x" + Hex16(counter) + "\nConnection Id is 0x" +
                std::string(kAdapterId) + "-0x" + Hex16(sessionsMade_) + "\n");
}

IscsicliRun SimulatedInitiator::PersistentLogin(const IscsicliCommand& command) {
    const KnownTarget* target = FindTarget(command.targetName);
    if (target == nullptr)
        return Error(iscsi_error::kTargetNotFound, "The target name is not found or is marked as hidden from login.");
    if (auto refused = CheckInitiatorName(command.initiatorName)) return *refused;
    // Credentials are kept for the next start, not tried now; only their
    // form is checked.
    if (command.chap && (command.chapSecret.size() < 12 || command.chapSecret.size() > 16))
        return Error(iscsi_error::kInvalidChapSecret, "The CHAP secret given does not conform to the standard.");
    persistentLogins_.push_back({target->name, options_.initiatorInstance, command.chap, command.chapUser});
    return Done();
}

IscsicliRun SimulatedInitiator::Logout(const IscsicliCommand& command) {
    // Taken as SessionId reports it or as iscsicli prints it ("0x...-0x...").
    const std::string id = SessionIdKey(command.sessionId);
    const auto found = std::find_if(sessions_.begin(), sessions_.end(),
                                    [&](const SimSession& session) { return SessionIdKey(session.id) == id; });
    if (found == sessions_.end()) return Error(iscsi_error::kInvalidSessionId, "The session id is invalid.");
    const SimSession ended = *found;
    sessions_.erase(found);
    if (ended.deviceNumber && detach_) detach_(ended.targetName, *ended.deviceNumber);
    RebuildTargets();
    return Done();
}

IscsicliRun SimulatedInitiator::RemovePersistentTarget(const IscsicliCommand& command) {
    // Logins made with a star for the portal match any portal address.
    const auto before = persistentLogins_.size();
    persistentLogins_.erase(
        std::remove_if(persistentLogins_.begin(), persistentLogins_.end(),
                       [&](const SimPersistentLogin& login) {
                           return SameIgnoringCase(login.targetName, command.targetName) &&
                                  SameIgnoringCase(login.initiatorInstance, command.initiatorName);
                       }),
        persistentLogins_.end());
    if (persistentLogins_.size() == before)
        return Error(iscsi_error::kPersistentLoginNotFound, "The persistent login was not found.");
    return Done();
}

IscsicliRun SimulatedInitiator::RemoveTargetPortal(const IscsicliCommand& command) {
    const auto found = std::find_if(sendTargetPortals_.begin(), sendTargetPortals_.end(),
                                    [&](const Portal& portal) { return portal.address == command.portalAddress; });
    if (found == sendTargetPortals_.end())
        return Error(iscsi_error::kPortalNotFound, "The target portal was not found.");
    sendTargetPortals_.erase(found);
    RebuildTargets();
    return Done();
}

IscsicliRun SimulatedInitiator::ListTargets() {
    RebuildTargets();
    std::string list = "Targets List:\n";
    for (const KnownTarget& target : targets_) list += "    " + target.name + "\n";
    return Done(list);
}

IscsicliRun SimulatedInitiator::BindPersistentVolumes() {
    for (const SimSession& session : sessions_) {
        if (!session.deviceNumber || !volumes_) continue;
        for (const std::string& root : volumes_(*session.deviceNumber)) {
            if (std::find(persistentDevices_.begin(), persistentDevices_.end(), root) == persistentDevices_.end())
                persistentDevices_.push_back(root);
        }
    }
    return Done();
}

// --- targets ----------------------------------------------------------------

bool SimulatedInitiator::Discover(const std::string& address, std::vector<KnownTarget>& found) const {
    if (faults_.unreachablePortals.count(address) != 0) return false;
    if (network_ != nullptr) return DiscoverAtTarget(address, found);
    bool answered = false;
    for (const ApplianceConfig& appliance : appliances_) {
        if (appliance.address != address && appliance.otherAddress != address) continue;
        answered = true;
        std::vector<std::vector<Portal>> groups;
        for (const std::vector<PortalConfig>& group : appliance.EffectivePortalGroups()) {
            std::vector<Portal> portals;
            for (const PortalConfig& portal : group) portals.push_back({portal.address, portal.port});
            groups.push_back(std::move(portals));
        }
        for (const TargetConfig& config : appliance.targets) {
            const std::string name = IscsiNameOf(config.name);
            auto known = std::find_if(found.begin(), found.end(), [&](const KnownTarget& t) { return t.name == name; });
            if (known == found.end()) {
                found.push_back({name, groups, config, {address}});
            } else if (std::find(known->sources.begin(), known->sources.end(), address) == known->sources.end()) {
                known->sources.push_back(address);
            }
        }
    }
    return answered;
}

// SendTargets at a real target: its names; portal groups as configured for
// the appliance at that address, else the address itself.
bool SimulatedInitiator::DiscoverAtTarget(const std::string& address, std::vector<KnownTarget>& found) const {
    const auto names = network_->SendTargets({address, 3260});
    if (!names) return false;
    for (const std::string& name : *names) {
        KnownTarget target{name, {{{address, 3260}}}, TargetConfig{name, false, {}, {}, 0}, {address}};
        for (const ApplianceConfig& appliance : appliances_) {
            if (appliance.address != address && appliance.otherAddress != address) continue;
            target.groups.clear();
            for (const std::vector<PortalConfig>& group : appliance.EffectivePortalGroups()) {
                target.groups.emplace_back();
                for (const PortalConfig& portal : group) target.groups.back().push_back({portal.address, portal.port});
            }
        }
        auto known = std::find_if(found.begin(), found.end(), [&](const KnownTarget& t) { return t.name == name; });
        if (known == found.end()) {
            found.push_back(std::move(target));
        } else if (std::find(known->sources.begin(), known->sources.end(), address) == known->sources.end()) {
            known->sources.push_back(address);
        }
    }
    return true;
}

void SimulatedInitiator::RebuildTargets() {
    std::vector<KnownTarget> found;
    for (const Portal& portal : sendTargetPortals_) Discover(portal.address, found);
    // A target with a session stays known after its portal went.
    for (const KnownTarget& old : targets_) {
        const bool inSession = std::any_of(sessions_.begin(), sessions_.end(),
                                           [&](const SimSession& s) { return s.targetName == old.name; });
        const bool listed = std::any_of(found.begin(), found.end(), [&](const KnownTarget& t) { return t.name == old.name; });
        if (inSession && !listed) found.push_back(old);
    }
    targets_ = std::move(found);
}

const SimulatedInitiator::KnownTarget* SimulatedInitiator::FindTarget(std::string_view name) const {
    for (const KnownTarget& target : targets_) {
        if (SameIgnoringCase(target.name, name)) return &target;
    }
    return nullptr;
}

std::vector<std::string> SimulatedInitiator::KnownTargets() const {
    std::vector<std::string> names;
    for (const KnownTarget& target : targets_) names.push_back(target.name);
    return names;
}

std::int32_t SimulatedInitiator::NextFreeDisk() const {
    // Disk 0 is the system disk.
    std::int32_t number = 1;
    while (std::any_of(sessions_.begin(), sessions_.end(),
                       [&](const SimSession& s) { return s.deviceNumber == number; }))
        ++number;
    return number;
}

// --- WMI --------------------------------------------------------------------

std::int32_t SimulatedInitiator::ConnectNamespace(std::string_view namespacePath) const {
    // A hung provider holds the caller until the adapter's limit.
    if (faults_.wmiConnectHangs) {
        test::SpendTime(clock_, test::sim_cost::kWmiBudget);
        return wbem_error::kTimedOut;
    }
    test::SpendTime(clock_, test::sim_cost::kWmiConnect);
    if (faults_.wmiUnreachable) return wbem_error::kRpcUnavailable;
    // "\\machine\root\wmi", any machine; "root\wmi" alone names the local one.
    const std::string_view suffix = "root\\wmi";
    if (namespacePath.size() < suffix.size() ||
        !SameIgnoringCase(namespacePath.substr(namespacePath.size() - suffix.size()), suffix))
        return wbem_error::kInvalidNamespace;
    const std::string_view head = namespacePath.substr(0, namespacePath.size() - suffix.size());
    if (!head.empty()) {
        if (head.size() < 4 || head.substr(0, 2) != "\\\\" || head.back() != '\\' ||
            head.substr(2, head.size() - 3).find('\\') != std::string_view::npos)
            return wbem_error::kInvalidNamespace;
    }
    return 0;
}

std::int32_t SimulatedInitiator::GetClass(std::string_view className) const {
    if (!options_.installed) return wbem_error::kNotFound;
    return FindSchema(className) != nullptr ? 0 : wbem_error::kNotFound;
}

WmiAnswer SimulatedInitiator::Query(std::string_view wql) const {
    test::SpendTime(clock_, test::sim_cost::kWmiQuery);
    const std::optional<WqlSelect> select = ParseWqlSelect(wql);
    if (!select) return {wbem_error::kInvalidQuery, {}};
    const ClassSchema* schema = options_.installed ? FindSchema(select->className) : nullptr;
    if (schema == nullptr) return {wbem_error::kInvalidClass, {}};
    if (!select->whereProperty.empty() &&
        std::none_of(schema->properties.begin(), schema->properties.end(),
                     [&](const char* property) { return SameIgnoringCase(property, select->whereProperty); }))
        return {wbem_error::kInvalidQuery, {}};

    WmiAnswer answer;
    for (SimObject& object : Instances(schema->className)) {
        if (!select->whereProperty.empty()) {
            // WQL compares strings ignoring case.
            const SimValue* value = object.Find(select->whereProperty);
            if (value == nullptr || value->type != SimValue::Type::String ||
                !SameIgnoringCase(value->text, select->whereValue))
                continue;
        }
        StripFailedReads(object);
        answer.objects.push_back(std::move(object));
    }
    return answer;
}

std::vector<SimObject> SimulatedInitiator::Instances(const std::string& className) const {
    std::vector<SimObject> objects;
    // The provider answers through the service: stopped, it knows nothing.
    if (!ServiceRunning()) return objects;
    if (className == kInitiatorClass) {
        if (!faults_.noInitiatorInstance)
            objects.push_back(SimObject{className, {}}.Set("InitiatorName", SimValue::String(options_.initiatorInstance)));
    } else if (className == kTargetClass) {
        for (const KnownTarget& target : targets_) objects.push_back(TargetObject(target));
    } else if (className == kSessionClass) {
        for (const SimSession& session : sessions_) objects.push_back(SessionObject(session));
    } else if (className == kStatisticsClass) {
        for (const SimSession& session : sessions_) {
            objects.push_back(SimObject{className, {}}
                                  .Set("InstanceName", SimValue::String(session.statisticsInstance))
                                  .Set("Active", SimValue::Bool(!faults_.inactiveStatistics)));
        }
    } else if (className == kPersistentLoginClass) {
        for (const SimPersistentLogin& login : persistentLogins_) {
            objects.push_back(SimObject{className, {}}
                                  .Set("TargetName", SimValue::String(login.targetName))
                                  .Set("InitiatorInstance", SimValue::String(login.initiatorInstance))
                                  .Set("InitiatorPortNumber", SimValue::Int32(-1))
                                  .Set("IsInformationalSession", SimValue::Bool(false)));
        }
    } else if (className == kSendTargetPortalClass) {
        for (const Portal& portal : sendTargetPortals_) {
            objects.push_back(SimObject{className, {}}
                                  .Set("PortalAddress", SimValue::String(portal.address))
                                  .Set("PortalPort", SimValue::Int32(portal.port))
                                  .Set("InitiatorName", SimValue::String(options_.initiatorInstance)));
        }
    }
    return objects;
}

SimObject SimulatedInitiator::TargetObject(const KnownTarget& target) const {
    std::vector<SimObject> groups;
    for (std::size_t g = 0; g < target.groups.size(); ++g) {
        std::vector<SimObject> portals;
        for (const Portal& portal : target.groups[g]) {
            portals.push_back(SimObject{"MSiSCSIInitiator_Portal", {}}
                                  .Set("address", SimValue::String(portal.address))
                                  .Set("port", SimValue::Int32(portal.port))
                                  .Set("SymbolicName", SimValue::String("")));
        }
        groups.push_back(SimObject{"MSiSCSIInitiator_PortalGroup", {}}
                             .Set("Index", SimValue::Int32(static_cast<std::int32_t>(g + 1)))
                             .Set("portals", SimValue::Objects(std::move(portals))));
    }
    const std::string source = target.sources.empty() ? std::string() : target.sources.front();
    return SimObject{kTargetClass, {}}
        .Set("TargetName", SimValue::String(target.name))
        .Set("DiscoveryMechanism", SimValue::String("SendTargets:*" + source + " 0003260 " +
                                                    options_.initiatorInstance + " "))
        .Set("InitiatorName", SimValue::String(options_.initiatorInstance))
        .Set("TargetFlags", SimValue::Int32(0))
        .Set("PortalGroups", SimValue::Objects(std::move(groups)));
}

SimObject SimulatedInitiator::SessionObject(const SimSession& session) const {
    std::vector<SimObject> connections{
        SimObject{"MSiSCSIInitiator_ConnectionInformation", {}}
            .Set("ConnectionId", SimValue::String(session.connectionId))
            .Set("InitiatorAddress", SimValue::String("0.0.0.0"))
            .Set("TargetAddress", SimValue::String(session.portal.address))
            .Set("InitiatorPort", SimValue::Int32(49152))
            .Set("TargetPort", SimValue::Int32(session.portal.port))};
    std::vector<SimObject> devices;
    // Windows lists the session's disk once it has come.
    const bool arrived = session.deviceNumber && clock_.Now() >= session.deviceDue;
    if (arrived) {
        devices.push_back(SimObject{"MSiSCSIInitiator_DeviceOnSession", {}}
                              .Set("TargetName", SimValue::String(session.targetName))
                              .Set("DeviceType", SimValue::Int32(7))
                              .Set("deviceNumber", SimValue::Int32(*session.deviceNumber))
                              .Set("partitionNumber", SimValue::Int32(0))
                              .Set("legacyName", SimValue::String("\\\\.\\PhysicalDrive" +
                                                                  std::to_string(*session.deviceNumber))));
    }
    return SimObject{kSessionClass, {}}
        .Set("SessionId", SimValue::String(session.id))
        .Set("TargetName", SimValue::String(session.targetName))
        .Set("InitiatorName", SimValue::String(options_.initiatorInstance))
        .Set("TargetNodeName", SimValue::String(session.targetName))
        .Set("ConnectionCount", SimValue::Int32(1))
        .Set("ConnectionInformation", SimValue::Objects(std::move(connections)))
        .Set("Devices", arrived ? SimValue::Objects(std::move(devices)) : SimValue::Null());
}

void SimulatedInitiator::StripFailedReads(SimObject& object) const {
    if (faults_.failedReads.empty()) return;
    auto& properties = object.properties;
    properties.erase(std::remove_if(properties.begin(), properties.end(),
                                    [&](const SimProperty& p) { return faults_.failedReads.count(Lower(p.name)) != 0; }),
                     properties.end());
    for (SimProperty& property : properties) {
        for (SimObject& embedded : property.value.objects) StripFailedReads(embedded);
    }
}

std::int32_t SimulatedInitiator::PutInstance(const SimObject& instance) {
    if (faults_.wmiHangs) {
        test::SpendTime(clock_, test::sim_cost::kWmiBudget);
        return wbem_error::kTimedOut;
    }
    test::SpendTime(clock_, test::sim_cost::kWmiPut);
    if (!options_.installed) return wbem_error::kInvalidClass;
    if (!SameIgnoringCase(instance.className, kSendTargetPortalClass)) return wbem_error::kNotSupported;
    const SimValue* address = instance.Find("PortalAddress");
    if (address == nullptr || address->type != SimValue::Type::String || address->text.empty())
        return wbem_error::kInvalidParameter;
    if (!ServiceRunning()) return wbem_error::kFailed;
    Portal portal{address->text, 3260};
    if (const SimValue* port = instance.Find("PortalPort"); port && port->type == SimValue::Type::Int32)
        portal.port = static_cast<std::uint16_t>(port->int32);

    // The initiator logs in for discovery first; a portal that does not
    // answer is not added.
    std::vector<KnownTarget> probe;
    if (!Discover(portal.address, probe)) return wbem_error::kFailed;
    if (std::none_of(sendTargetPortals_.begin(), sendTargetPortals_.end(),
                     [&](const Portal& p) { return p.address == portal.address; }))
        sendTargetPortals_.push_back(portal);
    RebuildTargets();
    return 0;
}

}  // namespace norvale::sim
