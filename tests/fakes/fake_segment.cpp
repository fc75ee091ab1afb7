#include "tests/fakes/fake_segment.h"

#include "tests/fakes/freed_block_scan.h"

#include <algorithm>
#include <cstdlib>

namespace norvale::test {
namespace {

Bytes Ipv4Bytes(const std::string& text) {
    Bytes bytes(4, 0);
    std::size_t pos = 0;
    for (int i = 0; i < 4 && pos <= text.size(); ++i) {
        bytes[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(std::atoi(text.c_str() + pos));
        pos = text.find('.', pos);
        if (pos == std::string::npos) break;
        ++pos;
    }
    return bytes;
}

void PutText(Bytes& bytes, std::size_t offset, const std::string& text, std::size_t maxBytes) {
    const std::size_t length = std::min(text.size(), maxBytes);
    if (bytes.size() < offset + length) bytes.resize(offset + length, 0);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length),
              bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

void PutLe32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLe32(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

// The zero-terminated text at `offset`, never beyond `end`.
std::string GetText(const Bytes& bytes, std::size_t offset, std::size_t end) {
    std::string text;
    for (std::size_t i = offset; i < std::min(end, bytes.size()) && bytes[i] != 0; ++i) {
        text.push_back(static_cast<char>(bytes[i]));
    }
    return text;
}

std::string Join(const std::vector<std::string>& items, std::size_t first, std::size_t count,
                 char separator) {
    std::string text;
    for (std::size_t i = first; i < items.size() && i < first + count; ++i) {
        if (!text.empty()) text.push_back(separator);
        text += items[i];
    }
    return text;
}

Bytes ClientOf(const Bytes& request) { return Bytes(request.begin() + 1, request.begin() + 11); }

}  // namespace

// --- FakeAppliance -----------------------------------------------------------

bool FakeAppliance::IsAttachedTo(const std::string& localAddress) const {
    return config.interfaces.empty() ||
           std::find(config.interfaces.begin(), config.interfaces.end(), localAddress) !=
               config.interfaces.end();
}

std::array<std::uint8_t, 10> FakeAppliance::DeviceIdBytes() const {
    std::array<std::uint8_t, 10> id{};
    std::copy(config.identifier.begin(), config.identifier.end(), id.begin());
    const Bytes address = Ipv4Bytes(config.ip);
    std::copy(address.begin(), address.end(), id.begin() + 6);
    return id;
}

void FakeAppliance::EchoHeader(Bytes& answer, std::uint8_t type, const Bytes& request,
                               const std::string& address) const {
    answer[0] = type;
    if (echoedClientId) {
        std::copy(echoedClientId->begin(), echoedClientId->end(), answer.begin() + 1);
    } else {
        std::copy(request.begin() + 1, request.begin() + 11, answer.begin() + 1);
    }
    std::copy(config.identifier.begin(), config.identifier.end(), answer.begin() + 11);
    const Bytes ip = Ipv4Bytes(address);
    std::copy(ip.begin(), ip.end(), answer.begin() + 17);
}

Bytes FakeAppliance::DiscoverReply(const Bytes& request) const {
    Bytes answer(72, 0);
    EchoHeader(answer, 0x07, request, config.ip);
    answer[21] = static_cast<std::uint8_t>(config.addressMode);
    PutText(answer, 24, config.netmask, 16);
    PutText(answer, 40, config.gateway, 16);
    answer[56] = config.selector1;
    answer[57] = config.selector2;
    PutText(answer, 59, config.service, 9);
    PutLe32(answer, 68, nameLengthField.value_or(static_cast<std::uint32_t>(config.name.size())));
    PutText(answer, 72, config.name, config.name.size());
    if (discoverReplySize) answer.resize(*discoverReplySize, 0);
    return answer;
}

Bytes FakeAppliance::QueryReply(const Bytes& request, const std::string& result) const {
    Bytes answer(28, 0);
    EchoHeader(answer, 0x04, request, config.ip);
    PutText(answer, 28, result, result.size());
    answer.push_back(0);
    return answer;
}

Bytes FakeAppliance::QueryReplyByte(const Bytes& request, std::uint8_t result) const {
    Bytes answer(29, 0);
    EchoHeader(answer, 0x04, request, config.ip);
    answer[28] = result;
    return answer;
}

Bytes FakeAppliance::SetReply(const Bytes& request, const std::string& address) const {
    Bytes answer(24, 0);
    EchoHeader(answer, 0x06, request, address);
    return answer;
}

std::vector<Bytes> FakeAppliance::Answer(const Bytes& request) {
    if (dropNextRequests > 0) {
        --dropNextRequests;
        return {};
    }
    std::vector<Bytes> answers;
    if (!request.empty() && request[0] == 0x01 && request.size() >= 11) {
        answers.push_back(DiscoverReply(request));
    } else if (request.size() >= 28 && (request[0] == 0x03 || request[0] == 0x05)) {
        const auto id = DeviceIdBytes();
        if (!std::equal(id.begin(), id.end(), request.begin() + 11)) return {};  // another device
        const std::uint8_t sub = request[21];
        if (request[0] == 0x03) {
            if (sub == 0x36) {
                answers.push_back(QueryReply(request, config.shareCountText.empty()
                                                          ? std::to_string(config.shares.size())
                                                          : config.shareCountText));
            } else if (sub == 0x37) {
                answers.push_back(QueryReply(request, config.targetCountText.empty()
                                                          ? std::to_string(config.targets.size())
                                                          : config.targetCountText));
            } else if (sub == 0x03 && request.size() >= 32) {
                const int first = std::atoi(GetText(request, 28, 32).c_str());
                answers.push_back(QueryReply(
                    request, Join(config.shares, static_cast<std::size_t>(std::max(first, 0)), 10, ':')));
            } else if (sub == 0x33) {
                answers.push_back(QueryReply(request, Join(config.targets, 0, config.targets.size(), '=')));
            } else if (sub == 0x04) {
                const std::uint32_t length = GetLe32(request, 24);
                const std::string expected = config.adminUser + "\x55\xAA" + config.adminPassword;
                const bool accepted = length == expected.size() && request.size() == 28 + length &&
                                      std::equal(expected.begin(), expected.end(), request.begin() + 28,
                                                 [](char a, std::uint8_t b) {
                                                     return static_cast<std::uint8_t>(a) == b;
                                                 });
                if (accepted) loggedInClients_.push_back(ClientOf(request));
                answers.push_back(QueryReplyByte(request, accepted ? config.loginAcceptedByte : 0));
            }
        } else {
            const bool loggedIn = std::find(loggedInClients_.begin(), loggedInClients_.end(),
                                            ClientOf(request)) != loggedInClients_.end();
            if (config.settingsNeedLogin && !loggedIn) return {};
            if (request.size() < 60) return {};
            const std::string oldIp = config.ip;
            if (sub == 0x01) {
                const std::uint32_t length = GetLe32(request, 56);
                if (request.size() != 60 + length) return {};
                config.ip = std::string(request.begin() + 60, request.end());
                config.netmask = GetText(request, 24, 40);
                config.gateway = GetText(request, 40, 56);
                config.addressMode = '0';
            } else if (sub == 0x02) {
                config.ip = config.dhcpAddress;
                config.addressMode = '1';
            } else {
                return {};
            }
            if (staleSetReplyFirst) answers.push_back(SetReply(request, oldIp));
            answers.push_back(SetReply(request, config.ip));
        }
    }
    std::vector<Bytes> sent;
    for (const Bytes& answer : answers) {
        for (int i = 0; i <= duplicates; ++i) sent.push_back(answer);
    }
    return sent;
}

// --- FakeSegment -------------------------------------------------------------

FakeAppliance& FakeSegment::AddAppliance(ApplianceConfig config) {
    appliances_.push_back(std::make_unique<FakeAppliance>(std::move(config)));
    return *appliances_.back();
}

void FakeSegment::Inject(const std::string& localAddress, std::chrono::milliseconds arrival, Bytes bytes) {
    Deliver(localAddress, {arrival, false, std::move(bytes)});
}

void FakeSegment::Flood(const std::string& localAddress, std::chrono::milliseconds from,
                        std::chrono::milliseconds until, std::chrono::milliseconds interval,
                        const Bytes& bytes) {
    for (auto t = from; t < until; t += interval) Inject(localAddress, t, bytes);
}

void FakeSegment::InjectFailedRead(const std::string& localAddress, std::chrono::milliseconds arrival) {
    Deliver(localAddress, {arrival, true, {}});
}

void FakeSegment::Deliver(const std::string& localAddress, Arrival arrival) {
    for (auto& [handle, socket] : sockets_) {
        if (!socket.receiver || socket.interfaceAddress != localAddress) continue;
        const auto at = std::upper_bound(
            socket.queue.begin(), socket.queue.end(), arrival.time,
            [](std::chrono::milliseconds time, const Arrival& queued) { return time < queued.time; });
        socket.queue.insert(at, arrival);
    }
}

FakeSegment::Socket* FakeSegment::Find(SocketHandle handle) {
    const auto it = sockets_.find(handle);
    return it == sockets_.end() ? nullptr : &it->second;
}

int FakeSegment::OpenSockets() const { return static_cast<int>(sockets_.size()); }

std::size_t FakeSegment::Queued(const std::string& localAddress) const {
    std::size_t count = 0;
    for (const auto& [handle, socket] : sockets_) {
        if (socket.receiver && socket.interfaceAddress == localAddress) count += socket.queue.size();
    }
    return count;
}

bool FakeSegment::Startup() {
    if (failStartup_) return false;
    ++startups_;
    return true;
}

constexpr int kWsaAccessDenied = 10013;

SocketHandle FakeSegment::OpenSender(const std::string& localAddress) {
    lastOpenError_ = 0;
    if (std::find(failedSenders_.begin(), failedSenders_.end(), localAddress) != failedSenders_.end()) {
        lastOpenError_ = kWsaAccessDenied;
        return kNoSocket;
    }
    sockets_[nextHandle_] = {false, localAddress, {}};
    return nextHandle_++;
}

SocketHandle FakeSegment::OpenReceiver(const std::string& localAddress, const std::string&,
                                       std::uint16_t) {
    lastOpenError_ = 0;
    if (std::find(failedReceivers_.begin(), failedReceivers_.end(), localAddress) !=
        failedReceivers_.end()) {
        lastOpenError_ = kWsaAccessDenied;
        return kNoSocket;
    }
    sockets_[nextHandle_] = {true, localAddress, {}};
    return nextHandle_++;
}

bool FakeSegment::SendTo(SocketHandle sender, const std::uint8_t* data, std::size_t size,
                         const std::string&, std::uint16_t) {
    const FreedBlockScanPause network;
    const Socket* socket = Find(sender);
    if (socket == nullptr || socket->receiver) return false;
    const std::string from = socket->interfaceAddress;
    Bytes bytes(data, data + size);
    sent_.push_back({clock_.Now(), from, bytes});

    for (const auto& appliance : appliances_) {
        if (!appliance->IsAttachedTo(from)) continue;
        appliance->requests_.push_back({clock_.Now(), bytes});
        const auto arrival = clock_.Now() + appliance->config.replyDelay;
        std::vector<std::string> reached = appliance->config.interfaces;
        if (reached.empty() && addresses_) reached = *addresses_;
        for (const Bytes& answer : appliance->Answer(bytes)) {
            for (const std::string& address : reached) Deliver(address, {arrival, false, answer});
        }
    }
    return true;
}

bool FakeSegment::WaitReadable(SocketHandle handle, std::chrono::milliseconds timeout) {
    Socket* socket = Find(handle);
    const auto now = clock_.Now();
    bool readable = false;
    if (socket != nullptr && socket->receiver) {
        if (!socket->queue.empty() && socket->queue.front().time <= now + timeout) {
            if (socket->queue.front().time > now) clock_.Advance(socket->queue.front().time - now);
            readable = true;
        } else {
            clock_.Advance(timeout);
        }
    }
    waits_.push_back({now, socket ? socket->interfaceAddress : std::string(), timeout, readable});
    return readable;
}

std::vector<SocketHandle> FakeSegment::WaitAnyReadable(const std::vector<SocketHandle>& handles,
                                                        std::chrono::milliseconds timeout) {
    const auto now = clock_.Now();
    // The wait ends with the first arrival among them, or at its timeout.
    std::optional<std::chrono::milliseconds> first;
    for (const SocketHandle handle : handles) {
        const Socket* socket = Find(handle);
        if (socket == nullptr || !socket->receiver || socket->queue.empty()) continue;
        const auto time = std::max(socket->queue.front().time, now);
        if (time <= now + timeout && (!first || time < *first)) first = time;
    }
    clock_.Advance((first ? *first : now + timeout) - now);
    std::vector<SocketHandle> ready;
    for (const SocketHandle handle : handles) {
        const Socket* socket = Find(handle);
        const bool readable = first && socket != nullptr && socket->receiver && !socket->queue.empty() &&
                              socket->queue.front().time <= clock_.Now();
        if (socket != nullptr) waits_.push_back({now, socket->interfaceAddress, timeout, readable});
        if (readable) ready.push_back(handle);
    }
    return ready;
}

int FakeSegment::Receive(SocketHandle handle, std::uint8_t* buffer, std::size_t capacity) {
    Socket* socket = Find(handle);
    if (socket == nullptr || !socket->receiver || socket->queue.empty() ||
        socket->queue.front().time > clock_.Now()) {
        return -1;
    }
    Arrival arrival = std::move(socket->queue.front());
    socket->queue.pop_front();
    if (arrival.failedRead) return -1;
    const std::size_t size = std::min(arrival.bytes.size(), capacity);
    std::copy(arrival.bytes.begin(), arrival.bytes.begin() + static_cast<std::ptrdiff_t>(size), buffer);
    return static_cast<int>(size);
}

void FakeSegment::Close(SocketHandle handle) { sockets_.erase(handle); }

}  // namespace norvale::test
