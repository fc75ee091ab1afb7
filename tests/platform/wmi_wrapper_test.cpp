// CWmiWrapper over a scripted WMI port: how it connects, what each query
// yields and traces, and the -1 of a wrapper that could not connect.
#include <gtest/gtest.h>

#include "platform/core/initiator/wmi_connections.h"
#include "platform/core/initiator/wmi_wrapper.h"
#include "platform/core/initiator/wql.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/recording_trace.h"
#include "tests/platform/scripted_wmi.h"
#include "tests/platform/version_machines.h"

namespace norvale {
namespace {

using test::ScriptObject;

constexpr WmiResult kRpcUnavailable = static_cast<WmiResult>(0x800706BAu);
const std::wstring kTargets = L"SELECT * FROM MSiSCSIInitiator_TargetClass WHERE TargetName = 'iqn.t:a'";

class WmiWrapperTest : public ::testing::Test {
protected:
    test::ScriptedWmi wmi;
    test::FakeVersionSource version = test::Windows7Enterprise();
    test::RecordingTrace trace;
    WmiEnvironment env{wmi, version, trace};
};

TEST_F(WmiWrapperTest, ConnectsToRootWmiOfTheLocalMachineWithoutABlanketOnCurrentWindows) {
    CWmiWrapper wrapper(env);
    EXPECT_TRUE(wrapper.Connected());
    EXPECT_EQ(wmi.connectedPath, L"\\\\NORVALE-PC\\root\\wmi");
    EXPECT_EQ(wmi.calls, (std::vector<std::string>{"security", "locator", "connect"}));

    CWmiWrapper other(env, L"cimv2", L"FILER");
    EXPECT_EQ(other.NamespacePath(), L"\\\\FILER\\root\\cimv2");
    wmi.machineName.clear();
    EXPECT_EQ(CWmiWrapper(env).NamespacePath(), L"\\\\.\\root\\wmi");
}

TEST_F(WmiWrapperTest, EachFailingConstructionStepLeavesItUnconnectedWithNothingHeld) {
    struct Case {
        const char* name;
        WmiResult test::ScriptedWmi::*step;
        WmiResult code;
        bool connected;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"security set before", &test::ScriptedWmi::securityCode, kWmiSecurityAlreadySet, true,
         {"security", "locator", "connect"}},
        {"security refused", &test::ScriptedWmi::securityCode, kWmiFailed, false, {"security"}},
        {"no locator", &test::ScriptedWmi::locatorCode, kWmiFailed, false, {"security", "locator"}},
        {"no namespace", &test::ScriptedWmi::connectCode, kRpcUnavailable, false,
         {"security", "locator", "connect"}},
    };
    for (const Case& c : cases) {
        test::ScriptedWmi fresh;
        fresh.*c.step = c.code;
        CWmiWrapper wrapper(WmiEnvironment{fresh, version, trace});
        EXPECT_EQ(wrapper.Connected(), c.connected) << c.name;
        EXPECT_EQ(fresh.calls, c.calls) << c.name;
        if (!c.connected) {
            EXPECT_EQ(fresh.liveLocators + fresh.liveServices, 0) << c.name;
            EXPECT_EQ(fresh.queries.size(), 0u) << c.name;
        }
    }
}

TEST_F(WmiWrapperTest, TheProxyBlanketIsSetOnNt4AndEarlierOnly) {
    test::FakeVersionSource nt4 = test::Nt4Sp6();
    test::FakeVersionSource xp = test::XpProfessional();
    {
        CWmiWrapper wrapper(WmiEnvironment{wmi, xp, trace});
        EXPECT_EQ(wmi.calls.back(), "connect");
    }
    wmi.calls.clear();
    {
        CWmiWrapper wrapper(WmiEnvironment{wmi, nt4, trace});
        EXPECT_TRUE(wrapper.Connected());
        EXPECT_EQ(wmi.calls.back(), "blanket");
    }
    wmi.blanketCode = kWmiFailed;
    CWmiWrapper refused(WmiEnvironment{wmi, nt4, trace});
    EXPECT_FALSE(refused.Connected());
    EXPECT_EQ(wmi.liveLocators + wmi.liveServices, 0);
}

TEST_F(WmiWrapperTest, AnUnconnectedWrapperAnswersMinusOneToEverythingAndAddsNothing) {
    wmi.connectCode = kRpcUnavailable;
    CWmiWrapper wrapper(env);
    std::vector<std::wstring> texts{L"kept"};
    std::vector<TargetPortal> portals;
    std::vector<SessionInfo> sessions;
    EXPECT_EQ(wrapper.QueryPropertyValues(L"MSiSCSIInitiator_InitiatorClass", L"InitiatorName", texts), -1);
    EXPECT_EQ(wrapper.QueryPropertyValuesWhere(L"C", L"P", L"v", L"Q", texts), -1);
    EXPECT_EQ(wrapper.QueryTargetPortals(L"iqn.t:a", portals), -1);
    EXPECT_EQ(wrapper.QuerySessions(sessions), -1);
    EXPECT_EQ(wrapper.AddSendTargetPortal(L"10.0.0.5"), -1);
    EXPECT_EQ(texts, std::vector<std::wstring>{L"kept"});
    EXPECT_TRUE(portals.empty() && sessions.empty() && wmi.queries.empty());
}

TEST_F(WmiWrapperTest, PropertyValuesFollowTheConversionTableAndTraceWhatTheyCannotUse) {
    const std::wstring query = L"SELECT * FROM MSiSCSI_ConnectionStatistics";
    for (test::ScriptValue value : {test::ScriptValue{}, test::Text(L"iqn.t:a"), test::Flag(true), test::Flag(false),
                                    test::I4(7), test::UI4(8), test::Other(5), test::Objects({{}}), test::Failing()}) {
        wmi.results[query].push_back({{L"Active", value}});
    }
    wmi.results[query].push_back({{L"Other", test::Text(L"x")}});  // no such property: a failed read

    CWmiWrapper wrapper(env);
    std::vector<std::wstring> texts;
    EXPECT_EQ(wrapper.QueryPropertyValues(L"MSiSCSI_ConnectionStatistics", L"Active", texts), 0);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"NULL", L"iqn.t:a", L"TRUE", L"FALSE", L"WMIQUERY TODO : VT_I4",
                                                L"WMIQUERY TODO : VT_UI4"}));
    EXPECT_EQ(trace.lines, (std::vector<std::wstring>{L"UNHANDLED VARIANT TYPE (5)\n",
                                                      L"UNHANDLED VARIANT TYPE (8205)\n",
                                                      L"Get failed on property 'Active'\n",
                                                      L"Get failed on property 'Active'\n"}));
}

