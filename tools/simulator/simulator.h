// Many appliances in one process: hears the protocol port, lets each
// appliance on the arrival interface answer, applies the configured delays,
// drops, duplicates and floods, and serves the web pages. One thread, one poll
// loop; every queue and every flood is bounded.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "tools/simulator/appliance.h"
#include "tools/simulator/appliance_config.h"
#include "tools/simulator/http_server.h"
#include "tools/simulator/multicast_socket.h"

namespace norvale::sim {

class Simulator {
public:
    Simulator(SimulatorConfig config, std::ostream& log);

    // Puts the addresses on the interfaces and opens every socket; false (with
    // the reason logged) when something is missing.
    bool Open();
    // Serves until `stop` turns true.
    void Run(const std::atomic<bool>& stop);

private:
    struct Station {
        Appliance appliance;
        unsigned interfaceIndex = 0;
        ReplySender sender;
        std::unique_ptr<HttpServer> http;
        std::int64_t floodSent = 0;
        std::chrono::microseconds floodNext{0};
    };
    struct Pending {
        std::chrono::milliseconds due;
        std::size_t station;
        Bytes datagram;
    };

    void Handle(const Arrival& arrival);
    void Answer(std::size_t index, const Request& request);
    bool Move(Station& station, const AddressChange& change);
    void SendDue(std::chrono::milliseconds now);
    void Flood(std::chrono::milliseconds now);
    std::chrono::milliseconds Now() const;
    void Log(const std::string& line);

    std::vector<Station> stations_;
    ProtocolListener listener_;
    std::vector<Pending> pending_;
    std::mt19937 random_;
    std::ostream& log_;
    std::chrono::milliseconds start_;  // SystemClock time of the start
};

}  // namespace norvale::sim
