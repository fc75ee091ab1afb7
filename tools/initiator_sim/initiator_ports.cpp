#include "tools/initiator_sim/initiator_ports.h"

#include <utility>

#include "platform/core/utf8.h"

namespace norvale::sim {
namespace {

constexpr wchar_t kServicesKey[] = L"SYSTEM\\ControlSet001\\Services";

bool SameKey(const std::wstring& a, const std::wstring& b) {
    return SameIgnoringCase(WideToUtf8(a), WideToUtf8(b));
}

WmiValue ToWmiValue(const SimValue& value);

class SimWmiObject final : public WmiObject {
public:
    explicit SimWmiObject(SimObject object) : object_(std::move(object)) {}

    std::optional<WmiValue> Get(const std::wstring& property) override {
        const SimValue* value = object_.Find(WideToUtf8(property));
        if (value == nullptr) return std::nullopt;
        return ToWmiValue(*value);
    }

private:
    SimObject object_;
};

WmiValue ToWmiValue(const SimValue& value) {
    switch (value.type) {
    case SimValue::Type::Null: return WmiValue::Null();
    case SimValue::Type::String: return WmiValue::String(Utf8ToWide(value.text));
    case SimValue::Type::Bool: return WmiValue::Bool(value.flag);
    case SimValue::Type::Int32: return WmiValue::Int32(value.int32);
    case SimValue::Type::UInt32: return WmiValue::UInt32(value.uint32);
    case SimValue::Type::Objects: {
        std::vector<std::unique_ptr<WmiObject>> objects;
        for (const SimObject& object : value.objects) objects.push_back(std::make_unique<SimWmiObject>(object));
        return WmiValue::Objects(std::move(objects));
    }
    }
    return WmiValue::Null();
}

class SimEnumerator final : public WmiEnumerator {
public:
    explicit SimEnumerator(std::vector<SimObject> objects, bool hangs = false)
        : objects_(std::move(objects)), hangs_(hangs) {}

    // A hung provider delivers nothing until the adapter's budget ends the
    // query.
    std::unique_ptr<WmiObject> Next() override {
        if (hangs_ || next_ == objects_.size()) return nullptr;
        return std::make_unique<SimWmiObject>(std::move(objects_[next_++]));
    }
    bool TimedOut() const override { return hangs_; }

private:
    std::vector<SimObject> objects_;
    std::size_t next_ = 0;
    bool hangs_ = false;
};

class SimInstance final : public WmiInstance {
public:
    explicit SimInstance(std::string className) { object.className = std::move(className); }

    WmiResult PutString(const std::wstring& property, const std::wstring& value) override {
        object.Set(WideToUtf8(property), SimValue::String(WideToUtf8(value)));
        return kWmiOk;
    }

    SimObject object;
};

class SimClass final : public WmiClass {
public:
    explicit SimClass(std::string className) : className_(std::move(className)) {}

    WmiOutcome<WmiInstance> SpawnInstance() override {
        return {kWmiOk, std::make_unique<SimInstance>(className_)};
    }

private:
    std::string className_;
};

class SimServices final : public WmiServices {
public:
    SimServices(SimulatedInitiator& initiator, std::shared_ptr<SimWmiPort::Counts> counts)
        : initiator_(initiator), counts_(std::move(counts)) {
        ++counts_->liveServices;
    }
    ~SimServices() override { --counts_->liveServices; }

    WmiResult SetProxyBlanket() override {
        ++counts_->proxyBlankets;
        return kWmiOk;
    }

    WmiOutcome<WmiEnumerator> ExecQuery(const std::wstring& wql) override {
        ++counts_->queries;
        WmiAnswer answer = initiator_.Query(WideToUtf8(wql));
        if (!WmiSucceeded(answer.code)) return {answer.code, nullptr};
        return {answer.code, std::make_unique<SimEnumerator>(std::move(answer.objects), initiator_.Faults().wmiHangs)};
    }

    WmiOutcome<WmiClass> GetClassObject(const std::wstring& className) override {
        const std::string name = WideToUtf8(className);
        const WmiResult code = initiator_.GetClass(name);
        if (!WmiSucceeded(code)) return {code, nullptr};
        return {code, std::make_unique<SimClass>(name)};
    }

    WmiResult PutInstance(WmiInstance& instance) override {
        auto* spawned = dynamic_cast<SimInstance*>(&instance);
        if (spawned == nullptr) return wbem_error::kInvalidParameter;
        return initiator_.PutInstance(spawned->object);
    }

private:
    SimulatedInitiator& initiator_;
    std::shared_ptr<SimWmiPort::Counts> counts_;
};

class SimLocator final : public WmiLocator {
public:
    SimLocator(SimulatedInitiator& initiator, std::shared_ptr<SimWmiPort::Counts> counts)
        : initiator_(initiator), counts_(std::move(counts)) {}

    WmiOutcome<WmiServices> ConnectServer(const std::wstring& namespacePath) override {
        counts_->connectedPaths.push_back(namespacePath);
        const WmiResult code = initiator_.ConnectNamespace(WideToUtf8(namespacePath));
        if (!WmiSucceeded(code)) return {code, nullptr};
        return {code, std::make_unique<SimServices>(initiator_, counts_)};
    }

private:
    SimulatedInitiator& initiator_;
    std::shared_ptr<SimWmiPort::Counts> counts_;
};

class SimServiceHandle final : public ServiceHandle {
public:
    SimServiceHandle(SimulatedInitiator& initiator, const SimServiceControl& control, std::shared_ptr<int> open,
                     std::shared_ptr<int> starts)
        : initiator_(initiator), control_(control), open_(std::move(open)), starts_(std::move(starts)) {
        ++*open_;
    }
    ~SimServiceHandle() override { --*open_; }

