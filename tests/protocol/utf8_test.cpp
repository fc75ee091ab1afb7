// UTF-8 <-> wide text, including malformed input and the field cuts.
#include <gtest/gtest.h>

#include "platform/core/utf8.h"

namespace norvale {
namespace {

TEST(Utf8, DecodesAllSequenceLengths) {
    EXPECT_EQ(Utf8ToWide("A\xC3\xA9\xE2\x82\xAC"), L"A\u00E9\u20AC");
    const std::wstring astral = Utf8ToWide("\xF0\x9F\x98\x80");
    if constexpr (sizeof(wchar_t) == 2) {
        EXPECT_EQ(astral, std::wstring(L"\xD83D\xDE00"));
    } else {
        EXPECT_EQ(astral, std::wstring(1, static_cast<wchar_t>(0x1F600)));
    }
    EXPECT_EQ(WideToUtf8(astral), "\xF0\x9F\x98\x80");
}

TEST(Utf8, MalformedSequencesBecomeReplacementCharacters) {
    struct Case { std::string bytes; std::wstring wide; };
    const Case cases[] = {
        {"\x80", L"\xFFFD"},                       // lone continuation
        {"\xC3", L"\xFFFD"},                       // truncated at the end
        {"\xC3" "A", L"\xFFFD" L"A"},              // broken by an ASCII byte
        {"\xC0\xAF", L"\xFFFD\xFFFD"},             // overlong lead
        {"\xE0\x80\xAF", L"\xFFFD"},               // overlong three-byte form
        {"\xED\xA0\x80", L"\xFFFD"},               // encoded surrogate
        {"\xF4\x90\x80\x80", L"\xFFFD"},           // above U+10FFFF
        {"\xFF\xFE", L"\xFFFD\xFFFD"},
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToWide(c.bytes), c.wide);
}

TEST(Utf8, NeverReadsPastTheGivenSize) {
    const char bytes[] = {'\xE2', '\x82', '\xAC'};
    EXPECT_EQ(Utf8ToWide(bytes, 2), L"\xFFFD");
    EXPECT_EQ(Utf8ToWide(nullptr, 5), L"");
}

TEST(Utf8, UnpairedSurrogatesEncodeAsReplacement) {
    if constexpr (sizeof(wchar_t) == 2) {
        EXPECT_EQ(WideToUtf8(std::wstring(L"\xD83D" L"A")), "\xEF\xBF\xBD" "A");
        EXPECT_EQ(WideToUtf8(std::wstring(L"\xDE00")), "\xEF\xBF\xBD");
    } else {
        EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
        EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
    }
}

TEST(Utf8, TruncationKeepsSequencesWhole) {
    EXPECT_EQ(TruncateUtf8("ab\xC3\xA9", 3), "ab");
    EXPECT_EQ(TruncateUtf8("ab\xC3\xA9", 4), "ab\xC3\xA9");
    EXPECT_EQ(TruncateUtf8("\xE2\x82\xAC\xE2\x82\xAC", 5), "\xE2\x82\xAC");
    EXPECT_EQ(TruncateUtf8("abc", 0), "");
    const std::wstring pair = Utf8ToWide("a\xF0\x9F\x98\x80");
    EXPECT_EQ(TruncateWide(pair, 1), L"a");
    EXPECT_EQ(TruncateWide(pair, 5), pair);
    EXPECT_EQ(TruncateWide(pair, 2), sizeof(wchar_t) == 2 ? std::wstring(L"a") : pair);
}

}  // namespace
}  // namespace norvale
