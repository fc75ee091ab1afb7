#include "platform/core/secret_text.h"

namespace norvale {

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

}  // namespace norvale
