// SetReply bytes -> identity check and reported address.
#include <cstddef>
#include <cstdint>

#include "protocol/core/reply_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvale;
    const ClientId client{1, 2, 3, 4, 5, 6, 0, 0, 0, 0};
    EchoesClientId(data, size, client);
    AnswerAddress(data, size);
    return 0;
}
