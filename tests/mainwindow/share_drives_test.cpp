// The mapped-drive table, the drive-letter combo and the linked-connections
// policy, on a simulated PC with drives of every type and an in-memory
// registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/core/shares/share_drive_letters.h"
#include "mainwindow/core/shares/share_linked_connections.h"
#include "mainwindow/core/shares/share_mapped_drives.h"
#include "platform/core/drives/mapped_drive_table.h"
#include "tests/fakes/fake_dialog_surface.h"
#include "tests/fakes/in_memory_registry.h"
#include "tests/fakes/simulated_pc.h"
#include "tests/platform/version_machines.h"

namespace norvale::test {
namespace {

using Strings = std::vector<std::wstring>;
constexpr int kCombo = 1013;

Strings LettersFrom(wchar_t from, wchar_t downTo) {
    Strings letters;
    for (wchar_t c = from; c >= downTo; --c) letters.push_back(std::wstring(1, c) + L":");
    return letters;
}

class DriveLetterTest : public ::testing::Test {
protected:
    void Fill() {
        ReadMappedDrives(pc, table);
        FillDriveLetterCombo(surface, kCombo, table, pc);
    }
    Strings Items() { return surface.Control(kCombo).combo.items; }
    std::wstring Selected() {
        const int index = surface.ComboSelection(kCombo);
        return index < 0 ? L"(none)" : surface.ComboItemText(kCombo, index);
    }

    SimulatedPc pc = SimulatedPc::Typical();
    MappedDriveTable table;
    FakeDialogSurface surface;
};

TEST_F(DriveLetterTest, OffersFreeAndMappedLettersFromZDownAndSelectsTheHighestFree) {
    pc.connections[L'Z'] = L"\\\\NAS\\video";
    Fill();
    Strings expected{L"Z: \\\\NAS\\video", L"Y: \\\\NAS\\music"};
    for (const std::wstring& letter : LettersFrom(L'X', L'F')) {
        if (letter != L"R:") expected.push_back(letter);  // R: is a RAM disk
    }
    EXPECT_EQ(Items(), expected) << "no A:, B:, C: (fixed), D: (optical), E: (removable)";
    EXPECT_EQ(Selected(), L"X:") << "mapped letters are not pre-selected";

    EXPECT_EQ(table[1].drive, L"Y:");
    EXPECT_EQ(table[1].server, L"NAS");
    EXPECT_EQ(table[1].share, L"music");
    EXPECT_TRUE(table[2].server.empty() && table[2].share.empty());
}

TEST_F(DriveLetterTest, EveryLetterTakenSelectsNothing) {
    for (wchar_t c = L'F'; c <= L'Z'; ++c) {
        if (c != L'R') pc.connections[c] = L"\\\\NAS\\s" + std::wstring(1, c);
    }
    Fill();
    EXPECT_EQ(Items().size(), 20u);
    EXPECT_EQ(surface.ComboSelection(kCombo), -1);
}

TEST_F(DriveLetterTest, AConnectionOfAnotherFormIsNotOfferedAsFree) {
    pc.connections[L'Z'] = L"\\\\server-only";
    Fill();
    EXPECT_EQ(Items().front(), L"Z: \\\\server-only");
    EXPECT_EQ(Selected(), L"X:");
}

TEST_F(DriveLetterTest, ReReadingForgetsADroppedConnection) {
    Fill();
    pc.connections.erase(L'Y');
    Fill();
    EXPECT_TRUE(table[1].server.empty());
    EXPECT_EQ(Items()[1], L"Y:");
    EXPECT_EQ(Selected(), L"Z:");
}

// --- the linked-connections policy ----------------------------------------------

class LinkedConnectionsTest : public ::testing::Test {
protected:
    void Refresh() { RefreshMappedDrives(version, registry, pc, table); }
    std::wstring Policy(const wchar_t* subkey) { return std::wstring(kPoliciesKey) + L"\\" + subkey; }

    FakeVersionSource version = VistaBusiness();
    InMemoryRegistry registry;
    SimulatedPc pc = SimulatedPc::Typical();
    MappedDriveTable table;
};

TEST_F(LinkedConnectionsTest, AbsentPolicyIsWrittenAsDwordOneUnderSystem) {
    registry.CreateKey(RegistryHive::LocalMachine, Policy(L"Explorer"));
    Refresh();
    ASSERT_EQ(registry.writes.size(), 1u);
    EXPECT_EQ(registry.writes[0].hive, RegistryHive::LocalMachine);
    EXPECT_EQ(registry.writes[0].key, kPolicySystemKey);
    EXPECT_EQ(registry.writes[0].valueName, L"EnableLinkedConnections");
    EXPECT_EQ(registry.writes[0].value, 1u);
    EXPECT_EQ(table[1].server, L"NAS") << "the drives are read after the policy step";

    Refresh();
    EXPECT_EQ(registry.writes.size(), 1u) << "once present it is found and left alone";
}

TEST_F(LinkedConnectionsTest, AnExistingValueOfOneOrZeroUnderAnySubkeyIsLeftAlone) {
    registry.SetDword(RegistryHive::LocalMachine, Policy(L"System"), L"EnableLinkedConnections", 0);
    Refresh();
    EXPECT_TRUE(registry.writes.empty()) << "a policy switched off stays off";

    InMemoryRegistry other;
    other.SetDword(RegistryHive::LocalMachine, Policy(L"Attachments"), L"enablelinkedconnections", 1);
    EXPECT_EQ(FindLinkedConnectionsPolicy(other), true) << "value names ignore case, any subkey counts";
}

TEST_F(LinkedConnectionsTest, UnreadableOrOddValuesCountAsAbsent) {
    registry.Deny(RegistryHive::LocalMachine, Policy(L"Locked"));
    registry.SetDword(RegistryHive::LocalMachine, Policy(L"Odd"), L"EnableLinkedConnections", 7);
    registry.SetRaw(RegistryHive::LocalMachine, Policy(L"Short"), L"EnableLinkedConnections", {1});
    registry.SetRaw(RegistryHive::LocalMachine, Policy(L"Huge"), L"EnableLinkedConnections",
                    std::vector<std::uint8_t>(600, 0));
    EXPECT_FALSE(FindLinkedConnectionsPolicy(registry));
    // The low 16 bits decide; a later subkey still can.
    registry.SetDword(RegistryHive::LocalMachine, Policy(L"Wide"), L"EnableLinkedConnections", 0x00020001);
    EXPECT_EQ(FindLinkedConnectionsPolicy(registry), true);
}

TEST_F(LinkedConnectionsTest, FailedWriteIsSilentAndTheDrivesAreStillRead) {
    registry.writesFail = true;
    Refresh();
    EXPECT_EQ(registry.writes.size(), 1u);
    EXPECT_EQ(table[1].server, L"NAS");
}

TEST_F(LinkedConnectionsTest, OnlyVistaAndLaterWriteAndAnUnreadableVersionDoesNothing) {
    version = XpProfessional();
    Refresh();
    EXPECT_TRUE(registry.writes.empty());
    EXPECT_EQ(table[1].server, L"NAS");

    version = FakeVersionSource{};
    version.kernel32 = false;
    pc.connections.erase(L'Y');
    Refresh();
    EXPECT_TRUE(registry.writes.empty());
    EXPECT_EQ(table[1].server, L"NAS") << "the table is not re-read";
}

}  // namespace
}  // namespace norvale::test
