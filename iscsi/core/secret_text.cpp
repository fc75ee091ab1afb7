#include "iscsi/core/secret_text.h"

#include <ostream>

namespace norvale {

void WipeText(std::wstring& text) {
    // Also what lies between the length and the capacity: a shorter value
    // may have been written over a longer one. Volatile, so the stores are
    // not dropped as dead.
    text.resize(text.capacity());
    volatile wchar_t* chars = text.data();
    for (std::size_t i = 0; i < text.size(); ++i) chars[i] = L'\0';
    text.clear();
}

SecretText::SecretText(SecretText&& other) noexcept {
    // A move of a short string copies its characters: wipe the source.
    text_ = other.text_;
    other.Wipe();
}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
    if (this != &other) {
        Wipe();
        text_ = other.text_;
        other.Wipe();
    }
    return *this;
}

void PrintTo(const SecretText& secret, std::ostream* out) {
    *out << "<secret of " << secret.Size() << " characters>";
}

}  // namespace norvale
