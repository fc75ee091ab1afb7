// What the main dialog's and the application's tests share: the controls of
// template 102, a scripted environment and file system, sections that record
// what the dialog hands them, and appliances on a simulated segment.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/core/norvale_dialog.h"
#include "mainwindow/core/norvale_sections.h"
#include "mainwindow/core/ports/norvale_system_files_port.h"
#include "resources/resource.h"
#include "tests/fakes/fake_dialog_surface.h"
#include "tests/fakes/fake_segment.h"
#include "tests/fakes/virtual_clock.h"
#include "tests/protocol/protocol_fixture.h"

namespace norvale::test {

// Every control of template 102; a call on any other id is noted by the surface.
inline void DeclareMainDialogControls(FakeDialogSurface& surface) {
    surface.DeclareControls({
        IDC_DEVICE_GROUP, IDC_DEVICE_LIST, IDC_REFRESH, IDC_CONFIGURATION,
        IDC_LAN_GROUP, IDC_IP_LABEL, IDC_NETMASK_LABEL, IDC_GATEWAY_LABEL,
        IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY, IDC_DHCP_LABEL, IDC_DHCP_MODE, IDC_LAN_APPLY,
        IDC_ISCSI_GROUP, IDC_TARGET_LIST, IDC_TARGET_CONNECT, IDC_MANAGEMENT,
        IDC_TARGET_PAGE_LABEL, IDC_TARGET_PAGE,
        IDC_SHARE_GROUP, IDC_SHARE_LIST, IDC_DRIVE_LETTERS_LABEL, IDC_DRIVE_LETTERS,
        IDC_SHARE_CONNECT, IDC_SHARE_DISCONNECT, IDC_SHARE_PAGE_LABEL, IDC_SHARE_PAGE,
        IDC_ABOUT, IDC_EXIT,
    });
}

// The environment (names compared without regard to case, as Windows does)
// and the file deletions of the exit path.
class FakeSystemFiles final : public SystemFilesPort {
public:
    std::map<std::wstring, std::wstring> environment{{L"SystemDrive", L"C:"}};
    bool deleteSucceeds = true;
    std::vector<std::wstring> deleted;

    std::optional<std::wstring> EnvironmentVariable(const std::wstring& name) const override {
        for (const auto& [key, value] : environment) {
            if (Lower(key) == Lower(name)) return value;
        }
        return std::nullopt;
    }
    bool RemoveFile(const std::wstring& path) override {
        deleted.push_back(path);
        return deleteSucceeds;
    }

private:
    static std::wstring Lower(std::wstring text) {
        for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
        return text;
    }
};

// One log for the four sections, so a test sees the order across them. Each
// entry also keeps the dialog it was handed.
struct SectionCalls {
    std::vector<std::string> events;
    std::vector<const CNorvaleDlg*> dialogs;
    // Runs inside the call, after it was noted.
    std::function<void(const std::string& event, CNorvaleDlg& dialog)> probe;

