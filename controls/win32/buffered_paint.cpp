#include "controls/win32/buffered_paint.h"

namespace norvale::win32 {

void PaintBuffered(HWND window, const std::function<void(HDC memory, const RECT& client)>& paint) {
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(window, &ps);
    if (screen != nullptr) {
        RECT client;
        GetClientRect(window, &client);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        paint(memory, client);
        BitBlt(screen, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(window, &ps);
}

}  // namespace norvale::win32
