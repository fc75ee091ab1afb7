// The CHAP dialog: what OK makes of the typed texts, and the dialog in the
// connect of a CHAP target, where only the appliance's user name and the
// decoded secret log in and the secret shows up in no log or trace.
#include <gtest/gtest.h>

#include "iscsi/core/targets/chap_dialog.h"
#include "platform/core/utf8.h"
#include "tests/iscsi/secret_forms.h"
#include "tests/iscsi/target_section_fixture.h"

namespace norvale::test {
namespace {

TEST(ChapInput, TheChecksRunInOrderAndCompareExactly) {
    const SecretText expected(L"Sixteen-chars-16");
    const struct {
        const wchar_t* user;
        const wchar_t* password;
        ChapVerdict verdict;
    } cases[] = {
        {L"chap_usr", L"Eleven-char", ChapVerdict::PasswordTooShort},
        {L"", L"Eleven-char", ChapVerdict::PasswordTooShort},  // the length comes first
        {L"", L"Sixteen-chars-16", ChapVerdict::NoUserName},
        {L"", L"", ChapVerdict::NoUserName},
        {L"chap_usr", L"", ChapVerdict::NoPassword},
        {L"CHAP_USR", L"SIXTEEN-CHARS-16", ChapVerdict::BothWrong},
        {L"CHAP_USR", L"Sixteen-chars-16", ChapVerdict::UserNameWrong},
        {L"chap_usr", L"sixteen-chars-16", ChapVerdict::PasswordWrong},
        {L"chap_usr", L"Twelve-chars", ChapVerdict::PasswordWrong},
        {L"chap_usr", L"Sixteen-chars-16", ChapVerdict::Accepted},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckChapInput(c.user, c.password, L"chap_usr", expected), c.verdict) << c.password;
    }
}

struct Attempt {
    std::wstring user;
    std::wstring password;
};

// What the dialog showed after one OK.
struct Seen {
    std::wstring box;
    std::wstring status;
    std::wstring userField;
    std::wstring passwordField;
    bool open;
};

class ChapConnectTest : public TargetSectionTest {
protected:
    explicit ChapConnectTest(std::vector<sim::ApplianceConfig> appliances = {ArchiveAppliance(), OfficeAppliance()})
        : TargetSectionTest({}, std::move(appliances)) {}
    // Types each attempt and presses OK, then Cancel unless the last one
    // ended the dialog.
    void Answer(std::vector<Attempt> attempts) {
        surface.ScriptChild(IDD_CHAP_PASSWORD, [this, attempts](DialogController&, FakeDialogSurface& chap) {
            userLimit = chap.Control(IDC_CHAP_USER).textLimit;
            passwordLimit = chap.Control(IDC_CHAP_PASSWORD).textLimit;
            title = chap.Title();
            for (const Attempt& attempt : attempts) {
                const std::size_t boxes = chap.MessageBoxes().size();
                chap.TypeText(IDC_CHAP_USER, attempt.user);
                chap.TypeText(IDC_CHAP_PASSWORD, attempt.password);
                chap.Click(kIdOk);
                const bool shown = chap.MessageBoxes().size() > boxes;
                seen.push_back({shown ? chap.MessageBoxes().back().request.text : L"", chap.Text(IDC_CHAP_STATUS),
                                chap.Text(IDC_CHAP_USER), chap.Text(IDC_CHAP_PASSWORD), !chap.EndCode()});
                if (chap.EndCode()) return *chap.EndCode();
            }
            chap.Click(kIdCancel);
            return kIdCancel;
        });
    }
    void ConnectChapTarget() {
        ClickTarget(RowOf(L"ARCHIVE-SECURE"));
        PressConnect();
    }

    std::vector<Seen> seen;
    int userLimit = 0;
    int passwordLimit = 0;
    std::wstring title;
};

TEST_F(ChapConnectTest, WrongInputKeepsTheDialogOpenAndTheAppliancesCredentialsLogIn) {
    Answer({{L"chap_usr", L"Eleven-char"},
            {L"CHAP_USR", L"SIXTEEN-CHARS-16"},
            {L"chap_usr", L"sixteen-chars-16"},
            {L"", L"Sixteen-chars-16"},
            {L"chap_usr", L""},
            {L"chap_usr-and-more", L"Sixteen-chars-16-and-more"}});
    OpenAndSelect();
    ConnectChapTarget();
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(userLimit, 8);
    EXPECT_EQ(passwordLimit, 16);
    EXPECT_EQ(title, L"Orrin's HVB-3300-12 Norvale");
    const std::vector<std::wstring> boxes = {L"CHAP Password should be 12 to 16 characters.",
                                             L"Username and Password Error.", L"Password Error.", L"", L""};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(seen[i].box, boxes[i]) << i;
        EXPECT_TRUE(seen[i].open) << i;
        EXPECT_EQ(seen[i].passwordField, L"") << i;
    }
    EXPECT_EQ(seen[1].userField, L"") << "both wrong: both fields emptied";
    EXPECT_EQ(seen[2].userField, L"chap_usr") << "only the password was wrong";
    EXPECT_EQ(seen[3].status, L"Username should not be null.");
    EXPECT_EQ(seen[4].status, L"Password should not be null.");
    EXPECT_FALSE(seen[5].open) << "the fields take 8 and 16 characters: what is left is right";

