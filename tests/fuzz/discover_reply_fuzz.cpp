// DiscoverReply bytes -> acceptance and device record, and the name text.
#include <cstddef>
#include <cstdint>

#include "protocol/core/name_text.h"
#include "protocol/core/reply_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvale;
    const ClientId client{1, 2, 3, 4, 5, 6, 0, 0, 0, 0};
    AcceptsDiscoverReply(data, size, client, kDefaultSelector1, kDefaultSelector2);
    if (std::optional<DeviceRecord> record = ParseDiscoverReply(data, size)) {
        DisplayName(record->name);
        OtherPortNumber(record->name);
        OtherPortAddress(record->name);
    }
    return 0;
}
