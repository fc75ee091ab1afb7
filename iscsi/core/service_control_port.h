// The service control manager, as far as the initiator's service needs it:
// open a service with full access, read its state, start it.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace norvale {

enum class ServiceState { Stopped, StartPending, Running, Other };

// An open service (and the manager it was opened through); both are closed
// when the handle goes.
class ServiceHandle {
public:
    virtual ~ServiceHandle() = default;
    // nullopt when the state cannot be queried.
    virtual std::optional<ServiceState> QueryState() = 0;
    // Asks the manager to start the service; false when it refuses.
    virtual bool Start() = 0;
};

class ServiceControlPort {
public:
    virtual ~ServiceControlPort() = default;
    // Opens the manager and the service `name`, both with full access; null
    // when either cannot be opened. (Not "OpenService": <windows.h> would
    // rename that.)
    virtual std::unique_ptr<ServiceHandle> Open(const std::wstring& name) = 0;
};

}  // namespace norvale
