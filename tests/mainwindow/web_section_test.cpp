// The Configuration button and the About box of the main dialog, driven as
// the user does against appliances on a simulated segment, with the browser
// registration in an in-memory registry and the started command lines
// recorded instead of run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/core/about_dialog.h"
#include "mainwindow/core/web_section.h"
#include "tests/mainwindow/main_dialog_fixture.h"
#include "tests/mainwindow/web_test_ports.h"

namespace norvale::test {
namespace {

using Lines = std::vector<std::string>;

const std::wstring kClientKey = L"Software\\Clients\\StartMenuInternet";

std::wstring CommandKey(const std::wstring& client) {
    return kClientKey + L"\\" + client + L"\\shell\\open\\command";
}

// Answers the reachability question from the test and notes the address
// the share section would check.
class ReachabilityStub final : public ShareSection {
public:
    void CheckDeviceReachable(CNorvaleDlg& dialog, const SectionFlow&, std::function<void(bool)> then) override {
        asked.push_back(dialog.State().deviceWebAddress);
        then(reachable);
    }
    bool reachable = true;
    std::vector<std::wstring> asked;
};

class WebSectionTest : public ::testing::Test {
protected:
    WebSectionTest() {
        segment.SetLocalAddresses(std::vector<std::string>{kPcAddress});
        segment.AddAppliance(Nas("192.168.1.20", "NAS-A", 1));
        segment.AddAppliance(Nas("192.168.1.21", "NAS-B", 2));
        DeclareMainDialogControls(surface);
        surface.MeasureHandlers(clock);
        surface.Open(dialog);
    }

    void SetClient(const std::wstring& client) {
        registry.Set(RegistryHive::LocalMachine, kClientKey, L"", RegSz(client));
    }
    void SetCommand(const std::wstring& client, const std::wstring& command) {
        registry.Set(RegistryHive::LocalMachine, CommandKey(client), L"", RegSz(command));
    }

    // Selects the device row `row` and clicks Configuration.
    void Configure(int row = 0) {
        surface.ClickListRow(IDC_DEVICE_LIST, row);
        surface.ClearLog();
        registry.readKeys.clear();
        surface.Click(IDC_CONFIGURATION);
    }

    void ExpectNothingStartedAfterWarning(const std::wstring& text) {
        EXPECT_TRUE(programs.starts.empty());
        ASSERT_EQ(surface.MessageBoxes().size(), 1u);
        const MessageBoxRequest& box = surface.MessageBoxes()[0].request;
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, L"Warning");
        EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    }

