// A client on a simulated segment: one DeviceProtocol over FakeSegment and
// VirtualClock, with a random source that makes the identity predictable.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/core/device_protocol.h"
#include "tests/fakes/fake_segment.h"
#include "tests/fakes/virtual_clock.h"

namespace norvale::test {

// Draws seed + 1, seed + 2, ...; the identity's bytes follow from the seed.
class CountingRandom final : public RandomSource {
public:
    void Seed(unsigned int seed) override { seeds.push_back(seed), next_ = seed; }
    int Next() override { return static_cast<int>(++next_); }
    std::vector<unsigned int> seeds;

private:
    unsigned int next_ = 0;
};

inline const std::string kLocal0 = "192.168.0.2";
inline const std::string kLocal1 = "10.0.0.2";

class ProtocolTest : public ::testing::Test {
protected:
    ProtocolTest() { segment.SetLocalAddresses(std::vector<std::string>{kLocal0}); }

    // Opens the sockets and clears the logs, so a test sees only its own traffic.
    void Open() {
        ASSERT_TRUE(protocol.OpenDeviceSockets());
        segment.ClearLogs();
        clock.ClearSleeps();
    }
    void Discover() { protocol.DiscoverDevices(kDefaultSelector1, kDefaultSelector2); }
    // Opens, discovers and selects the first device found.
    void OpenAndSelect() {
        Open();
        Discover();
        ASSERT_FALSE(protocol.Devices().Empty());
        protocol.SelectedDeviceIp = protocol.Devices().Records().front().ipText;
        segment.ClearLogs();
        clock.ClearSleeps();
    }

    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
};

}  // namespace norvale::test
