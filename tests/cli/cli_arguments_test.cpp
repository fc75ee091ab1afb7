#include "tools/cli/cli_arguments.h"

#include <gtest/gtest.h>

namespace norvale::cli {
namespace {

using Outcome = ParsedArguments::Outcome;
using namespace std::chrono_literals;

TEST(CliArgumentsTest, ReadsEveryCommandWithItsOptions) {
    ParsedArguments p = ParseArguments({"--json", "discover"});
    ASSERT_EQ(p.outcome, Outcome::Run);
    EXPECT_EQ(p.request.command, Command::Discover);
    EXPECT_TRUE(p.request.json);

    p = ParseArguments({"shares", "10.0.0.5", "--page", "3"});
    ASSERT_EQ(p.outcome, Outcome::Run);
    EXPECT_EQ(p.request.command, Command::Shares);
    EXPECT_EQ(p.request.applianceIp, "10.0.0.5");
    EXPECT_EQ(p.request.page, 3);
    EXPECT_FALSE(p.request.json);

    p = ParseArguments({"set-static", "10.0.0.5", "--ip=10.0.0.9", "--mask", "255.0.0.0",
                        "--gateway", "", "--password=", "--json"});
    ASSERT_EQ(p.outcome, Outcome::Run);
    EXPECT_EQ(p.request.command, Command::SetStatic);
    EXPECT_EQ(p.request.newIp, "10.0.0.9");
    EXPECT_EQ(p.request.newNetmask, "255.0.0.0");
    EXPECT_EQ(p.request.newGateway, "");
    EXPECT_EQ(p.request.password, "");
    EXPECT_EQ(p.request.settle, 0ms);

    p = ParseArguments({"set-dhcp", "10.0.0.5"});
    ASSERT_EQ(p.outcome, Outcome::Run);
    EXPECT_EQ(p.request.settle, kDefaultDhcpSettle);
    EXPECT_FALSE(p.request.password.has_value());

    p = ParseArguments({"set-dhcp", "10.0.0.5", "--settle", "0.25"});
    EXPECT_EQ(p.request.settle, 250ms);
}

TEST(CliArgumentsTest, HelpWinsOverEverythingElse) {
    EXPECT_EQ(ParseArguments({"--help"}).outcome, Outcome::Help);
    EXPECT_EQ(ParseArguments({"set-dhcp", "-h"}).outcome, Outcome::Help);
}

struct BadCase {
    std::vector<std::string> arguments;
    const char* error;
};

class CliArgumentsErrorTest : public testing::TestWithParam<BadCase> {};

TEST_P(CliArgumentsErrorTest, RefusesWithAOneLineMessage) {
    const ParsedArguments p = ParseArguments(GetParam().arguments);
    EXPECT_EQ(p.outcome, Outcome::Error);
    EXPECT_EQ(p.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Cases, CliArgumentsErrorTest, testing::Values(
    BadCase{{}, "no command given"},
    BadCase{{"--json"}, "no command given"},
    BadCase{{"discovr"}, "unknown command"},
    BadCase{{"discover", "10.0.0.5"}, "unexpected extra argument"},
    BadCase{{"shares"}, "the appliance's IP address is missing"},
    BadCase{{"shares", "10.0.0.5", "--page", "0"}, "--page needs a page number from 1"},
    BadCase{{"shares", "10.0.0.5", "--page", "2x"}, "--page needs a page number from 1"},
    BadCase{{"shares", "10.0.0.5", "--page"}, "option --page needs a value"},
    BadCase{{"targets", "10.0.0.5", "--page", "2"}, "option --page does not apply to this command"},
    BadCase{{"set-dhcp", "10.0.0.5", "--ip", "10.0.0.6"}, "option --ip does not apply to this command"},
    BadCase{{"set-dhcp", "10.0.0.5", "--verbose"}, "unknown option --verbose"},
    BadCase{{"set-dhcp", "10.0.0.5", "--json=yes"}, "option --json takes no value"},
    BadCase{{"--page", "2", "shares", "10.0.0.5"}, "option --page before the command"},
    BadCase{{"set-static", "1.2.3.4", "--ip", "a", "--ip", "b"}, "option --ip given twice"},
    BadCase{{"set-dhcp", "10.0.0.5", "--settle", "-1"}, "--settle needs seconds from 0 to 3600"},
    BadCase{{"set-dhcp", "10.0.0.5", "--settle", "3600.5"}, "--settle needs seconds from 0 to 3600"},
    BadCase{{"set-dhcp", "10.0.0.5", "--settle", "1."}, "--settle needs seconds from 0 to 3600"}));

TEST(CliArgumentsTest, NeverEchoesWhatMayBeAPassword) {
    const std::vector<std::vector<std::string>> mistakes = {
        {"set-dhcp", "10.0.0.5", "--pasword=hunter22"},
        {"set-dhcp", "10.0.0.5", "hunter22"},
        {"hunter22", "set-dhcp", "10.0.0.5"},
        {"--password", "hunter22", "set-dhcp", "10.0.0.5"},
    };
    for (const auto& arguments : mistakes) {
        const ParsedArguments p = ParseArguments(arguments);
        EXPECT_EQ(p.outcome, Outcome::Error);
        EXPECT_EQ(p.error.find("hunter22"), std::string::npos) << p.error;
    }
}

TEST(CliArgumentsTest, SecondsAreReadToTheMillisecond) {
    EXPECT_EQ(ParseSeconds("0"), 0ms);
    EXPECT_EQ(ParseSeconds("15"), 15000ms);
    EXPECT_EQ(ParseSeconds("1.5"), 1500ms);
    EXPECT_EQ(ParseSeconds("0.0019"), 1ms);
    EXPECT_EQ(ParseSeconds("3600"), 3600000ms);
    EXPECT_FALSE(ParseSeconds(""));
    EXPECT_FALSE(ParseSeconds(".5"));
    EXPECT_FALSE(ParseSeconds("99999999999999999999"));
    EXPECT_FALSE(ParseSeconds("1e3"));
}

}  // namespace
}  // namespace norvale::cli