    void TearDown() override {
        EXPECT_EQ(surface.CursorDepth(), 0);
        EXPECT_EQ(surface.CursorMisuses(), 0);
        EXPECT_EQ(registry.writes + registry.writeOpens, 0) << "the browser lookup only reads";
        EXPECT_TRUE(surface.UnknownControlCalls().empty());
        for (const auto& start : programs.starts) EXPECT_EQ(start.showCommand, 0) << start.commandLine;
    }

    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    MemoryRegistry registry;
    RecordingProgramStart programs;
    CWebSection web{registry, programs};
    ReachabilityStub shares;
    CNorvaleDlg dialog{protocol, files, NorvaleDlgSections{nullptr, &shares, nullptr, &web}};
    FakeDialogSurface surface;
};

// --- which device ------------------------------------------------------------

TEST_F(WebSectionTest, WithoutASelectedRowOnlyAWarningShows) {
    surface.ClearLog();
    surface.Click(IDC_CONFIGURATION);
    ExpectNothingStartedAfterWarning(L"Please select a device to configure.");
    EXPECT_TRUE(shares.asked.empty()) << "no reachability check without a device";
    EXPECT_TRUE(registry.readKeys.empty());
    const auto& log = surface.Log();
    EXPECT_EQ(std::find(log.begin(), log.end(), L"busy"), log.end()) << "the warning starts no flow";
}

TEST_F(WebSectionTest, TheSelectionIsLookedForFromTheFirstVisibleRowDown) {
    SetClient(L"IEXPLORE.EXE");
    surface.Control(IDC_DEVICE_LIST).list.visibleRows = 1;
    surface.ClickListRow(IDC_DEVICE_LIST, 1);
    // Selected below the shown rows: still the selected device.
    surface.Control(IDC_DEVICE_LIST).list.firstVisible = 0;
    surface.Click(IDC_CONFIGURATION);
    EXPECT_EQ(programs.CommandLines(), Lines{"explorer http://192.168.1.21"});

    // Scrolled out of view above: not found, as the share section sees it.
    surface.Control(IDC_DEVICE_LIST).list.firstVisible = 2;
    surface.Click(IDC_CONFIGURATION);
    EXPECT_EQ(programs.starts.size(), 1u);
    ASSERT_EQ(surface.MessageBoxes().size(), 1u);
    EXPECT_EQ(surface.MessageBoxes()[0].request.text, L"Please select a device to configure.");
}

TEST_F(WebSectionTest, AnUnreachableDeviceStartsNothing) {
    SetClient(L"IEXPLORE.EXE");
    shares.reachable = false;
    Configure(1);
    EXPECT_EQ(shares.asked, std::vector<std::wstring>{L"192.168.1.21"})
        << "the address is in place before the check";
    EXPECT_TRUE(programs.starts.empty());
    EXPECT_TRUE(registry.readKeys.empty());
    EXPECT_TRUE(surface.MessageBoxes().empty()) << "the share section told the user";
}

// --- the browser's command line ----------------------------------------------

TEST_F(WebSectionTest, InternetExplorerIsStartedThroughExplorer) {
    SetClient(L"IEXPLORE.EXE");
    SetCommand(L"IEXPLORE.EXE", L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"");
    Configure();
    EXPECT_EQ(programs.CommandLines(), Lines{"explorer http://192.168.1.20"});
    EXPECT_EQ(registry.readKeys, std::vector<std::wstring>{kClientKey}) << "the command key is not read";
}

TEST_F(WebSectionTest, OnlyAnUpperCaseIeChoosesExplorer) {
    SetClient(L"Opie Browser");
    SetCommand(L"Opie Browser", L"C:\\Opie\\opie.exe");
    Configure();
    SetClient(L"xxIEyy");
    surface.Click(IDC_CONFIGURATION);
    EXPECT_EQ(programs.CommandLines(),
              (Lines{"C:\\Opie\\opie.exe http://192.168.1.20", "explorer http://192.168.1.20"}));
}

TEST_F(WebSectionTest, AQuotedBrowserPathIsFollowedByOneBlankAndTheUrl) {
    SetClient(L"Firefox-308046B0AF4A39CB");
    SetCommand(L"Firefox-308046B0AF4A39CB", L"\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\"");
    Configure(1);
    EXPECT_EQ(programs.CommandLines(),
              Lines{"\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" http://192.168.1.21"});
    EXPECT_EQ(registry.readKeys,
              (std::vector<std::wstring>{kClientKey, CommandKey(L"Firefox-308046B0AF4A39CB")}));
    EXPECT_TRUE(surface.MessageBoxes().empty());
}

TEST_F(WebSectionTest, ABrowserPathOutsideAsciiReachesTheStartAsUtf8) {
    SetClient(L"Navigateur");
    SetCommand(L"Navigateur", L"C:\\Programmes\\Navigateur\u00e9\\nav.exe");
    Configure();
    EXPECT_EQ(programs.CommandLines(), Lines{"C:\\Programmes\\Navigateur\xc3\xa9\\nav.exe http://192.168.1.20"});
}

// --- when the browser does not start ------------------------------------------

TEST_F(WebSectionTest, AMissingBrowserFallsBackToExplorer) {
    // Registered client without a command: the start finds no program.
    SetClient(L"Gone");
    programs.results = {kStartFileNotFound};
    Configure();
    ASSERT_EQ(programs.starts.size(), 2u);
    EXPECT_EQ(programs.starts[1].commandLine, "explorer http://192.168.1.20");

    // No browser registered at all: the same.
    MemoryRegistry empty;
    CWebSection bare(empty, programs);
    programs.starts.clear();
    programs.results = {kStartFileNotFound};
    bare.OnConfiguration(dialog);
    surface.Settle();
    ASSERT_EQ(programs.starts.size(), 2u);
    EXPECT_EQ(programs.starts[1].commandLine, "explorer http://192.168.1.20");
}

TEST_F(WebSectionTest, OnlyAProgramThatCannotBeFoundOrRunFallsBack) {
    SetClient(L"Browser");
    SetCommand(L"Browser", L"browser.exe");
    surface.ClickListRow(IDC_DEVICE_LIST, 0);
    const struct {
        unsigned result;
        bool fallsBack;
    } cases[] = {
        {kStartFileNotFound, true}, {kStartPathNotFound, true}, {kStartBadFormat, true},
        {kStartOutOfResources, false}, {5, false}, {kStarted, false},
    };
    for (const auto& c : cases) {
        programs.starts.clear();
        // Explorer failing too changes nothing: there is no third attempt.
        programs.results = {c.result, kStartFileNotFound};
        surface.Click(IDC_CONFIGURATION);
        const Lines expected = c.fallsBack
                                   ? Lines{"browser.exe http://192.168.1.20", "explorer http://192.168.1.20"}
                                   : Lines{"browser.exe http://192.168.1.20"};
        EXPECT_EQ(programs.CommandLines(), expected) << "result " << c.result;
    }
    EXPECT_TRUE(surface.MessageBoxes().empty());
}

// --- texts that do not fit -----------------------------------------------------

TEST_F(WebSectionTest, ARegistryTextLongerThan59CharactersReadsAsEmpty) {
    const std::wstring fits(59, L'b');
    SetClient(L"Browser");
    SetCommand(L"Browser", fits);
    Configure();
    SetCommand(L"Browser", fits + L"b");
    programs.results = {kStartFileNotFound};
    surface.Click(IDC_CONFIGURATION);
    EXPECT_EQ(programs.CommandLines(),
              (Lines{std::string(59, 'b') + " http://192.168.1.20", " http://192.168.1.20",
                     "explorer http://192.168.1.20"}));
}

TEST_F(WebSectionTest, ACommandLineTooLongForTheStartIsRefusedNotCut) {
    // 59 characters of two UTF-8 bytes each: 118 bytes before the URL.
    SetClient(L"Browser");
    SetCommand(L"Browser", std::wstring(59, L'\u0436'));
    Configure();
    EXPECT_EQ(programs.CommandLines(), Lines{"explorer http://192.168.1.20"});
    EXPECT_TRUE(surface.MessageBoxes().empty());
}

TEST_F(WebSectionTest, AnAddressTooLongForEvenExplorerIsRefusedWithAMessage) {
    SetClient(L"IEXPLORE.EXE");
    FakeListView& list = surface.Control(IDC_DEVICE_LIST).list;
    list.rows[0][1] = std::wstring(120, L'9');
    surface.ClickListRow(IDC_DEVICE_LIST, 0);
    surface.Click(IDC_CONFIGURATION);
    ExpectNothingStartedAfterWarning(L"Device is no longer available.");
    ASSERT_EQ(shares.asked.size(), 1u);
    EXPECT_EQ(shares.asked[0], std::wstring(63, L'9')) << "the web address keeps 63 characters";
}

// --- the About box -----------------------------------------------------------

TEST_F(WebSectionTest, TheButtonAndTheSystemMenuOpenTheSameAboutBox) {
    std::vector<std::wstring> titles;
    surface.ScriptChild(IDD_ABOUTBOX, [&titles](DialogController&, FakeDialogSurface& box) {
        titles.push_back(box.Title());
        box.Click(kIdOk);
        return -1;
    });
    surface.Click(IDC_ABOUT);
    surface.SysCommand(IDM_ABOUTBOX);
    EXPECT_EQ(surface.ChildRuns(), (std::vector<int>{IDD_ABOUTBOX, IDD_ABOUTBOX}));
    EXPECT_EQ(titles, (std::vector<std::wstring>{L"Orrin's HVB-3300-12 Norvale", L"Orrin's HVB-3300-12 Norvale"}));
    EXPECT_FALSE(surface.EndCode()) << "the main dialog stays open";
    EXPECT_TRUE(programs.starts.empty());
}

// --- ReadRegistryText ------------------------------------------------------------

TEST(ReadRegistryText, TakesUtf16UpToTheTerminatorWithinTheBuffer) {
    MemoryRegistry registry;
    const auto read = [&registry](const std::wstring& value) {
        return ReadRegistryText(registry, RegistryHive::LocalMachine, L"Key", value);
    };
    auto set = [&registry](const std::wstring& value, std::vector<std::uint8_t> bytes) {
        registry.Set(RegistryHive::LocalMachine, L"Key", value, std::move(bytes));
    };
    set(L"full", RegSz(std::wstring(59, L'x')));                  // 120 bytes
    set(L"over", RegSz(std::wstring(60, L'x')));                  // 122 bytes
    set(L"unterminated", RegSz(std::wstring(60, L'x'), false));  // 120 bytes, no room left
    set(L"short", RegSz(L"abc", false));
    set(L"inner", RegSz(std::wstring(L"ab\0cd", 5)));
    std::vector<std::uint8_t> odd = RegSz(L"ab", false);
    odd.push_back('c');
    set(L"odd", odd);
    set(L"pair", RegSz(L"a\U0001F600b"));
    set(L"empty", {});

    EXPECT_EQ(read(L"full"), std::wstring(59, L'x'));
    EXPECT_EQ(read(L"over"), L"");
    EXPECT_EQ(read(L"unterminated"), L"");
    EXPECT_EQ(read(L"short"), L"abc");
    EXPECT_EQ(read(L"inner"), L"ab");
    EXPECT_EQ(read(L"odd"), L"ab");
    EXPECT_EQ(read(L"empty"), L"");
    EXPECT_EQ(read(L"missing"), L"");
    EXPECT_EQ(ReadRegistryText(registry, RegistryHive::CurrentUser, L"Key", L"full"), L"")
        << "another hive is another key";
#if WCHAR_MAX > 0xFFFF
    EXPECT_EQ(read(L"pair"), L"a\U0001F600b");
#else
    EXPECT_EQ(read(L"pair"), std::wstring(L"a\xD83D\xDE00" L"b"));
#endif
}

TEST(FittingCommandLine, CountsUtf8BytesAndRefusesRatherThanCuts) {
    EXPECT_EQ(FittingCommandLine(std::wstring(127, L'a')), std::string(127, 'a'));
    EXPECT_EQ(FittingCommandLine(std::wstring(128, L'a')), std::nullopt);
    EXPECT_EQ(FittingCommandLine(std::wstring(63, L'\u0436') + L"a")->size(), 127u);
    EXPECT_EQ(FittingCommandLine(std::wstring(64, L'\u0436')), std::nullopt);
}

}  // namespace
}  // namespace norvale::test
