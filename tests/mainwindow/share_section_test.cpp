// The share section in the main dialog, driven as the Win32 host drives it:
// an appliance on the simulated segment with its web port on a loopback
// TCP listener, a simulated PC with drives of every type, an in-memory
// registry and the Windows version as scripted.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mainwindow/core/shares/share_section.h"
#include "tests/fakes/in_memory_registry.h"
#include "tests/fakes/loopback_http.h"
#include "tests/fakes/simulated_pc.h"
#include "tests/mainwindow/main_dialog_fixture.h"
#include "tests/platform/version_machines.h"

namespace norvale::test {
namespace {

using Strings = std::vector<std::wstring>;
using Rows = std::vector<std::vector<std::wstring>>;

constexpr char kNasIp[] = "192.168.1.20";
constexpr wchar_t kNasIpWide[] = L"192.168.1.20";
constexpr unsigned kPromptFlags = 25;

class RecordingRedirection final : public Wow64RedirectionPort {
public:
    RedirectionResult Disable() override { return calls.push_back(L"disable"), RedirectionResult::Done; }
    RedirectionResult Enable(bool on) override {
        calls.push_back(on ? L"on" : L"off");
        return RedirectionResult::Done;
    }
    Strings calls;
};

// The dialog's waits in virtual time; every wait lets the queued workers
// run, as a real worker thread would meanwhile.
class WorkerClock final : public ClockPort {
public:
    WorkerClock(VirtualClock& clock, FakeDialogSurface& surface) : clock_(clock), surface_(surface) {}
    std::chrono::milliseconds Now() const override { return clock_.Now(); }
    void Sleep(std::chrono::milliseconds duration) override {
        clock_.Sleep(duration);
        if (runWorkers) surface_.RunWorkers();
    }
    long long WallSeconds() const override { return clock_.WallSeconds(); }
    bool runWorkers = true;

private:
    VirtualClock& clock_;
    FakeDialogSurface& surface_;
};

class FixedUser final : public WindowsUserPort {
public:
    std::wstring CurrentUserName() const override { return L"carol"; }
};

class ShareSectionTest : public ::testing::Test {
protected:
    ShareSectionTest() {
        segment.SetLocalAddresses(std::vector<std::string>{kPcAddress});
        DeclareMainDialogControls(surface);
        surface.MeasureHandlers(clock);
        EXPECT_TRUE(web.Listening());
        http.Route(kNasIpWide, web.Port());
    }
    // The dialog goes before the surface that drives it: let go of it first.
    ~ShareSectionTest() override { surface.Destroy(); }

    FakeAppliance& AddNas(std::vector<std::string> shareNames, const std::string& name = "NAS") {
        ApplianceConfig config = Nas(kNasIp, name);
        config.shares = std::move(shareNames);
        return segment.AddAppliance(std::move(config));
    }

    void Open(bool wow64 = false) {
        shares = std::make_unique<CShareSection>(ShareSectionPorts{
            pc, pc, http, registry, version, redirection, waits, &windowsUser, wow64, elevation});
        NorvaleDlgSections sections;
        sections.shares = shares.get();
        dialog = std::make_unique<CNorvaleDlg>(protocol, files, sections);
        surface.Open(*dialog);
        ASSERT_FALSE(surface.EndCode());
    }

    void OpenAndSelectNas(bool wow64 = false) {
        Open(wow64);
        ASSERT_EQ(surface.ListRowCount(IDC_DEVICE_LIST), 1);
        surface.ClickListRow(IDC_DEVICE_LIST, 0);
    }

    // The login dialog answers with these credentials.
    void TypeAtLogin(std::wstring user, std::wstring password) {
        surface.ScriptChild(IDD_LOGIN, [user, password](DialogController&, FakeDialogSurface& box) {
            box.SetText(IDC_LOGIN_USER, user);
            box.SetText(IDC_LOGIN_PASSWORD, password);
            box.Click(kIdOk);
            return kIdOk;
        });
    }

