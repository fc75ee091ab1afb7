// The product's real Win32 adapters (WMI over COM, the console command runner,
// the service manager, the registry) against the initiator stand-ins of a
// test prefix and the simulated initiator behind them. The prefix is made
// by tests/e2e/initiator_prefix.sh and the daemon started with the appliance
// of tests/e2e/initiator_standins.sh; the cases run in the order written.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "iscsi/win32/win32_service_control.h"
#include "platform/core/console/console_command_runner.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/initiator/wmi_wrapper.h"
#include "platform/core/version/windows_version_reader.h"
#include "platform/win32/win32_process_port.h"
#include "platform/win32/win32_registry_port.h"
#include "platform/win32/win32_version_source.h"
#include "platform/win32/win32_wmi_port.h"
#include "platform/win32/win32_wow64_redirection.h"
#include "tests/initiator/win32/standin_link.h"

namespace norvale {
namespace {

constexpr wchar_t kArchive[] = L"192.168.10.20";
constexpr wchar_t kPlain[] = L"iqn.2026-12.com.orrin:archive.lun0";
constexpr wchar_t kChap[] = L"iqn.2026-12.com.orrin:archive.secure";
constexpr wchar_t kChapUser[] = L"chap_user";
constexpr wchar_t kChapSecret[] = L"Sixteen-chars-16";

std::vector<std::string> Lines(const char* verb) {
    const std::optional<sim::wire::Response> answer = standin::Ask({verb, {}});
    return answer ? answer->lines : std::vector<std::string>{"<no answer>"};
}

bool Tell(std::vector<std::string> fields) {
    const std::optional<sim::wire::Response> answer =
        standin::Ask({fields.front(), {fields.begin() + 1, fields.end()}});
    return answer && answer->code == 0;
}

class InitiatorStandinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(standin::Endpoint().has_value()) << "the prefix names no simulated initiator";
        ASSERT_TRUE(Tell({"RESET"})) << "the simulated initiator does not answer";
    }

