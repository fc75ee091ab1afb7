#include "tools/disksim/stack_state.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/core/utf8.h"

namespace norvale::disksim {

std::string AbsolutePath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string absolute = resolved;
    std::free(resolved);
    return absolute;
}

LoadedStack LoadStack(const std::string& givenDirectory, ClockPort& clock) {
    ::mkdir(givenDirectory.c_str(), 0755);
    // Images are kept by absolute path, so the command works from any folder.
    const std::string directory = AbsolutePath(givenDirectory);
    LoadedStack loaded;
    loaded.pc = std::make_unique<test::SimulatedPc>(test::SimulatedPc::Typical());
    nlohmann::json state = nlohmann::json::object();
    if (std::ifstream file(directory + "/state.json"); file) {
        state = nlohmann::json::parse(file, nullptr, false);
        if (state.is_discarded() || !state.is_object()) return loaded;
    }
    StackOptions options;
    options.autoMount = false;  // the saved letters come back as they were
    loaded.stack = std::make_unique<SimulatedDiskStack>(directory, clock, *loaded.pc, options);
    for (const auto& disk : state.value("disks", nlohmann::json::array())) {
        DiskSpec wanted = DiskSpec::Image(disk.value("image", ""));
        wanted.number = disk.value("number", 0u);
        wanted.online = disk.value("online", true);
        wanted.readOnly = disk.value("readOnly", false);
        loaded.stack->Attach(wanted);
    }
    // Saved volumes get their letter back (or stay without one); a volume
    // that is new since the last run gets the lowest free letter, as the
    // mount manager gives one to a volume that arrives.
    const auto saved = state.value("letters", nlohmann::json::array());
    for (const auto& volume : loaded.stack->Volumes()) {
        const auto region = loaded.stack->RegionOf(volume.guidPath);
        if (!region || !volume.disk || *volume.disk == 0) continue;
        const auto known = std::find_if(saved.begin(), saved.end(), [&](const nlohmann::json& entry) {
            return entry.value("image", "") == region->imagePath && entry.value("start", std::int64_t{-1}) == region->offset;
        });
        std::string letter = known != saved.end() ? known->value("letter", "") : std::string();
        if (known == saved.end()) {
            for (char c = 'C'; c <= 'Z' && letter.empty(); ++c) {
                if (loaded.stack->TypeOf(std::wstring{static_cast<wchar_t>(c), L':'}) == DriveType::NoRootDirectory) {
                    letter = std::string(1, c);
                }
            }
        }
        if (letter.size() == 1) {
            loaded.stack->SetMountPoint(std::wstring(1, static_cast<wchar_t>(letter[0])) + L":\\", volume.guidPath);
        }
    }
    loaded.stack->SetAutoMount(true);
    return loaded;
}

bool SaveStack(SimulatedDiskStack& stack, const std::string& directory) {
    nlohmann::json state;
    state["disks"] = nlohmann::json::array();
    state["letters"] = nlohmann::json::array();
    for (const auto& disk : stack.Disks()) {
        if (disk.system) continue;
        state["disks"].push_back(
            {{"number", disk.number}, {"image", disk.imagePath}, {"online", disk.online}, {"readOnly", disk.readOnly}});
    }
    for (const auto& volume : stack.Volumes()) {
        const auto region = stack.RegionOf(volume.guidPath);
        if (!region || !volume.disk || *volume.disk == 0) continue;
        // An empty letter: the volume is known and has none.
        state["letters"].push_back({{"image", region->imagePath},
                                    {"start", region->offset},
                                    {"letter", volume.letter ? std::string(1, static_cast<char>(volume.letter)) : ""}});
    }
    std::ofstream file(directory + "/state.json");
    file << state.dump(2) << "\n";
    return static_cast<bool>(file);
}

}  // namespace norvale::disksim
