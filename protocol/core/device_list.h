// The device table: the records of the last discovery pass in the order their
// answers were accepted, at most one per IP text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "protocol/core/device_record.h"

namespace norvale {

class DeviceList {
public:
    // Appends `record` unless one with the same ipText exists (the first
    // answer for an address wins). True when it was appended.
    bool Append(DeviceRecord record);

    bool Contains(const std::wstring& ipText) const { return Find(ipText) != nullptr; }
    // The first record whose ipText equals `ipText` exactly, or nullptr.
    const DeviceRecord* Find(const std::wstring& ipText) const;
    DeviceRecord* Find(const std::wstring& ipText);

    void Clear() { records_.clear(); }
    std::size_t Count() const { return records_.size(); }
    bool Empty() const { return records_.empty(); }
    const std::vector<DeviceRecord>& Records() const { return records_; }

private:
    std::vector<DeviceRecord> records_;
};

}  // namespace norvale