    void SelectShare(int row) { surface.ClickListRow(IDC_SHARE_LIST, row); }
    void SelectLetter(const std::wstring& letter) {
        const auto& items = surface.Control(IDC_DRIVE_LETTERS).combo.items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].rfind(letter, 0) == 0) return surface.SelectComboItem(IDC_DRIVE_LETTERS, static_cast<int>(i));
        }
        ADD_FAILURE() << "no item for the letter";
    }
    Strings Letters() { return surface.Control(IDC_DRIVE_LETTERS).combo.items; }
    std::wstring SelectedLetter() {
        const int index = surface.ComboSelection(IDC_DRIVE_LETTERS);
        return index < 0 ? L"(none)" : surface.ComboItemText(IDC_DRIVE_LETTERS, index);
    }
    // Both columns of every row; a cell never set reads empty.
    Rows ShareRows() {
        Rows rows = ListRows(surface, IDC_SHARE_LIST);
        for (auto& row : rows) row.resize(2);
        return rows;
    }

    const ShownMessageBox& OnlyBox() {
        EXPECT_EQ(surface.MessageBoxes().size(), 1u);
        static const ShownMessageBox none{};
        return surface.MessageBoxes().empty() ? none : surface.MessageBoxes().back();
    }
    void ExpectBox(const ShownMessageBox& box, const std::wstring& text, const std::wstring& caption,
                   MessageIcon icon) {
        EXPECT_EQ(box.request.text, text);
        EXPECT_EQ(box.request.caption, caption);
        EXPECT_EQ(box.request.icon, icon);
    }

    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    FakeDialogSurface surface;
    SimulatedPc pc = SimulatedPc::Typical();
    InMemoryRegistry registry;
    FakeVersionSource version = XpProfessional();
    RecordingRedirection redirection;
    WorkerClock waits{clock, surface};
    LoopbackListener web;
    TcpHttpCheck http;
    FixedUser windowsUser;
    std::unique_ptr<CShareSection> shares;
    std::unique_ptr<CNorvaleDlg> dialog;
    ElevationPort* elevation = nullptr;
};

// --- opening, selecting, pages ---------------------------------------------------

TEST_F(ShareSectionTest, OpeningOffersTheLettersAndWritesThePolicyOnVista) {
    version = VistaBusiness();
    AddNas({"music"});
    Open();
    EXPECT_EQ(Letters().front(), L"Z:");
    EXPECT_EQ(Letters()[1], L"Y: \\\\NAS\\music");
    EXPECT_EQ(SelectedLetter(), L"Z:");
    ASSERT_EQ(registry.writes.size(), 1u);
    EXPECT_EQ(registry.writes[0].valueName, L"EnableLinkedConnections");
    EXPECT_TRUE(ShareRows().empty());
}

class StandardUserToken final : public ElevationPort {
public:
    std::optional<bool> IsElevated() override { return false; }
};

TEST_F(ShareSectionTest, UnelevatedThePolicyIsLeftAloneAndTheUserToldOnce) {
    StandardUserToken token;
    elevation = &token;
    version = Windows10Pro();
    AddNas({"music"});
    OpenAndSelectNas();  // the letters are read twice: on opening and on the click
    EXPECT_TRUE(registry.writes.empty());
    ASSERT_EQ(surface.MessageBoxes().size(), 1u);
    EXPECT_EQ(surface.MessageBoxes()[0].request.text,
              L"This needs administrator rights. Please close Norvale and start it again with \"Run as "
              L"administrator\".");
    EXPECT_EQ(ShareRows(), (Rows{{L"music", L"Y:"}})) << "the mapped drives are read all the same";
}

