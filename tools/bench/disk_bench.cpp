// The disk inventory's cost on the simulated Windows: requests through the
// disk port and wall time per refresh for 1, 8 and 26 iSCSI volumes and for
// 64 bare iSCSI disks, and how often a letter poll looks while Windows takes
// two real seconds to give the letter.
//
//   norvale-disk-bench [--work-dir DIR]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "disk/core/inventory/letter_wait.h"
#include "disk/core/inventory/volume_inventory.h"
#include "platform/core/clock_port.h"
#include "platform/core/utf8.h"
#include "tests/platform/version_machines.h"
#include "tools/winsim/simulated_windows.h"

namespace {

using namespace norvale;
using Clock = std::chrono::steady_clock;
constexpr std::int64_t kMiB = 1LL << 20;
constexpr char kAddress[] = "192.168.10.20";

std::string TargetName(int i) { return "iqn.2026-12.com.orrin:bench.t" + std::to_string(i); }

std::vector<sim::ApplianceConfig> Appliance(int targets) {
    sim::ApplianceConfig appliance;
    appliance.address = kAddress;
    appliance.name = "Bench";
    for (int i = 0; i < targets; ++i) appliance.targets.push_back({TargetName(i), false, "", "", 1ull << 30});
    return {appliance};
}

std::string NewDir() {
    char name[] = "/tmp/norvale-disk-bench-XXXXXX";
    if (::mkdtemp(name) == nullptr) std::exit(2);
    return name;
}

void Remove(const std::string& dir) { std::system(("rm -rf '" + dir + "'").c_str()); }

// Up to four MBR partitions of 200 MiB on a disk.
void Partition(sim::SimulatedWindows& pc, std::int32_t disk, int count) {
    DriveLayout layout;
    layout.mbrSignature = 0x4200 + static_cast<std::uint32_t>(disk);
    for (int i = 0; i < count; ++i) {
        PartitionEntry entry;
        entry.startingOffset = kMiB + i * 200 * kMiB;
        entry.partitionLength = 200 * kMiB;
        entry.mbrType = mbr_type::kIfs;
        entry.recognizedPartition = true;
        entry.rewritePartition = true;
        layout.entries.push_back(entry);
    }
    // Windows takes an MBR layout only in whole tables of four entries.
    layout.entries.resize(4);
    auto device = pc.Disks().Open(PhysicalDrivePath(static_cast<std::uint32_t>(disk)),
                                  disk_access::kGenericRead | disk_access::kGenericWrite,
                                  disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok() || !device.value->SetDriveLayoutEx(layout).Ok() || !device.value->UpdateProperties().Ok()) {
        std::fprintf(stderr, "norvale-disk-bench: cannot partition disk %d\n", disk);
        std::exit(2);
    }
}

void InventoryCost(const char* label, int disks, int volumes) {
    const std::string dir = NewDir();
    {
        // What is measured is the inventory itself, so Windows' arrival
        // delays are left out: every disk and volume is there at once.
        sim::WindowsSetup setup = sim::WindowsSetup::For(test::Windows7Professional(), dir, Appliance(disks));
        setup.diskArrival = setup.volumeDelay = setup.letterDelay = std::chrono::milliseconds(0);
        sim::SimulatedWindows pc(SystemClock(), std::move(setup));
        int left = volumes;
        for (int i = 0; i < disks; ++i) {
            const auto disk = pc.Connect(Utf8ToWide(kAddress), Utf8ToWide(TargetName(i)));
            if (!disk) std::exit(2);
            const int here = std::min(left, 4);
            if (here > 0) Partition(pc, *disk, here);
            left -= here;
        }
        DiskInventory inventory(pc.Inventory());
        constexpr int kRefreshes = 20;
        std::vector<double> times;
        std::size_t records = 0;
        const std::uint64_t callsBefore = pc.Disks().TotalCalls();
        const int queriesBefore = pc.WmiProvider().Seen().queries;
        for (int i = 0; i < kRefreshes; ++i) {
            const auto start = Clock::now();
            records = inventory.Refresh().size();
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        // A figure over fewer records than the disks hold would say nothing.
        const std::size_t expected = volumes > 0 ? std::size_t(volumes) : std::size_t(disks);
        if (records != expected) {
            std::fprintf(stderr, "norvale-disk-bench: %zu records of %zu (%s)\n", records, expected, label);
            std::exit(1);
        }
        std::sort(times.begin(), times.end());
        const double calls = double(pc.Disks().TotalCalls() - callsBefore) / kRefreshes;
        const double queries = double(pc.WmiProvider().Seen().queries - queriesBefore) / kRefreshes;
        std::printf("%-28s records %3zu  disk-port calls %6.0f  WMI queries %.0f  wall median %7.3f ms, worst %7.3f ms\n",
                    label, records, calls, queries, times[times.size() / 2], times.back());
    }
    Remove(dir);
}

// An XP-family server letters a new volume only through the assign script;
// here the letter comes two real seconds after it.
void LetterPoll() {
    const std::string dir = NewDir();
    {
        sim::WindowsSetup setup = sim::WindowsSetup::For(test::Server2003R2Enterprise(), dir, Appliance(1));
        setup.diskArrival = setup.volumeDelay = std::chrono::milliseconds(0);
        setup.letterDelay = std::chrono::milliseconds(2000);
        sim::SimulatedWindows pc(SystemClock(), std::move(setup));
        const auto disk = pc.Connect(Utf8ToWide(kAddress), Utf8ToWide(TargetName(0)));
        if (!disk) std::exit(2);
        Partition(pc, *disk, 1);
        DiskInventory inventory(pc.Inventory());
        DiskScripts scripts = pc.Scripts();
        const auto text = AssignScriptText(std::to_wstring(*disk), 1, L'K');
        const auto assign = [&] { scripts.WriteAndRun(ScriptFile::AssignLetter, text); };
        assign();
        const std::uint64_t refreshesBefore = inventory.Refreshes();
        const auto start = Clock::now();
        const LetterWaitResult result = PollForLetter(SystemClock(), PartitionLookup(inventory, *disk, 1), assign);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const auto refreshes = inventory.Refreshes() - refreshesBefore;
        std::printf("letter poll (letter after 2 s) %s after %.0f ms: %llu refreshes, one per %.0f ms "
                    "(target: at most one per 100 ms), %u re-runs of the script\n",
                    result.Lettered() ? "lettered" : "NOT lettered", ms, static_cast<unsigned long long>(refreshes),
                    refreshes > 1 ? ms / double(refreshes - 1) : ms, result.reruns);
        scripts.Remove(ScriptFile::AssignLetter);
    }
    Remove(dir);
}

}  // namespace

int main() {
    InventoryCost("1 volume (1 disk)", 1, 1);
    InventoryCost("8 volumes (2 disks)", 2, 8);
    InventoryCost("26 volumes (7 disks)", 7, 26);
    InventoryCost("64 bare disks", 64, 0);
    LetterPoll();
    return 0;
}