    // Starts MSiSCSI through the service adapter when it is stopped and waits
    // (for real, up to 20 s) until it runs.
    bool ServiceRunning() {
        std::unique_ptr<ServiceHandle> service = services.Open(L"MSiSCSI");
        if (!service) return false;
        if (service->QueryState() == ServiceState::Stopped && !service->Start()) return false;
        for (int i = 0; i < 200; ++i) {
            if (service->QueryState() == ServiceState::Running) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    std::vector<std::wstring> Values(CWmiWrapper& wmi, const std::wstring& what, const std::wstring& property) {
        std::vector<std::wstring> values;
        EXPECT_GE(wmi.QueryPropertyValues(what, property, values), 0) << std::string(what.begin(), what.end());
        return values;
    }
    bool Run(const CommandLine& line) { return line.Built() && runner.RunConsoleCommand(line.text); }

    win32::Win32WmiPort wmiPort;
    win32::Win32VersionSource version;
    win32::Win32ProcessPort processes;
    win32::Win32Wow64Redirection redirection;
    ConsoleCommandRunner runner{processes, redirection,
                                ReadWindowsVersion(version).has_value() && IsWow64(version)};
    win32::Win32ServiceControl services;
    win32::Win32RegistryPort registry;
    WmiEnvironment env{wmiPort, version, SilentTrace()};
};

TEST_F(InitiatorStandinTest, TheServiceIsRegisteredStoppedAndStartsThroughTheServiceAdapter) {
    const std::wstring key = L"SYSTEM\\ControlSet001\\Services\\MSiSCSI";
    const auto name = registry.ReadValue(RegistryHive::LocalMachine, key, L"DisplayName");
    ASSERT_TRUE(name.has_value());
    const std::wstring text(reinterpret_cast<const wchar_t*>(name->data()), name->size() / sizeof(wchar_t));
    EXPECT_EQ(text.c_str(), std::wstring(L"Microsoft iSCSI Initiator Service"));

    std::unique_ptr<ServiceHandle> service = services.Open(L"MSiSCSI");
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->QueryState(), ServiceState::Stopped);
    // Nothing works before the service runs.
    EXPECT_TRUE(runner.RunConsoleCommand(ListTargetsCommand()));
    EXPECT_EQ(Lines("LOG"), std::vector<std::string>{"1722 accepted iscsicli ListTargets t"});

    ASSERT_TRUE(ServiceRunning());
    EXPECT_EQ(Lines("STATE").back(), "service running");
}

// The start type as the real service manager keeps it: installed on demand,
// made automatic through the adapter, read back through a handle of its own.
TEST_F(InitiatorStandinTest, TheServiceManagerKeepsTheAutomaticStartTheAdapterSets) {
    std::unique_ptr<ServiceHandle> service = services.Open(L"MSiSCSI");
    ASSERT_NE(service, nullptr);
    ASSERT_EQ(service->QueryStartType(), ServiceStartType::Manual);
    ASSERT_TRUE(service->SetAutomaticStart());
    EXPECT_EQ(services.Open(L"MSiSCSI")->QueryStartType(), ServiceStartType::Automatic);

    // Back to demand start for whoever uses the prefix next.
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE raw = ::OpenServiceW(manager, L"MSiSCSI", SERVICE_CHANGE_CONFIG);
    ASSERT_NE(raw, nullptr);
    EXPECT_TRUE(::ChangeServiceConfigW(raw, SERVICE_NO_CHANGE, SERVICE_DEMAND_START, SERVICE_NO_CHANGE, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    ::CloseServiceHandle(raw);
    ::CloseServiceHandle(manager);
    EXPECT_EQ(services.Open(L"MSiSCSI")->QueryStartType(), ServiceStartType::Manual);
}

TEST_F(InitiatorStandinTest, APortalMakesTheTargetsKnownAndALoginShowsASessionWithItsDisk) {
    ASSERT_TRUE(ServiceRunning());
    CWmiWrapper wmi(env);
    ASSERT_TRUE(wmi.Connected());
    EXPECT_EQ(wmi.AddSendTargetPortal(kArchive), 0);
    EXPECT_EQ(Values(wmi, L"MSiSCSIInitiator_SendTargetPortalClass", L"PortalAddress"),
              std::vector<std::wstring>{kArchive});
    EXPECT_EQ(Values(wmi, L"MSiSCSIInitiator_TargetClass", L"TargetName"),
              (std::vector<std::wstring>{kPlain, kChap, L"iqn.2026-12.com.orrin:archive.empty"}));
    std::vector<TargetPortal> portals;
    EXPECT_EQ(wmi.QueryTargetPortals(kPlain, portals), 0);
    ASSERT_EQ(portals.size(), 2u);
    EXPECT_EQ(portals[0].address, kArchive);
    EXPECT_EQ(portals[0].port, 3260);
    EXPECT_EQ(portals[1].address, L"192.168.11.20");

    const std::vector<std::wstring> initiator = Values(wmi, L"MSiSCSIInitiator_InitiatorClass", L"InitiatorName");
    ASSERT_EQ(initiator.size(), 1u);
    EXPECT_TRUE(Run(LoginTargetCommand(kPlain, initiator[0])));
    EXPECT_TRUE(Run(PersistentLoginTargetCommand(kPlain, initiator[0])));

    std::vector<SessionInfo> sessions;
    EXPECT_EQ(wmi.QuerySessions(sessions), 0);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].TargetName, kPlain);
    EXPECT_EQ(sessions[0].TargetAddress, kArchive);
    ASSERT_EQ(sessions[0].Devices.size(), 1u);
    EXPECT_EQ(sessions[0].Devices[0].deviceNumber, 1);
    std::vector<std::wstring> active;
    EXPECT_EQ(wmi.QueryPropertyValuesWhere(L"MSiSCSI_ConnectionStatistics", L"InstanceName", kPlain, L"Active", active),
              0);
    EXPECT_EQ(active, std::vector<std::wstring>{L"TRUE"});

    std::vector<std::wstring> ids;
    wmi.QueryPropertyValuesWhere(L"MSiSCSIInitiator_SessionClass", L"TargetName", kPlain, L"SessionId", ids);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_TRUE(Run(LogoutTargetCommand(ids[0])));
    sessions.clear();
    EXPECT_EQ(wmi.QuerySessions(sessions), 0);
    EXPECT_TRUE(sessions.empty());

    // The stand-in saw exactly the lines the catalogue builds.
    EXPECT_EQ(Lines("LOG"),
              (std::vector<std::string>{
                  "0 accepted iscsicli logintarget iqn.2026-12.com.orrin:archive.lun0 t * * ROOT\\ISCSIPRT\\0000_0 "
                  "* * * * * * * * * * * * 0",
                  "0 accepted iscsicli persistentlogintarget iqn.2026-12.com.orrin:archive.lun0 t * * "
                  "ROOT\\ISCSIPRT\\0000_0 * * * * * * * * * * * * 0",
                  "0 accepted iscsicli logouttarget " + standin::ToUtf8(ids[0])}));
}

TEST_F(InitiatorStandinTest, AChapTargetRefusesAWrongSecretAndTakesTheRightOne) {
    ASSERT_TRUE(ServiceRunning());
    CWmiWrapper wmi(env);
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchive), 0);
    const std::wstring initiator = Values(wmi, L"MSiSCSIInitiator_InitiatorClass", L"InitiatorName").at(0);
    EXPECT_TRUE(Run(ChapLoginTargetCommand(kChap, initiator, kChapUser, L"sixteen-chars-16")));
    std::vector<SessionInfo> sessions;
    wmi.QuerySessions(sessions);
    EXPECT_TRUE(sessions.empty());

    EXPECT_TRUE(Run(ChapLoginTargetCommand(kChap, initiator, kChapUser, kChapSecret)));
    wmi.QuerySessions(sessions);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].TargetName, kChap);
    const std::vector<std::string> log = Lines("LOG");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].substr(0, log[0].find(' ')), std::to_string(0xEFFF0009u));
    EXPECT_EQ(log[1],
              "0 accepted iscsicli logintarget iqn.2026-12.com.orrin:archive.secure t * * ROOT\\ISCSIPRT\\0000_0 "
              "* * * * * * * * \"chap_user\" \"***\" 1 * 0");
}