TEST_F(ShareSectionTest, SelectingTheDeviceListsItsSharesWithTheirLetters) {
    AddNas({"music", "video*1", "photo@0"}, "nas");
    pc.connections[L'G'] = L"\\\\NAS\\Music";   // server and share ignore case here
    pc.connections[L'H'] = L"\\\\OTHER\\video";  // another server's share of the same name
    pc.connections[L'I'] = L"\\\\192.168.1.20\\photo";
    OpenAndSelectNas();
    EXPECT_EQ(ShareRows(), (Rows{{L"music", L"G:"}, {L"video", L""}, {L"photo", L"I:"}}))
        << "of Y: and G: the letter nearest A: is shown; a share is also found by the device's address";
    EXPECT_EQ(dialog->State().deviceWebAddress, kNasIpWide);
    EXPECT_EQ(surface.Control(IDC_SHARE_PAGE).combo.items, Strings{L"1"});
}

TEST_F(ShareSectionTest, PageSelectorFollowsTheShareCount) {
    const std::pair<const char*, Strings> counts[] = {
        {"0", {L"1"}}, {"9", {L"1"}}, {"10", {L"1"}}, {"11", {L"1", L"2"}}, {"25", {L"1", L"2", L"3"}},
        {"-7", {}}, {"2147483647", {}}};
    FakeAppliance& nas = AddNas({"music"});
    Open();
    for (const auto& [count, pages] : counts) {
        nas.config.shareCountText = count;
        surface.ClickListRow(IDC_DEVICE_LIST, 0);
        if (std::string(count) == "2147483647") {
            EXPECT_EQ(surface.Control(IDC_SHARE_PAGE).combo.items.size(), 1000u) << "an absurd count is capped";
        } else {
            EXPECT_EQ(surface.Control(IDC_SHARE_PAGE).combo.items, pages) << count;
        }
    }
}

TEST_F(ShareSectionTest, ChoosingThirdPageAsksForItemTwentyOn) {
    std::vector<std::string> names;
    for (int i = 0; i < 25; ++i) names.push_back("s" + std::to_string(i));
    AddNas(names);
    OpenAndSelectNas();
    EXPECT_EQ(ShareRows().size(), 10u);
    surface.ChooseComboItem(IDC_SHARE_PAGE, 2);
    EXPECT_EQ(dialog->State().sharePageStart, 20);
    EXPECT_EQ(ShareRows(), (Rows{{L"s20", L""}, {L"s21", L""}, {L"s22", L""}, {L"s23", L""}, {L"s24", L""}}));
    EXPECT_EQ(surface.Focus(), IDC_DEVICE_LIST);
    EXPECT_EQ(surface.CursorDepth(), 0);
}

