// Entry point of norvale.exe: the real ports behind the application object
// and the sections of its main dialog, and the links that let the iSCSI group,
// disk management and the LAN change reach each other (section_links.h).
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "app/core/firewall_command.h"
#include "app/core/norvale_app.h"
#include "app/core/section_links.h"
#include "app/win32/win32_app_ports.h"
#include "controls/win32/dialog_host.h"
#include "controls/win32/worker_threads.h"
#include "disk/core/format/format_engine.h"
#include "disk/core/handoff/disk_handoff.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/scripts/disk_scripts.h"
#include "disk/win32/win32_disk_port.h"
#include "disk/win32/win32_format_port.h"
#include "disk/win32/win32_id_source.h"
#include "disk/win32/win32_script_files.h"
#include "iscsi/core/targets/target_section.h"
#include "iscsi/win32/win32_delay_process.h"
#include "iscsi/win32/win32_service_control.h"
#include "mainwindow/core/doctor/doctor_section.h"
#include "mainwindow/core/lan/lan_section.h"
#include "mainwindow/core/shares/share_section.h"
#include "mainwindow/core/web_section.h"
#include "mainwindow/win32/win32_doctor_actions.h"
#include "mainwindow/win32/win32_firewall.h"
#include "mainwindow/win32/win32_http_check.h"
#include "mainwindow/win32/win32_network_list.h"
#include "mainwindow/win32/win32_program_start.h"
#include "mainwindow/win32/win32_windows_user.h"
#include "platform/core/clock_port.h"
#include "platform/core/console/console_command_runner.h"
#include "platform/core/initiator/wmi_connections.h"
#include "platform/core/log/logged_error_texts.h"
#include "platform/core/log/support_log.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/trace_port.h"
#include "platform/core/version/windows_version_reader.h"
#include "platform/win32/win32_drive_ports.h"
#include "platform/win32/win32_error_text_port.h"
#include "platform/win32/win32_log_file.h"
#include "platform/win32/win32_process_port.h"
#include "platform/win32/win32_program_location.h"
#include "platform/win32/win32_registry_port.h"
#include "platform/win32/win32_system_library.h"
#include "platform/win32/win32_version_source.h"
#include "platform/win32/win32_wmi_port.h"
#include "platform/win32/win32_wow64_redirection.h"
#include "protocol/core/device_protocol.h"
#include "protocol/win32/winsock_socket_port.h"

