// What the daemon answers to one request of the wire protocol (wire.h),
// straight from the simulated initiator. Separate from the sockets so the
// host tests and the fuzzer drive it directly.
//
//   ISCSICLI <line>            run the line; code = iscsicli's exit code, LINEs = its output
//   CONNECT <path>             code = connecting to the namespace (HRESULT)
//   QUERY <wql>                code (HRESULT) and the OBJECTs
//   CLASS <name>               code = getting the class definition
//   PUT <class> [<prop> <text>]...   store a spawned instance; code (HRESULT)
//   SERVICE start              the stand-in service starts: DELAY <ms> or DELAY never
//   SERVICE running|stopped    the stand-in service reports its state
//   SERVICE state              LINE stopped | start-pending | running
//   LOG                        LINE "<exit code> accepted|refused <line>" per iscsicli line
//   STATE                      LINE per portal, target, session, persistent login and device
//   RESET                      forget everything but the appliances and the service state
//   FAULT <name> [<value>]     wmi-unreachable, service-never-runs, service-start-refused,
//                              no-initiator, inactive-statistics (0|1); login-timeout <target|*>,
//                              unreachable-portal <address>, failed-read <property>; clear
//   OPTION <name> <value>      statistics-names bare|suffixed; installed 0|1
//   SHARE <\\server\share> <user> <password>
//                              the network-provider stand-in's connection: code = the
//                              Win32 error of the appliance's SMB server's verdict,
//                              LINE its NT_STATUS (main.cpp: it needs smbclient)
//
// A request the daemon does not know answers code E_INVALIDARG and a LINE
// saying why.
#pragma once

#include <string>
#include <vector>

#include "tools/initiator_sim/simulated_initiator.h"
#include "tools/initiator_sim/wire.h"

namespace norvale::sim {

inline constexpr std::int64_t kBadRequest = static_cast<std::int32_t>(0x80070057u);

wire::Response Serve(SimulatedInitiator& initiator, const wire::Request& request);

// The state as text lines, one per portal, target, session, persistent
// login and persistent device, and the service state last.
std::vector<std::string> DescribeState(SimulatedInitiator& initiator);

// The request as the daemon's log may show it: iscsicli lines redacted.
std::string DescribeRequest(const wire::Request& request);

}  // namespace norvale::sim
