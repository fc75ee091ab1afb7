// The WMI adapter and CWmiWrapper against Wine's own WMI service: a class it
// lacks answers -1 or nothing, never a crash; Win32_OperatingSystem of
// root\cimv2 answers real values through the conversion table.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include "platform/core/initiator/wmi_wrapper.h"
#include "platform/win32/win32_version_source.h"
#include "platform/win32/win32_wmi_port.h"
#include "tests/fakes/recording_trace.h"

namespace norvale {
namespace {

class Win32WmiPortTest : public ::testing::Test {
protected:
    // As on the product's user-interface thread.
    void SetUp() override { apartment_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        if (SUCCEEDED(apartment_)) ::CoUninitialize();
    }

    win32::Win32WmiPort port;
    win32::Win32VersionSource version;
    test::RecordingTrace trace;
    WmiEnvironment env{port, version, trace};

private:
    HRESULT apartment_ = E_FAIL;
};

TEST_F(Win32WmiPortTest, TheInitiatorsClassesAreMissingHereAndAnswerMinusOneOrNothing) {
    CWmiWrapper wmi(env);
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(::GetComputerNameW(name, &length));
    EXPECT_EQ(wmi.NamespacePath(), L"\\\\" + std::wstring(name, length) + L"\\root\\wmi");

    std::vector<std::wstring> values;
    std::vector<TargetPortal> portals;
    std::vector<SessionInfo> sessions;
    const WmiResult targets = wmi.QueryPropertyValues(L"MSiSCSIInitiator_TargetClass", L"TargetName", values);
    EXPECT_TRUE(targets == -1 || targets >= 0) << targets;
    EXPECT_TRUE(values.empty());
    EXPECT_LE(wmi.QueryTargetPortals(L"iqn.2026-12.com.orrin:it's", portals), 0);
    EXPECT_LE(wmi.QuerySessions(sessions), 0);
    EXPECT_TRUE(portals.empty() && sessions.empty());
    EXPECT_NE(wmi.AddSendTargetPortal(L"192.168.10.20"), 0);
}

TEST_F(Win32WmiPortTest, TheOperatingSystemOfCimv2ComesBackThroughTheConversionTable) {
    CWmiWrapper wmi(env, L"cimv2");
    ASSERT_TRUE(wmi.Connected());
    std::vector<std::wstring> caption;
    EXPECT_GE(wmi.QueryPropertyValues(L"Win32_OperatingSystem", L"Caption", caption), 0);
    ASSERT_EQ(caption.size(), 1u);
    EXPECT_NE(caption[0].find(L"Windows"), std::wstring::npos);

    std::vector<std::wstring> values;
    wmi.QueryPropertyValues(L"Win32_OperatingSystem", L"Primary", values);
    wmi.QueryPropertyValues(L"Win32_OperatingSystem", L"OSLanguage", values);
    EXPECT_EQ(values, (std::vector<std::wstring>{L"TRUE", L"WMIQUERY TODO : VT_I4"}));

    wmi.QueryPropertyValues(L"Win32_OperatingSystem", L"NoSuchProperty", values);
    EXPECT_EQ(trace.lines, std::vector<std::wstring>{L"Get failed on property 'NoSuchProperty'\n"});
    // A class the provider lacks: returning at once, the query may only fail
    // when its first object is read; either way nothing is added.
    EXPECT_LE(wmi.QueryPropertyValues(L"Win32_NoSuchClass", L"Name", values), 0);
    EXPECT_EQ(values.size(), 2u);
}

}  // namespace
}  // namespace norvale
