// Bringing the initiator's service up, the part that talks to the service
// manager. StartService returns only once the service's process has started
// and its dispatcher has called in (up to 30 s on a loaded PC), so the whole
// sequence runs as one background step and the dialog reads its outcome.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "iscsi/core/service_control_port.h"

namespace norvale {

struct ServiceStartAttempt {
    // Null when the manager or the service could not be opened.
    std::unique_ptr<ServiceHandle> service;
    std::uint32_t openError = 0;
    // The state found before anything was asked; only a stopped service is
    // started.
    std::optional<ServiceState> stateBefore;
    // A disabled service is left alone: the user is told.
    bool disabled = false;
    // A manual service is made automatic (its persistent logins come back
    // with Windows); the manager's error when it refused.
    std::optional<std::uint32_t> automaticRefused;
    bool startAsked = false;
    bool started = false;
    std::uint32_t startError = 0;
};

// Opens `name` and, when it is stopped and not disabled, makes it start
// automatically and asks for its start. Blocking: run it on a worker.
ServiceStartAttempt AttemptServiceStart(ServiceControlPort& services, const std::wstring& name);

}  // namespace norvale
