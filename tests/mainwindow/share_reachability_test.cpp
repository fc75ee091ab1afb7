// The reachability check against a real TCP listener standing for the
// device's web port: the schedule of its waits, and that the answer of a
// check that gave up never counts for the next one.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "mainwindow/core/shares/share_reachability.h"
#include "tests/fakes/loopback_http.h"
#include "tests/fakes/virtual_clock.h"

namespace norvale::test {
namespace {

using std::chrono::milliseconds;
using Sleeps = std::vector<milliseconds>;

// Workers are held until the clock lets them run: `onSleep` decides, at each
// wait of the dialog's thread, which held workers run (on this thread).
class HeldWorkers {
public:
    WorkerStart Starter() {
        return [this](std::function<void()> work) {
            if (refuse) return false;
            held.push_back(std::move(work));
            return true;
        };
    }
    void Run(std::size_t index) {
        ASSERT_LT(index, held.size());
        std::function<void()> work = std::move(held[index]);
        held[index] = nullptr;
        if (work) work();
    }
    std::vector<std::function<void()>> held;
    bool refuse = false;
};

class SteppedClock final : public ClockPort {
public:
    std::chrono::milliseconds Now() const override { return inner.Now(); }
    void Sleep(std::chrono::milliseconds duration) override {
        inner.Sleep(duration);
        if (onSleep) onSleep(static_cast<int>(inner.Sleeps().size()));
    }
    long long WallSeconds() const override { return inner.WallSeconds(); }

    VirtualClock inner;
    std::function<void(int sleepNumber)> onSleep;
};

class ReachabilityTest : public ::testing::Test {
protected:
    ReachabilityTest() {
        EXPECT_TRUE(web.Listening());
        http.Route(L"192.168.1.20", web.Port());
    }

    LoopbackListener web;
    TcpHttpCheck http;
    SteppedClock clock;
    HeldWorkers workers;
    ReachabilityCheck check{http, clock};
};

TEST_F(ReachabilityTest, AnsweringDeviceIsFoundAtTheFirstWait) {
    clock.onSleep = [&](int) { workers.Run(workers.held.size() - 1); };
    EXPECT_TRUE(check.Run(workers.Starter(), L"192.168.1.20"));
    EXPECT_EQ(http.Connections(), 1) << "a real connection was made";
    EXPECT_EQ(http.Urls(), std::vector<std::wstring>{L"http://192.168.1.20"});
    EXPECT_EQ(clock.inner.Sleeps(), Sleeps{milliseconds(1000)});
}

TEST_F(ReachabilityTest, RefusedOrSilentDeviceIsUnreachable) {
    web.Close();
    clock.onSleep = [&](int n) { if (n == 2) workers.Run(0); };
    EXPECT_FALSE(check.Run(workers.Starter(), L"192.168.1.20")) << "a closed port refuses";
    EXPECT_EQ(clock.inner.Sleeps().size(), 2u) << "the refusal ends the wait";

    clock.inner.ClearSleeps();
    clock.onSleep = nullptr;  // the worker never gets to answer
    EXPECT_FALSE(check.Run(workers.Starter(), L"192.168.1.20"));
    EXPECT_EQ(clock.inner.Sleeps(), Sleeps(3, milliseconds(1000))) << "three waits of a second, then give up";

    clock.inner.ClearSleeps();
    workers.refuse = true;
    EXPECT_FALSE(check.Run(workers.Starter(), L"192.168.1.20")) << "no worker thread: no answer";
    EXPECT_TRUE(clock.inner.Sleeps().empty());
}

TEST_F(ReachabilityTest, LateAnswerOfAnAbandonedCheckDoesNotCountForTheNext) {
    // The first check gives up while its worker still hangs in the network.
    EXPECT_FALSE(check.Run(workers.Starter(), L"192.168.1.20"));
    // Meanwhile the device went away. During the second check the first
    // worker finally answers "reachable"; the second one only answers later.
    web.Close();
    LoopbackListener stale;
    http.Route(L"192.168.1.20", stale.Port());  // the first worker still connects
    clock.onSleep = [&](int n) {
        if (n == 4) {
            workers.Run(0);
            http.Route(L"192.168.1.20", web.Port());  // closed now
        }
        if (n == 5) workers.Run(1);
    };
    EXPECT_FALSE(check.Run(workers.Starter(), L"192.168.1.20"));
    EXPECT_EQ(http.Connections(), 1) << "the late worker did connect";
    EXPECT_EQ(clock.inner.Sleeps().size(), 5u) << "the second check waited for its own answer";
}

TEST(ReachabilityUrl, IsTheSchemeAndTheAddressWithinSixtyThreeCharacters) {
    EXPECT_EQ(ReachabilityUrl(L"10.0.0.5"), L"http://10.0.0.5");
    EXPECT_EQ(ReachabilityUrl(std::wstring(100, L'a')).size(), 63u);
}

}  // namespace
}  // namespace norvale::test
