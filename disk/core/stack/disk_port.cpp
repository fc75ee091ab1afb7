#include "disk/core/stack/disk_port.h"

namespace norvale {

std::wstring PhysicalDrivePath(std::uint32_t diskNumber) {
    return L"\\\\.\\PhysicalDrive" + std::to_wstring(diskNumber);
}

}  // namespace norvale
