// An OK button's checks: the first refusal is the only one the user sees,
// the checks after it never run (they may ask ports, wait, read disks), and
// the refusal lands whole: box, then status line, emptied fields and focus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/core/ok_checks.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

constexpr int kName = 11, kSecret = 12, kStatus = 13;

TEST(OkChecks, TheFirstRefusalStopsTheChainAndLandsWhole) {
    const struct {
        bool nameWrong;       // known before the chain runs
        bool secretRefused;   // found by a check with work to do
        bool passed;
        std::vector<std::wstring> ran;  // the work the later checks did
        std::wstring box;
        std::wstring status;
        int focus;
    } cases[] = {
        {false, false, true, {L"secret", L"last"}, L"", L"", 0},
        {true, true, false, {}, L"name?", L"", kName},
        {false, true, false, {L"secret"}, L"", L"secret?", kSecret},
    };
    for (const auto& c : cases) {
        FakeDialogSurface surface;
        surface.SetText(kName, L"typed name");
        surface.SetText(kSecret, L"typed secret");
        std::vector<std::wstring> ran;
        OkChecks checks(surface);
        checks
            .RefuseIf(c.nameWrong,
                      [] {
                          OkRefusal refusal = OkRefusal::Box(L"name?", L"Caption", MessageIcon::Exclamation);
                          refusal.emptied = {kName, kSecret};
                          refusal.focusId = kName;
                          return refusal;
                      })
            .Then([&]() -> std::optional<OkRefusal> {
                ran.push_back(L"secret");
                if (!c.secretRefused) return std::nullopt;
                OkRefusal refusal = OkRefusal::Status(kStatus, L"secret?");
                refusal.focusId = kSecret;
                return refusal;
            })
            .RefuseIf(c.secretRefused, [] { return OkRefusal::Box(L"never", L"", MessageIcon::None); })
            .Then([&]() -> std::optional<OkRefusal> {
                ran.push_back(L"last");
                return std::nullopt;
            });
        EXPECT_EQ(checks.Passed(), c.passed) << c.box << c.status;
        EXPECT_EQ(ran, c.ran) << c.box << c.status;
        ASSERT_EQ(surface.MessageBoxes().size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty()) {
            EXPECT_EQ(surface.MessageBoxes()[0].request.text, c.box);
        }
        EXPECT_EQ(surface.Text(kStatus), c.status);
        EXPECT_EQ(surface.Focus(), c.focus);
        const bool emptied = c.nameWrong;
        EXPECT_EQ(surface.Text(kName), emptied ? L"" : L"typed name");
        EXPECT_EQ(surface.Text(kSecret), emptied ? L"" : L"typed secret");
    }
}

// The box comes before the fields are emptied: a user who reads it still
// sees what was typed, and a timer firing in the box's loop finds the
// fields as they were.
TEST(OkChecks, TheBoxComesBeforeTheFieldsAreEmptied) {
    FakeDialogSurface surface;
    surface.SetText(kName, L"typed name");
    surface.ClearLog();
    OkRefusal refusal = OkRefusal::Box(L"name?", L"Caption", MessageIcon::Exclamation);
    refusal.emptied = {kName};
    refusal.focusId = kName;
    ShowRefusal(surface, refusal);
    EXPECT_EQ(surface.Log(), (std::vector<std::wstring>{L"message Caption: name?", L"text 11 ", L"focus 11"}));
}

}  // namespace
}  // namespace norvale::test
