// Entry point of norvale.exe: the real ports behind the application object
// and the sections of its main dialog.
#include <windows.h>
#include <objbase.h>

#include "controls/win32/dialog_host.h"
#include "iscsi/core/console_command_runner.h"
#include "iscsi/win32/win32_process_port.h"
#include "mainwindow/core/lan_section.h"
#include "mainwindow/core/norvale_app.h"
#include "mainwindow/core/share_section.h"
#include "mainwindow/core/web_section.h"
#include "mainwindow/win32/win32_app_ports.h"
#include "mainwindow/win32/win32_program_start.h"
#include "mainwindow/win32/win32_share_ports.h"
#include "mainwindow/win32/win32_windows_user.h"
#include "platform/core/clock_port.h"
#include "platform/core/windows_version_reader.h"
#include "platform/win32/win32_registry_port.h"
#include "platform/win32/win32_version_source.h"
#include "platform/win32/win32_wow64_redirection.h"
#include "protocol/core/device_protocol.h"
#include "protocol/win32/winsock_socket_port.h"

namespace {

// A reachability check that the user gave up waiting for may still be
// running when the dialog ends; what it uses lives as long as the process.
norvale::win32::Win32HttpCheck httpCheck;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The dialogs and the shell services they call expect a single-threaded
    // apartment on the GUI thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    norvale::win32::EnsureCommonControls();

    norvale::win32::WinsockSocketPort sockets;
    norvale::DeviceProtocol protocol(sockets, norvale::SystemClock());
    norvale::win32::Win32SingleInstance instance;
    norvale::win32::Win32VersionSource version;
    norvale::win32::Win32DialogRunner dialogs;
    norvale::win32::Win32SystemFiles files;

    // The sections need the WOW64 answer when they are made; the application
    // takes the same answer again when it starts.
    const bool wow64 = norvale::ReadWindowsVersion(version).has_value() && norvale::IsWow64(version);
    norvale::win32::Win32Wow64Redirection redirection;
    norvale::win32::Win32ProcessPort processes;
    norvale::ConsoleCommandRunner commands(processes, redirection, wow64);
    norvale::win32::Win32RegistryPort registry;
    norvale::win32::Win32NetworkDrivePort drives;
    norvale::win32::Win32DriveTypePort driveTypes;
    norvale::win32::Win32WindowsUser windowsUser;
    norvale::win32::Win32ProgramStart programs;

    norvale::CLanSection lan(commands);
    norvale::CShareSection shares(norvale::ShareSectionPorts{drives, driveTypes, httpCheck, registry, version,
                                                             redirection, norvale::SystemClock(),
                                                             &windowsUser, wow64});
    norvale::CWebSection web(registry, programs);
    norvale::NorvaleDlgSections sections;
    sections.lan = &lan;
    sections.shares = &shares;
    sections.web = &web;

    norvale::CNorvaleApp app({instance, version, dialogs, protocol, files}, sections);
    app.InitInstance();

    if (SUCCEEDED(com)) CoUninitialize();
    return app.ExitCode();
}
