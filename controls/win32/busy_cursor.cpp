#include "controls/win32/busy_cursor.h"

namespace norvale::win32 {

namespace {

HCURSOR LoadAnimatedCursor(HMODULE module, int id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(21) /*RT_ANICURSOR*/);
    if (found == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    auto* bytes = static_cast<BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (bytes == nullptr || size == 0) return nullptr;
    return reinterpret_cast<HCURSOR>(
        CreateIconFromResourceEx(bytes, size, FALSE, 0x00030000, 0, 0, LR_DEFAULTCOLOR));
}

}  // namespace

HCURSOR BusyCursor() {
    static const HCURSOR cursor = [] {
        HCURSOR own = LoadAnimatedCursor(GetModuleHandleW(nullptr), kBusyCursorResource);
        return own != nullptr ? own : LoadCursorW(nullptr, MAKEINTRESOURCEW(32514) /*IDC_WAIT*/);
    }();
    return cursor;
}

}  // namespace norvale::win32
