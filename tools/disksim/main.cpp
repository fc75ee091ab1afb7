// norvale-disksim: the simulated Windows disk stack for people. It keeps its
// disks in a state directory, so that a layout written by one run (or by
// sfdisk into an image) is seen by the next.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/core/utf8.h"
#include "tools/disksim/diskpart.h"
#include "tools/disksim/stack_state.h"

namespace {

using namespace norvale;
using namespace norvale::disksim;

int Usage() {
    std::fputs(
        "usage: norvale-disksim STATE_DIR COMMAND [ARGS]\n"
        "  list                          disks, volumes and drive letters\n"
        "  attach SIZE [--offline-readonly]   a new sparse disk (SIZE like 10G, 3T, 512M)\n"
        "  attach-image PATH [--offline-readonly]   an existing image file\n"
        "  detach N                      takes disk N away\n"
        "  layout N                      the drive layout of disk N, as Windows reports it\n"
        "  diskpart SCRIPT               runs a diskpart script file, prints diskpart's output\n",
        stderr);
    return 2;
}

std::optional<std::int64_t> ParseSize(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (value <= 0 || end == text.c_str()) return std::nullopt;
    const std::string unit = end;
    const int shift = unit.empty() ? 0 : unit == "K" ? 10 : unit == "M" ? 20 : unit == "G" ? 30 : unit == "T" ? 40 : -1;
    if (shift < 0 || value > (INT64_MAX >> shift)) return std::nullopt;
    return static_cast<std::int64_t>(value) << shift;
}

std::string Gib(std::int64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f GiB", static_cast<double>(bytes) / (1LL << 30));
    return text;
}

const char* StyleName(PartitionStyle style) {
    return style == PartitionStyle::Mbr ? "MBR" : style == PartitionStyle::Gpt ? "GPT" : "RAW";
}

const char* TypeName(DriveType type) {
    static const char* const kNames[] = {"Unknown", "NoRoot", "Removable", "Fixed", "Remote", "CdRom", "RamDisk"};
    return kNames[static_cast<int>(type)];
}

void List(SimulatedDiskStack& stack) {
    std::puts("Disks:");
    for (const auto& disk : stack.Disks()) {
        std::printf("  %u  %s  %s  %s%s%s  %s\n", disk.number, Gib(disk.bytes).c_str(), StyleName(disk.style),
                    disk.online ? "online" : "offline", disk.readOnly ? " read-only" : "", disk.system ? " system" : "",
                    disk.imagePath.c_str());
    }
    std::puts("Volumes:");
    for (const auto& volume : stack.Volumes()) {
        const auto information = stack.VolumeInfo(volume.guidPath);
        const std::string fileSystem = information.Ok() ? WideToUtf8(information.value.fileSystemName) : "RAW";
        const std::string label = information.Ok() ? WideToUtf8(information.value.volumeLabel) : "";
        std::printf("  %s  %s  %s", WideToUtf8(volume.guidPath).c_str(), WideToUtf8(volume.ntDevice).c_str(),
                    TypeName(volume.type));
        if (volume.disk) std::printf("  disk %u partition %u", *volume.disk, volume.partitionNumber);
        std::printf("  %c%s  %s \"%s\"  %s\n", volume.letter ? static_cast<char>(volume.letter) : '*',
                    volume.letter ? ":" : "", fileSystem.c_str(), label.c_str(), Gib(volume.length).c_str());
    }
    std::puts("Letters:");
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const std::wstring drive{letter, L':'};
        const DriveType type = stack.TypeOf(drive);
        if (type == DriveType::NoRootDirectory) continue;
        const auto remote = stack.RemoteName(drive);
        std::printf("  %c:  %s%s%s\n", static_cast<char>(letter), TypeName(type), remote ? "  " : "",
                    remote ? WideToUtf8(*remote).c_str() : "");
    }
}