TEST_F(WmiWrapperTest, AClassWithoutInstancesIsSuccessAndAFailedQueryMinusOneKeepingTheList) {
    CWmiWrapper wrapper(env);
    std::vector<std::wstring> texts{L"earlier"};
    EXPECT_EQ(wrapper.QueryPropertyValues(L"MSiSCSIInitiator_SessionClass", L"SessionId", texts), 0);
    wmi.queryCode = static_cast<WmiResult>(0x80041010u);
    EXPECT_EQ(wrapper.QueryPropertyValues(L"NoSuchClass", L"X", texts), -1);
    EXPECT_EQ(texts, std::vector<std::wstring>{L"earlier"});
    EXPECT_EQ(wmi.queries, (std::vector<std::wstring>{L"SELECT * FROM MSiSCSIInitiator_SessionClass",
                                                      L"SELECT * FROM NoSuchClass"}));
    EXPECT_NE(trace.All().find(L"SELECT * FROM NoSuchClass failed with 0x80041010\n"), std::wstring::npos);

    // With the system's texts at hand, the trace (the support log) says it
    // in words as well, on one line.
    test::EnglishErrorText english;
    CWmiWrapper worded(WmiEnvironment{wmi, version, trace, &english});
    wmi.queryCode = static_cast<WmiResult>(0x80070005u);
    EXPECT_EQ(worded.QueryPropertyValues(L"NoSuchClass", L"X", texts), -1);
    EXPECT_NE(trace.All().find(L"SELECT * FROM NoSuchClass failed with 0x80070005 (Error 2147942405)\n"),
              std::wstring::npos);
}

