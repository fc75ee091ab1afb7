// Where a simulated disk's bytes live when they are not in a local image
// file: a LUN reached over iSCSI, for one. The disk stack reads and writes
// it exactly as it does an image, so the same tables and file systems travel
// to a real target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace norvale::disksim {

class BlockStore {
public:
    virtual ~BlockStore() = default;
    // Names the store in facts and logs, and makes its volumes' GUIDs.
    virtual const std::string& Name() const = 0;
    virtual std::int64_t Size() const = 0;
    // The store's own block: reads and writes need not be aligned to it.
    virtual std::int64_t BlockBytes() const = 0;
    // Reads past the end give zeros; false on an I/O error.
    virtual bool Read(std::int64_t offset, std::uint8_t* buffer, std::size_t size) = 0;
    // Refuses to write past the end.
    virtual bool Write(std::int64_t offset, const std::uint8_t* buffer, std::size_t size) = 0;
};

}  // namespace norvale::disksim
