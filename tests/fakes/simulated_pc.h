// A simulated PC for the share section: local drives of every type behind
// their letters, and the network provider with its connections. Servers
// ask for credentials as scripted; every call is recorded.
#pragma once

#include <cwctype>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/core/drives/drive_type_port.h"
#include "platform/core/drives/network_drive_port.h"
#include "tests/fakes/virtual_clock.h"

namespace norvale::test {

struct AddConnectionCall {
    std::wstring localName;
    std::wstring remoteName;
    std::wstring password;
    std::wstring userName;
    unsigned flags = 0;
};

struct CancelConnectionCall {
    std::wstring localName;
    unsigned flags = 0;
    bool force = false;
};

class SimulatedPc final : public NetworkDrivePort, public DriveTypePort {
public:
    // Letters of local drives, by type.
    std::map<wchar_t, DriveType> localDrives;
    // Network connections: letter -> '\\server\share'.
    std::map<wchar_t, std::wstring> connections;
    // Letters whose connection cannot be cancelled (files open).
    std::set<wchar_t> busy;
    // Connections remembered for the next logon but not connected now: the
    // provider names the share, the drive type says nothing is there.
    std::set<wchar_t> remembered;
    // Decides whether an add succeeds once the letter is free; by default
    // every server takes the empty credentials.
    std::function<bool(const AddConnectionCall&)> accepts = [](const AddConnectionCall&) { return true; };

    std::vector<AddConnectionCall> adds;
    std::vector<CancelConnectionCall> cancels;
    int remoteNameQueries = 0;
    // Where a connect and a cancel take their time (sim_cost); none: no time.
    ClockPort* clock = nullptr;

    // The PC this section usually meets: C: fixed, D: optical, E: removable,
    // R: a RAM disk, Y: mapped to \\NAS\music.
    static SimulatedPc Typical() {
        SimulatedPc pc;
        pc.localDrives = {{L'C', DriveType::Fixed}, {L'D', DriveType::CdRom}, {L'E', DriveType::Removable},
                          {L'R', DriveType::RamDisk}};
        pc.connections = {{L'Y', L"\\\\NAS\\music"}};
        return pc;
    }

    // Only this user name and password open the server.
    void RequireCredentials(std::wstring user, std::wstring password) {
        accepts = [user, password](const AddConnectionCall& call) {
            return call.userName == user && call.password == password;
        };
    }

    std::optional<std::wstring> RemoteName(const std::wstring& localName) override {
        ++remoteNameQueries;
        const auto letter = Letter(localName);
        if (!letter) return std::nullopt;
        const auto found = connections.find(*letter);
        if (found == connections.end()) return std::nullopt;
        return found->second;
    }

    bool AddConnection(const std::wstring& localName, const std::wstring& remoteName, const std::wstring& password,
                       const std::wstring& userName, unsigned flags) override {
        adds.push_back({localName, remoteName, password, userName, flags});
        if (clock != nullptr) SpendTime(*clock, sim_cost::kShareConnect);
        const auto letter = Letter(localName);
        // Windows refuses a letter in use (ERROR_ALREADY_ASSIGNED).
        if (!letter || localDrives.count(*letter) != 0 || connections.count(*letter) != 0) return false;
        if (!accepts(adds.back())) return false;
        connections[*letter] = remoteName;
        return true;
    }

    bool CancelConnection(const std::wstring& localName, unsigned flags, bool force) override {
        cancels.push_back({localName, flags, force});
        if (clock != nullptr) SpendTime(*clock, sim_cost::kShareCancel);
        const auto letter = Letter(localName);
        if (!letter || connections.count(*letter) == 0 || busy.count(*letter) != 0) return false;
        connections.erase(*letter);
        return true;
    }

    DriveType TypeOf(const std::wstring& driveName) override {
        const auto letter = Letter(driveName);
        if (!letter) return DriveType::NoRootDirectory;
        if (const auto local = localDrives.find(*letter); local != localDrives.end()) return local->second;
        if (connections.count(*letter) == 0 || remembered.count(*letter) != 0) return DriveType::NoRootDirectory;
        return DriveType::Remote;
    }

private:
    static std::optional<wchar_t> Letter(const std::wstring& name) {
        if (name.size() != 2 || name[1] != L':' || !std::iswalpha(static_cast<wint_t>(name[0]))) return std::nullopt;
        return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(name[0])));
    }
};

}  // namespace norvale::test
