#include "iscsi/core/targets/service_start.h"

namespace norvale {

ServiceStartAttempt AttemptServiceStart(ServiceControlPort& services, const std::wstring& name) {
    ServiceStartAttempt attempt;
    attempt.service = services.Open(name);
    if (!attempt.service) {
        attempt.openError = services.LastOpenError();
        return attempt;
    }
    ServiceHandle& service = *attempt.service;
    attempt.stateBefore = service.QueryState();
    if (attempt.stateBefore != ServiceState::Stopped) return attempt;
    const std::optional<ServiceStartType> startType = service.QueryStartType();
    if (startType == ServiceStartType::Disabled) {
        attempt.disabled = true;
        return attempt;
    }
    if (startType == ServiceStartType::Manual && !service.SetAutomaticStart()) {
        attempt.automaticRefused = service.LastError();
    }
    attempt.startAsked = true;
    attempt.started = service.Start();
    if (!attempt.started) attempt.startError = service.LastError();
    return attempt;
}

}  // namespace norvale
