// An iscsicli command line and a WQL query as the simulated initiator reads
// them: split by the C runtime's rules, checked against the catalogue's forms,
// redacted for the log, and run against a simulation with a known target.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/core/clock_port.h"
#include "tools/initiator_sim/iscsicli_line.h"
#include "tools/initiator_sim/simulated_initiator.h"
#include "tools/initiator_sim/wql_select.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvale::sim;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    (void)ParseWqlSelect(line);
    (void)RedactIscsicliLine(line);

    ApplianceConfig appliance;
    appliance.address = "10.1.0.20";
    appliance.targets = {{"iqn.t:a", false, "", "", 1 << 20}, {"iqn.t:b", true, "user_1", "Sixteen-chars-16", 0}};
    SimulatedInitiator initiator({appliance}, norvale::SystemClock());
    initiator.PutInstance(SimObject{"MSiSCSIInitiator_SendTargetPortalClass", {}}.Set(
        "PortalAddress", SimValue::String("10.1.0.20")));
    initiator.RunIscsicli("iscsicli logintarget iqn.t:a t * * * * * * * * * * * * * * * 0");
    (void)initiator.RunIscsicli(line);
    (void)initiator.Query(line);
    return 0;
}
