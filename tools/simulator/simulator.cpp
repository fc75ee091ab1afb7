#include "tools/simulator/simulator.h"

#include <poll.h>

#include <algorithm>

#include "platform/core/clock_port.h"
#include "tools/simulator/datagram_log.h"
#include "tools/simulator/net_interfaces.h"

namespace norvale::sim {
namespace {

using std::chrono::milliseconds;

constexpr std::size_t kMaxPending = 4096;      // queued answers; more are dropped
constexpr int kMaxReceivesPerTurn = 256;       // datagrams read before serving the rest
constexpr int kMaxFloodBurst = 500;            // foreign datagrams sent per turn
constexpr milliseconds kIdleTurn{20};

// Datagrams of other parties on the segment: another client's settings
// request, an answer for another client, and bytes of no known form.
Bytes ForeignDatagram(std::int64_t sequence, std::mt19937& random) {
    Bytes datagram;
    switch (sequence % 3) {
    case 0:
        datagram.assign(60, 0);
        datagram[0] = 0x05;
        break;
    case 1:
        datagram.assign(29, 0);
        datagram[0] = 0x04;
        break;
    default:
        datagram.assign(17, 0);
        datagram[0] = 0x42;
        break;
    }
    for (std::size_t i = 1; i < 11 && i < datagram.size(); ++i) {
        datagram[i] = static_cast<std::uint8_t>(random());  // a foreign client identity
    }
    return datagram;
}

}  // namespace

Simulator::Simulator(SimulatorConfig config, std::ostream& log)
    : random_(config.seed), log_(log), start_(SystemClock().Now()) {
    for (ApplianceConfig& appliance : config.appliances) {
        stations_.push_back(Station{Appliance(std::move(appliance)), 0, {}, nullptr, 0, {}});
    }
}

milliseconds Simulator::Now() const {
    return SystemClock().Now() - start_;
}

void Simulator::Log(const std::string& line) {
    const long long ms = Now().count();
    log_ << ms / 1000 << '.' << static_cast<char>('0' + ms / 100 % 10)
         << static_cast<char>('0' + ms / 10 % 10) << static_cast<char>('0' + ms % 10) << ' '
         << line << '\n'
         << std::flush;
}

bool Simulator::Open() {
    if (!listener_.Open()) {
        Log("error: cannot bind UDP port " + std::to_string(kProtocolPort));
        return false;
    }
    for (Station& station : stations_) {
        const ApplianceConfig& config = station.appliance.Config();
        station.interfaceIndex = InterfaceIndex(config.interfaceName);
        if (station.interfaceIndex == 0) {
            Log("error: no interface " + config.interfaceName);
            return false;
        }
        if (!AddInterfaceAddress(config.interfaceName, config.address, config.netmask)) {
            Log("error: cannot put " + config.address + " on " + config.interfaceName);
            return false;
        }
        if (!listener_.Join(station.interfaceIndex) || !station.sender.Open(config.address)) {
            Log("error: cannot open the sockets of " + config.address);
            return false;
        }
        if (!config.http.address.empty()) {
            station.http = std::make_unique<HttpServer>();
            if (!AddInterfaceAddress(config.interfaceName, config.http.address, config.netmask) ||
                !station.http->Open(config.http.address, config.http.port, config.name)) {
                Log("error: cannot serve http on " + config.http.address + ":" +
                    std::to_string(config.http.port));
                return false;
            }
        }
        Log("appliance " + config.name + " at " + config.address + " on " + config.interfaceName);
    }
    return true;
}

void Simulator::Run(const std::atomic<bool>& stop) {
    std::vector<pollfd> entries;
    while (!stop.load()) {
        entries.clear();
        entries.push_back(pollfd{listener_.Fd(), POLLIN, 0});
        for (const Station& station : stations_) {
            if (station.http) station.http->AddPollEntries(entries);
        }
        milliseconds wait = kIdleTurn;
        for (const Pending& pending : pending_) wait = std::min(wait, pending.due - Now());
        wait = std::max(wait, milliseconds{0});
        poll(entries.data(), entries.size(), static_cast<int>(wait.count()));

        if ((entries[0].revents & POLLIN) != 0) {
            for (int i = 0; i < kMaxReceivesPerTurn; ++i) {
                const auto arrival = listener_.ReceiveOne();
                if (!arrival) break;
                Handle(*arrival);
            }
        }
        const milliseconds now = Now();
        for (Station& station : stations_) {
            if (station.http) station.http->Service(entries, now);
        }
        SendDue(now);
        Flood(now);
    }
    Log("stopping");
}

void Simulator::Handle(const Arrival& arrival) {
    const std::string where = "if=" + InterfaceName(arrival.interfaceIndex);
    Log("rx " + where + " from=" + arrival.source + " to=" + arrival.destination + " " +
        DescribeDatagram(arrival.data.data(), arrival.data.size()));
    const DecodeResult decoded = DecodeRequest(arrival.data.data(), arrival.data.size());
    if (!decoded.request) return;
    for (std::size_t i = 0; i < stations_.size(); ++i) {
        const Station& station = stations_[i];
        if (station.interfaceIndex != arrival.interfaceIndex) continue;
        const bool toGroup = arrival.destination == kProtocolGroup;
        if (!toGroup && arrival.destination != station.appliance.Address()) continue;
        Answer(i, *decoded.request);
    }
}

void Simulator::Answer(std::size_t index, const Request& request) {
    Station& station = stations_[index];
    const ApplianceConfig& config = station.appliance.Config();
    std::optional<sim::Answer> answer = station.appliance.Respond(request);
    if (!answer) return;
    if (std::uniform_real_distribution<double>(0.0, 1.0)(random_) < config.dropRate) {
        Log("drop " + config.name + " (drop rate)");
        return;
    }
    if (answer->move && !Move(station, *answer->move)) return;
    const milliseconds due = Now() + milliseconds{config.replyDelayMs};
    for (int copy = 0; copy < config.duplicates; ++copy) {
        if (pending_.size() >= kMaxPending) {
            Log("drop " + config.name + " (answer queue full)");
            return;
        }
        pending_.push_back(Pending{due, index, answer->datagram});
    }
}

// The appliance takes its new address: the address goes onto the interface
// and the sender is rebound, so the answer and all later ones come from it.
// The old address stays on the interface: removing a primary address would
// take the secondary addresses of the other appliances with it.
bool Simulator::Move(Station& station, const AddressChange& change) {
    const ApplianceConfig& config = station.appliance.Config();
    ReplySender sender;
    if (!AddInterfaceAddress(config.interfaceName, change.address, change.netmask) ||
        !sender.Open(change.address)) {
        Log("error: " + config.name + " cannot move to " + change.address);
        return false;
    }
    Log("move " + config.name + " " + station.appliance.Address() + " -> " + change.address +
        (change.dhcp ? " (dhcp)" : " (static)"));
    station.sender = std::move(sender);
    station.appliance.CompleteMove(change);
    return true;
}

void Simulator::SendDue(milliseconds now) {
    auto due = std::stable_partition(pending_.begin(), pending_.end(),
                                     [now](const Pending& p) { return p.due <= now; });
    for (auto it = pending_.begin(); it != due; ++it) {
        Station& station = stations_[it->station];
        const bool sent = station.sender.Send(it->datagram);
        Log(std::string(sent ? "tx " : "tx-failed ") + station.appliance.Config().name + " from " +
            station.appliance.Address() + " type=0x" +
            "0123456789abcdef"[it->datagram[0] >> 4] + "0123456789abcdef"[it->datagram[0] & 15] +
            " len=" + std::to_string(it->datagram.size()));
    }
    pending_.erase(pending_.begin(), due);
}

void Simulator::Flood(milliseconds now) {
    using std::chrono::microseconds;
    for (Station& station : stations_) {
        const FloodConfig& flood = station.appliance.Config().flood;
        if (flood.ratePerSecond <= 0 || flood.durationMs <= 0) continue;
        const microseconds begin = milliseconds{flood.startAfterMs};
        const microseconds end = begin + milliseconds{flood.durationMs};
        const microseconds gap{1'000'000 / flood.ratePerSecond};
        if (station.floodNext < begin) station.floodNext = begin;
        int burst = 0;
        while (station.floodNext <= now && station.floodNext < end && burst < kMaxFloodBurst) {
            station.sender.Send(ForeignDatagram(station.floodSent, random_));
            ++station.floodSent;
            ++burst;
            station.floodNext += gap;
            if (station.floodNext >= end) {
                Log("flood " + station.appliance.Config().name + " ended after " +
                    std::to_string(station.floodSent) + " datagrams");
            }
        }
        // A slow turn does not turn into a burst later: the schedule skips ahead.
        if (burst == kMaxFloodBurst && station.floodNext < now) station.floodNext = now;
    }
}

}  // namespace norvale::sim
