// The appliance's web configuration page, reduced to what the product checks:
// GET / answers 200 with a tiny page, anything else 404. Serves from the
// simulator's poll loop; connections are few and short-lived by construction.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>
#include <poll.h>

#include "tools/simulator/multicast_socket.h"

namespace norvale::sim {

class HttpServer {
public:
    bool Open(const std::string& address, std::uint16_t port, std::string title);
    // Adds the listening socket and every open connection.
    void AddPollEntries(std::vector<pollfd>& entries) const;
    // Accepts, reads and answers whatever is ready; closes stale connections.
    void Service(const std::vector<pollfd>& entries, std::chrono::milliseconds now);

private:
    struct Connection {
        Socket socket;
        std::string request;
        std::chrono::milliseconds deadline;
    };
    void Answer(Connection& connection);

    Socket listener_;
    std::string title_;
    std::vector<Connection> connections_;
};

}  // namespace norvale::sim
