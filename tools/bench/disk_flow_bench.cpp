// The connect-to-formatted-volume flow on the simulated Windows, on the real
// clock: from the click on Connect to the formatted, lettered volume, as wall
// time over the sum of the fixed pauses the flow makes on that path, and the
// inventory refreshes one flow costs.
//
//   norvale-disk-flow-bench [RUNS]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/clock_port.h"
#include "resources/resource.h"
#include "tests/platform/version_machines.h"
#include "tools/diskflow/disk_flow_rig.h"

namespace {

using namespace norvale;
using Clock = std::chrono::steady_clock;

// Sleeps on the real clock, summing what was asked for.
class TallyClock final : public ClockPort {
public:
    std::chrono::milliseconds Now() const override { return SystemClock().Now(); }
    long long WallSeconds() const override { return SystemClock().WallSeconds(); }
    void Sleep(std::chrono::milliseconds duration) override {
        slept += duration;
        SystemClock().Sleep(duration);
    }
    std::chrono::milliseconds slept{0};
};

struct FlowCase {
    const char* name;
    test::FakeVersionSource (*version)();
    // The fixed pauses on the way: 500 ms after the login, 1000 ms before the
    // wizard opens, 1000 ms in OK's validation, 1000 ms after the partition
    // was written, 500 ms before the volume is looked up, 3000 ms after the
    // letter was moved (outside XP-family servers), 500 ms after the format.
    int fixedPausesMs;
};

void Run(const FlowCase& flow, int runs) {
    double worstRatio = 0;
    double sumRatio = 0;
    unsigned long long refreshes = 0;
    for (int i = 0; i < runs; ++i) {
        char name[] = "/tmp/norvale-flow-bench-XXXXXX";
        if (::mkdtemp(name) == nullptr) std::exit(2);
        TallyClock clock;
        {
            diskflow::DiskFlowRig rig(diskflow::FlowSetup::For(flow.version(), name), clock);
            rig.OpenAndSelect();
            rig.OnWizard([](test::FakeDialogSurface& wizard) { wizard.Click(kIdOk); });
            const std::uint64_t before = rig.Inventory().Refreshes();
            const auto start = Clock::now();
            rig.Connect();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (rig.DiskManagerOpens() != 1) {
                std::fprintf(stderr,
                             "norvale-disk-flow-bench: the flow did not end in "
                             "a formatted volume\n");
                std::exit(1);
            }
            const double ratio = ms / flow.fixedPausesMs;
            worstRatio = std::max(worstRatio, ratio);
            sumRatio += ratio;
            refreshes = rig.Inventory().Refreshes() - before;
            std::printf("  run %d: %.0f ms wall, %lld ms of pauses asked for, ratio %.3f\n", i + 1, ms,
                        static_cast<long long>(clock.slept.count()), ratio);
        }
        std::system((std::string("rm -rf '") + name + "'").c_str());
    }
    std::printf(
        "%-34s fixed pauses %d ms, wall/pauses mean %.3f worst %.3f "
        "(target 1.10), "
        "%llu inventory refreshes per flow\n",
        flow.name, flow.fixedPausesMs, sumRatio / runs, worstRatio, refreshes);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    Run({"Windows 7, 10 GiB, NTFS", test::Windows7Professional, 7500}, runs);
    Run({"Server 2003 R2, 10 GiB, NTFS", test::Server2003R2Enterprise, 4500}, runs);
    return 0;
}
