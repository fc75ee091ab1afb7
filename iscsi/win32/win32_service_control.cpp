#include "iscsi/win32/win32_service_control.h"

#include <windows.h>

#include <vector>

namespace norvale::win32 {
namespace {

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    ~ScHandle() {
        if (handle_ != nullptr) ::CloseServiceHandle(handle_);
    }
    SC_HANDLE Get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

class Win32ServiceHandle final : public ServiceHandle {
public:
    // The service is closed before the manager it was opened through.
    Win32ServiceHandle(SC_HANDLE manager, SC_HANDLE service) : manager_(manager), service_(service) {}

    std::optional<ServiceState> QueryState() override {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(service_.Get(), &status)) return std::nullopt;
        switch (status.dwCurrentState) {
        case SERVICE_STOPPED: return ServiceState::Stopped;
        case SERVICE_START_PENDING: return ServiceState::StartPending;
        case SERVICE_RUNNING: return ServiceState::Running;
        default: return ServiceState::Other;
        }
    }

    bool Start() override { return Noted(::StartServiceW(service_.Get(), 0, nullptr) != FALSE); }

    std::optional<ServiceStartType> QueryStartType() override {
        // QUERY_SERVICE_CONFIGW is followed by its strings: ask for the size first.
        DWORD needed = 0;
        ::QueryServiceConfigW(service_.Get(), nullptr, 0, &needed);
        if (needed < sizeof(QUERY_SERVICE_CONFIGW) || needed > 64 * 1024) return std::nullopt;
        std::vector<unsigned char> buffer(needed);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (!::QueryServiceConfigW(service_.Get(), config, needed, &needed)) return std::nullopt;
        switch (config->dwStartType) {
        case SERVICE_AUTO_START: return ServiceStartType::Automatic;
        case SERVICE_DEMAND_START: return ServiceStartType::Manual;
        case SERVICE_DISABLED: return ServiceStartType::Disabled;
        default: return ServiceStartType::Other;
        }
    }

    bool SetAutomaticStart() override {
        return Noted(::ChangeServiceConfigW(service_.Get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE,
                                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE);
    }

    std::uint32_t LastError() const override { return lastError_; }

private:
    bool Noted(bool done) {
        lastError_ = done ? 0 : ::GetLastError();
        return done;
    }

    DWORD lastError_ = 0;
    ScHandle manager_;
    ScHandle service_;
};

}  // namespace

std::unique_ptr<ServiceHandle> Win32ServiceControl::Open(const std::wstring& name) {
    lastOpenError_ = 0;
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) {
        lastOpenError_ = ::GetLastError();
        return nullptr;
    }
    SC_HANDLE service = ::OpenServiceW(manager, name.c_str(), SERVICE_ALL_ACCESS);
    if (service == nullptr) {
        lastOpenError_ = ::GetLastError();
        ::CloseServiceHandle(manager);
        return nullptr;
    }
    return std::make_unique<Win32ServiceHandle>(manager, service);
}

}  // namespace norvale::win32
