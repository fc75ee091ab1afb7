// Base64 (RFC 4648, with padding): the appliance sends CHAP passwords this way.
#pragma once

#include <string>

namespace norvale::sim {

std::string EncodeBase64(const std::string& bytes);

}  // namespace norvale::sim
