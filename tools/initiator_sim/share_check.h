// The appliances' SMB shares as the network-provider stand-in of a test
// prefix meets them: each connection's credentials are tried against the
// real SMB server (smbd) of the appliance the remote name names, with
// smbclient, the password passed in its environment and never on a command
// line. The answer is the Win32 error Windows' own redirector gives for
// the server's verdict.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/simulator/appliance_config.h"

namespace norvale::sim {

// The Win32 error for what smbclient printed and its exit status.
std::uint32_t Win32ErrorOfSmbclient(std::string_view output, int exitStatus);

struct ShareVerdict {
    std::uint32_t error = 0;  // 0: connected
    std::string status;       // smbclient's NT_STATUS word, or what failed
};

class ShareCheck {
public:
    explicit ShareCheck(std::vector<ApplianceConfig> appliances) : appliances_(std::move(appliances)) {}
    // `remote` is "\\SERVER\SHARE": SERVER is an appliance's name or address.
    ShareVerdict Check(const std::string& remote, const std::string& user, const std::string& password) const;

private:
    std::vector<ApplianceConfig> appliances_;
};

}  // namespace norvale::sim