    std::optional<ServiceState> QueryState() override {
        if (control_.queryFails) return std::nullopt;
        switch (initiator_.ServiceState()) {
        case SimServiceState::Stopped: return ServiceState::Stopped;
        case SimServiceState::StartPending: return ServiceState::StartPending;
        case SimServiceState::Running: return ServiceState::Running;
        }
        return ServiceState::Other;
    }

    bool Start() override {
        ++*starts_;
        // The codes StartService answers with (MS-SCMR RStartService).
        if (initiator_.StartType() == SimStartType::Disabled) {
            lastError_ = kErrorServiceDisabled;
        } else if (initiator_.ServiceState() != SimServiceState::Stopped) {
            lastError_ = kErrorServiceAlreadyRunning;
        } else {
            lastError_ = kErrorAccessDenied;  // the fault: a caller without the right to start it
        }
        if (!initiator_.StartService()) return false;
        lastError_ = 0;
        return true;
    }
    std::uint32_t LastError() const override { return lastError_; }

    std::optional<ServiceStartType> QueryStartType() override {
        if (control_.queryFails) return std::nullopt;
        switch (initiator_.StartType()) {
        case SimStartType::Automatic: return ServiceStartType::Automatic;
        case SimStartType::Manual: return ServiceStartType::Manual;
        case SimStartType::Disabled: return ServiceStartType::Disabled;
        }
        return ServiceStartType::Other;
    }

    bool SetAutomaticStart() override {
        lastError_ = control_.configChangeRefused ? kErrorAccessDenied : 0;
        if (control_.configChangeRefused) return false;
        initiator_.SetStartType(SimStartType::Automatic);
        return true;
    }

private:
    static constexpr std::uint32_t kErrorAccessDenied = 5;
    static constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
    static constexpr std::uint32_t kErrorServiceDisabled = 1058;
    std::uint32_t lastError_ = 0;
    SimulatedInitiator& initiator_;
    const SimServiceControl& control_;
    std::shared_ptr<int> open_;
    std::shared_ptr<int> starts_;
};

}  // namespace

SimWmiPort::SimWmiPort(SimulatedInitiator& initiator, std::wstring machineName)
    : initiator_(initiator), machineName_(std::move(machineName)), counts_(std::make_shared<Counts>()) {}

WmiResult SimWmiPort::InitializeSecurity() {
    if (securityFails) return kWmiFailed;
    return counts_->securityCalls++ == 0 ? kWmiOk : kWmiSecurityAlreadySet;
}

WmiOutcome<WmiLocator> SimWmiPort::CreateLocator() {
    ++counts_->locatorsCreated;
    return {kWmiOk, std::make_unique<SimLocator>(initiator_, counts_)};
}

std::unique_ptr<ServiceHandle> SimServiceControl::Open(const std::wstring& name) {
    // OpenSCManager refused (access denied), or no such service.
    lastOpenError_ = managerFails ? 5 : 1060;
    if (managerFails || !initiator_.Installed() ||
        !SameIgnoringCase(WideToUtf8(name), SimulatedInitiator::kServiceName))
        return nullptr;
    lastOpenError_ = 0;
    return std::make_unique<SimServiceHandle>(initiator_, *this, open_, starts_);
}

std::optional<std::vector<std::uint8_t>> SimInitiatorRegistry::ReadValue(RegistryHive hive,
                                                                         const std::wstring& key,
                                                                         const std::wstring& valueName,
                                                                         RegistryAccess access) {
    const std::wstring serviceKey = std::wstring(kServicesKey) + L"\\" +
                                    Utf8ToWide(SimulatedInitiator::kServiceName);
    if (hive != RegistryHive::LocalMachine || !initiator_.Installed() || !SameKey(key, serviceKey) ||
        !SameKey(valueName, L"DisplayName"))
        return base_.ReadValue(hive, key, valueName, access);
    // REG_SZ: UTF-16LE with its terminator.
    std::vector<std::uint8_t> bytes;
    for (char c : std::string(SimulatedInitiator::kServiceDisplayName) + '\0') {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

std::optional<std::vector<std::wstring>> SimInitiatorRegistry::SubkeyNames(RegistryHive hive,
                                                                          const std::wstring& key,
                                                                          RegistryAccess access) {
    std::optional<std::vector<std::wstring>> names = base_.SubkeyNames(hive, key, access);
    if (hive != RegistryHive::LocalMachine || !initiator_.Installed() || !SameKey(key, kServicesKey)) return names;
    if (!names) names.emplace();
    names->push_back(Utf8ToWide(SimulatedInitiator::kServiceName));
    return names;
}

ProcessRun RunIscsicliProcess(SimulatedInitiator& initiator, const std::wstring& commandLine, bool keepOutput) {
    if (!initiator.Installed()) return {};
    const IscsicliRun run = initiator.RunIscsicli(WideToUtf8(commandLine));
    return {true, keepOutput ? Utf8ToWide(run.output) : std::wstring(), run.exitCode};
}

std::function<ProcessRun(const std::wstring&, bool)> IscsicliRoute(SimulatedInitiator& initiator) {
    return [&initiator](const std::wstring& line, bool keepOutput) {
        return RunIscsicliProcess(initiator, line, keepOutput);
    };
}

std::wstring RedactIscsicliCommand(const std::wstring& commandLine) {
    return Utf8ToWide(RedactIscsicliLine(WideToUtf8(commandLine)));
}

}  // namespace norvale::sim
