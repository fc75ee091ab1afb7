// One appliance with a plain target (with a LUN), a CHAP target and a target
// without a LUN, and the simulated initiator behind the product's ports, in
// virtual time.
#pragma once

#include <gtest/gtest.h>

#include "platform/core/console/console_command_runner.h"
#include "platform/core/initiator/wmi_wrapper.h"
#include "tests/fakes/in_memory_registry.h"
#include "tests/fakes/recording_trace.h"
#include "tests/fakes/routed_process_port.h"
#include "tests/fakes/virtual_clock.h"
#include "tests/platform/version_machines.h"
#include "tools/initiator_sim/daemon_service.h"
#include "tools/initiator_sim/initiator_ports.h"

namespace norvale::test {
// Fixture headers each keep their names apart: an inline constant of the
// same name in two fixtures would otherwise be one symbol to the linker.
inline namespace initiator_sim_fixture {

inline constexpr char kArchive[] = "192.168.10.20";
inline constexpr wchar_t kArchiveW[] = L"192.168.10.20";
inline constexpr wchar_t kPlain[] = L"iqn.2026-12.com.orrin:archive.lun0";
inline constexpr wchar_t kChap[] = L"iqn.2026-12.com.orrin:archive.secure";
inline constexpr wchar_t kNoLun[] = L"iqn.2026-12.com.orrin:archive.empty";
inline constexpr wchar_t kInitiator[] = L"ROOT\\ISCSIPRT\\0000_0";
inline constexpr wchar_t kChapUser[] = L"chap_user";
inline constexpr wchar_t kChapSecret[] = L"Sixteen-chars-16";

inline sim::ApplianceConfig Archive() {
    sim::ApplianceConfig archive;
    archive.interfaceName = "n1";
    archive.address = kArchive;
    archive.otherAddress = "192.168.11.20";
    archive.name = "Archive";
    archive.targets = {{"iqn.2026-12.com.orrin:archive.lun0", false, "", "", 1ull << 30},
                       {"iqn.2026-12.com.orrin:archive.secure", true, "chap_user", "Sixteen-chars-16", 1ull << 31},
                       {"iqn.2026-12.com.orrin:archive.empty", false, "", "", 0}};
    return archive;
}

class FakeRedirection final : public Wow64RedirectionPort {
public:
    RedirectionResult Disable() override { return RedirectionResult::Done; }
    RedirectionResult Enable(bool) override { return RedirectionResult::Done; }
};

class InitiatorSimTest : public ::testing::Test {
protected:
    explicit InitiatorSimTest(sim::InitiatorOptions options = {}) : initiator{{Archive()}, clock, options} {
        processes.Route(L"iscsicli", sim::IscsicliRoute(initiator), sim::RedactIscsicliCommand);
    }

    // Runs a built line through the product's runner.
    void Run(const CommandLine& line) {
        ASSERT_TRUE(line.Built()) << std::string(line.refusal.begin(), line.refusal.end());
        runner.RunConsoleCommand(line.text);
    }
    std::string State() { return Join(sim::DescribeState(initiator)); }
    static std::string Join(const std::vector<std::string>& lines) {
        std::string all;
        for (const std::string& line : lines) all += line + "\n";
        return all;
    }
    std::vector<std::wstring> Values(const std::wstring& classAndCondition, const std::wstring& property) {
        std::vector<std::wstring> values;
        wmi.QueryPropertyValues(classAndCondition, property, values);
        return values;
    }

    VirtualClock clock;
    sim::SimulatedInitiator initiator;
    sim::SimWmiPort wmiPort{initiator};
    sim::SimServiceControl services{initiator};
    FakeVersionSource version = Windows7Enterprise();
    RecordingTrace trace;
    RoutedProcessPort processes;
    FakeRedirection redirection;
    ConsoleCommandRunner runner{processes, redirection, false};
    CWmiWrapper wmi{WmiEnvironment{wmiPort, version, trace}};
};

}  // namespace initiator_sim_fixture
}  // namespace norvale::test
