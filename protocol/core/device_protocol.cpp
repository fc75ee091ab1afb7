#include "protocol/core/device_protocol.h"

#include <algorithm>

#include "protocol/core/reply_parsers.h"

namespace norvale {
namespace {

// The longest the 48 polls of one interface take on schedule. A receiver that
// stays readable while every read fails cannot hold the pass beyond it.
constexpr std::chrono::milliseconds kDiscoverPollingTime =
    kPollTimeout * kDiscoverPolls + kDiscoverPollPause * (kDiscoverPolls - 1);

}  // namespace

DeviceProtocol::DeviceProtocol(SocketPort& sockets, ClockPort& clock, RandomSource& random)
    : sockets_(sockets), clock_(clock), random_(random), answer_(kAnswerCapacity + 1, 0) {}

DeviceProtocol::~DeviceProtocol() {
    std::lock_guard<std::mutex> lock(transport_);
    CloseSockets();
}

bool DeviceProtocol::OpenDeviceSockets() {
    std::lock_guard<std::mutex> lock(transport_);
    if (!sockets_.Startup()) return false;
    ++startups_;

    // When the lookup fails the previous table and identity stay in use.
    if (std::optional<std::vector<LocalInterface>> found = sockets_.LocalInterfaces()) {
        addresses_.Assign(*found);
        clientId_ = MakeClientId(clock_.WallSeconds(), random_);
    }

    CloseSockets();
    interfaces_.resize(static_cast<std::size_t>(addresses_.Count()));
    for (int i = 0; i < addresses_.Count(); ++i) {
        InterfaceSockets& sockets = interfaces_[static_cast<std::size_t>(i)];
        sockets.sender = sockets_.OpenSender(addresses_.At(i));
        if (sockets.sender == kNoSocket) sockets.error = sockets_.LastOpenError();
    }
    for (int i = 0; i < addresses_.Count(); ++i) {
        InterfaceSockets& sockets = interfaces_[static_cast<std::size_t>(i)];
        sockets.receiver = sockets_.OpenReceiver(addresses_.At(i), kDeviceGroup, kDevicePort);
        if (sockets.receiver == kNoSocket && sockets.error == 0) sockets.error = sockets_.LastOpenError();
    }
    return true;
}

std::vector<DeviceProtocol::InterfaceSocketState> DeviceProtocol::SocketStates() {
    std::lock_guard<std::mutex> lock(transport_);
    std::vector<InterfaceSocketState> states;
    for (std::size_t i = 0; i < interfaces_.size() && i < addresses_.Interfaces().size(); ++i) {
        const InterfaceSockets& sockets = interfaces_[i];
        states.push_back(InterfaceSocketState{addresses_.Interfaces()[i], sockets.sender != kNoSocket,
                                              sockets.receiver != kNoSocket, sockets.error});
    }
    return states;
}

void DeviceProtocol::CloseDeviceSockets(bool cleanup) {
    std::lock_guard<std::mutex> lock(transport_);
    CloseSockets();
    if (!cleanup) return;
    // Every successful start is matched by one clean-up, Refreshes included.
    for (; startups_ > 0; --startups_) sockets_.Cleanup();
}

void DeviceProtocol::CloseSockets() {
    for (const InterfaceSockets& sockets : interfaces_) {
        if (sockets.sender != kNoSocket) sockets_.Close(sockets.sender);
        if (sockets.receiver != kNoSocket) sockets_.Close(sockets.receiver);
    }
    interfaces_.clear();
}

void DeviceProtocol::Send(int interfaceIndex, const Datagram& request) {
    const SocketHandle sender = interfaces_[static_cast<std::size_t>(interfaceIndex)].sender;
    if (sender == kNoSocket) return;
    sockets_.SendTo(sender, request.data(), request.size(), kDeviceGroup, kDevicePort);
}

bool DeviceProtocol::WaitReadable(SocketHandle receiver, std::chrono::milliseconds timeout) {
    // A receiver that could not be made never delivers anything.
    if (receiver == kNoSocket) return false;
    return sockets_.WaitReadable(receiver, timeout);
}

int DeviceProtocol::ReadAnswer(SocketHandle receiver) {
    int size = sockets_.Receive(receiver, answer_.data(), kAnswerCapacity);
    if (size < 0) return -1;
    if (static_cast<std::size_t>(size) > kAnswerCapacity) size = static_cast<int>(kAnswerCapacity);
    answer_[static_cast<std::size_t>(size)] = 0;
    return size;
}

void DeviceProtocol::DiscoverDevices(std::uint8_t selector1, std::uint8_t selector2) {
    std::lock_guard<std::mutex> lock(transport_);
    devices_.Clear();
    // Only interfaces that can hear an answer take part.
    std::vector<int> taking;
    std::vector<SocketHandle> receivers;
    for (int i = 0; i < static_cast<int>(interfaces_.size()); ++i) {
        const SocketHandle receiver = interfaces_[static_cast<std::size_t>(i)].receiver;
        if (receiver == kNoSocket) continue;
        taking.push_back(i);
        receivers.push_back(receiver);
    }
    if (taking.empty()) return;

    const Datagram request = BuildDiscover(clientId_);
    for (int round = 0; round < 2; ++round) {
        for (const int i : taking) Send(i, request);
        clock_.Sleep(kDiscoverSendPause);
    }

    // Answers per interface in arrival order; the table is made from them
    // interface by interface at the end.
    std::vector<std::vector<DeviceRecord>> found(interfaces_.size());
    const std::chrono::milliseconds deadline = clock_.Now() + kDiscoverPollingTime;
    int polls = 0;
    while (polls < kDiscoverPolls && clock_.Now() < deadline) {
        const std::vector<SocketHandle> ready = sockets_.WaitAnyReadable(receivers, kPollTimeout);
        if (!ready.empty()) {
            bool anyRead = false;
            for (std::size_t k = 0; k < taking.size(); ++k) {
                if (std::find(ready.begin(), ready.end(), receivers[k]) == ready.end()) continue;
                if (TakeQueuedAnswers(taking[k], deadline, selector1, selector2,
                                      found[static_cast<std::size_t>(taking[k])])) {
                    anyRead = true;
                }
            }
            // A poll whose reads all failed is not one of the 48.
            if (!anyRead) continue;
        }
        if (++polls < kDiscoverPolls) clock_.Sleep(kDiscoverPollPause);
    }
    for (std::vector<DeviceRecord>& records : found) {
        for (DeviceRecord& record : records) devices_.Append(std::move(record));
    }
}

bool DeviceProtocol::TakeQueuedAnswers(int interfaceIndex, std::chrono::milliseconds deadline,
                                       std::uint8_t selector1, std::uint8_t selector2,
                                       std::vector<DeviceRecord>& found) {
    const SocketHandle receiver = interfaces_[static_cast<std::size_t>(interfaceIndex)].receiver;
    // Read everything already queued, so that no answer waits behind
    // another for the next poll and the pass lists every device that
    // answers in time, however many there are.
    bool anyRead = false;
    do {
        const int size = ReadAnswer(receiver);
        if (size < 0) continue;
        anyRead = true;
        const auto length = static_cast<std::size_t>(size);
        if (!AcceptsDiscoverReply(answer_.data(), length, clientId_, selector1, selector2)) continue;
        std::optional<DeviceRecord> record = ParseDiscoverReply(answer_.data(), length);
        if (!record) continue;
        record->interfaceIndex = interfaceIndex;
        found.push_back(std::move(*record));
    } while (clock_.Now() < deadline && sockets_.WaitReadable(receiver, {}));
    return anyRead;
}

std::optional<Datagram> DeviceProtocol::ExchangeRequest(const Datagram& request,
                                                        const ExchangeRule& rule) {
    std::lock_guard<std::mutex> lock(transport_);
    const DeviceRecord* device = FindSelected();
    if (device == nullptr) return std::nullopt;
    const int interfaceIndex = device->interfaceIndex;
    if (interfaceIndex < 0 || interfaceIndex >= static_cast<int>(interfaces_.size())) {
        return std::nullopt;
    }
    const SocketHandle receiver = interfaces_[static_cast<std::size_t>(interfaceIndex)].receiver;

    if (rule.drainsFirst) {
        for (int i = 0; i < kDrainPolls; ++i) {
            if (WaitReadable(receiver, kPollTimeout)) ReadAnswer(receiver);
        }
    }

    Send(interfaceIndex, request);

    // Failed reads and datagrams of another type are not misses; the deadline
    // keeps a steady stream of them from holding the exchange for ever.
    const std::chrono::milliseconds deadline = clock_.Now() + rule.LongestWait();
    const auto expectedType = static_cast<std::uint8_t>(rule.expectedType);
    int misses = 0;
    while (clock_.Now() < deadline) {
        if (WaitReadable(receiver, kPollTimeout)) {
            const int size = ReadAnswer(receiver);
            if (size < 0 || answer_[0] != expectedType) continue;
            const auto length = static_cast<std::size_t>(size);
            if (EchoesClientId(answer_.data(), length, clientId_) &&
                (!rule.requiredAddress || AnswerAddress(answer_.data(), length) == rule.requiredAddress)) {
                return Datagram(answer_.begin(), answer_.begin() + size);
            }
        }
        if (++misses > rule.missLimit) break;
        clock_.Sleep(kMissPause);
    }
    return std::nullopt;
}

}  // namespace norvale
