// What kind of drive a drive name ('Z:') stands for, as GetDriveTypeW says.
#pragma once

#include <string>

namespace norvale {

// The values of GetDriveTypeW.
enum class DriveType {
    Unknown = 0,
    NoRootDirectory = 1,  // nothing behind the letter
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

class DriveTypePort {
public:
    virtual ~DriveTypePort() = default;
    virtual DriveType TypeOf(const std::wstring& driveName) = 0;
};

}  // namespace norvale