int Layout(SimulatedDiskStack& stack, std::uint32_t number) {
    auto device = stack.Open(PhysicalDrivePath(number), disk_access::kGenericRead, disk_access::kShareRead);
    if (!device.Ok()) {
        std::fprintf(stderr, "disk %u: error %u\n", number, device.error);
        return 1;
    }
    const auto layout = device.value->GetDriveLayoutEx();
    if (!layout.Ok()) {
        std::fprintf(stderr, "disk %u: layout request failed with error %u\n", number, layout.error);
        return 1;
    }
    const DriveLayout& value = layout.value;
    std::printf("disk %u: %s, %zu entries\n", number, StyleName(value.style), value.entries.size());
    if (value.style == PartitionStyle::Mbr) std::printf("signature 0x%08X\n", value.mbrSignature);
    if (value.style == PartitionStyle::Gpt) {
        std::printf("disk id %s, usable from %lld for %lld bytes, %u entries\n",
                    WideToUtf8(value.gptDiskId.ToString()).c_str(), static_cast<long long>(value.startingUsableOffset),
                    static_cast<long long>(value.usableLength), value.maxPartitionCount);
    }
    for (const auto& entry : value.entries) {
        std::printf("  #%u  start %lld  length %lld", entry.partitionNumber,
                    static_cast<long long>(entry.startingOffset), static_cast<long long>(entry.partitionLength));
        if (value.style == PartitionStyle::Gpt) {
            std::printf("  type %s  id %s  attributes 0x%llx  \"%s\"\n", WideToUtf8(entry.gptType.ToString()).c_str(),
                        WideToUtf8(entry.gptId.ToString()).c_str(),
                        static_cast<unsigned long long>(entry.gptAttributes), WideToUtf8(entry.gptName).c_str());
        } else {
            std::printf("  type 0x%02X%s%s\n", entry.mbrType, entry.bootIndicator ? "  boot" : "",
                        entry.recognizedPartition ? "  recognized" : "");
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string directory = argv[1];
    const std::string command = argv[2];
    LoadedStack loaded = LoadStack(directory, SystemClock());
    if (!loaded.stack) {
        std::fprintf(stderr, "norvale-disksim: cannot read %s/state.json\n", directory.c_str());
        return 1;
    }
    SimulatedDiskStack& stack = *loaded.stack;
    const bool offline = argc > 4 && std::string(argv[4]) == "--offline-readonly";
    int rc = 0;
    if (command == "list" && argc == 3) {
        List(stack);
    } else if ((command == "attach" || command == "attach-image") && argc >= 4) {
        DiskSpec wanted;
        if (command == "attach") {
            const auto size = ParseSize(argv[3]);
            if (!size) return Usage();
            wanted = DiskSpec::Sized(*size);
        } else {
            wanted = DiskSpec::Image(AbsolutePath(argv[3]));
        }
        if (offline) wanted.OfflineAndReadOnly();
        const auto number = stack.Attach(wanted);
        if (!number) {
            std::fprintf(stderr, "norvale-disksim: cannot attach %s\n", argv[3]);
            return 1;
        }
        std::printf("disk %u\n", *number);
    } else if (command == "detach" && argc == 4) {
        if (!stack.Detach(static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)))) rc = 1;
    } else if (command == "layout" && argc == 4) {
        rc = Layout(stack, static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)));
    } else if (command == "diskpart" && argc == 4) {
        std::ifstream file(argv[3], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "norvale-disksim: cannot read %s\n", argv[3]);
            return 1;
        }
        std::stringstream script;
        script << file.rdbuf();
        const DiskpartRun run = RunDiskpartScript(stack, script.str());
        std::fwrite(run.output.data(), 1, run.output.size(), stdout);
        rc = run.exitCode;
    } else {
        return Usage();
    }
    if (!SaveStack(stack, directory)) {
        std::fprintf(stderr, "norvale-disksim: cannot write %s/state.json\n", directory.c_str());
        return 1;
    }
    return rc;
}