// A hung provider ends every kind of call at the adapter's limit, and the
// wrapper remembers it so the flow can say so.
TEST_F(InitiatorStandinTest, AHungWmiProviderEndsConnectQueryAndStoreWithinTheBudget) {
    ASSERT_TRUE(ServiceRunning());
    const auto bounded = [](auto call) {
        const DWORD started = ::GetTickCount();
        const WmiResult result = call();
        const DWORD spent = ::GetTickCount() - started;
        EXPECT_LT(spent, 5000u);
        EXPECT_GE(spent, 3500u);
        return result;
    };
    ASSERT_TRUE(Tell({"FAULT", "wmi-connect-hangs", "1"}));
    bounded([&] {
        CWmiWrapper hung(env);
        EXPECT_FALSE(hung.Connected());
        EXPECT_TRUE(hung.TakeTimedOut());
        return kWmiOk;
    });
    ASSERT_TRUE(Tell({"FAULT", "clear"}));

    CWmiWrapper wmi(env);
    ASSERT_TRUE(wmi.Connected());
    ASSERT_TRUE(Tell({"FAULT", "wmi-hangs", "1"}));
    std::vector<std::wstring> values;
    EXPECT_EQ(bounded([&] { return wmi.QueryPropertyValues(L"MSiSCSIInitiator_TargetClass", L"TargetName", values); }),
              kWmiTimedOut);
    EXPECT_TRUE(wmi.TakeTimedOut());
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(bounded([&] { return wmi.AddSendTargetPortal(kArchive); }), kWmiTimedOut);
    EXPECT_TRUE(wmi.TakeTimedOut());
    ASSERT_TRUE(Tell({"FAULT", "clear"}));
    EXPECT_EQ(wmi.QueryPropertyValues(L"MSiSCSIInitiator_TargetClass", L"TargetName", values), 0);
    EXPECT_FALSE(wmi.TakeTimedOut());
}

TEST_F(InitiatorStandinTest, AnUnreachableWmiLeavesTheWrapperUnconnected) {
    ASSERT_TRUE(Tell({"FAULT", "wmi-unreachable", "1"}));
    CWmiWrapper wmi(env);
    EXPECT_FALSE(wmi.Connected());
    std::vector<std::wstring> values;
    EXPECT_EQ(wmi.QueryPropertyValues(L"MSiSCSIInitiator_TargetClass", L"TargetName", values), -1);
    EXPECT_EQ(wmi.AddSendTargetPortal(kArchive), -1);
    ASSERT_TRUE(Tell({"FAULT", "clear"}));
    EXPECT_TRUE(CWmiWrapper(env).Connected());
}

}  // namespace
}  // namespace norvale

int main(int argc, char** argv) {
    // As the product's workers, which make every WMI call: the
    // multithreaded apartment.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (SUCCEEDED(com)) ::CoUninitialize();
    return result;
}
