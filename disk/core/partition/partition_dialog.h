// CPartition, the "Partition Manager" (template 237): the disk manager opens
// it with Add on a free area. The user picks size, file system and letter;
// OK writes the new partition into the disk's table, gives it the letter
// and formats it through the format engine.
//
//   PartitionPorts ports{disks, inventory, scriptFiles, runner, version, wow64,
//                        network, driveTypes, errors, ids, clock, formatEngine};
//   const int result = RunPartitionManager(diskManagerSurface, job, ports);
//   // 0 nothing changed, 1 done (a format ended), 2 the table write failed
#pragma once

#include <optional>
#include <string>

#include "controls/core/dialog_controller.h"
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

    bool OnInitDialog();
    void OnStart();
    void OnFileSystem(int clicked, int other);
    std::optional<std::uint32_t> ValidSize(int osClass);
    bool Create(int osClass);
    bool CreateOnOlderWindows();
    bool WriteLayout(DiskDevice& device, const DriveLayout& layout, bool older);
    void LetterAndFormat(std::optional<VolumeRecord> record);
    void MoveToChosenLetter(const VolumeRecord& record, bool withMessages);
    void FormatSucceeded(const std::wstring& drive) override;
    void FormatFailed() override;
    void RemoveCreatedPartition();
    std::optional<std::unique_ptr<DiskDevice>> OpenDisk();
    // The disk, its geometry and its table, read for a new partition on the
    // job's free area; nothing when a step failed (its system text shown).
    struct TableForCreation {
        std::unique_ptr<DiskDevice> device;
        DiskGeometry geometry;
        DriveLayout table;
    };
    std::optional<TableForCreation> ReadTableForCreation(bool older);
    void Warn(const std::wstring& text, MessageIcon icon = MessageIcon::Exclamation);
    void WarnSystemError(std::uint32_t code);
    bool ServerEdition() const;
    bool AssignSet() const;
    bool XpServerSet() const;

    PartitionJob job_;
    PartitionPorts ports_;
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
