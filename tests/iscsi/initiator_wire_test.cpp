// The line protocol between the initiator daemon and its Windows stand-ins:
// every text survives the trip, and malformed bytes are refused whole.
#include <gtest/gtest.h>

#include "tools/initiator_sim/wire.h"

namespace norvale::sim::wire {
namespace {

TEST(InitiatorWire, FieldsCarryAnyBytes) {
    for (const std::string& text : {std::string(""), std::string("plain"), std::string("two words\r\n%25"),
                                   std::string("\0\x7F\xFF caf\xC3\xA9", 9), std::string("%")}) {
        const std::string field = EncodeField(text);
        EXPECT_EQ(field.find_first_of(" \n"), std::string::npos);
        EXPECT_EQ(DecodeField(field), text);
    }
    const std::optional<Request> request =
        ParseRequest(FormatRequest({"ISCSICLI", {"iscsicli logintarget x \"a b\" %", ""}}));
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->verb, "ISCSICLI");
    EXPECT_EQ(request->args, (std::vector<std::string>{"iscsicli logintarget x \"a b\" %", ""}));
}

TEST(InitiatorWire, ResponsesWithNestedObjectsRoundTrip) {
    Response response;
    response.code = -2147217406;
    response.lines = {"Session Id is 0x1", ""};
    response.delayMs = 400;
    SimObject portal{"Portal", {}};
    portal.Set("address", SimValue::String("10.0.0.5")).Set("port", SimValue::Int32(3260));
    SimObject target{"MSiSCSIInitiator_TargetClass", {}};
    target.Set("TargetName", SimValue::String("iqn.x:t"))
        .Set("Flags", SimValue::UInt32(4294967295u))
        .Set("Hidden", SimValue::Bool(false))
        .Set("Alias", SimValue::Null())
        .Set("PortalGroups", SimValue::Objects({SimObject{"Group", {}}.Set("portals", SimValue::Objects({portal}))}))
        .Set("Empty", SimValue::Objects({}));
    response.objects = {target, SimObject{"Bare", {}}};
    const std::optional<Response> parsed = ParseResponse(FormatResponse(response));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->code, response.code);
    EXPECT_EQ(parsed->lines, response.lines);
    EXPECT_EQ(parsed->delayMs, 400);
    EXPECT_EQ(parsed->objects, response.objects);
}

TEST(InitiatorWire, MalformedBytesAreRefusedWhole) {
    const char* const responses[] = {
        "",
        "OK 0\n",                                  // no END
        "OK 0\nEND",                               // no line end
        "OK x\nEND\n",
        "OK 0 1\nEND\n",
        "OK  0\nEND\n",                            // empty field
        "OK 0\nLINE a%2\nEND\n",                   // bad escape
        "OK 0\nLINE a%zz\nEND\n",
        "OK 0\nWHAT a\nEND\n",
        "OK 0\nDELAY -1\nEND\n",
        "OK 0\nOBJECT c\nEND\n",                   // object never ends
        "OK 0\nOBJECT c\nP a objs 1\nENDOBJECT\nEND\n",
        "OK 0\nOBJECT c\nP a objs 99999999\nENDOBJECT\nEND\n",
        "OK 0\nOBJECT c\nP a i32 2147483648\nENDOBJECT\nEND\n",
        "OK 0\nOBJECT c\nP a u32 -1\nENDOBJECT\nEND\n",
        "OK 0\nOBJECT c\nP a bool 2\nENDOBJECT\nEND\n",
        "OK 0\nOBJECT c\nP a str\nENDOBJECT\nEND\n",
        "OK 0\nENDOBJECT\nEND\n",
    };
    for (const char* bytes : responses) EXPECT_FALSE(ParseResponse(bytes).has_value()) << bytes;

    // Nesting beyond the limit.
    std::string deep = "OK 0\n";
    for (int i = 0; i <= kMaxDepth + 1; ++i) deep += "OBJECT c\nP a objs 1\n";
    deep += "OBJECT c\nENDOBJECT\n";
    for (int i = 0; i <= kMaxDepth + 1; ++i) deep += "ENDOBJECT\n";
    EXPECT_FALSE(ParseResponse(deep + "END\n").has_value());

    for (const std::string& bytes : {std::string("QUERY"), std::string("\n"), std::string(" QUERY\n"),
                                    std::string("QUERY  x\n"), std::string(kMaxLine + 1, 'a') + "\n"}) {
        EXPECT_FALSE(ParseRequest(bytes).has_value()) << bytes.substr(0, 20);
    }
}

}  // namespace
}  // namespace norvale::sim::wire
