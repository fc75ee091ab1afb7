// norvale-disk-flow: the disk half at work on Linux. The real main dialog,
// hand-off, format wizard and format engine connect the appliance's target on
// a simulated Windows of your choice; every dialog text, message box,
// initiator line and diskpart script is printed as it happened, and the
// disk's image is left for sfdisk, sgdisk and blkid.
//
//   norvale-disk-flow [--windows
//   7|2008r2|vista|xp|xp64|2003|2003rtm|2003r2|2000|
//   8.1|10|11|2012r2|2016|2019|2022|2025]
//                     [--size BYTES[K|M|G|T]] [--fat32] [--cancel]
//                     [--fail-format]
//                     [--work-dir DIR]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "disk/core/inventory/os_class.h"
#include "platform/core/utf8.h"
#include "platform/core/version/windows_version_reader.h"
#include "resources/resource.h"
#include "tests/platform/version_machines.h"
#include "tools/diskflow/disk_flow_rig.h"

namespace {

using namespace norvale;

struct Options {
    std::string windows = "7";
    std::uint64_t size = 10ull << 30;
    bool fat32 = false;
    bool cancel = false;
    bool failFormat = false;
    std::string workDir;
};

const std::map<std::string, test::FakeVersionSource (*)()> kWindows = {
    {"7", test::Windows7Professional},
    {"2008r2", test::Server2008R2Datacenter},
    {"vista", test::VistaBusiness},
    {"xp", test::XpProfessional},
    {"xp64", test::XpProfessionalX64},
    {"2003", test::Server2003DatacenterDomainController},
    {"2003rtm", test::Server2003StandardRtm},
    {"2003r2", test::Server2003R2Enterprise},
    {"2000", test::Windows2000},
    {"8.1", test::Windows81Pro},
    {"10", test::Windows10Pro},
    {"11", test::Windows11Pro23H2},
    {"2012r2", test::Server2012R2Standard},
    {"2016", test::Server2016Standard},
    {"2019", test::Server2019Standard},
    {"2022", test::Server2022Datacenter},
    {"2025", test::Server2025Standard},
};

[[noreturn]] void Usage() {
    std::fprintf(stderr,
                 "usage: norvale-disk-flow [--windows "
                 "7|2008r2|vista|xp|xp64|2003|2003rtm|2003r2|2000|\n"
                 "                         8.1|10|11|2012r2|2016|2019|2022|2025]\n"
                 "                         [--size BYTES[K|M|G|T]] "
                 "[--fat32] [--cancel] [--fail-format]\n"
                 "                         [--work-dir DIR]\n");
    std::exit(2);
}

std::uint64_t ParseSize(const std::string& text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    const std::string unit = end;
    const std::map<std::string, int> shifts = {{"", 0}, {"K", 10}, {"M", 20}, {"G", 30}, {"T", 40}};
    const auto shift = shifts.find(unit);
    if (end == text.c_str() || shift == shifts.end() || value == 0) Usage();
    return static_cast<std::uint64_t>(value) << shift->second;
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : (Usage(), ""); };
        if (arg == "--windows") {
            options.windows = next();
            if (!kWindows.count(options.windows)) Usage();
        } else if (arg == "--size") {
            options.size = ParseSize(next());
        } else if (arg == "--fat32") {
            options.fat32 = true;
        } else if (arg == "--cancel") {
            options.cancel = true;
        } else if (arg == "--fail-format") {
            options.failFormat = true;
        } else if (arg == "--work-dir") {
            options.workDir = next();
        } else {
            Usage();
        }
    }
    return options;
}

// The lines of a surface's log a user would have seen: titles, texts,
// message boxes, dialogs opened and ended.
void PrintSeen(const char* who, const std::vector<std::wstring>& log, std::size_t from = 0) {
    static const char* const kSeen[] = {"title ", "text ", "message ", "child ", "end ", "row ", "cell "};
    for (std::size_t i = from; i < log.size(); ++i) {
        const std::string line = WideToUtf8(log[i]);
        for (const char* prefix : kSeen) {
            if (line.rfind(prefix, 0) == 0) std::printf("  [%s] %s\n", who, line.c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    std::string dir = options.workDir;
    std::error_code made;
    if (!dir.empty() && !std::filesystem::create_directories(dir, made) && made) {
        std::fprintf(stderr, "norvale-disk-flow: cannot make %s\n", dir.c_str());
        return 2;
    }
    if (dir.empty()) {
        char name[] = "/tmp/norvale-disk-flow-XXXXXX";
        if (::mkdtemp(name) == nullptr) return 2;
        dir = name;
    }
    test::FakeVersionSource version = kWindows.at(options.windows)();
    test::VirtualClock clock;
    diskflow::DiskFlowRig rig(diskflow::FlowSetup::For(version, dir, options.size), clock);
    rig.FormatLibrary().SetFailing(options.failFormat);
    std::printf("== Windows \"%s\" (OsClass %d), a LUN of %llu bytes, work folder %s\n", options.windows.c_str(),
                OsClass(ReadWindowsVersion(rig.Pc().Version()), rig.Pc().Wow64()),
                static_cast<unsigned long long>(options.size), dir.c_str());

    std::printf("-- the main dialog opens and the appliance is clicked\n");
    rig.OpenAndSelect();
    const std::size_t mark = rig.MainSurface().Log().size();
    rig.OnWizard([&](test::FakeDialogSurface& wizard) {
        if (options.cancel) {
            wizard.Click(kIdCancel);
            return;
        }
        if (options.fat32) wizard.ClickCheckBox(IDC_WIZARD_FAT32);
        wizard.Click(kIdOk);
        rig.RunUntilQuiet(wizard);
        // A failed format leaves the wizard open; the user closes it.
        if (!wizard.EndCode()) wizard.Click(kIdCancel);
    });
    std::printf("-- Connect of %s\n", WideToUtf8(diskflow::kTarget).c_str());
    rig.Connect();
    PrintSeen("main", rig.MainSurface().Log(), mark);
    std::printf("-- the format wizard (%s)\n", rig.WizardRuns() ? "opened" : "did not open");
    PrintSeen("wizard", rig.WizardLog());
    std::printf("-- the initiator's command lines\n");
    for (const auto& entry : rig.Pc().Initiator().CommandLog()) std::printf("  %s\n", entry.line.c_str());
    std::printf("-- diskpart runs\n");
    for (const auto& run : rig.Pc().DiskpartRuns()) {
        std::printf("  %s:", WideToUtf8(run.scriptPath).c_str());
        for (char c : run.script.value_or("(missing)"))
            std::printf("%s", c == '\n' ? " | " : std::string(1, c).c_str());
        std::printf("\n");
    }
    std::printf("-- the disk manager %s\n", rig.DiskManagerOpens() ? "opened" : "did not open");
    PrintSeen("disk manager", rig.DiskManagerLog());
    std::printf("-- the target is %s\n", rig.TargetDisk() >= 0 ? "connected" : "logged out");
    for (const auto& disk : rig.Pc().Disks().Disks()) {
        if (!disk.system) std::printf("image: %s\n", disk.imagePath.c_str());
    }
    std::printf(
        "check it with: sfdisk -d IMAGE; sgdisk --verify IMAGE; "
        "blkid -p -O $((START_SECTOR * 512)) IMAGE\n");
    return 0;
}
