// A simulated LAN segment for tests of the device protocol: it implements
// SocketPort over a VirtualClock and carries datagrams between the client and
// scriptable in-process appliances, with arrival times in virtual time.
//
//   VirtualClock clock;
//   FakeSegment segment(clock);
//   segment.SetLocalAddresses({"192.168.0.2"});
//   FakeAppliance& nas = segment.AddAppliance({});      // ApplianceConfig defaults
//   nas.config.shares = {"public", "media"};
//   DeviceProtocol protocol(segment, clock, random);
//   protocol.OpenDeviceSockets();
//   protocol.DiscoverDevices(0, 8);                       // finds nas
//
// Model:
// - Each local address is one interface. Every receiver opened on it gets a
//   copy of every datagram that arrives on it after it was opened; the
//   client's own requests are not looped back.
// - A request the client sends on an interface reaches at once every
//   appliance attached to that interface. An appliance answers by multicast
//   after its reply delay: the answer arrives on every interface it is
//   attached to.
// - WaitReadable answers at once when a datagram has arrived; otherwise it
//   advances the clock to the next arrival or by the whole timeout
//   (VirtualClock::Advance, so it never shows up among the Sleeps).
// - Every sent datagram is logged with its virtual time and interface, every
//   WaitReadable with its time, timeout and result.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/core/socket_port.h"
#include "tests/fakes/virtual_clock.h"

namespace norvale::test {

using Bytes = std::vector<std::uint8_t>;

struct ApplianceConfig {
    std::array<std::uint8_t, 6> identifier{0x00, 0x14, 0x2A, 0x01, 0x02, 0x03};
    std::string ip = "192.168.0.10";
    std::string netmask = "255.255.255.0";
    std::string gateway = "192.168.0.1";
    char addressMode = '0';           // '1': DHCP
    std::string service = "iscsi";    // at most 9 bytes are sent
    std::string name = "NAS";         // UTF-8, as sent behind the name length
    std::uint8_t selector1 = 0;       // bytes 56 / 57 of the DiscoverReply
    std::uint8_t selector2 = 8;
    // The local addresses whose interfaces reach the appliance; empty: all.
    std::vector<std::string> interfaces;
    std::chrono::milliseconds replyDelay{5};

    std::vector<std::string> shares;   // answered 10 a page, joined by ':'
    std::vector<std::string> targets;  // answered whole, joined by '='
    // Answer texts of the count queries; empty: the size of the list.
    std::string shareCountText;
    std::string targetCountText;

    std::string adminUser = "admin";
    std::string adminPassword;
    std::uint8_t loginAcceptedByte = 1;
    // Settings requests are ignored unless this client logged in before.
    bool settingsNeedLogin = true;
    std::string dhcpAddress = "192.168.0.77";  // taken on SetDhcpClient
};

// What an appliance received, with the virtual time it arrived.
struct ReceivedRequest {
    std::chrono::milliseconds time;
    Bytes bytes;
};

class FakeAppliance {
public:
    explicit FakeAppliance(ApplianceConfig initial) : config(std::move(initial)) {}

    ApplianceConfig config;

    // Scripts, applied to every answer from now on.
    int dropNextRequests = 0;            // ignore the next N requests
    int duplicates = 0;                  // send each answer 1 + N times
    std::optional<std::array<std::uint8_t, 10>> echoedClientId;  // answer another client
    bool staleSetReplyFirst = false;     // a SetReply from the old address before the real one
    std::optional<std::uint32_t> nameLengthField;  // DiscoverReply bytes 68..71 as sent
    std::optional<std::size_t> discoverReplySize;  // cut (or pad) the DiscoverReply to this

    const std::vector<ReceivedRequest>& Requests() const { return requests_; }
    bool IsAttachedTo(const std::string& localAddress) const;

    // The 10-byte device id as the appliance sends it now (identifier, ip).
    std::array<std::uint8_t, 10> DeviceIdBytes() const;

private:
    friend class FakeSegment;
    // The answers to one request (possibly none).
    std::vector<Bytes> Answer(const Bytes& request);
    Bytes DiscoverReply(const Bytes& request) const;
    Bytes QueryReply(const Bytes& request, const std::string& result) const;
    Bytes QueryReplyByte(const Bytes& request, std::uint8_t result) const;
    Bytes SetReply(const Bytes& request, const std::string& address) const;
    void EchoHeader(Bytes& answer, std::uint8_t type, const Bytes& request,
                    const std::string& address) const;

