// Overwriting a secret's memory before it goes back to the heap: a clear()
// or a destructor leaves the characters in the freed block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace norvale {

inline void WipeMemory(void* data, std::size_t bytes) {
    // Volatile, so the stores are not dropped as dead.
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < bytes; ++i) p[i] = 0;
}

// Every character the buffer holds, up to its capacity (a shorter value may
// have been written over a longer one), then empty.
inline void WipeText(std::wstring& text) {
    text.resize(text.capacity());
    WipeMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

// Every byte the buffer holds, up to its capacity, then empty.
inline void WipeBytes(std::string& text) {
    text.resize(text.capacity());
    WipeMemory(text.data(), text.size());
    text.clear();
}

inline void WipeBytes(std::vector<std::uint8_t>& bytes) {
    bytes.resize(bytes.capacity());
    WipeMemory(bytes.data(), bytes.size());
    bytes.clear();
}

}  // namespace norvale
