// What the web section's tests hand it: a program start that records every
// command line and answers from a script, and a registry held in memory.
#pragma once

#include <cstdint>
#include <cwctype>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "mainwindow/core/ports/program_start_port.h"
#include "platform/core/registry_port.h"

namespace norvale::test {

// A started program, as WinExec reports it.
inline constexpr unsigned kStarted = 33;

class RecordingProgramStart final : public ProgramStartPort {
public:
    struct Start {
        std::string commandLine;
        int showCommand;
    };
    std::vector<Start> starts;
    // Answers of the next starts, in order; kStarted once they run out.
    std::deque<unsigned> results;

    unsigned StartProgram(const std::string& commandLine, int showCommand) override {
        starts.push_back({commandLine, showCommand});
        if (results.empty()) return kStarted;
        const unsigned result = results.front();
        results.pop_front();
        return result;
    }
    std::vector<std::string> CommandLines() const {
        std::vector<std::string> lines;
        for (const Start& start : starts) lines.push_back(start.commandLine);
        return lines;
    }
};

// A value's bytes as REG_SZ stores them: UTF-16LE with the terminator
// (wide characters above U+FFFF become surrogate pairs).
inline std::vector<std::uint8_t> RegSz(const std::wstring& text, bool terminated = true) {
    std::vector<std::uint8_t> bytes;
    auto unit = [&bytes](std::uint32_t u) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    for (wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    if (terminated) unit(0);
    return bytes;
}

// Key names compare without regard to case, as the registry's do.
class MemoryRegistry final : public RegistryPort {
public:
    void Set(RegistryHive hive, const std::wstring& key, const std::wstring& value,
             std::vector<std::uint8_t> bytes) {
        values_[{hive, Lower(key), Lower(value)}] = std::move(bytes);
    }
    // Every key a read asked for, as given.
    std::vector<std::wstring> readKeys;

    std::optional<std::vector<std::uint8_t>> ReadValue(RegistryHive hive, const std::wstring& key,
                                                       const std::wstring& valueName,
                                                       RegistryAccess access) override {
        readKeys.push_back(key);
        if (access.write) ++writeOpens;
        auto found = values_.find({hive, Lower(key), Lower(valueName)});
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    std::optional<std::vector<std::wstring>> SubkeyNames(RegistryHive, const std::wstring&,
                                                         RegistryAccess) override {
        return std::nullopt;
    }
    bool WriteDword(RegistryHive, const std::wstring&, const std::wstring&, std::uint32_t) override {
        ++writes;
        return false;
    }

    int writeOpens = 0;
    int writes = 0;

private:
    static std::wstring Lower(std::wstring text) {
        for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
        return text;
    }
    std::map<std::tuple<RegistryHive, std::wstring, std::wstring>, std::vector<std::uint8_t>> values_;
};

}  // namespace norvale::test
