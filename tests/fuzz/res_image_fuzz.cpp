// Feeds arbitrary bytes to the .res image reader, to the string-block walker,
// to the deflate reader and the text-pack reader, and, through an image port,
// to the language table (whose table languages read packs).
#include <cstddef>
#include <cstdint>

#include "platform/core/language_table.h"
#include "platform/core/res_image.h"
#include "platform/core/res_image_port.h"
#include "platform/core/inflate.h"
#include "platform/core/string_block.h"
#include "platform/core/text_pack.h"

namespace {

// Touches every byte of an entry, so that the sanitizer sees a bad extent.
unsigned Sum(const std::uint8_t* data, std::size_t size) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += data[i];
    return sum;
}

void WalkBlock(const std::uint8_t* block, std::size_t size) {
    for (unsigned position = 0; position <= norvale::kStringsPerBlock; ++position) {
        norvale::ReadStringBlockEntry(block, size, position);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    volatile unsigned sink = 0;
    WalkBlock(data, size);
    if (const auto inflated = norvale::Inflate(data, size, 1 << 16)) sink = sink + Sum(inflated->data(), inflated->size());
    for (unsigned id : {0u, 1u, 147u, 0xFFFFu}) {
        if (const auto text = norvale::ReadTextPackEntry(data, size, id)) sink = sink + static_cast<unsigned>(text->size());
    }
    if (const auto entries = norvale::ParseResImage(data, size)) {
        for (const norvale::ResImageEntry& entry : *entries) {
            sink = sink + Sum(entry.data, entry.size);
            if (entry.type.IsOrdinal(norvale::kResourceTypeString)) WalkBlock(entry.data, entry.size);
        }
    }
    const norvale::ResImagePort port(data, size);
    const norvale::CLanguageTable table(port);
    for (unsigned id = 0; id < 64; ++id) {
        sink = sink + static_cast<unsigned>(table.LoadText(1031, id).size());
    }
    return 0;
}
