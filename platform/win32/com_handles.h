// Owners of COM references, BSTRs and VARIANTs: each is released exactly once,
// on every path out of a function.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace norvale::win32 {

template <typename T>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already holds.
    static ComRef Adopt(T* pointer) {
        ComRef ref;
        ref.pointer_ = pointer;
        return ref;
    }
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }

    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For out-parameters: releases what is held first.
    T** Put() {
        Reset();
        return &pointer_;
    }
    void Reset() {
        if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
    }

private:
    T* pointer_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(const std::wstring& text)
        : bstr_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(bstr_); }

    BSTR Get() const { return bstr_; }
    bool Allocated() const { return bstr_ != nullptr; }

private:
    BSTR bstr_;
};

class Variant {
public:
    Variant() { ::VariantInit(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&value_); }

    const VARIANT& Get() const { return value_; }
    // For out-parameters and for filling: clears what is held first.
    VARIANT* Put() {
        ::VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

// The text of a BSTR, embedded NULs included; empty for a null BSTR.
inline std::wstring FromBstr(BSTR text) {
    return text == nullptr ? std::wstring() : std::wstring(text, ::SysStringLen(text));
}

}  // namespace norvale::win32
