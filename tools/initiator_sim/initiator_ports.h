// The simulated initiator behind the product's own ports, for host tests:
// CWmiWrapper, the service checks, the registry check and the console
// command runner then run unchanged against it.
//
//   SimulatedInitiator initiator(appliances, clock);
//   SimWmiPort wmi(initiator);                       // WmiPort
//   SimServiceControl services(initiator);           // ServiceControlPort
//   SimInitiatorRegistry registry(base, initiator);  // RegistryPort: adds MSiSCSI
//   processes.Route(L"iscsicli", IscsicliRoute(initiator));  // see tests/fakes/routed_process_port.h
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "iscsi/core/service_control_port.h"
#include "platform/core/console/process_port.h"
#include "platform/core/initiator/wmi_port.h"
#include "platform/core/registry_port.h"
#include "tools/initiator_sim/simulated_initiator.h"

namespace norvale::sim {

class SimWmiPort final : public WmiPort {
public:
    explicit SimWmiPort(SimulatedInitiator& initiator, std::wstring machineName = L"NORVALE-PC");

    // What the port saw, for tests of how the product uses it.
    struct Counts {
        int securityCalls = 0;
        int locatorsCreated = 0;
        int proxyBlankets = 0;
        int queries = 0;
        int liveServices = 0;  // made and not yet released
        std::vector<std::wstring> connectedPaths;
    };
    const Counts& Seen() const { return *counts_; }
    // The first call sets the process's security; later ones are too late.
    // Set to fail every call with E_FAIL (anything but "too late").
    bool securityFails = false;

    WmiResult InitializeSecurity() override;
    std::wstring LocalMachineName() override { return machineName_; }
    WmiOutcome<WmiLocator> CreateLocator() override;

private:
    SimulatedInitiator& initiator_;
    std::wstring machineName_;
    std::shared_ptr<Counts> counts_;
};

class SimServiceControl final : public ServiceControlPort {
public:
    explicit SimServiceControl(SimulatedInitiator& initiator) : initiator_(initiator) {}

    bool managerFails = false;  // the service control manager cannot be opened
    bool queryFails = false;    // QueryServiceStatus (and QueryServiceConfig) fail
    bool configChangeRefused = false;  // ChangeServiceConfig fails
    int openHandles() const { return *open_; }
    int starts() const { return *starts_; }

    std::unique_ptr<ServiceHandle> Open(const std::wstring& name) override;
    std::uint32_t LastOpenError() const override { return lastOpenError_; }

private:
    SimulatedInitiator& initiator_;
    std::uint32_t lastOpenError_ = 0;
    std::shared_ptr<int> open_ = std::make_shared<int>(0);
    std::shared_ptr<int> starts_ = std::make_shared<int>(0);
};

// A registry with the initiator service's key on top of `base`: while the
// initiator is installed, HKLM\SYSTEM\ControlSet001\Services has a subkey
// "MSiSCSI" whose "DisplayName" is "Microsoft iSCSI Initiator Service".
class SimInitiatorRegistry final : public RegistryPort {
public:
    SimInitiatorRegistry(RegistryPort& base, SimulatedInitiator& initiator) : base_(base), initiator_(initiator) {}

    std::optional<std::vector<std::uint8_t>> ReadValue(RegistryHive hive, const std::wstring& key,
                                                       const std::wstring& valueName,
                                                       RegistryAccess access = {}) override;
    std::optional<std::vector<std::wstring>> SubkeyNames(RegistryHive hive, const std::wstring& key,
                                                         RegistryAccess access = {}) override;
    bool WriteDword(RegistryHive hive, const std::wstring& key, const std::wstring& valueName,
                    std::uint32_t value) override {
        return base_.WriteDword(hive, key, valueName, value);
    }

private:
    RegistryPort& base_;
    SimulatedInitiator& initiator_;
};

// What running an iscsicli line as a child process gives: not started when
// the initiator is not installed (there is no iscsicli), else its output.
ProcessRun RunIscsicliProcess(SimulatedInitiator& initiator, const std::wstring& commandLine, bool keepOutput);

// The same as a route handler, and the redaction a recorder of command lines
// must apply to them (CHAP passwords).
std::function<ProcessRun(const std::wstring&, bool)> IscsicliRoute(SimulatedInitiator& initiator);
std::wstring RedactIscsicliCommand(const std::wstring& commandLine);

}  // namespace norvale::sim
