// The MSiSCSI service for a test prefix: a real Windows service program that
// the prefix's service manager starts. It reports start-pending, asks the
// simulated initiator how long its start takes (or that it never finishes),
// then reports running and tells the initiator, until it is stopped.
// Without a simulated initiator it starts at once. The service name is the
// first argument of its command line ("MSiSCSI" when there is none), so the
// tests can register it under a name of their own.
#include <windows.h>

#include <string>

#include "tests/initiator/win32/standin_link.h"

namespace {

SERVICE_STATUS_HANDLE statusHandle = nullptr;
HANDLE stopEvent = nullptr;
SERVICE_STATUS status{};
std::wstring serviceName = L"MSiSCSI";

void Report(DWORD state, DWORD waitHint = 0) {
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = waitHint;
    status.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : status.dwCheckPoint + 1;
    ::SetServiceStatus(statusHandle, &status);
}

void Tell(const char* state) { norvale::standin::Ask({"SERVICE", {state}}); }

DWORD WINAPI Control(DWORD control, DWORD, LPVOID, LPVOID) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        ::SetEvent(stopEvent);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    statusHandle = ::RegisterServiceCtrlHandlerExW(serviceName.c_str(), Control, nullptr);
    if (statusHandle == nullptr) return;
    stopEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_START_PENDING, 2000);

    const std::optional<norvale::sim::wire::Response> start = norvale::standin::Ask({"SERVICE", {"start"}});
    const bool linked = start.has_value();
    if (linked && start->delayNever) {
        // Stays starting; still answers a stop.
        while (::WaitForSingleObject(stopEvent, 1000) == WAIT_TIMEOUT) Report(SERVICE_START_PENDING, 2000);
    } else {
        const DWORD delay = linked && start->delayMs ? static_cast<DWORD>(*start->delayMs) : 0;
        if (::WaitForSingleObject(stopEvent, delay) == WAIT_TIMEOUT) {
            Report(SERVICE_RUNNING);
            if (linked) Tell("running");
            ::WaitForSingleObject(stopEvent, INFINITE);
        }
    }
    Report(SERVICE_STOP_PENDING, 1000);
    if (linked) Tell("stopped");
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1) serviceName = argv[1];
    SERVICE_TABLE_ENTRYW table[] = {{serviceName.data(), ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(::GetLastError());
}
