// The initiator daemon's line protocol from both ends: a request line as the
// daemon reads it (and answers it from a fresh simulation), and a response as
// the Windows stand-ins read it. Nothing may crash or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/core/clock_port.h"
#include "tools/initiator_sim/daemon_service.h"
#include "tools/initiator_sim/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvale::sim;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)wire::ParseResponse(bytes);
    const std::optional<wire::Request> request = wire::ParseRequest(bytes);
    if (!request) return 0;

    ApplianceConfig appliance;
    appliance.address = "10.1.0.20";
    appliance.targets = {{"iqn.t:a", false, "", "", 1 << 20}, {"iqn.t:b", true, "user_1", "Sixteen-chars-16", 0}};
    SimulatedInitiator initiator({appliance}, norvale::SystemClock());
    initiator.PutInstance(SimObject{"MSiSCSIInitiator_SendTargetPortalClass", {}}.Set(
        "PortalAddress", SimValue::String("10.1.0.20")));
    (void)DescribeRequest(*request);
    (void)wire::FormatResponse(Serve(initiator, *request));
    return 0;
}
