// Entry point of norvale.exe: the real ports behind the application object.
#include <windows.h>
#include <objbase.h>

#include "controls/win32/dialog_host.h"
#include "mainwindow/core/norvale_app.h"
#include "mainwindow/win32/win32_app_ports.h"
#include "platform/core/clock_port.h"
#include "platform/win32/win32_version_source.h"
#include "protocol/core/device_protocol.h"
#include "protocol/win32/winsock_socket_port.h"

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

    norvale::CNorvaleApp app({instance, version, dialogs, protocol, files});
    app.InitInstance();

    if (SUCCEEDED(com)) CoUninitialize();
    return app.ExitCode();
}
