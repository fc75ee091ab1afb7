// A CHAP secret in memory: it cannot be copied by accident, is overwritten
// when it goes, and prints as its length only, so a failing test or a trace
// never shows it.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/core/wipe.h"

namespace norvale {


class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::wstring text) : text_(std::move(text)) {}
    SecretText(SecretText&& other) noexcept;
    SecretText& operator=(SecretText&& other) noexcept;
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    ~SecretText() { Wipe(); }

    // The characters, for the one place that must hand them on (a login
    // line, a comparison). Never for a message, trace or log.
    const std::wstring& Reveal() const { return text_; }
    std::size_t Size() const { return text_.size(); }
    bool Empty() const { return text_.empty(); }
    bool Matches(std::wstring_view typed) const { return typed == text_; }
    void Wipe() { WipeText(text_); }

private:
    std::wstring text_;
};

// GoogleTest prints values of failed checks through this: the length only.
// Inline, so that the program, which prints to no stream, links none of the
// standard library's stream and locale code for it.
inline void PrintTo(const SecretText& secret, std::ostream* out) {
    *out << "<secret of " << secret.Size() << " characters>";
}

}  // namespace norvale
