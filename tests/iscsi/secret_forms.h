// Every form in which a secret could leak into output: its bytes, its hex
// (either case, as iscsicli takes it) and its Base64 (as the appliance sends
// it). Tests look for each in what they gathered, and print a redacted
// form when they fail.
#pragma once

#include <string>
#include <vector>

#include "tools/simulator/base64.h"

namespace norvale::test {

inline std::vector<std::string> SecretForms(const std::string& secret) {
    static const char kLower[] = "0123456789abcdef";
    static const char kUpper[] = "0123456789ABCDEF";
    std::string lower;
    std::string upper;
    for (unsigned char c : secret) {
        lower += kLower[c >> 4];
        lower += kLower[c & 0xF];
        upper += kUpper[c >> 4];
        upper += kUpper[c & 0xF];
    }
    return {secret, lower, upper, sim::EncodeBase64(secret)};
}

// The first form of `secret` found in `text`, or "" when none is: what a
// failing check prints instead of the text.
inline std::string LeakedForm(const std::string& text, const std::string& secret) {
    const char* names[] = {"plain", "hex", "HEX", "Base64"};
    const std::vector<std::string> forms = SecretForms(secret);
    for (std::size_t i = 0; i < forms.size(); ++i) {
        if (!forms[i].empty() && text.find(forms[i]) != std::string::npos) return names[i];
    }
    return {};
}

}  // namespace norvale::test