namespace {

// How long the end of the program waits for the steps still running.
constexpr DWORD kStepsEndMs = 5000;

// A reachability check that the user gave up waiting for may still be
// running when the dialog ends; what it uses lives as long as the process.
norvale::win32::Win32HttpCheck httpCheck;
// So may the watcher of a delay process, which closes its handle itself then.
norvale::win32::Win32DelayProcess delayProcess;
// And a format worker, which runs until the format library returns.
norvale::win32::Win32FormatPort formatLibrary;
norvale::FormatEngine formatEngine(formatLibrary);

// Everything that holds COM interfaces lives in here, so it is released
// before COM is uninitialised.
int RunNorvale() {
    norvale::win32::EnsureCommonControls();

    norvale::win32::WinsockSocketPort sockets;
    norvale::DeviceProtocol protocol(sockets, norvale::SystemClock());
    norvale::win32::Win32SingleInstance instance;
    norvale::win32::Win32VersionSource version;
    // The support log: the program's and Windows' versions first.
    norvale::win32::Win32LogFile logFile;
    norvale::SupportLog log(logFile, norvale::win32::LocalTimeStamp);
    norvale::win32::Win32Elevation elevation;
    log.Trace(norvale::StartLine(norvale::UiText(norvale::main_text::kAboutVersion), version, elevation.IsElevated()));
    norvale::win32::Win32DialogRunner dialogs;
    norvale::win32::Win32SystemFiles files;

    // The sections need the WOW64 answer when they are made; the application
    // takes the same answer again when it starts.
    const auto windows = norvale::ReadWindowsVersion(version);
    const bool wow64 = windows.has_value() && norvale::IsWow64(version);
    norvale::win32::Win32Wow64Redirection redirection;
    norvale::win32::Win32ProcessPort processes;
    // Every run is bounded; one ended at its limit is told in a message box.
    norvale::win32::Win32RunTimeoutNotice runTimeouts;
    norvale::ConsoleCommandRunner commands(processes, redirection, wow64, norvale::SystemClock(), &runTimeouts);
    commands.SetLog(log);
    norvale::win32::Win32RegistryPort registry;
    norvale::win32::Win32NetworkDrivePort drives;
    drives.SetLog(log);
    norvale::win32::Win32DriveTypePort driveTypes;
    norvale::win32::Win32WindowsUser windowsUser;
    norvale::win32::Win32ProgramStart programs;

    norvale::InitiatorTeardown initiatorTeardown(commands);
    norvale::LanTeardownLink lanTeardown(initiatorTeardown);
    norvale::CLanSection lan(lanTeardown);
    norvale::CShareSection shares(norvale::ShareSectionPorts{drives, driveTypes, httpCheck, registry, version,
                                                             redirection, norvale::SystemClock(),
                                                             &windowsUser, wow64, &elevation});
    norvale::CWebSection web(registry, programs);

    // The initiator: one WMI connection per calling site, its service and
    // the program's folder for its installer.
    norvale::win32::Win32WmiPort wmiPort;
    norvale::win32::Win32ErrorTextPort systemErrorTexts;
    norvale::WmiConnections wmi(norvale::WmiEnvironment{wmiPort, version, log, &systemErrorTexts});
    norvale::win32::Win32ServiceControl services;
    norvale::win32::Win32ProgramLocation location;

    // Disk management behind the connect: the inventory of the sessions'
    // disks, the format wizard for an empty one and the disk manager.
    norvale::win32::Win32DiskPort diskPort;
    norvale::win32::Win32ScriptFiles scriptFiles;
    norvale::DiskScripts scripts(scriptFiles, commands);
    scripts.SetLog(log);
    norvale::DiskInventory inventory(norvale::InventoryPorts{diskPort, wmi, version, norvale::SilentTrace()});
    norvale::LoggedErrorTexts errorTexts(systemErrorTexts, log);
    norvale::ClockPort& clock = norvale::SystemClock();
    const norvale::WizardPorts wizard{inventory, diskPort,   scripts, commands, drives, driveTypes,
                                      version,   errorTexts, clock,   formatEngine,     wow64};
    norvale::win32::Win32IdSource ids;
    const norvale::DiskManagementPorts management{diskPort, inventory,  wmi,        version, norvale::SilentTrace(),
                                                  scriptFiles, commands, drives, driveTypes, errorTexts,
                                                  ids,      clock,      formatEngine, wow64};
    norvale::DiskManagementHandoff disks(
        norvale::DiskHandoffPorts{inventory, wizard, norvale::DiskManagerOpener(management)});
    // The iSCSI group and disk management see the main dialog through one
    // host; the group reaches disk management through the hand-off link.
    norvale::MainDialogHost mainDialog;
    norvale::DiskHandoffLink handoff(disks, mainDialog);
    norvale::CTargetSection targets(norvale::TargetSectionPorts{wmi, commands, services, registry, version,
                                                                delayProcess, location, norvale::SystemClock(),
                                                                handoff, wow64, &elevation, &log,
                                                                &systemErrorTexts});
    norvale::TargetSectionLink targetHooks(targets, mainDialog);

    // The discovery doctor: the adapters through the same socket port, the
    // firewall and network list, and the program's own elevated setup.
    norvale::win32::Win32Firewall firewall;
    norvale::win32::Win32NetworkList networkList;
    const std::wstring programPath = location.ExecutablePath();
    norvale::win32::Win32DoctorActions doctorActions(programPath, windows.has_value() && windows->majorVersion >= 10);
    norvale::DoctorPorts doctorPorts{sockets, firewall, networkList, doctorActions, systemErrorTexts, programPath};
    norvale::CDoctorSection doctor(doctorPorts, log);

    norvale::NorvaleDlgSections sections;
    sections.lan = &lan;
    sections.shares = &shares;
    sections.targets = &targetHooks;
    sections.web = &web;
    sections.doctor = &doctor;

    norvale::CNorvaleApp app({instance, version, dialogs, protocol, files, log}, sections);
    app.InitInstance();
    const int exitCode = app.ExitCode();

    // A step whose dialog has gone (a discovery pass, a query) still runs
    // with the ports above until its blocking call returns, each call bounded.
    // The WMI connections go on a worker, in the apartment they were made in.
    // Should anything not end in time, Windows frees it all with the process.
    const bool settled = norvale::win32::WaitForWorkers(kStepsEndMs) &&
                         norvale::win32::StartWorkerThread([&wmi] { wmi.ReleaseAll(); }) &&
                         norvale::win32::WaitForWorkers(kStepsEndMs);
    if (!settled) ::ExitProcess(static_cast<UINT>(exitCode));
    protocol.CloseDeviceSockets(true);
    return exitCode;
}

// The arguments after the program's name.
std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    if (LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
        LocalFree(list);
    }
    return arguments;
}

// "--firewall VERB" runs without a window, beside a running instance too;
// nullopt for any other command line.
std::optional<int> RunFirewallSetup(const std::vector<std::wstring>& arguments) {
    norvale::win32::Win32Firewall firewall;
    norvale::win32::Win32ProgramLocation location;
    norvale::win32::Win32LogFile logFile;
    norvale::SupportLog log(logFile, norvale::win32::LocalTimeStamp);
    return norvale::RunFirewallCommandLine(arguments, firewall, location.ExecutablePath(), log);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads a DLL by name: System32 only (see
    // win32_system_library.h), since the program runs elevated.
    norvale::win32::RestrictDllSearchToSystem();
    // The dialogs and the shell services expect a single-threaded apartment
    // on the GUI thread; WMI is only reached from workers (worker_threads.h).
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::optional<int> setup = RunFirewallSetup(Arguments());
    const int exitCode = setup ? *setup : RunNorvale();
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