    void Note(const std::string& event, CNorvaleDlg& dialog) {
        events.push_back(event);
        dialogs.push_back(&dialog);
        if (probe) probe(event, dialog);
    }
    // A call that is handed no dialog (work done on a step's worker).
    void Note(const std::string& event) {
        events.push_back(event);
        dialogs.push_back(nullptr);
    }
    int Count(const std::string& event) const {
        int n = 0;
        for (const std::string& e : events) n += e == event ? 1 : 0;
        return n;
    }
};

class RecordingLan final : public LanSection {
public:
    explicit RecordingLan(SectionCalls& calls) : calls_(calls) {}
    void OnApply(CNorvaleDlg& d) override { calls_.Note("lan apply", d); }
    void OnDhcpModeChanged(CNorvaleDlg& d) override { calls_.Note("lan dhcp mode", d); }

private:
    SectionCalls& calls_;
};

class RecordingShares final : public ShareSection {
public:
    explicit RecordingShares(SectionCalls& calls) : calls_(calls) {}
    void OnDialogOpened(CNorvaleDlg& d) override { calls_.Note("shares opened", d); }
    void OnDeviceSelected(CNorvaleDlg& d, const SectionFlow&) override { calls_.Note("shares device", d); }
    void OnListClicked(CNorvaleDlg& d) override { calls_.Note("shares list click", d); }
    void OnConnect(CNorvaleDlg& d) override { calls_.Note("shares connect", d); }
    void OnDisconnect(CNorvaleDlg& d) override { calls_.Note("shares disconnect", d); }
    void OnPageChanged(CNorvaleDlg& d) override { calls_.Note("shares page", d); }
    void RefreshDriveLetters(CNorvaleDlg& d) override { calls_.Note("shares letters", d); }

private:
    SectionCalls& calls_;
};

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Keeps the built-in page fill and list clearing, and notes every call.
class RecordingTargets final : public TargetSection {
public:
    explicit RecordingTargets(SectionCalls& calls) : calls_(calls) {}
    void ResetFlags() override { ++resets; }
    void FillTargetPages(CNorvaleDlg& d, int count) override {
        TargetSection::FillTargetPages(d, count);
        calls_.Note("targets pages " + std::to_string(count), d);
    }
    void ClearTargetList(CNorvaleDlg& d) override {
        TargetSection::ClearTargetList(d);
        calls_.Note("targets clear", d);
    }
    void RefreshTargets(CNorvaleDlg& d, const SectionFlow&) override { calls_.Note("targets refresh", d); }
    void OnTargetListTimer(CNorvaleDlg& d) override { calls_.Note("targets timer", d); }
    void OnListClicked(CNorvaleDlg& d) override { calls_.Note("targets list click", d); }
    void OnConnect(CNorvaleDlg& d) override { calls_.Note("targets connect", d); }
    void OnManagement(CNorvaleDlg& d) override { calls_.Note("targets management", d); }
    void OnPageChanged(CNorvaleDlg& d) override { calls_.Note("targets page", d); }
    void OnRestored(CNorvaleDlg& d) override { calls_.Note("targets restored", d); }
    void LogoutTargetWork(const std::wstring& target, bool removeDevices, const std::wstring& deviceIp) override {
        calls_.Note("targets logout " + Narrow(target) + (removeDevices ? " remove devices" : " keep devices") +
                    " at " + Narrow(deviceIp));
    }

    int resets = 0;

private:
    SectionCalls& calls_;
};

class RecordingWeb final : public WebSection {
public:
    explicit RecordingWeb(SectionCalls& calls) : calls_(calls) {}
    void OnConfiguration(CNorvaleDlg& d) override { calls_.Note("web configuration", d); }
    void OnAbout(CNorvaleDlg& d) override { calls_.Note("web about", d); }

private:
    SectionCalls& calls_;
};

struct RecordingSections {
    SectionCalls calls;
    RecordingLan lan{calls};
    RecordingShares shares{calls};
    RecordingTargets targets{calls};
    RecordingWeb web{calls};

    NorvaleDlgSections All() { return {&lan, &shares, &targets, &web}; }
};

// The PC's address on the test segment.
inline const std::string kPcAddress = "192.168.1.2";

// An appliance in the PC's subnet unless told otherwise; `idByte` keeps the
// device identifiers apart.
inline ApplianceConfig Nas(const std::string& ip, const std::string& name = "NAS",
                           std::uint8_t idByte = 1) {
    ApplianceConfig config;
    config.ip = ip;
    config.name = name;
    config.netmask = "255.255.255.0";
    config.gateway = "192.168.1.1";
    config.identifier[5] = idByte;
    return config;
}

// How many requests of one kind were addressed to an appliance (each one
// hears every request on its segment; bytes 11..20 name the device).
inline int RequestsOf(const FakeAppliance& appliance, Opcode opcode, SubCommand subCommand) {
    const auto id = appliance.DeviceIdBytes();
    int count = 0;
    for (const ReceivedRequest& request : appliance.Requests()) {
        const Bytes& bytes = request.bytes;
        if (bytes.size() > 21 && bytes[0] == static_cast<std::uint8_t>(opcode) &&
            bytes[21] == static_cast<std::uint8_t>(subCommand) &&
            std::equal(id.begin(), id.end(), bytes.begin() + 11)) {
            ++count;
        }
    }
    return count;
}

// The rows of a list as the user sees them.
inline std::vector<std::vector<std::wstring>> ListRows(FakeDialogSurface& surface, int listId) {
    return surface.Control(listId).list.rows;
}

}  // namespace norvale::test
