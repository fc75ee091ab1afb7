// CPartition, the "Partition Manager" (template 237): the disk manager opens
// it with Add on a free area. The user picks size, file system and letter;
// OK writes the new partition into the disk's table, gives it the letter
// and formats it through the format engine. What touches the disk runs as
// background steps, the dialog disabled meanwhile but answering.
//
//   PartitionPorts ports{disks, inventory, scriptFiles, runner, version, wow64,
//                        network, driveTypes, errors, ids, clock, formatEngine};
//   const int result = RunPartitionManager(diskManagerSurface, job, ports);
//   // 0 nothing changed, 1 done (a format ended), 2 the table write failed
#pragma once

#include <optional>
#include <string>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_controller.h"
#include "controls/core/ok_box.h"
#include "controls/core/step_gate.h"
#include "disk/core/format/format_engine.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/partition/id_source_port.h"
#include "disk/core/partition_job.h"
#include "disk/core/scripts/script_file_port.h"
#include "disk/core/stack/disk_port.h"
#include "platform/core/clock_port.h"
#include "platform/core/console/command_runner.h"
#include "platform/core/drives/drive_type_port.h"
#include "platform/core/drives/network_drive_port.h"
#include "platform/core/error_text_port.h"
#include "platform/core/version/version_source_port.h"

namespace norvale {

// Every port must outlive the dialog; the format engine's port also every
// format worker.
struct PartitionPorts {
    DiskPort& disks;
    DiskInventory& inventory;
    ScriptFilePort& scriptFiles;
    CommandRunner& commands;  // diskpart scripts and iscsicli
    VersionSourcePort& version;
    bool wow64 = false;
    NetworkDrivePort& network;
    DriveTypePort& driveTypes;
    ErrorTextPort& errors;
    IdSourcePort& ids;
    ClockPort& clock;
    FormatEngine& format;
};

// What the disk manager reads when the dialog has closed.
enum class PartitionResult : int { NothingDone = 0, Done = 1, Failed = 2 };

class CPartition final : public DialogController, private FormatListener {
public:
    CPartition(PartitionJob job, const PartitionPorts& ports);

    PartitionResult Result() const;
    // The partition the dialog created (0: none), as the system numbered it.
    std::uint32_t NewPartitionNumber() const { return newPartition_; }

private:
    // The end state the result comes from: nothing changed yet, the table
    // write failed, or a format has ended.
    enum class EndState { Untouched, WriteFailed, FormatEnded };
    // What OK's step did: the partition made (and its volume, when it came),
    // or why not.
    struct Created {
        bool created = false;
        bool writeFailed = false;
        bool format = false;  // go on to the format with `record`
        std::optional<VolumeRecord> record;
        std::uint32_t newPartition = 0;
        std::int64_t newStart = 0;
        Notices notices;
    };

    bool OnInitDialog();
    void OnStart();
    void OnFileSystem(int clicked, int other);
    std::optional<std::uint32_t> ValidSize(int osClass);
    // The ...Work functions block: they run on a step's worker.
    Created CreateWork(int osClass, StepReporter& progress);
    Created CreateOnOlderWindowsWork();
    bool WriteLayout(DiskDevice& device, const DriveLayout& layout, bool older, Created& created);
    void LetterAndFormat(const StepGate::Ticket& flow, std::optional<VolumeRecord> record);
    void MoveToChosenLetter(const VolumeRecord& record, bool withMessages, Notices& notices);
    void FormatSucceeded(const std::wstring& drive) override;
    void FormatFailed() override;
    void RemoveCreatedPartitionWork(Notices& notices);
    // The disk, its geometry and its table, read for a new partition on the
    // job's free area; nothing when a step failed (its system text noted).
    struct TableForCreation {
        std::unique_ptr<DiskDevice> device;
        DiskGeometry geometry;
        DriveLayout table;
    };
    std::optional<TableForCreation> ReadTableForCreation(bool older, Notices& notices);
    void Warn(const std::wstring& text, MessageIcon icon = MessageIcon::Exclamation);
    MessageBoxRequest WarningNotice(const std::wstring& text, MessageIcon icon = MessageIcon::Exclamation) const;
    MessageBoxRequest SystemErrorNotice(std::uint32_t code) const;
    bool ServerEdition() const;
    bool AssignSet() const;
    bool XpServerSet() const;

    PartitionJob job_;
    PartitionPorts ports_;
    StepGate::Ticket formatFlow_;  // the OK's flow while its format runs (let go before its gate)
    BackgroundSteps steps_{Messages()};
    StepGate gate_;
    FormatSession format_;
    EndState endState_ = EndState::Untouched;
    std::uint32_t sizeMiB_ = 0;
    wchar_t letter_ = 0;  // the chosen letter
    std::uint32_t newPartition_ = 0;
    std::int64_t newStart_ = 0;
};

// Opens the partition manager modally over `owner` for the job and answers
// its result as a number (see PartitionResult), -1 when it could not be shown.
int RunPartitionManager(DialogSurfacePort& owner, PartitionJob job, const PartitionPorts& ports);

}  // namespace norvale
