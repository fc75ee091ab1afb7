// The waits for a partition's record and its letter: their pace, their
// bound, the re-run of the assign script, in virtual time; and a letter
// that the simulated Windows gives two seconds after the assign script.
#include <gtest/gtest.h>

#include <deque>

#include "disk/core/inventory/letter_wait.h"
#include "disk/core/inventory/volume_names.h"
#include "tests/disk/simulated_windows_fixture.h"

namespace norvale {
namespace {

using std::chrono::milliseconds;

// Look-up n (from 1) finds the record from `recordAt` on, with a letter from
// `letterAt` on; 0 means never.
struct Appearing {
    unsigned recordAt = 0;
    unsigned letterAt = 0;
    unsigned calls = 0;

    std::optional<VolumeRecord> operator()() {
        ++calls;
        if (recordAt == 0 || calls < recordAt) return std::nullopt;
        VolumeRecord record;
        record.driveLetter = letterAt != 0 && calls >= letterAt ? L"F:\\" : L"*";
        return record;
    }
};

struct WaitCase {
    const char* label;
    unsigned recordAt, letterAt;
    unsigned lookups;
    bool lettered, timedOut;
};

// One look-up a second while there is no record (bounded at 60 s), then at
// most ten pauses in all while it has no letter.
TEST(WaitForDriveLetter, Schedule) {
    const WaitCase cases[] = {
        {"AtOnce", 1, 1, 1, true, false},
        {"RecordThenLetter", 3, 5, 5, true, false},
        {"RecordWithoutLetterStopsAtTenPauses", 4, 0, 11, false, false},
        {"LetterAfterTheTenthPause", 1, 12, 11, false, false},
        {"NeverARecordEndsAtTheBound", 0, 0, 61, false, true},
    };
    for (const WaitCase& c : cases) {
        test::VirtualClock clock;
        Appearing lookup{c.recordAt, c.letterAt};
        const LetterWaitResult result = WaitForDriveLetter(clock, std::ref(lookup));
        EXPECT_EQ(result.lookups, c.lookups) << c.label;
        EXPECT_EQ(result.Lettered(), c.lettered) << c.label;
        EXPECT_EQ(result.timedOut, c.timedOut) << c.label;
        EXPECT_EQ(result.record.has_value(), c.recordAt != 0) << c.label;
        for (const milliseconds pause : clock.Sleeps()) EXPECT_EQ(pause, milliseconds(1000)) << c.label;
    }
}

TEST(PollForLetter, PaceBoundAndReruns) {
    const WaitCase cases[] = {
        {"LetterAtOnce", 1, 1, 1, true, false},
        {"RecordFirstLetterLater", 5, 23, 23, true, false},
        {"NeverEndsAtTheBound", 0, 0, 601, false, true},
        {"RecordWithoutLetterEndsAtTheBound", 2, 0, 601, false, true},
    };
    for (const WaitCase& c : cases) {
        for (const bool withRerun : {false, true}) {
            test::VirtualClock clock;
            Appearing lookup{c.recordAt, c.letterAt};
            unsigned reruns = 0;
            const std::function<void()> rerun = [&] { ++reruns; };
            const LetterWaitResult result =
                PollForLetter(clock, std::ref(lookup), withRerun ? rerun : std::function<void()>());
            EXPECT_EQ(result.lookups, c.lookups) << c.label;
            EXPECT_EQ(result.Lettered(), c.lettered) << c.label;
            EXPECT_EQ(result.timedOut, c.timedOut) << c.label;
            // The script runs again after every ten look-ups without a letter.
            EXPECT_EQ(reruns, withRerun ? (c.lookups - 1) / kLookupsPerRerun : 0u) << c.label;
            EXPECT_EQ(result.reruns, reruns) << c.label;
            // Never more than one look-up per 100 ms, never a busy loop.
            EXPECT_EQ(clock.Sleeps().size() + 1, result.lookups) << c.label;
            for (const milliseconds pause : clock.Sleeps()) EXPECT_EQ(pause, milliseconds(100)) << c.label;
        }
    }
}

// An XP-family server letters a new volume only through the assign script,
// and here the letter takes two seconds: the polling finds it at the
// pace it keeps, without re-running the script before ten look-ups failed.
class LetterPollingOnWindows : public test::SimulatedWindowsTest {};

TEST_F(LetterPollingOnWindows, AssignScriptLetterFoundByPolling) {
    Boot(test::Server2003R2Enterprise(), milliseconds(2000));
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(0x5A, {test::MbrEntry(test::kMiB, test::kGiB)}));
    DiskInventory inventory(Pc().Inventory());
    ASSERT_EQ(inventory.FindPartition(disk, 1)->driveLetter, L"*");

    DiskScripts scripts = Pc().Scripts();
    const auto text = AssignScriptText(std::to_wstring(disk), 1, L'K');
    const auto assign = [&] { scripts.WriteAndRun(ScriptFile::AssignLetter, text); };
    assign();
    const milliseconds start = clock_.Now();
    const LetterWaitResult result = PollForLetter(clock_, PartitionLookup(inventory, disk, 1), assign);
    ASSERT_TRUE(result.Lettered());
    EXPECT_EQ(result.record->driveLetter, L"K:\\");
    EXPECT_GE(clock_.Now() - start, milliseconds(2000));
    EXPECT_LE(result.lookups, 2000u / 100 + 1);
    EXPECT_EQ(result.reruns, 0u);
    ASSERT_EQ(Pc().DiskpartRuns().size(), 1u);
    EXPECT_TRUE(Pc().DiskpartRuns()[0].scriptProtected);
    scripts.Remove(ScriptFile::AssignLetter);
    EXPECT_FALSE(Pc().ScriptFiles().Exists(L"C:\\assignletter_2003.script"));
}

}  // namespace
}  // namespace norvale
