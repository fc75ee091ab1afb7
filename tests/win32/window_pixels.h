// Reading what a window shows: single pixels, counts of a colour in a
// rectangle, and screenshots as BMP files for people to look at. The
// screenshots go to the folder named by NORVALE_SHOT_DIR (a Windows path);
// without it none are written.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace norvale::test {

inline COLORREF PixelOf(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return pixel;
}

// Pixels of exactly this colour inside r (window client coordinates).
inline int CountPixels(HWND window, const RECT& r, COLORREF color) {
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) count += GetPixel(dc, x, y) == color ? 1 : 0;
    ReleaseDC(window, dc);
    return count;
}

// Writes the window's client area as a 24-bit BMP; answers the path, empty
// when no folder is set or the file could not be written.
inline std::wstring SaveWindowShot(HWND window, const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"NORVALE_SHOT_DIR", folder, MAX_PATH) == 0) return {};
    CreateDirectoryW(folder, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return {};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as BMP files store rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    info.biSizeImage = stride * static_cast<DWORD>(height);
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::wstring path = std::wstring(folder) + L"\\" + name;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    bool written = false;
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        written = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
                  std::fwrite(bits, info.biSizeImage, 1, out) == 1;
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return written ? path : std::wstring();
}

}  // namespace norvale::test
