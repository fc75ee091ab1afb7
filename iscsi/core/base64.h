// CBase64: the appliance sends each CHAP password Base64-encoded (RFC 4648
// standard alphabet) in its target entry.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/core/secret_text.h"

namespace norvale {

class CBase64 {
public:
    // The encoded text is read up to this many characters.
    static constexpr std::size_t kMaxEncodedChars = 59;

    // Characters outside the alphabet (line breaks, blanks) are skipped and
    // "=" ends the data; each decoded byte becomes one character. A last
    // group of two or three characters still yields its one or two bytes:
    // the appliance's list is split at "=", which eats the padding.
    static SecretText Decode(std::wstring_view encoded);
};

}  // namespace norvale
