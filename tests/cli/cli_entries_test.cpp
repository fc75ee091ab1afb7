// norvale-cli targets and shares against a simulated appliance: the entries
// come out parsed as the dialog reads them, and a CHAP password never shows.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/fakes/fake_segment.h"
#include "tests/protocol/protocol_fixture.h"
#include "tools/cli/cli_commands.h"

namespace norvale::cli {
namespace {

class NoPrompt final : public PasswordPrompt {
public:
    std::optional<std::string> ReadHidden(const std::string&) override { return std::nullopt; }
};

class CliEntriesTest : public ::testing::Test {
protected:
    CliEntriesTest() {
        segment.SetLocalAddresses(std::vector<std::string>{test::kLocal0});
        test::FakeAppliance& nas = segment.AddAppliance({});
        nas.config.shares = {"public", "music*0", "data@1", "scans*"};
        // Base64 of "Sixteen-chars-16": its padding goes with the list's "=".
        nas.config.targets = {"iqn.2026-12.com.orrin:archive.lun0|0@$",
                              "iqn.2026-12.com.orrin:my_disk|1@chap_user$U2l4dGVlbi1jaGFycy0xNg==",
                              "plain-name"};
    }

    int Run(std::vector<std::string> arguments) {
        out.str({});
        return RunCli(arguments, env);
    }

    test::VirtualClock clock;
    test::FakeSegment segment{clock};
    test::CountingRandom random;
    NoPrompt prompt;
    std::ostringstream out;
    std::ostringstream err;
    CliEnvironment env{segment, clock, random, prompt, [](unsigned) { return std::wstring(); }, out, err};
};

TEST_F(CliEntriesTest, TargetsShowNameUserAndChapButNeverThePassword) {
    ASSERT_EQ(Run({"targets", "192.168.0.10", "--json"}), 0) << err.str();
    EXPECT_EQ(out.str(),
              "{\"ok\":true,\"appliance\":\"192.168.0.10\",\"iscsi\":true,\"count\":3,\"targets\":["
              "{\"shown\":\"archive.lun0\",\"name\":\"iqn.2026-12.com.orrin:archive.lun0\","
              "\"iscsiName\":\"iqn.2026-12.com.orrin:archive.lun0\",\"chap\":false,\"user\":\"\"},"
              "{\"shown\":\"my_disk\",\"name\":\"iqn.2026-12.com.orrin:my_disk\","
              "\"iscsiName\":\"iqn.2026-12.com.orrin:my-disk\",\"chap\":true,\"user\":\"chap_user\"},"
              "{\"shown\":\"\",\"name\":\"\",\"iscsiName\":\"\",\"chap\":false,\"user\":\"\"}]}\n");

    ASSERT_EQ(Run({"targets", "192.168.0.10"}), 0);
    EXPECT_EQ(out.str(),
              "iSCSI targets of 192.168.0.10 (3 in all):\n"
              "  archive.lun0  iqn.2026-12.com.orrin:archive.lun0\n"
              "  my_disk  iqn.2026-12.com.orrin:my_disk  CHAP, user \"chap_user\"\n"
              "  (an entry without a name)\n");
    EXPECT_EQ(out.str().find("U2l4"), std::string::npos);
    EXPECT_EQ(err.str().find("U2l4"), std::string::npos);
}

TEST_F(CliEntriesTest, SharesShowTheirNameAndLock) {
    ASSERT_EQ(Run({"shares", "192.168.0.10", "--json"}), 0) << err.str();
    EXPECT_EQ(out.str(),
              "{\"ok\":true,\"appliance\":\"192.168.0.10\",\"count\":4,\"page\":1,\"pages\":1,\"shares\":["
              "{\"name\":\"public\",\"locked\":false},{\"name\":\"music\",\"locked\":false},"
              "{\"name\":\"data\",\"locked\":true},{\"name\":\"scans\",\"locked\":true}]}\n");
    ASSERT_EQ(Run({"shares", "192.168.0.10"}), 0);
    EXPECT_EQ(out.str(), "Shares of 192.168.0.10, page 1 of 1 (4 in all):\n  public\n  music\n  data  (locked)\n"
                         "  scans  (locked)\n");
}

}  // namespace
}  // namespace norvale::cli
