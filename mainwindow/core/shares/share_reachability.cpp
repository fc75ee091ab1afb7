#include "mainwindow/core/shares/share_reachability.h"

#include <atomic>
#include <chrono>
#include <memory>

#include "platform/core/utf8.h"

namespace norvale {

namespace {

constexpr std::size_t kMaxUrlChars = 63;
constexpr int kPolls = 3;
constexpr std::chrono::milliseconds kPollInterval{1000};

constexpr int kNoAnswer = 0;
constexpr int kAnswered = 1;
constexpr int kNotAnswered = -1;

}  // namespace

std::wstring ReachabilityUrl(const std::wstring& address) {
    return TruncateWide(L"http://" + address, kMaxUrlChars);
}

bool ReachabilityCheck::Run(const WorkerStart& start, const std::wstring& address) {
    // Owned jointly by this call and its worker, so a worker that outlives
    // the call writes into a result nobody reads any more.
    auto result = std::make_shared<std::atomic<int>>(kNoAnswer);
    HttpCheckPort& http = http_;
    const std::wstring url = ReachabilityUrl(address);
    const bool started = start([result, &http, url] {
        result->store(http.CheckConnection(url) ? kAnswered : kNotAnswered);
    });
    if (!started) return false;
    for (int poll = 0; poll < kPolls; ++poll) {
        clock_.Sleep(kPollInterval);
        const int answer = result->load();
        if (answer != kNoAnswer) return answer == kAnswered;
    }
    return false;
}

}  // namespace norvale
