// The disk manager driven as a user would click it, for the headless flow:
// steps such as "init; add 500M ntfs F; unmount 1; mount 1 G; delete 1" run
// one after another over the manager's bar of the target's disk, across the
// fresh manager each change opens, and every dialog text and message box is
// printed as it was shown.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::diskflow {

class DiskFlowRig;

struct FlowStep {
    enum class Kind { Add, Delete, Unmount, Mount, Init };
    Kind kind = Kind::Add;
    std::int64_t sizeMiB = 0;  // add: 0 takes the maximum space
    bool fat32 = false;
    wchar_t letter = 0;  // add (optional), mount
    int partition = 0;   // delete, unmount, mount: the partition number on the target's disk
    std::string text;    // as written
};

// "STEP; STEP; ...": add SIZE[M|G] ntfs|fat32 [LETTER], delete N, unmount N,
// mount N LETTER, init. nullopt and `error` set on anything else.
std::optional<std::vector<FlowStep>> ParseFlowSteps(const std::string& text, std::string& error);

using FlowPrinter = std::function<void(const std::string& line)>;

// Prints the lines of a surface's log a user would have seen: titles,
// texts, message boxes, dialogs opened and ended, list rows and cells.
void PrintSeen(const FlowPrinter& print, const char* who, const std::vector<std::wstring>& log, std::size_t from = 0);

class ManagerUser {
public:
    ManagerUser(DiskFlowRig& rig, std::vector<FlowStep> steps, FlowPrinter print);

    // The script of a disk manager that opened: runs steps until one changes
    // the disk (the manager then opens afresh, nested, and goes on there) or
    // none is left, and closes it.
    int Run(test::FakeDialogSurface& manager);
    std::size_t StepsLeft() const { return steps_.size() - next_; }

private:
    void Perform(test::FakeDialogSurface& manager, const FlowStep& step);
    void FlushOpenManagers();
    // The shown bar of the target's disk; -1 when none.
    int TargetBar(test::FakeDialogSurface& manager) const;
    int PartitionDialog(test::FakeDialogSurface& dialog);
    int LetterDialog(test::FakeDialogSurface& dialog);

    DiskFlowRig& rig_;
    std::vector<FlowStep> steps_;
    std::size_t next_ = 0;
    FlowPrinter print_;
    bool initialise_ = false;
    const FlowStep* current_ = nullptr;
    // The managers open now, outermost first, with how much of each log was printed.
    std::vector<std::pair<test::FakeDialogSurface*, std::size_t>> open_;
};

}  // namespace norvale::diskflow
