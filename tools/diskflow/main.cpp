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
//                     [--fail-format] [--sector-size 512|4096] [--existing KIND]
//                     [--actions "STEP; STEP; ..."] [--no-wizard]
//                     [--work-dir DIR]
//                     [--chap USER:SECRET]   the target needs CHAP; the
//                                            flow types them into the dialog
//                     [--portal HOST[:PORT]] the appliance offers the first
//                                            target of that real portal; the
//                                            initiator logs in there and every
//                                            byte of the disk travels over iSCSI
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "disk/core/inventory/os_class.h"
#include "platform/core/utf8.h"
#include "platform/core/version/windows_version_reader.h"
#include "resources/resource.h"
#include "tests/platform/version_machines.h"
#include "tools/diskflow/disk_flow_rig.h"
#include "tools/diskflow/flow_actions.h"
#include "tools/initiator_sim/real_targets.h"

namespace {

using namespace norvale;

struct Options {
    std::string windows = "7";
    std::uint64_t size = 10ull << 30;
    bool fat32 = false;
    bool cancel = false;
    bool failFormat = false;
    diskflow::ExistingContent existing = diskflow::ExistingContent::None;
    std::vector<diskflow::FlowStep> steps;
    bool noWizard = false;
    std::int64_t sectorBytes = 512;
    std::string workDir;
    std::optional<std::pair<std::string, std::string>> chap;  // user, secret
    std::optional<sim::Portal> portal;
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

std::string ExistingName(const Options& options) {
    for (const std::string& name : diskflow::ExistingContentNames()) {
        if (diskflow::ParseExistingContent(name) == options.existing) return name;
    }
    return "nothing";
}

[[noreturn]] void Usage() {
    std::fprintf(stderr,
                 "usage: norvale-disk-flow [--windows "
                 "7|2008r2|vista|xp|xp64|2003|2003rtm|2003r2|2000|\n"
                 "                         8.1|10|11|2012r2|2016|2019|2022|2025]\n"
                 "                         [--size BYTES[K|M|G|T]] "
                 "[--fat32] [--cancel] [--fail-format] [--sector-size 512|4096]\n"
                 "                         [--existing mbr-ntfs|gpt-ntfs|mbr-linux|gpt-linux|mbr-unknown|offline-ntfs]\n"
                 "                         [--actions \"STEP; STEP; ...\"] [--no-wizard] [--work-dir DIR]\n"
                 "                         [--chap USER:SECRET] [--portal HOST[:PORT]]\n"
                 "steps: add SIZE[M|G]|max ntfs|fat32 [LETTER]; delete N; unmount N; mount N LETTER; init\n");
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
        } else if (arg == "--existing") {
            const auto existing = diskflow::ParseExistingContent(next());
            if (!existing) Usage();
            options.existing = *existing;
        } else if (arg == "--actions") {
            std::string error;
            const auto steps = diskflow::ParseFlowSteps(next(), error);
            if (!steps) {
                std::fprintf(stderr, "norvale-disk-flow: %s\n", error.c_str());
                Usage();
            }
            options.steps = *steps;
        } else if (arg == "--sector-size") {
            const std::string sector = next();
            if (sector != "512" && sector != "4096") Usage();
            options.sectorBytes = std::stoll(sector);
        } else if (arg == "--no-wizard") {
            options.noWizard = true;
        } else if (arg == "--work-dir") {
            options.workDir = next();
        } else if (arg == "--chap") {
            const std::string value = next();
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos) Usage();
            options.chap.emplace(value.substr(0, colon), value.substr(colon + 1));
        } else if (arg == "--portal") {
            options.portal = sim::ParsePortal(next());
            if (!options.portal) Usage();
        } else {
            Usage();
        }
    }
    // A real LUN has its own size, sectors and content.
    if (options.portal && (options.existing != diskflow::ExistingContent::None || options.sectorBytes != 512 ||
                           options.size != (10ull << 30)))
        Usage();
    return options;
}

void Print(const std::string& line) { std::printf("%s\n", line.c_str()); }

