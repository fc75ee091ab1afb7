#include "protocol/core/device_list.h"

#include <utility>

namespace norvale {

bool DeviceList::Append(DeviceRecord record) {
    if (Contains(record.ipText)) return false;
    records_.push_back(std::move(record));
    return true;
}

const DeviceRecord* DeviceList::Find(const std::wstring& ipText) const {
    for (const DeviceRecord& record : records_) {
        if (record.ipText == ipText) return &record;
    }
    return nullptr;
}

DeviceRecord* DeviceList::Find(const std::wstring& ipText) {
    return const_cast<DeviceRecord*>(static_cast<const DeviceList&>(*this).Find(ipText));
}

}  // namespace norvale