    std::vector<ReceivedRequest> requests_;
    std::vector<Bytes> loggedInClients_;  // bytes 1..10 of accepted logins
};

struct SentDatagram {
    std::chrono::milliseconds time;
    std::string interfaceAddress;  // the local address of the sender
    Bytes bytes;
};

struct WaitRecord {
    std::chrono::milliseconds time;     // when the wait began
    std::string interfaceAddress;
    std::chrono::milliseconds timeout;
    bool readable;
};

class FakeSegment final : public SocketPort {
public:
    explicit FakeSegment(VirtualClock& clock) : clock_(clock) {}

    // nullopt: the host-name lookup fails.
    void SetLocalAddresses(std::optional<std::vector<std::string>> addresses) {
        addresses_ = std::move(addresses);
    }
    // The adapters as the system lists them (kinds, names, states); the
    // plain address list stays for the callers that only know it.
    void SetLocalInterfaces(std::vector<LocalInterface> interfaces) { interfaces_ = std::move(interfaces); }
    void FailStartup(bool fail) { failStartup_ = fail; }
    // Receivers (or senders) on this local address cannot be made.
    void FailReceiversOn(const std::string& localAddress) { failedReceivers_.push_back(localAddress); }
    void FailSendersOn(const std::string& localAddress) { failedSenders_.push_back(localAddress); }

    FakeAppliance& AddAppliance(ApplianceConfig config);
    FakeAppliance& Appliance(std::size_t index) { return *appliances_.at(index); }

    // Foreign traffic arriving on the interface of `localAddress`.
    void Inject(const std::string& localAddress, std::chrono::milliseconds arrival, Bytes bytes);
    // One copy every `interval` from `from` until before `until`.
    void Flood(const std::string& localAddress, std::chrono::milliseconds from,
               std::chrono::milliseconds until, std::chrono::milliseconds interval, const Bytes& bytes);
    // A read at or after `arrival` that fails (recvfrom < 0).
    void InjectFailedRead(const std::string& localAddress, std::chrono::milliseconds arrival);

    const std::vector<SentDatagram>& Sent() const { return sent_; }
    const std::vector<WaitRecord>& Waits() const { return waits_; }
    void ClearLogs() { sent_.clear(); waits_.clear(); }
    int Startups() const { return startups_; }
    int Cleanups() const { return cleanups_; }
    int OpenSockets() const;
    // Datagrams queued on the open receivers of an interface, arrived or not.
    std::size_t Queued(const std::string& localAddress) const;

    // SocketPort
    bool Startup() override;
    void Cleanup() override { ++cleanups_; }
    std::optional<std::vector<std::string>> LocalAddresses() override { return addresses_; }
    std::optional<std::vector<LocalInterface>> LocalInterfaces() override {
        return interfaces_ ? interfaces_ : SocketPort::LocalInterfaces();
    }
    // A failed socket reports WSAEACCES, as one a firewall's policy refused.
    int LastOpenError() const override { return lastOpenError_; }
    SocketHandle OpenSender(const std::string& localAddress) override;
    SocketHandle OpenReceiver(const std::string& localAddress, const std::string& group,
                              std::uint16_t port) override;
    bool SendTo(SocketHandle sender, const std::uint8_t* data, std::size_t size,
                const std::string& group, std::uint16_t port) override;
    bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) override;
    std::vector<SocketHandle> WaitAnyReadable(const std::vector<SocketHandle>& sockets,
                                              std::chrono::milliseconds timeout) override;
    int Receive(SocketHandle socket, std::uint8_t* buffer, std::size_t capacity) override;
    void Close(SocketHandle socket) override;

private:
    struct Arrival {
        std::chrono::milliseconds time;
        bool failedRead;
        Bytes bytes;
    };
    struct Socket {
        bool receiver;
        std::string interfaceAddress;
        std::deque<Arrival> queue;  // ordered by time
    };

    void Deliver(const std::string& localAddress, Arrival arrival);
    Socket* Find(SocketHandle handle);

    VirtualClock& clock_;
    std::optional<std::vector<std::string>> addresses_;
    std::optional<std::vector<LocalInterface>> interfaces_;
    int lastOpenError_ = 0;
    bool failStartup_ = false;
    std::vector<std::string> failedReceivers_;
    std::vector<std::string> failedSenders_;
    std::vector<std::unique_ptr<FakeAppliance>> appliances_;
    std::map<SocketHandle, Socket> sockets_;
    SocketHandle nextHandle_ = 100;
    std::vector<SentDatagram> sent_;
    std::vector<WaitRecord> waits_;
    int startups_ = 0;
    int cleanups_ = 0;
};

}  // namespace norvale::test
