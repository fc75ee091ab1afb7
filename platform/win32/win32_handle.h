// Owns a kernel handle (file, pipe, process, thread, job, token): closed on
// every path. Null and INVALID_HANDLE_VALUE both mean none.
#pragma once

#include <windows.h>

namespace norvale::win32 {

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE* Out() { return &h_; }
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void Close() {
        if (Valid()) ::CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

}  // namespace norvale::win32
