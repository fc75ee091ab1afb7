#include "tools/cli/json_writer.h"

#include <gtest/gtest.h>

namespace norvale::cli {
namespace {

struct QuoteCase {
    std::string input;
    std::string quoted;
};

class JsonQuoteTest : public testing::TestWithParam<QuoteCase> {};

TEST_P(JsonQuoteTest, EscapesWhatJsonRequires) {
    EXPECT_EQ(JsonQuote(GetParam().input), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(Cases, JsonQuoteTest, testing::Values(
    QuoteCase{"", "\"\""},
    QuoteCase{"NAS", "\"NAS\""},
    QuoteCase{"say \"hi\"", "\"say \\\"hi\\\"\""},
    QuoteCase{"C:\\share", "\"C:\\\\share\""},
    QuoteCase{"a\nb\tc\rd\be\ff", "\"a\\nb\\tc\\rd\\be\\ff\""},
    QuoteCase{std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
    QuoteCase{std::string("nul\0end", 7), "\"nul\\u0000end\""},
    QuoteCase{"/</script>", "\"/</script>\""},
    // UTF-8 passes through; broken sequences become U+FFFD.
    QuoteCase{"Caf\xc3\xa9", "\"Caf\xc3\xa9\""},
    QuoteCase{"bad\xff" "byte", "\"bad\xef\xbf\xbd" "byte\""},
    QuoteCase{"cut\xe2\x82", "\"cut\xef\xbf\xbd\""}));

TEST(JsonWriterTest, SeparatesMembersAndNestsObjectsAndArrays) {
    JsonWriter json;
    json.BeginObject()
        .Key("ok").Bool(true)
        .Key("count").Number(-3)
        .Key("list").BeginArray().String("a").Number(1).BeginObject().EndObject().Null().EndArray()
        .Key("empty").BeginArray().EndArray()
        .Key("wide").String(std::wstring(L"x\u00e9"))
        .EndObject();
    EXPECT_EQ(json.Text(),
              "{\"ok\":true,\"count\":-3,\"list\":[\"a\",1,{},null],\"empty\":[],\"wide\":\"x\xc3\xa9\"}");
}

}  // namespace
}  // namespace norvale::cli
