// Prints the protocol's performance figures as ratios against its own
// schedule. Runs in the PC namespace that run_bench.sh builds, against
// simulated appliances answering over real UDP multicast.
//
//   norvale-bench --expect N [--passes P] [--login-ip A]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/clock_port.h"
#include "platform/core/utf8.h"
#include "protocol/core/device_protocol.h"
#include "protocol/core/device_requests.h"
#include "protocol/core/protocol_constants.h"
#include "protocol/posix/posix_socket_port.h"

namespace {

using norvale::DeviceProtocol;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// One interface's discovery pass as scheduled: two sends with their pauses,
// 48 polls of at most 10 ms and the 47 pauses between them.
double ScheduledPassMs() {
    using namespace norvale;
    return 2.0 * kDiscoverSendPause.count() + kDiscoverPolls * kPollTimeout.count() +
           (kDiscoverPolls - 1) * kDiscoverPollPause.count();
}

struct Options {
    int expected = 1;
    int passes = 3;
    std::string loginIp;
};

bool Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--expect" && hasValue) {
            options.expected = std::atoi(argv[++i]);
        } else if (arg == "--passes" && hasValue) {
            options.passes = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--login-ip" && hasValue) {
            options.loginIp = argv[++i];
        } else {
            return false;
        }
    }
    return options.expected > 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: norvale-bench --expect N [--passes P] [--login-ip ADDRESS]\n"
                     "  Runs P discovery passes expecting N answering appliances, and with\n"
                     "  --login-ip times exchanges with that appliance. Prints figures.\n");
        return 2;
    }

    norvale::PosixSocketPort sockets;
    DeviceProtocol protocol(sockets, norvale::SystemClock());
    if (!protocol.OpenDeviceSockets()) {
        std::fprintf(stderr, "norvale-bench: sockets cannot be opened\n");
        return 1;
    }
    const int interfaces = protocol.LocalAddresses().Count();
    // A pass asks every interface at once: one schedule, however many.
    const double scheduleMs = ScheduledPassMs();

    double worstRatio = 0, worstCpu = 0, sumWall = 0;
    int fewestListed = 1 << 30;
    for (int pass = 0; pass < options.passes; ++pass) {
        const double cpuBefore = CpuSeconds();
        const Clock::time_point start = Clock::now();
        protocol.DiscoverDevices(norvale::kDefaultSelector1, norvale::kDefaultSelector2);
        const double wallMs = Milliseconds(Clock::now() - start);
        const double cpuMs = (CpuSeconds() - cpuBefore) * 1000.0;
        const int listed = static_cast<int>(protocol.Devices().Records().size());
        sumWall += wallMs;
        worstRatio = std::max(worstRatio, wallMs / scheduleMs);
        worstCpu = std::max(worstCpu, cpuMs / wallMs);
        fewestListed = std::min(fewestListed, listed);
    }

    std::printf("appliances answering          %d (on %d interface%s)\n", options.expected, interfaces,
                interfaces == 1 ? "" : "s");
    std::printf("discovery wall time           %.1f ms mean of %d passes; schedule %.0f ms\n",
                sumWall / options.passes, options.passes, scheduleMs);
    std::printf("  wall / schedule (worst)     %.3f   (target <= 1.05)\n", worstRatio);
    std::printf("  listed / answering (worst)  %.3f   (target 1.0; %d of %d)\n",
                static_cast<double>(fewestListed) / options.expected, fewestListed, options.expected);
    std::printf("  CPU / wall (worst)          %.2f %%  (target <= 2 %%)\n", worstCpu * 100.0);

    if (!options.loginIp.empty()) {
        protocol.SelectedDeviceIp = norvale::Utf8ToWide(options.loginIp);
        if (protocol.FindSelected() == nullptr) {
            std::printf("exchange latency              appliance %s not listed\n", options.loginIp.c_str());
        } else {
            // AdminLogin does not drain first, so its time is the exchange itself.
            std::vector<double> latencies;
            for (int i = 0; i < 20; ++i) {
                protocol.AdminUserName = "admin";
                protocol.AdminPassword.clear();
                const Clock::time_point start = Clock::now();
                AdminLogin(protocol);
                latencies.push_back(Milliseconds(Clock::now() - start));
            }
            std::sort(latencies.begin(), latencies.end());
            const Clock::time_point start = Clock::now();
            const int shares = QueryShareCount(protocol);
            const double queryMs = Milliseconds(Clock::now() - start);
            std::printf("exchange latency (AdminLogin) median %.2f ms, worst %.2f ms of 20 (target <= 15 ms)\n",
                        latencies[latencies.size() / 2], latencies.back());
            std::printf("QueryShareCount incl. 11-poll drain  %.1f ms (answer %d)\n", queryMs, shares);
        }
    }
    protocol.CloseDeviceSockets(true);
    return 0;
}