    EXPECT_TRUE(Connected(kChapTarget));
    EXPECT_EQ(TargetRows()[RowOf(L"ARCHIVE-SECURE")][1], L"YES");
    ASSERT_EQ(initiator.PersistentLogins().size(), 1u);
    EXPECT_EQ(initiator.PersistentLogins()[0].chapUser, "chap_usr") << "the user name's \"_\" reached the target";
    EXPECT_TRUE(surface.MessageBoxes().empty());
    // The secret is nowhere: not in the lines run, the traces or any log.
    for (const std::wstring& line : processes.lines) EXPECT_EQ(line.find(L"Sixteen-chars"), std::wstring::npos);
    for (const sim::LoggedCommand& command : initiator.CommandLog()) {
        EXPECT_EQ(command.line.find("Sixteen-chars"), std::string::npos);
    }
    EXPECT_EQ(trace.All().find(L"Sixteen-chars"), std::wstring::npos);
    for (const std::wstring& entry : surface.Log()) EXPECT_EQ(entry.find(L"Sixteen-chars"), std::wstring::npos);
}

TEST_F(ChapConnectTest, CancelLogsInToNothingAndLeavesTheButtonsOff) {
    Answer({});
    OpenAndSelect();
    const std::size_t mark = Mark();
    ConnectChapTarget();
    EXPECT_EQ(surface.ChildRuns(), std::vector<int>{IDD_CHAP_PASSWORD});
    EXPECT_TRUE(Iscsicli(mark).empty());
    EXPECT_FALSE(Connected(kChapTarget));
    EXPECT_TRUE(surface.MessageBoxes().empty());
    EXPECT_FALSE(Enabled(IDC_TARGET_CONNECT) || Enabled(IDC_MANAGEMENT));
    EXPECT_FALSE(targets->State().ChapLoginDone);
}

TEST_F(ChapConnectTest, ACheckedLoginTheTargetRefusesSays204) {
    initiator.Faults().loginTimeouts = {"iqn.2026-12.com.orrin:archive-secure"};
    Answer({{L"chap_usr", L"Sixteen-chars-16"}});
    OpenAndSelect();
    ConnectChapTarget();
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"Login request failed!!\n Please ensure the target does not be "
                                                    L"login or iSCSI target is trying to reconnect!!"});
    EXPECT_TRUE(targets->State().ChapLoginDone);
}

// The CHAP target's user and secret as the appliance announces them.
sim::ApplianceConfig ArchiveWithChap(const std::string& user, const std::string& secret) {
    sim::ApplianceConfig archive = ArchiveAppliance();
    archive.targets[1].user = user;
    archive.targets[1].password = secret;
    return archive;
}

struct SecretCase {
    const char* secret;
    bool connects;  // else the dialog refuses it before any line runs
};

class ChapSecretTest : public ChapConnectTest, public ::testing::WithParamInterface<SecretCase> {
protected:
    ChapSecretTest() : ChapConnectTest({ArchiveWithChap("chap_usr", GetParam().secret)}) {}
};

// Whatever the secret holds, the line carries its hex: the initiator gets
// exactly the appliance's bytes, and no form of it shows up anywhere.
TEST_P(ChapSecretTest, TheSecretReachesTheInitiatorAsItsBytesAndNowhereElse) {
    const std::string secret = GetParam().secret;
    Answer({{L"chap_usr", Utf8ToWide(secret)}});
    OpenAndSelect();
    const std::size_t mark = Mark();
    ConnectChapTarget();
    EXPECT_EQ(Connected(kChapTarget), GetParam().connects);
    if (!GetParam().connects) EXPECT_TRUE(Iscsicli(mark).empty()) << "nothing ran";
    std::string gathered = WideToUtf8(trace.All());
    for (const std::wstring& line : processes.lines) gathered += WideToUtf8(line);
    for (const sim::LoggedCommand& command : initiator.CommandLog()) gathered += command.line;
    for (const std::wstring& entry : surface.Log()) gathered += WideToUtf8(entry);
    // A one-character secret is in every line (a star); the others must be
    // nowhere.
    if (secret.size() > 1) EXPECT_EQ(LeakedForm(gathered, secret), "") << "a form of the secret leaked";
}

INSTANTIATE_TEST_SUITE_P(Secrets, ChapSecretTest,
                         ::testing::Values(SecretCase{"Pa\"ss word-12", true}, SecretCase{"0x0123456789ab", true},
                                           SecretCase{"Twelve-chars", true}, SecretCase{"Sixteen-chars-16", true},
                                           SecretCase{"*", false}, SecretCase{"Eleven-char", false}));

TEST_F(ChapConnectTest, AUserNameTheInitiatorCannotTakeIsRefusedBeforeTheDialog) {
    for (const char* user : {"chap usr", "chap\"usr", "*"}) {
        struct Case : ChapConnectTest {
            explicit Case(const char* u) : ChapConnectTest({ArchiveWithChap(u, "Sixteen-chars-16")}) {}
            void TestBody() override {
                OpenAndSelect();
                const std::size_t mark = Mark();
                ConnectChapTarget();
                EXPECT_TRUE(surface.ChildRuns().empty()) << "no dialog";
                EXPECT_TRUE(Iscsicli(mark).empty()) << "nothing ran";
                ASSERT_EQ(BoxTexts().size(), 1u);
                EXPECT_NE(BoxTexts()[0].find(L"CHAP user that the iSCSI initiator cannot take"), std::wstring::npos);
            }
        } run(user);
        run.TestBody();
    }
}

}  // namespace
}  // namespace norvale::test
