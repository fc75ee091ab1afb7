// Paints a control into an off-screen bitmap and copies it to the screen in
// one go, so a control drawn in several layers never flickers.
#pragma once

#include <windows.h>

#include <functional>

namespace norvale::win32 {

// Between BeginPaint and EndPaint of `window`; `paint` draws the whole client
// area into the memory DC it is given.
void PaintBuffered(HWND window, const std::function<void(HDC memory, const RECT& client)>& paint);

}  // namespace norvale::win32
