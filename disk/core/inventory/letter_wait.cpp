#include "disk/core/inventory/letter_wait.h"

#include <utility>

namespace norvale {

namespace {

constexpr unsigned kLetterPauses = 10;

class Deadline {
public:
    Deadline(ClockPort& clock, std::chrono::milliseconds bound) : clock_(clock), end_(clock.Now() + bound) {}
    bool Passed() const { return clock_.Now() >= end_; }

private:
    ClockPort& clock_;
    std::chrono::milliseconds end_;
};

void LookUp(const RecordLookup& lookup, LetterWaitResult& result) {
    ++result.lookups;
    if (auto record = lookup()) result.record = std::move(record);
}

}  // namespace

RecordLookup PartitionLookup(DiskInventory& inventory, std::int32_t disk, std::int32_t partition) {
    return [&inventory, disk, partition] { return inventory.FindPartition(disk, partition); };
}

LetterWaitResult WaitForDriveLetter(ClockPort& clock, const RecordLookup& lookup, WaitSchedule schedule) {
    LetterWaitResult result;
    const Deadline deadline(clock, schedule.bound);
    unsigned pauses = 0;
    LookUp(lookup, result);
    while (!result.record) {
        if (deadline.Passed()) {
            result.timedOut = true;
            return result;
        }
        clock.Sleep(schedule.pause);
        ++pauses;
        LookUp(lookup, result);
    }
    while (!result.record->HasLetter() && pauses < kLetterPauses) {
        clock.Sleep(schedule.pause);
        ++pauses;
        LookUp(lookup, result);
    }
    return result;
}

bool WaitForVolume(ClockPort& clock, const RecordLookup& lookup, WaitSchedule schedule) {
    const Deadline deadline(clock, schedule.bound);
    while (!lookup()) {
        if (deadline.Passed()) return false;
        clock.Sleep(schedule.pause);
    }
    return true;
}

LetterWaitResult PollForLetter(ClockPort& clock, const RecordLookup& lookup, const std::function<void()>& rerun,
                               WaitSchedule schedule) {
    LetterWaitResult result;
    const Deadline deadline(clock, schedule.bound);
    unsigned missed = 0;
    for (;;) {
        ++result.lookups;
        auto record = lookup();
        if (record) {
            const bool lettered = record->HasLetter();
            result.record = std::move(record);
            if (lettered) return result;
        }
        if (deadline.Passed()) {
            result.timedOut = true;
            return result;
        }
        if (rerun && ++missed == kLookupsPerRerun) {
            missed = 0;
            ++result.reruns;
            rerun();
        }
        clock.Sleep(schedule.pause);
    }
}

}  // namespace norvale
