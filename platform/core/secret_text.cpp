#include "platform/core/secret_text.h"

#include <ostream>

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

void PrintTo(const SecretText& secret, std::ostream* out) {
    *out << "<secret of " << secret.Size() << " characters>";
}

}  // namespace norvale
