// norvale_desktop_keeper.exe: keeps the prefix's desktop open for a whole
// suite.
//
//   norvale_desktop_keeper.exe
//
// Wine's server closes a desktop one second after its last program has gone:
// it tells explorer.exe to quit, and the next program starts a new one. A
// suite ends winver and starts norvale.exe moments later; on an emulated
// processor those moments are seconds, so the program starts while one
// explorer quits and the next comes up, and once in a few runs it ended
// there without a window. As long as this process owns a window the desktop
// has a user and explorer stays. It makes a hidden top-level window (which
// brings the desktop up if it is not), prints "ready", then waits for
// messages until it is ended (wineserver -k ends it with the prefix). A
// close it is asked for is refused.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK KeeperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE || message == WM_QUERYENDSESSION) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = KeeperProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"NorvaleDesktopKeeper";
    if (RegisterClassW(&windowClass) == 0) return 1;
    // Explorer may be coming up or going when this starts: a window that
    // could not be made is tried again for a while.
    HWND window = nullptr;
    for (int attempt = 0; attempt < 60 && window == nullptr; ++attempt) {
        window = CreateWindowExW(0, windowClass.lpszClassName, L"desktop keeper", WS_OVERLAPPED, 0, 0, 1, 1, nullptr,
                                 nullptr, windowClass.hInstance, nullptr);
        if (window == nullptr) Sleep(1000);
    }
    if (window == nullptr) {
        std::fprintf(stderr, "no window: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
