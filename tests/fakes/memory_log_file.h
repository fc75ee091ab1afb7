// The support log's two files in memory; writes can be made to fail.
#pragma once

#include <string>

#include "platform/core/log/log_file_port.h"

namespace norvale::test {

class MemoryLogFile final : public LogFilePort {
public:
    std::string current;
    std::string older;
    bool exists = false;
    bool appendFails = false;  // the folder cannot be made
    int appends = 0;
    int rotations = 0;

    bool Append(const std::string& bytes) override {
        ++appends;
        if (appendFails) return false;
        current += bytes;
        exists = true;
        return true;
    }
    std::optional<std::uint64_t> CurrentSize() override {
        return exists ? std::optional<std::uint64_t>(current.size()) : std::nullopt;
    }
    bool Rotate() override {
        ++rotations;
        older = std::move(current);
        current.clear();
        return true;
    }
    std::string All() const { return older + current; }
};

}  // namespace norvale::test