TEST_F(ShareSectionTest, SilentDeviceGivesOnePageAndNoShares) {
    FakeAppliance& nas = AddNas({"music"});
    Open();
    nas.config.replyDelay = std::chrono::milliseconds(60'000);
    surface.ClickListRow(IDC_DEVICE_LIST, 0);
    EXPECT_EQ(surface.Control(IDC_SHARE_PAGE).combo.items, Strings{L"1"});
    EXPECT_TRUE(ShareRows().empty());
}

// --- lock marks -------------------------------------------------------------------

TEST_F(ShareSectionTest, ClickOnALockedShareWarnsAndDisablesConnectAndDisconnect) {
    FakeAppliance& nas = AddNas({"music*0", "video*1"});
    OpenAndSelectNas();
    SelectShare(1);
    ExpectBox(OnlyBox(), L"video is Locked.", L"Warning", MessageIcon::Exclamation);
    EXPECT_FALSE(surface.IsEnabled(IDC_SHARE_CONNECT));
    EXPECT_FALSE(surface.IsEnabled(IDC_SHARE_DISCONNECT));

    SelectShare(0);
    EXPECT_TRUE(surface.IsEnabled(IDC_SHARE_CONNECT));
    EXPECT_TRUE(surface.IsEnabled(IDC_SHARE_DISCONNECT));

    // The device locked the share after the page was shown: the click asks again.
    nas.config.shares = {"music@1", "video*1"};
    SelectShare(0);
    EXPECT_EQ(surface.MessageBoxes().size(), 2u);
    EXPECT_EQ(surface.MessageBoxes().back().request.text, L"music is Locked.");
    EXPECT_FALSE(surface.IsEnabled(IDC_SHARE_CONNECT));
}

TEST_F(ShareSectionTest, ClickWithoutRowsOrOutsideTheSubnetDisablesBoth) {
    AddNas({});
    OpenAndSelectNas();
    surface.Notify(IDC_SHARE_LIST, kNotifyClick);
    EXPECT_FALSE(surface.IsEnabled(IDC_SHARE_CONNECT));
    EXPECT_FALSE(surface.IsEnabled(IDC_SHARE_DISCONNECT));
    EXPECT_TRUE(surface.MessageBoxes().empty());
}

// --- reachability ------------------------------------------------------------------

TEST_F(ShareSectionTest, ConnectToADeviceThatNoLongerAnswersWarnsAndRediscovers) {
    FakeAppliance& nas = AddNas({"music"});
    OpenAndSelectNas();
    SelectShare(0);
    web.Close();
    nas.config.replyDelay = std::chrono::milliseconds(60'000);  // gone from the segment too
    surface.Click(IDC_SHARE_CONNECT);
    ExpectBox(OnlyBox(), L"Device is no longer available.", L"Warning", MessageIcon::Exclamation);
    EXPECT_TRUE(pc.adds.empty());
    EXPECT_TRUE(pc.cancels.empty()) << "no letter is touched";
    EXPECT_EQ(surface.ListRowCount(IDC_DEVICE_LIST), 0) << "the device list was discovered again";
    EXPECT_FALSE(dialog->State().deviceSelected);
    EXPECT_EQ(surface.CursorDepth(), 0);
}

// --- Connect -----------------------------------------------------------------------

TEST_F(ShareSectionTest, ConnectWithoutAShareRowWarnsAndWithoutALetterDoesNothing) {
    AddNas({"music"});
    OpenAndSelectNas();
    surface.Click(IDC_SHARE_CONNECT);
    ExpectBox(OnlyBox(), L"Please select a device in the above section.", L"Warning", MessageIcon::Exclamation);

    SelectShare(0);
    surface.SelectComboItem(IDC_DRIVE_LETTERS, -1);
    surface.Click(IDC_SHARE_CONNECT);
    EXPECT_EQ(surface.MessageBoxes().size(), 1u);
    EXPECT_TRUE(pc.adds.empty());
    EXPECT_TRUE(pc.cancels.empty());
}

TEST_F(ShareSectionTest, ConnectOnXpTriesWithoutCredentialsThenAsksTheUser) {
    AddNas({"music", "video"});
    OpenAndSelectNas();
    pc.RequireCredentials(L"bob", L"pa\u00dfword");
    TypeAtLogin(L"bob", L"pa\u00dfword");
    SelectShare(1);
    SelectLetter(L"X:");
    surface.Click(IDC_SHARE_CONNECT);

    ASSERT_EQ(pc.cancels.size(), 1u);
    EXPECT_EQ(pc.cancels[0].localName, L"X:");
    EXPECT_TRUE(pc.cancels[0].force);
    EXPECT_EQ(pc.cancels[0].flags, connect_flag::kUpdateProfile);
    ASSERT_EQ(pc.adds.size(), 7u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pc.adds[i].userName, L"");
        EXPECT_EQ(pc.adds[i].password, L"");
    }
    EXPECT_EQ(pc.adds[6].userName, L"bob");
    EXPECT_EQ(pc.adds[6].remoteName, L"\\\\NAS\\video");
    EXPECT_EQ(pc.adds[6].flags, connect_flag::kUpdateProfile);
    EXPECT_EQ(surface.ChildRuns(), std::vector<int>{IDD_LOGIN});
    ExpectBox(OnlyBox(), L"Successfully mapped drive.", L"Confirm", MessageIcon::Information);

    EXPECT_EQ(ShareRows(), (Rows{{L"music", L"Y:"}, {L"video", L"X:"}}));
    EXPECT_EQ(Letters()[2], L"X: \\\\NAS\\video");
    EXPECT_EQ(SelectedLetter(), L"Z:");
    EXPECT_TRUE(redirection.calls.empty()) << "32-bit Windows: no redirection switch";
    EXPECT_TRUE(protocol.AdminPassword.empty()) << "share credentials are not kept as the admin's";
    for (const std::wstring& entry : surface.Log()) {
        EXPECT_EQ(entry.find(L"pa\u00dfword"), std::wstring::npos) << "the password shows in the log";
    }
    EXPECT_EQ(surface.CursorDepth(), 0);
}

TEST_F(ShareSectionTest, ConnectOnNt4AsksFirst) {
    version = Nt4Sp6();
    AddNas({"music"});
    OpenAndSelectNas();
    pc.RequireCredentials(L"bob", L"pw");
    TypeAtLogin(L"bob", L"pw");
    SelectShare(0);
    surface.Click(IDC_SHARE_CONNECT);
    ASSERT_EQ(pc.adds.size(), 1u);
    EXPECT_EQ(pc.adds[0].userName, L"bob");
    EXPECT_EQ(pc.adds[0].localName, L"Z:");
    EXPECT_EQ(OnlyBox().request.text, L"Successfully mapped drive.");
}

TEST_F(ShareSectionTest, ConnectOnVistaLetsWindowsAskAsAdminAndSwitchesRedirectionUnderWow64) {
    version = Windows7Enterprise();
    version.wow64 = Wow64Answer::Yes;
    AddNas({"music"});
    OpenAndSelectNas(/*wow64=*/true);
    pc.accepts = [](const AddConnectionCall& call) { return call.flags == kPromptFlags; };
    SelectShare(0);
    surface.Click(IDC_SHARE_CONNECT);
    ASSERT_EQ(pc.adds.size(), 7u);
    EXPECT_EQ(pc.adds[6].userName, L"admin");
    EXPECT_EQ(pc.adds[6].password, L"");
    EXPECT_TRUE(surface.ChildRuns().empty()) << "no login dialog: Windows asks";
    ExpectBox(OnlyBox(), L"Successfully mapped drive.\nPlease restart your PC to see drive mapping.", L"Confirm",
              MessageIcon::Information);
    EXPECT_EQ(redirection.calls, (Strings{L"on", L"off"}));
}

TEST_F(ShareSectionTest, SuccessMessageNeedsARestartOnlyOn64BitVista) {
    struct Case {
        FakeVersionSource version;
        Wow64Answer wow64;
        const wchar_t* text;
    };
    const Case cases[] = {
        {VistaBusiness(), Wow64Answer::No, L"Successfully mapped drive."},
        {XpProfessional(), Wow64Answer::Yes, L"Successfully mapped drive."},
    };
    AddNas({"music"});
    for (const Case& c : cases) {
        version = c.version;
        version.wow64 = c.wow64;
        pc.connections.erase(L'Z');
        surface.ClearLog();
        OpenAndSelectNas(c.wow64 == Wow64Answer::Yes);
        SelectShare(0);
        surface.Click(IDC_SHARE_CONNECT);
        ASSERT_FALSE(surface.MessageBoxes().empty());
        EXPECT_EQ(surface.MessageBoxes().back().request.text, c.text);
    }
}

TEST_F(ShareSectionTest, AllAttemptsFailingReportsAndRefreshesNothing) {
    version = Windows7Enterprise();
    AddNas({"music"});
    OpenAndSelectNas(/*wow64=*/true);
    pc.accepts = [](const AddConnectionCall&) { return false; };
    SelectShare(0);
    const Strings lettersBefore = Letters();
    const int queriesBefore = pc.remoteNameQueries;
    surface.Click(IDC_SHARE_CONNECT);
    ExpectBox(OnlyBox(), L"Failed to map drive.", L"Error", MessageIcon::Stop);
    EXPECT_EQ(pc.remoteNameQueries, queriesBefore) << "the drive table is not re-read";
    EXPECT_EQ(Letters(), lettersBefore);
    EXPECT_EQ(redirection.calls, (Strings{L"on", L"off"})) << "redirection is off again on the way out";
    EXPECT_EQ(surface.CursorDepth(), 0);
}

TEST_F(ShareSectionTest, ConnectingAnUsedLetterDropsTheOldConnectionFirst) {
    AddNas({"video"});
    OpenAndSelectNas();
    SelectShare(0);
    SelectLetter(L"Y:");
    surface.Click(IDC_SHARE_CONNECT);
    EXPECT_EQ(pc.connections.at(L'Y'), L"\\\\NAS\\video");
    EXPECT_EQ(OnlyBox().request.text, L"Successfully mapped drive.");
}

TEST_F(ShareSectionTest, DeviceNameThatWouldLeadElsewhereIsRefusedBeforeAnyLetterIsTouched) {
    AddNas({"music"}, "NAS\\admin$");
    OpenAndSelectNas();
    SelectShare(0);
    surface.Click(IDC_SHARE_CONNECT);
    ExpectBox(OnlyBox(), L"Failed to map drive.", L"Error", MessageIcon::Stop);
    EXPECT_TRUE(pc.cancels.empty());
    EXPECT_TRUE(pc.adds.empty());
}

// --- Disconnect --------------------------------------------------------------------

TEST_F(ShareSectionTest, DisconnectTheSelectedSharesLetter) {
    AddNas({"music"});
    OpenAndSelectNas();
    SelectShare(0);
    surface.Click(IDC_SHARE_DISCONNECT);
    ASSERT_EQ(pc.cancels.size(), 1u);
    EXPECT_EQ(pc.cancels[0].localName, L"Y:");
    EXPECT_TRUE(pc.cancels[0].force);
    ExpectBox(OnlyBox(), L"Successfully unmapped drive.", L"Confirm", MessageIcon::Information);
    EXPECT_EQ(ShareRows(), (Rows{{L"music", L""}}));
    EXPECT_EQ(Letters()[1], L"Y:");
    EXPECT_TRUE(http.Urls().empty()) << "no reachability check";
    EXPECT_TRUE(redirection.calls.empty());
}

TEST_F(ShareSectionTest, DisconnectFailuresShowTheUnableText) {
    AddNas({"music", "video"});
    OpenAndSelectNas();
    SelectShare(1);  // not mapped: empty Location
    surface.Click(IDC_SHARE_DISCONNECT);
    ExpectBox(OnlyBox(),
              L"Unable to disconnect this drive.\nPlease select a drive to disconnect and verify that the drive is "
              L"not being accessed.",
              L"Error", MessageIcon::Stop);

    pc.busy.insert(L'Y');
    SelectShare(0);
    surface.Click(IDC_SHARE_DISCONNECT);
    EXPECT_EQ(surface.MessageBoxes().size(), 2u);
    EXPECT_EQ(pc.connections.count(L'Y'), 1u);
}

TEST_F(ShareSectionTest, DisconnectWithoutAShareRowTakesTheComboLetter) {
    version = VistaBusiness();
    version.wow64 = Wow64Answer::Yes;
    AddNas({"music"});
    Open();
    SelectLetter(L"Y:");
    surface.Click(IDC_SHARE_DISCONNECT);
    ASSERT_EQ(pc.cancels.size(), 1u);
    EXPECT_EQ(pc.cancels[0].localName, L"Y:");
    EXPECT_EQ(OnlyBox().request.text, L"Successfully unmapped drive.\nPlease restart your PC to see drive mapping.");

    surface.SelectComboItem(IDC_DRIVE_LETTERS, -1);
    surface.Click(IDC_SHARE_DISCONNECT);
    EXPECT_EQ(pc.cancels.size(), 1u) << "neither a row nor a letter: nothing happens";
    EXPECT_EQ(surface.MessageBoxes().size(), 1u);
}

}  // namespace
}  // namespace norvale::test
