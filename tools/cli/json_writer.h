// A small streaming JSON writer for the --json output. Commas and nesting are
// tracked here so callers only state what they write; strings are escaped
// (quote, backslash, every control character) and invalid UTF-8 is replaced,
// so the output always parses, whatever a device sent.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvale::cli {

// `text` as a quoted JSON string. Invalid UTF-8 becomes U+FFFD.
std::string JsonQuote(std::string_view utf8);

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next member; must be followed by one value.
    JsonWriter& Key(std::string_view name);

    JsonWriter& String(std::string_view utf8);
    JsonWriter& String(std::wstring_view text);
    JsonWriter& Number(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& Text() const { return text_; }

private:
    void BeforeValue();

    std::string text_;
    // One entry per open object or array: whether it holds a member yet.
    std::vector<bool> hasMember_;
    bool afterKey_ = false;
};

}  // namespace norvale::cli
