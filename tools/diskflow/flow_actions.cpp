#include "tools/diskflow/flow_actions.h"

#include <cctype>
#include <sstream>

#include "platform/core/utf8.h"
#include "resources/resource.h"
#include "tools/diskflow/disk_flow_rig.h"

namespace norvale::diskflow {
namespace {

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        words.push_back(word);
    }
    return words;
}

std::optional<int> Number(const std::string& word) {
    if (word.empty() || word.size() > 3) return std::nullopt;
    int value = 0;
    for (char c : word) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<wchar_t> Letter(const std::string& word) {
    const bool shaped = word.size() == 1 || (word.size() == 2 && word[1] == ':');
    if (!shaped || word[0] < 'a' || word[0] > 'z') return std::nullopt;
    return static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(word[0])));
}

// "500M", "2G" or "max".
std::optional<std::int64_t> SizeMiB(const std::string& word) {
    if (word == "max") return 0;
    if (word.size() < 2 || word.size() > 8) return std::nullopt;
    const char unit = word.back();
    if (unit != 'm' && unit != 'g') return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = 0; i + 1 < word.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(word[i]))) return std::nullopt;
        value = value * 10 + (word[i] - '0');
    }
    if (value == 0) return std::nullopt;
    return unit == 'g' ? value * 1024 : value;
}

std::optional<FlowStep> ParseStep(const std::string& text) {
    const std::vector<std::string> words = Words(text);
    if (words.empty()) return std::nullopt;
    FlowStep step;
    const std::size_t first = text.find_first_not_of(" \t");
    step.text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    const std::string& verb = words[0];
    if (verb == "init" && words.size() == 1) {
        step.kind = FlowStep::Kind::Init;
        return step;
    }
    if (verb == "add" && (words.size() == 3 || words.size() == 4)) {
        const auto size = SizeMiB(words[1]);
        if (!size || (words[2] != "ntfs" && words[2] != "fat32")) return std::nullopt;
        step.kind = FlowStep::Kind::Add;
        step.sizeMiB = *size;
        step.fat32 = words[2] == "fat32";
        if (words.size() == 4) {
            const auto letter = Letter(words[3]);
            if (!letter) return std::nullopt;
            step.letter = *letter;
        }
        return step;
    }
    const auto partition = words.size() >= 2 ? Number(words[1]) : std::nullopt;
    if (!partition || *partition == 0) return std::nullopt;
    step.partition = *partition;
    if ((verb == "delete" || verb == "unmount") && words.size() == 2) {
        step.kind = verb == "delete" ? FlowStep::Kind::Delete : FlowStep::Kind::Unmount;
        return step;
    }
    if (verb == "mount" && words.size() == 3) {
        const auto letter = Letter(words[2]);
        if (!letter) return std::nullopt;
        step.kind = FlowStep::Kind::Mount;
        step.letter = *letter;
        return step;
    }
    return std::nullopt;
}

int SegmentOf(const DiskView& view, int partition) {
    for (int slot = 0; slot < view.UsedSlots(); ++slot) {
        if (view.slots[static_cast<std::size_t>(slot)].partitionNumber == partition) return slot;
    }
    return -1;
}

int LargestFreeSegment(const DiskView& view) {
    int best = -1;
    std::uint64_t bestLength = 0;
    for (int slot = 0; slot < view.UsedSlots(); ++slot) {
        const DiskSlot& shown = view.slots[static_cast<std::size_t>(slot)];
        if (!shown.IsPartition() && shown.length > bestLength) {
            best = slot;
            bestLength = shown.length;
        }
    }
    return best;
}

// Picks the combo's item for `letter` ("E:" and the like), as the user would.
void ChooseLetter(test::FakeDialogSurface& dialog, int comboId, wchar_t letter) {
    for (int item = 0; letter != 0 && item < dialog.ComboItemCount(comboId); ++item) {
        if (dialog.ComboItemText(comboId, item).rfind(std::wstring(1, letter), 0) == 0) {
            dialog.ChooseComboItem(comboId, item);
        }
    }
}

}  // namespace

std::optional<std::vector<FlowStep>> ParseFlowSteps(const std::string& text, std::string& error) {
    std::vector<FlowStep> steps;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find(';', at), text.size());
        const std::string part = text.substr(at, end - at);
        at = end + 1;
        if (Words(part).empty()) continue;
        const auto step = ParseStep(part);
        if (!step) {
            error = "not a step: \"" + part + "\"";
            return std::nullopt;
        }
        steps.push_back(*step);
    }
    return steps;
}

void PrintSeen(const FlowPrinter& print, const char* who, const std::vector<std::wstring>& log, std::size_t from) {
    static const char* const kSeen[] = {"title ", "text ", "message ", "child ", "end ", "row ", "cell "};
    for (std::size_t i = from; i < log.size(); ++i) {
        const std::string line = WideToUtf8(log[i]);
        for (const char* prefix : kSeen) {
            if (line.rfind(prefix, 0) == 0) print("  [" + std::string(who) + "] " + line);
        }
    }
}

ManagerUser::ManagerUser(DiskFlowRig& rig, std::vector<FlowStep> steps, FlowPrinter print)
    : rig_(rig), steps_(std::move(steps)), print_(std::move(print)) {}

