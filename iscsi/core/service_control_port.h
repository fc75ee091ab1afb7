// The service control manager, as far as the initiator's service needs it:
// open a service with full access, read its state and start type, start it,
// make it start with Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace norvale {

enum class ServiceState { Stopped, StartPending, Running, Other };
// SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED; boot and system
// starts (drivers) are Other.
enum class ServiceStartType { Automatic, Manual, Disabled, Other };

// An open service (and the manager it was opened through); both are closed
// when the handle goes.
class ServiceHandle {
public:
    virtual ~ServiceHandle() = default;
    // nullopt when the state cannot be queried.
    virtual std::optional<ServiceState> QueryState() = 0;
    // Asks the manager to start the service; false when it refuses.
    virtual bool Start() = 0;
    // nullopt when the configuration cannot be queried.
    virtual std::optional<ServiceStartType> QueryStartType() = 0;
    // Changes the start type to automatic and nothing else; false when the
    // manager refuses.
    virtual bool SetAutomaticStart() = 0;
    // The system's error code of the last request the manager refused (for
    // the support log); 0 when none is known.
    virtual std::uint32_t LastError() const { return 0; }
};

class ServiceControlPort {
public:
    virtual ~ServiceControlPort() = default;
    // Opens the manager and the service `name`, both with full access; null
    // when either cannot be opened. (Not "OpenService": <windows.h> would
    // rename that.)
    virtual std::unique_ptr<ServiceHandle> Open(const std::wstring& name) = 0;
    // The system's error code of the last Open that answered null; 0 when
    // none is known.
    virtual std::uint32_t LastOpenError() const { return 0; }
};

}  // namespace norvale