ScriptObject Portal(test::ScriptValue address, std::int32_t port) {
    return {{L"address", std::move(address)}, {L"port", test::I4(port)}};
}

TEST_F(WmiWrapperTest, PortalsOfEveryGroupInOrderAndAnUnreadableAddressRepeatsThePreviousOne) {
    wmi.results[kTargets] = {
        {{L"PortalGroups",
          test::Objects({{{L"portals", test::Objects({Portal(test::Text(L"10.0.0.5"), 3260),
                                                      Portal(test::Text(L"10.0.1.5"), 3261)})}},
                         {{L"portals", test::Objects({Portal(test::Failing(), 3262),
                                                      Portal(test::Text(L"10.0.2.5"), 3263),
                                                      Portal(test::Failing(), 3264)})}}})}},
        {{L"PortalGroups", test::Failing()}},  // contributes nothing
        {{L"PortalGroups", test::ScriptValue{}}},
    };
    CWmiWrapper wrapper(env);
    std::vector<TargetPortal> portals;
    EXPECT_EQ(wrapper.QueryTargetPortals(L"iqn.t:a", portals), 0);
    std::vector<std::pair<std::wstring, int>> seen;
    for (const TargetPortal& p : portals) seen.emplace_back(p.address, p.port);
    EXPECT_EQ(seen, (std::vector<std::pair<std::wstring, int>>{
                        {L"10.0.0.5", 3260}, {L"10.0.1.5", 3261}, {L"", 3262}, {L"10.0.2.5", 3263},
                        {L"10.0.2.5", 3264}}));
    EXPECT_TRUE(trace.lines.empty());
}

TEST_F(WmiWrapperTest, NamesFromOutsideAreQuotedAsWqlLiterals) {
    CWmiWrapper wrapper(env);
    std::vector<TargetPortal> portals;
    std::vector<std::wstring> texts;
    wrapper.QueryTargetPortals(L"iqn.t:a' OR TargetName <> 'x\\", portals);
    wrapper.QueryPropertyValuesWhere(L"MSiSCSIInitiator_SessionClass", L"TargetName", L"it's", L"SessionId", texts);
    EXPECT_EQ(wmi.queries,
              (std::vector<std::wstring>{
                  L"SELECT * FROM MSiSCSIInitiator_TargetClass WHERE TargetName = 'iqn.t:a\\' OR TargetName <> \\'x\\\\'",
                  L"SELECT * FROM MSiSCSIInitiator_SessionClass WHERE TargetName = 'it\\'s'"}));
    // A name the query text cannot carry matches nothing, without a query.
    EXPECT_EQ(wrapper.QueryTargetPortals(std::wstring(L"iqn\0x", 5), portals), 0);
    EXPECT_EQ(WqlWhereEquals(L"C", L"P", std::wstring(L"a\0", 2)), std::nullopt);
    EXPECT_EQ(wmi.queries.size(), 2u);
}