void PrintSeen(const char* who, const std::vector<std::wstring>& log, std::size_t from = 0) {
    diskflow::PrintSeen(Print, who, log, from);
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
    diskflow::FlowSetup setup = diskflow::FlowSetup::For(version, dir, options.size);
    setup.existing = options.existing;
    setup.windows.lunSectorBytes = options.sectorBytes;
    if (options.chap) setup.RequireChap(options.chap->first, options.chap->second);
    std::optional<sim::RealTargets> target;
    if (options.portal) {
        const std::string where = options.portal->address + ":" + std::to_string(options.portal->port);
        target.emplace(setup.windows.initiator.nodeName, options.portal);
        const auto names = target->SendTargets(*options.portal);
        if (!names || names->empty()) {
            std::fprintf(stderr, "norvale-disk-flow: %s at %s\n", names ? "no target is offered" : "nobody answers",
                         where.c_str());
            return 1;
        }
        setup.ServeFrom(*target, names->front());
        std::printf("== the appliance offers %s of the portal %s\n", names->front().c_str(), where.c_str());
    }
    diskflow::DiskFlowRig rig(std::move(setup), clock);
    // The user types what the appliance's administrator gave them.
    if (options.chap) rig.OnChapDialog(Utf8ToWide(options.chap->first), Utf8ToWide(options.chap->second));
    if (!rig.ExistingError().empty()) {
        std::fprintf(stderr, "norvale-disk-flow: the existing LUN could not be made: %s\n", rig.ExistingError().c_str());
        return 2;
    }
    rig.FormatLibrary().SetFailing(options.failFormat);
    diskflow::ManagerUser managerUser(rig, options.steps, Print);
    if (!options.steps.empty()) {
        rig.OnDiskManager([&](test::FakeDialogSurface& manager) { return managerUser.Run(manager); });
    }
    const std::string lun = options.portal ? std::string("the target's LUN")
                                           : "a LUN of " + std::to_string(options.size) + " bytes in sectors of " +
                                                 std::to_string(options.sectorBytes);
    std::printf("== Windows \"%s\" (OsClass %d), %s, work folder %s\n", options.windows.c_str(),
                OsClass(ReadWindowsVersion(rig.Pc().Version()), rig.Pc().Wow64()), lun.c_str(), dir.c_str());

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
    if (!rig.ExistingImage().empty()) {
        std::printf("-- the LUN already holds %s (%s)\n", ExistingName(options).c_str(), rig.ExistingImage().c_str());
    }
    if (options.noWizard) {
        std::printf("-- %s is logged in behind the program's back, and Management is clicked\n",
                    WideToUtf8(rig.Target()).c_str());
        rig.ConnectAndManage();
    } else {
        std::printf("-- Connect of %s\n", WideToUtf8(rig.Target()).c_str());
        rig.Connect();
    }
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
    if (options.steps.empty()) PrintSeen("disk manager", rig.DiskManagerLog());
    if (managerUser.StepsLeft() != 0) std::printf("-- %zu step(s) not run\n", managerUser.StepsLeft());
    PrintSeen("CHAP", rig.ChapLog());
    std::printf("-- the target is %s\n", rig.TargetDisk() >= 0 ? "connected" : "logged out");
    bool printed = false;
    for (const auto& disk : rig.Pc().Disks().Disks()) {
        if (!disk.system) {
            std::printf("%s: %s (%lld bytes)\n", options.portal ? "lun" : "image", disk.imagePath.c_str(),
                        static_cast<long long>(disk.bytes));
            printed = true;
        }
    }
    // A LUN logged out again keeps its image.
    if (!printed && !rig.ExistingImage().empty()) std::printf("image: %s\n", rig.ExistingImage().c_str());
    std::printf(
        "check it with: sfdisk -d IMAGE; sgdisk --verify IMAGE; "
        "blkid -p -O $((START_SECTOR * %lld)) IMAGE\n",
        static_cast<long long>(options.sectorBytes));
    return 0;
}
