#include "tools/simulator/appliance_config.h"

#include <gtest/gtest.h>

#include <string>

namespace norvale::sim {
namespace {

TEST(SimConfig, MinimalApplianceGetsDefaults) {
    const ConfigResult result = ParseConfig(R"({"appliances": [
        {"interface": "veth1", "id": "00:11:22:33:44:55", "address": "10.1.0.20"}]})");
    ASSERT_TRUE(result.config) << result.error;
    const ApplianceConfig& nas = result.config->appliances.at(0);
    EXPECT_EQ(nas.netmask, "255.255.255.0");
    EXPECT_EQ(nas.selector1, 0);
    EXPECT_EQ(nas.selector2, 8);
    EXPECT_EQ(nas.service, "iscsi");
    EXPECT_EQ(nas.duplicates, 1);
    EXPECT_EQ(nas.id[5], 0x55);
    EXPECT_EQ(nas.NameText(), "NAS");
    EXPECT_TRUE(nas.http.address.empty());
    // Without portal groups the targets are reached through the address.
    ASSERT_EQ(nas.EffectivePortalGroups().size(), 1u);
    EXPECT_EQ(nas.EffectivePortalGroups()[0].size(), 1u);
    EXPECT_EQ(nas.EffectivePortalGroups()[0][0].port, 3260);
}

TEST(SimConfig, FullAppliance) {
    const ConfigResult result = ParseConfig(R"({"seed": 7, "appliances": [
        {"interface": "veth1", "id": "0a:0b:0c:0d:0e:0f", "address": "10.1.0.20",
         "name": "NAS2", "port": "eth1", "otherAddress": "10.2.0.20", "dhcp": true,
         "shares": ["music*0", "data@1"], "adminPassword": "pw",
         "targets": [{"name": "iqn.t", "chap": true, "user": "u", "password": "p", "lunBytes": 4294967296}],
         "portalGroups": [["10.1.0.20", "10.1.0.20:3261"], ["10.2.0.20"]],
         "dhcpPool": ["10.1.0.100"], "replyDelayMs": 300, "dropRate": 0.5, "duplicates": 3,
         "flood": {"ratePerSecond": 100, "durationMs": 2000},
         "http": {"port": 8080}}]})");
    ASSERT_TRUE(result.config) << result.error;
    const ApplianceConfig& nas = result.config->appliances.at(0);
    EXPECT_EQ(result.config->seed, 7u);
    EXPECT_EQ(nas.NameText(), "NAS2:eth1=10.2.0.20");
    EXPECT_TRUE(nas.targets.at(0).chap);
    EXPECT_EQ(nas.targets.at(0).lunBytes, 4294967296u);
    ASSERT_EQ(nas.EffectivePortalGroups().size(), 2u);
    EXPECT_EQ(nas.portalGroups.at(0).at(1).port, 3261);
    EXPECT_EQ(nas.portalGroups.at(1).at(0).address, "10.2.0.20");
    EXPECT_EQ(nas.flood.ratePerSecond, 100);
    EXPECT_EQ(nas.http.address, "10.1.0.20") << "the web server defaults to the appliance address";
    EXPECT_EQ(nas.http.port, 8080);
}

TEST(SimConfig, RefusesWhatWouldMisbehave) {
    const std::string base = R"("interface": "v", "id": "00:11:22:33:44:55", "address": "10.1.0.20")";
    const std::pair<std::string, const char*> cases[] = {
        {"not json", "not valid JSON"},
        {R"({"appliances": []})", "config.appliances"},
        {R"({"appliances": [{"id": "00:11:22:33:44:55", "address": "10.1.0.20"}]})", "interface"},
        {R"({"appliances": [{"interface": "v", "id": "0011", "address": "10.1.0.20"}]})", ".id"},
        {R"({"appliances": [{"interface": "v", "id": "00:11:22:33:44:55", "address": "10.1.0"}]})", "address"},
        {"{\"appliances\": [{" + base + R"(, "duplicates": 11}]})", "duplicates"},
        {"{\"appliances\": [{" + base + R"(, "dropRate": 1.5}]})", "dropRate"},
        {"{\"appliances\": [{" + base + R"(, "flood": {"ratePerSecond": 100000}}]})", "ratePerSecond"},
        {"{\"appliances\": [{" + base + R"(, "flood": {"durationMs": 3600000}}]})", "durationMs"},
        {"{\"appliances\": [{" + base + R"(, "replyDelayMs": "slow"}]})", "wrong type"},
        {"{\"appliances\": [{" + base + R"(, "service": "123456789"}]})", "service"},
        {"{\"appliances\": [{" + base + R"(, "name": ")" + std::string(300, 'x') + R"("}]})", "255"},
        {"{\"appliances\": [{" + base + R"(, "dhcpPool": ["10.1.0.300"]}]})", "dhcpPool"},
        {"{\"appliances\": [{" + base + R"(, "targets": [1]}]})", "targets[0]"},
        {"{\"appliances\": [{" + base + R"(, "portalGroups": [["10.1.0.20:0"]]}]})", "portalGroups[0]"},
        {"{\"appliances\": [{" + base + R"(, "portalGroups": [["nas:3260"]]}]})", "portalGroups[0]"},
        {"{\"appliances\": [{" + base + R"(, "portalGroups": ["10.1.0.20"]}]})", "portalGroups[0]"},
    };
    for (const auto& [text, needle] : cases) {
        const ConfigResult result = ParseConfig(text);
        EXPECT_FALSE(result.config) << text;
        EXPECT_NE(result.error.find(needle), std::string::npos) << result.error;
    }
}

}  // namespace
}  // namespace norvale::sim
