// QueryReply bytes -> result text, number, login byte and both name lists.
#include <cstddef>
#include <cstdint>

#include "protocol/core/name_list.h"
#include "protocol/core/protocol_constants.h"
#include "protocol/core/reply_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvale;
    QueryReplyNumber(data, size);
    QueryReplyLoginByte(data, size);
    const std::string text = QueryReplyText(data, size);
    NameList shares;
    FillNameList(shares, text, kShareSeparator, kMaxShareNameChars);
    NameList targets;
    FillNameList(targets, text, kTargetSeparator, kMaxTargetEntryChars);
    return 0;
}
