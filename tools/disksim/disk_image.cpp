#include "tools/disksim/disk_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <utility>

namespace norvale::disksim {

std::optional<DiskImage> DiskImage::Create(const std::string& path, std::int64_t bytes) {
    if (bytes <= 0) return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return std::nullopt;
    if (::ftruncate(fd, bytes) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return DiskImage(fd, path, bytes);
}

std::optional<DiskImage> DiskImage::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        ::close(fd);
        return std::nullopt;
    }
    return DiskImage(fd, path, info.st_size);
}

DiskImage DiskImage::Over(std::shared_ptr<BlockStore> store) {
    DiskImage image(-1, store->Name(), store->Size());
    image.store_ = std::move(store);
    return image;
}

DiskImage::DiskImage(DiskImage&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), size_(other.size_),
      bytesWritten_(other.bytesWritten_), store_(std::move(other.store_)) {}

DiskImage& DiskImage::operator=(DiskImage&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        size_ = other.size_;
        bytesWritten_ = other.bytesWritten_;
        store_ = std::move(other.store_);
    }
    return *this;
}

DiskImage::~DiskImage() {
    if (fd_ >= 0) ::close(fd_);
}

bool DiskImage::Read(std::int64_t offset, std::uint8_t* buffer, std::size_t size) const {
    if (offset < 0) return false;
    if (store_) return store_->Read(offset, buffer, size);
    std::memset(buffer, 0, size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd_, buffer + done, size - done, offset + static_cast<std::int64_t>(done));
        if (got < 0) return false;
        if (got == 0) break;  // past the end of the file: zeros
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool DiskImage::Write(std::int64_t offset, const std::uint8_t* buffer, std::size_t size) {
    if (offset < 0 || offset + static_cast<std::int64_t>(size) > size_) return false;
    if (store_) {
        if (!store_->Write(offset, buffer, size)) return false;
        bytesWritten_ += size;
        return true;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd_, buffer + done, size - done, offset + static_cast<std::int64_t>(done));
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    bytesWritten_ += size;
    return true;
}

}  // namespace norvale::disksim
