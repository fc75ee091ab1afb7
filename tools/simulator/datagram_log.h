// One readable line per received datagram. Passwords never appear: a login
// shows "***" and the password's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace norvale::sim {

std::string DescribeDatagram(const std::uint8_t* data, std::size_t size);

}  // namespace norvale::sim