TEST_F(WmiWrapperTest, AddingASendTargetPortalStopsAtTheFirstFailingStep) {
    {
        CWmiWrapper wrapper(env);
        EXPECT_EQ(wrapper.AddSendTargetPortal(L"192.168.10.20"), 0);
        EXPECT_EQ(wmi.stored, (std::vector<std::pair<std::wstring, std::wstring>>{{L"PortalAddress", L"192.168.10.20"}}));
        EXPECT_EQ(std::vector<std::string>(wmi.calls.end() - 4, wmi.calls.end()),
                  (std::vector<std::string>{"class MSiSCSIInitiator_SendTargetPortalClass", "spawn", "put", "store"}));
    }
    struct Case {
        WmiResult test::ScriptedWmi::*step;
        const char* lastCall;
    };
    for (const Case& c : {Case{&test::ScriptedWmi::classCode, "class MSiSCSIInitiator_SendTargetPortalClass"},
                          Case{&test::ScriptedWmi::spawnCode, "spawn"}, Case{&test::ScriptedWmi::putCode, "put"},
                          Case{&test::ScriptedWmi::putInstanceCode, "store"}}) {
        test::ScriptedWmi fresh;
        fresh.*c.step = static_cast<WmiResult>(0x80041001u);
        CWmiWrapper wrapper(WmiEnvironment{fresh, version, trace});
        EXPECT_EQ(wrapper.AddSendTargetPortal(L"192.168.10.20"), static_cast<WmiResult>(0x80041001u)) << c.lastCall;
        EXPECT_EQ(fresh.calls.back(), c.lastCall);
        EXPECT_TRUE(fresh.stored.empty());
    }
}

TEST_F(WmiWrapperTest, SessionsKeepTheLastConnectionsAddressAndEveryReadableDisk) {
    const ScriptObject disk{{L"deviceNumber", test::I4(3)},
                            {L"legacyName", test::Text(L"\\\\.\\PhysicalDrive3")},
                            {L"partitionNumber", test::I4(0)},
                            {L"TargetName", test::Text(L"iqn.t:a")}};
    wmi.results[L"SELECT * FROM MSiSCSIInitiator_SessionClass"] = {
        {{L"TargetName", test::Text(L"iqn.t:a")},
         {L"ConnectionInformation", test::Objects({{{L"TargetAddress", test::Text(L"10.0.0.5")}},
                                                   {{L"TargetAddress", test::Text(L"10.0.1.5")}},
                                                   {{L"TargetAddress", test::Failing()}}})},
         {L"Devices", test::Objects({disk, {{L"deviceNumber", test::Failing()}, {L"TargetName", test::Text(L"x")}}})}},
        {{L"TargetName", test::Text(L"iqn.t:b")}, {L"Devices", test::ScriptValue{}}},
    };
    CWmiWrapper wrapper(env);
    std::vector<SessionInfo> sessions;
    EXPECT_EQ(wrapper.QuerySessions(sessions), 0);
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].TargetName, L"iqn.t:a");
    EXPECT_EQ(sessions[0].TargetAddress, L"10.0.1.5");
    // A disk without a readable number is left out: as disk 0 it would pass
    // the system disk off as an iSCSI disk.
    ASSERT_EQ(sessions[0].Devices.size(), 1u);
    EXPECT_EQ(sessions[0].Devices[0].deviceNumber, 3);
    EXPECT_EQ(sessions[0].Devices[0].legacyName, L"\\\\.\\PhysicalDrive3");
    EXPECT_EQ(sessions[0].Devices[0].TargetName, L"iqn.t:a");
    EXPECT_EQ(sessions[1].TargetAddress, L"");
    EXPECT_TRUE(sessions[1].Devices.empty());
}

TEST_F(WmiWrapperTest, EachSiteConnectsOnceOnFirstUseAndKeepsItsWrapper) {
    WmiConnections connections(env);
    EXPECT_FALSE(connections.Made(WmiSite::TargetListFill));
    CWmiWrapper& fill = connections.For(WmiSite::TargetListFill);
    EXPECT_EQ(&connections.For(WmiSite::TargetListFill), &fill);
    EXPECT_NE(&connections.For(WmiSite::Connect), &fill);
    EXPECT_EQ(wmi.liveServices, 2);
    EXPECT_EQ(std::count(wmi.calls.begin(), wmi.calls.end(), "connect"), 2);
}

}  // namespace
}  // namespace norvale
