// The simulator's request parser, its log line and an appliance's answer, fed
// with arbitrary datagrams: none may read out of bounds or crash.
#include <cstddef>
#include <cstdint>

#include "tools/simulator/appliance.h"
#include "tools/simulator/datagram_log.h"
#include "tools/simulator/wire_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvale::sim;
    (void)DescribeDatagram(data, size);
    const DecodeResult decoded = DecodeRequest(data, size);
    if (!decoded.request) return 0;

    ApplianceConfig config;
    config.interfaceName = "fuzz0";
    config.address = "10.1.0.20";
    config.shares = {"a*0", "b@1", "c"};
    config.targets = {{"iqn.t", true, "u", "p", 0}};
    config.dhcpPool = {"10.1.0.100"};
    Appliance appliance(config);
    Request request = *decoded.request;
    request.deviceId = appliance.DeviceId();  // reach the management paths too
    if (const auto answer = appliance.Respond(request); answer && answer->move) {
        appliance.CompleteMove(*answer->move);
    }
    return 0;
}
