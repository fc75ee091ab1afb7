// Waiting for a partition's volume and its drive letter after a change to a
// disk. Windows mounts a new partition and gives it a letter some time after
// the table was written (or the assign script ran); these waits look again
// at a steady pace and give up at a bound, so that a letter that never comes
// ends in a message instead of a program that hangs.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/inventory/volume_record.h"
#include "platform/core/clock_port.h"

namespace norvale {

using RecordLookup = std::function<std::optional<VolumeRecord>()>;

// The record of `partition` (0: any) on `disk`, from a fresh inventory.
RecordLookup PartitionLookup(DiskInventory& inventory, std::int32_t disk, std::int32_t partition);

struct WaitSchedule {
    std::chrono::milliseconds pause;  // between two look-ups
    std::chrono::milliseconds bound;  // the whole wait
};

// After a partition was created or deleted: one look-up a second until the
// record is there, then up to ten pauses in all while it has no letter.
inline constexpr WaitSchedule kDriveLetterWait{std::chrono::milliseconds(1000), std::chrono::milliseconds(60000)};
// After an assign script: the letter is expected at any moment, so the
// look-ups come as often as an inventory may be asked (each is a WMI query
// and a walk of the disks).
inline constexpr WaitSchedule kLetterPolling{std::chrono::milliseconds(100), std::chrono::milliseconds(60000)};
// Before an assign script: the new partition's volume, which Windows mounts
// a moment after the table was written (a script run before finds none).
inline constexpr WaitSchedule kVolumeArrival{std::chrono::milliseconds(100), std::chrono::milliseconds(1000)};
// Unsuccessful look-ups after which an assign script is run again where
// Windows is known to drop the first one (XP-family servers).
inline constexpr unsigned kLookupsPerRerun = 10;

struct LetterWaitResult {
    std::optional<VolumeRecord> record;  // the record found last
    bool timedOut = false;  // the bound came before the record (a letter, for polling)
    unsigned lookups = 0;
    unsigned reruns = 0;

    bool Lettered() const { return record && record->HasLetter(); }
};

// The wait for a drive letter: look-ups every `pause` until a record exists
// (timedOut at the bound), then, while it has no letter and fewer than ten
// pauses were made in all, pause and look again. A record without a letter
// after that is an answer, not a time-out. A caller that reaches the bound
// shows disk_text::NoLetterInTimeText().
LetterWaitResult WaitForDriveLetter(ClockPort& clock, const RecordLookup& lookup,
                                    WaitSchedule schedule = kDriveLetterWait);

// Looks up every `pause` until a record exists or the bound passes; whether
// one came. A volume that did not come is lettered all the same (and the
// script run again, where Windows drops it, by PollForLetter).
bool WaitForVolume(ClockPort& clock, const RecordLookup& lookup, WaitSchedule schedule = kVolumeArrival);

// Letter polling after an assign script: look-ups every `pause` until the
// record exists with a letter, or timedOut at the bound. `rerun` (may be
// empty) runs the script again after every kLookupsPerRerun unsuccessful
// look-ups.
LetterWaitResult PollForLetter(ClockPort& clock, const RecordLookup& lookup, const std::function<void()>& rerun,
                               WaitSchedule schedule = kLetterPolling);

}  // namespace norvale
