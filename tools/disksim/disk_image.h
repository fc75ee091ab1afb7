// A disk's bytes in a sparse image file: only what is written takes room, so
// a disk of several terabytes costs a few kilobytes. Or, for a disk that a
// real target serves, in a block store the image reads and writes through.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tools/disksim/block_store.h"

namespace norvale::disksim {

class DiskImage {
public:
    // A new image of that many bytes (an existing file is cut to that length
    // and emptied); nullopt when the file cannot be made.
    static std::optional<DiskImage> Create(const std::string& path, std::int64_t bytes);
    // An existing image; its length is the disk's length.
    static std::optional<DiskImage> Open(const std::string& path);
    // The bytes of `store`; its name stands for the path.
    static DiskImage Over(std::shared_ptr<BlockStore> store);

    DiskImage(DiskImage&& other) noexcept;
    DiskImage& operator=(DiskImage&& other) noexcept;
    DiskImage(const DiskImage&) = delete;
    DiskImage& operator=(const DiskImage&) = delete;
    ~DiskImage();

    const std::string& Path() const { return path_; }
    // Whether the bytes are in a local file at Path().
    bool IsFile() const { return store_ == nullptr; }
    std::int64_t Size() const { return size_; }
    // Reads past the end give zeros; false on an I/O error or a negative offset.
    bool Read(std::int64_t offset, std::uint8_t* buffer, std::size_t size) const;
    // Refuses to write past the end of the disk.
    bool Write(std::int64_t offset, const std::uint8_t* buffer, std::size_t size);
    // Bytes written through this object (the system disk's guard reads it).
    std::uint64_t BytesWritten() const { return bytesWritten_; }

private:
    DiskImage(int fd, std::string path, std::int64_t size) : fd_(fd), path_(std::move(path)), size_(size) {}

    int fd_ = -1;
    std::string path_;
    std::int64_t size_ = 0;
    std::uint64_t bytesWritten_ = 0;
    std::shared_ptr<BlockStore> store_;
};

}  // namespace norvale::disksim