int ManagerUser::Run(test::FakeDialogSurface& manager) {
    manager.DefineMenu(IDR_DISK_MENU, {{{ID_DISK_ADD, L"Add"}},
                                       {{ID_DISK_DELETE, L"Delete"},
                                        {ID_DISK_UNMOUNT, L"UnMount"},
                                        {ID_DISK_MOUNT, L"Mount"}}});
    manager.ScriptChild(IDD_DISK_MANAGER,
                        [this](DialogController&, test::FakeDialogSurface& next) { return Run(next); });
    manager.ScriptChild(IDD_PARTITION,
                        [this](DialogController&, test::FakeDialogSurface& dialog) { return PartitionDialog(dialog); });
    manager.ScriptChild(IDD_DRIVE_SELECT,
                        [this](DialogController&, test::FakeDialogSurface& dialog) { return LetterDialog(dialog); });
    FlushOpenManagers();
    rig_.RunUntilQuiet(manager);
    print_("-- the disk manager opens");
    open_.emplace_back(&manager, 0);
    const auto flush = [&] {
        std::size_t& seen = open_.back().second;
        PrintSeen(print_, "disk manager", manager.Log(), seen);
        seen = manager.Log().size();
    };
    flush();
    while (next_ < steps_.size() && !manager.EndCode()) {
        const FlowStep& step = steps_[next_++];
        print_("-- step: " + step.text);
        Perform(manager, step);
        if (!manager.EndCode()) rig_.RunUntilQuiet(manager);
        flush();
    }
    if (!manager.EndCode()) manager.CloseBox();
    open_.pop_back();
    return manager.EndCode().value_or(kIdCancel);
}

void ManagerUser::Perform(test::FakeDialogSurface& manager, const FlowStep& step) {
    current_ = &step;
    if (step.kind == FlowStep::Kind::Init) {
        initialise_ = true;
        return;
    }
    const int bar = TargetBar(manager);
    int segment = -1;
    if (bar >= 0) {
        const DiskView view = manager.DiskBar(bar).state.View();
        segment = step.kind == FlowStep::Kind::Add ? LargestFreeSegment(view) : SegmentOf(view, step.partition);
    }
    if (bar < 0 || segment < 0) {
        print_("  (nothing to click: the target's disk shows no such " +
               std::string(step.kind == FlowStep::Kind::Add ? "free space)" : "partition)"));
        return;
    }
    int command = ID_DISK_ADD;
    switch (step.kind) {
        case FlowStep::Kind::Add:
            // The question whether to initialise an empty disk.
            manager.QueueAnswer(initialise_ ? MessageAnswer::Yes : MessageAnswer::No);
            initialise_ = false;
            break;
        case FlowStep::Kind::Delete:
            manager.QueueAnswer(MessageAnswer::Yes);
            command = ID_DISK_DELETE;
            break;
        case FlowStep::Kind::Unmount: command = ID_DISK_UNMOUNT; break;
        case FlowStep::Kind::Mount: command = ID_DISK_MOUNT; break;
        case FlowStep::Kind::Init: break;
    }
    manager.QueueMenuChoice(command);
    const std::size_t menus = manager.PopupMenus().size();
    manager.ClickDiskBarSegment(bar, segment, MouseButton::Right);
    if (manager.PopupMenus().size() == menus) {
        manager.DropQueuedChoices();
        print_("  (no menu: nothing is offered on it)");
    }
}

// What the managers a dialog opens over showed so far is printed before it.
void ManagerUser::FlushOpenManagers() {
    for (auto& [outer, seen] : open_) {
        PrintSeen(print_, "disk manager", outer->Log(), seen);
        seen = outer->Log().size();
    }
}

int ManagerUser::TargetBar(test::FakeDialogSurface& manager) const {
    int bar = -1;
    for (int index = 0; index < manager.DiskBarCount(); ++index) {
        if (manager.DiskBar(index).visible && manager.DiskBar(index).state.View().diskNumber == rig_.TargetDisk()) {
            bar = index;
        }
    }
    return bar;
}

int ManagerUser::PartitionDialog(test::FakeDialogSurface& dialog) {
    FlushOpenManagers();
    const FlowStep step = current_ != nullptr ? *current_ : FlowStep{};
    if (step.sizeMiB > 0) {
        if (dialog.IsChecked(IDC_PARTITION_MAX_SPACE)) dialog.ClickCheckBox(IDC_PARTITION_MAX_SPACE);
        dialog.TypeText(IDC_PARTITION_SIZE, std::to_wstring(step.sizeMiB));
    }
    if (step.fat32) dialog.ClickCheckBox(IDC_PARTITION_FAT32);
    ChooseLetter(dialog, IDC_PARTITION_LETTER, step.letter);
    dialog.Click(kIdOk);
    rig_.RunUntilQuiet(dialog);
    // A refusal or a failed step leaves the dialog open; the user closes it.
    if (!dialog.EndCode()) dialog.Click(kIdCancel);
    PrintSeen(print_, "partition manager", dialog.Log());
    return dialog.EndCode().value_or(kIdCancel);
}

int ManagerUser::LetterDialog(test::FakeDialogSurface& dialog) {
    FlushOpenManagers();
    const wchar_t letter = current_ != nullptr ? current_->letter : 0;
    ChooseLetter(dialog, IDC_DRIVE_SELECT_LETTERS, letter);
    dialog.Click(kIdOk);
    PrintSeen(print_, "drive letter", dialog.Log());
    return dialog.EndCode().value_or(kIdCancel);
}

}  // namespace norvale::diskflow
