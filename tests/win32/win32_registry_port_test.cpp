// The registry adapter against Wine's real registry: a scratch key under
// HKEY_CURRENT_USER for the round trips, and the linked-connections policy
// value under HKEY_LOCAL_MACHINE as the share section writes it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/win32_registry_port.h"

namespace norvale {
namespace {

constexpr wchar_t kScratchKey[] = L"Software\\NorvaleRegistryTest";
constexpr wchar_t kPolicySystemKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

void DeleteScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey); }

class Win32RegistryPortTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteScratchKey(); }
    void TearDown() override { DeleteScratchKey(); }
    win32::Win32RegistryPort registry;
};

std::vector<std::uint8_t> DwordBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

TEST_F(Win32RegistryPortTest, WrittenDwordReadsBackAsItsFourBytesWithTypeDword) {
    const std::wstring key = std::wstring(kScratchKey) + L"\\Deep\\Below";
    ASSERT_TRUE(registry.WriteDword(RegistryHive::CurrentUser, key, L"Value", 0x01020304u))
        << "missing parent keys are created";
    EXPECT_EQ(registry.ReadValue(RegistryHive::CurrentUser, key, L"Value"), DwordBytes(0x01020304u));

    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Value", RRF_RT_ANY, &type, &data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    ASSERT_TRUE(registry.WriteDword(RegistryHive::CurrentUser, key, L"Value", 7)) << "an existing value is replaced";
    EXPECT_EQ(registry.ReadValue(RegistryHive::CurrentUser, key, L"Value"), DwordBytes(7));
}

TEST_F(Win32RegistryPortTest, MissingKeyOrValueReadsAsNothing) {
    EXPECT_FALSE(registry.ReadValue(RegistryHive::CurrentUser, kScratchKey, L"Value"));
    EXPECT_FALSE(registry.SubkeyNames(RegistryHive::CurrentUser, kScratchKey));
    ASSERT_TRUE(registry.WriteDword(RegistryHive::CurrentUser, kScratchKey, L"Present", 1));
    EXPECT_FALSE(registry.ReadValue(RegistryHive::CurrentUser, kScratchKey, L"Absent"));
    EXPECT_EQ(registry.SubkeyNames(RegistryHive::CurrentUser, kScratchKey), std::vector<std::wstring>{});
}

TEST_F(Win32RegistryPortTest, ValuesOfAnyTypeReadRawAndSubkeysAreListed) {
    ASSERT_TRUE(registry.WriteDword(RegistryHive::CurrentUser, std::wstring(kScratchKey) + L"\\Alpha", L"x", 0));
    ASSERT_TRUE(registry.WriteDword(RegistryHive::CurrentUser, std::wstring(kScratchKey) + L"\\Beta", L"x", 0));
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kScratchKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const wchar_t text[] = L"on";
    ::RegSetValueExW(key, L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
    ::RegSetValueExW(key, L"Empty", 0, REG_BINARY, nullptr, 0);
    ::RegCloseKey(key);

    EXPECT_EQ(registry.ReadValue(RegistryHive::CurrentUser, kScratchKey, L"Text"),
              (std::vector<std::uint8_t>{'o', 0, 'n', 0, 0, 0}));
    EXPECT_EQ(registry.ReadValue(RegistryHive::CurrentUser, kScratchKey, L"Empty"), std::vector<std::uint8_t>{});
    auto names = registry.SubkeyNames(RegistryHive::CurrentUser, kScratchKey);
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::wstring>{L"Alpha", L"Beta"}));
    // The 32-bit view reaches the same per-user key.
    EXPECT_TRUE(registry.ReadValue(RegistryHive::CurrentUser, kScratchKey, L"Text", {false, true}));
}

TEST_F(Win32RegistryPortTest, LinkedConnectionsPolicyIsWrittenUnderTheMachinePolicies) {
    // Wine's prefix lets its user write the machine hive, as an elevated
    // administrator can on Windows. The previous state is put back.
    const auto before = registry.ReadValue(RegistryHive::LocalMachine, kPolicySystemKey, L"EnableLinkedConnections");
    ASSERT_TRUE(registry.WriteDword(RegistryHive::LocalMachine, kPolicySystemKey, L"EnableLinkedConnections", 1));
    EXPECT_EQ(registry.ReadValue(RegistryHive::LocalMachine, kPolicySystemKey, L"EnableLinkedConnections"),
              DwordBytes(1));
    const auto policies =
        registry.SubkeyNames(RegistryHive::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies");
    ASSERT_TRUE(policies);
    EXPECT_NE(std::find(policies->begin(), policies->end(), L"System"), policies->end());

    if (!before) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicySystemKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            ::RegDeleteValueW(key, L"EnableLinkedConnections");
            ::RegCloseKey(key);
        }
    }
}

}  // namespace
}  // namespace norvale
