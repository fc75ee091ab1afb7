// The service adapter against Wine's service manager: a missing service, and
// a real service of the prefix (the MSiSCSI stand-in under a test name)
// that is stopped, starts and runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <chrono>
#include <string>
#include <thread>

#include "iscsi/win32/win32_service_control.h"

namespace norvale {
namespace {

constexpr wchar_t kTestService[] = L"NorvaleServiceAdapterTest";

std::wstring TestDirectory() {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring file(path, n);
    return file.substr(0, file.find_last_of(L"\\/") + 1);
}

// Stops and deletes the test service, whatever state it is in.
void RemoveTestService() {
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return;
    if (SC_HANDLE service = ::OpenServiceW(manager, kTestService, SERVICE_ALL_ACCESS)) {
        SERVICE_STATUS status{};
        ::ControlService(service, SERVICE_CONTROL_STOP, &status);
        for (int i = 0; i < 50 && ::QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED;
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::DeleteService(service);
        ::CloseServiceHandle(service);
    }
    ::CloseServiceHandle(manager);
}

// The service managers (services.exe) running beside this process: one on
// Windows. A Wine prefix that wineboot has only just made can get a second
// one from a program started while it settles; the two then keep their own
// views of the services and their own control pipes for as long as the
// session lasts, and a service created through one cannot be run reliably.
int ServiceManagers() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 1;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        count += _wcsicmp(entry.szExeFile, L"services.exe") == 0 ? 1 : 0;
    ::CloseHandle(snapshot);
    return count;
}

class Win32ServiceControlTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTestService(); }
    void TearDown() override { RemoveTestService(); }
    win32::Win32ServiceControl services;
};

TEST_F(Win32ServiceControlTest, AServiceTheManagerDoesNotKnowCannotBeOpened) {
    EXPECT_EQ(services.Open(L"MSiSCSI"), nullptr);
    EXPECT_EQ(services.Open(kTestService), nullptr);
}

TEST_F(Win32ServiceControlTest, ARegisteredServiceIsStoppedThenStartsAndRuns) {
    int managers = ServiceManagers();
    for (int i = 0; i < 100 && managers > 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        managers = ServiceManagers();
    }
    if (managers > 1)
        GTEST_SKIP() << managers << " service managers run in this Wine session (a program started while wineboot "
                     << "was still setting the prefix up); `wineserver -w` after `wineboot -i` avoids it";
    const std::wstring command = L"\"" + TestDirectory() + L"msiscsi_standin.exe\" " + kTestService;
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE created = ::CreateServiceW(manager, kTestService, L"Norvale service adapter test", SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                         command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(created, nullptr) << ::GetLastError();
    ::CloseServiceHandle(created);
    ::CloseServiceHandle(manager);

    std::unique_ptr<ServiceHandle> service = services.Open(kTestService);
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->QueryState(), ServiceState::Stopped);
    ASSERT_TRUE(service->Start());
    std::optional<ServiceState> state;
    for (int i = 0; i < 600 && (state = service->QueryState()) != ServiceState::Running; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(state, ServiceState::Running);
    EXPECT_FALSE(service->Start()) << "a running service is not started again";
}

}  // namespace
}  // namespace norvale
