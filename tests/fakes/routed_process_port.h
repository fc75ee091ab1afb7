// A process port that hands each command line to the simulation of the
// program it names ("iscsicli", "cmd.exe", "ipconfig", ...): the product's
// own command runner then drives the simulations as it would drive the real
// programs. A program without a route cannot be started; a hung one starts
// but never ends by itself (its simulation is never reached).
//
//   RoutedProcessPort processes;
//   processes.Route(L"iscsicli", sim::IscsicliRoute(initiator), sim::RedactIscsicliCommand);
//   ConsoleCommandRunner runner(processes, redirection, false);
#pragma once

#include <cwctype>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/core/console/process_port.h"
#include "tests/fakes/freed_block_scan.h"
#include "tests/fakes/virtual_clock.h"

namespace norvale::test {

class RoutedProcessPort final : public ImmediateProcessPort {
public:
    using Handler = std::function<ProcessRun(const std::wstring& commandLine, bool keepOutput)>;
    using Redaction = std::function<std::wstring(const std::wstring& commandLine)>;

    // Every line started, through its route's redaction (a CHAP password
    // must not reach a test's output), or as given when it has no route.
    std::vector<std::wstring> lines;

    // program: the name without path or ".exe", matched ignoring case.
    void Route(const std::wstring& program, Handler handler, Redaction redaction = nullptr) {
        routes_[Lower(program)] = {std::move(handler), std::move(redaction)};
    }

    // Each run of a routed program takes its time on `clock` (sim_cost):
    // iscsicli, diskpart through cmd.exe, anything else.
    void TakeTime(ClockPort& clock) { clock_ = &clock; }

    // Runs of `program` from now on hang until they are stopped.
    void Hang(const std::wstring& program) { hung_.insert(Lower(program)); }
    void Unhang(const std::wstring& program) { hung_.erase(Lower(program)); }
    // How many hung runs were stopped.
    int stopped = 0;

    std::unique_ptr<RunningProcess> Start(const std::wstring& commandLine, bool keepOutput) override {
        if (hung_.count(ProgramOf(commandLine)) == 0) return ImmediateProcessPort::Start(commandLine, keepOutput);
        lines.push_back(Redacted(commandLine));
        return std::make_unique<HungProcess>(stopped);
    }

    ProcessRun RunHidden(const std::wstring& commandLine, bool keepOutput) override {
        const FreedBlockScanPause child;
        const auto route = routes_.find(ProgramOf(commandLine));
        if (route == routes_.end()) {
            lines.push_back(commandLine);
            return {};
        }
        lines.push_back(Redacted(commandLine));
        if (clock_ != nullptr) {
            const std::wstring program = ProgramOf(commandLine);
            SpendTime(*clock_, program == L"iscsicli" ? sim_cost::kIscsicli
                               : program == L"cmd"    ? sim_cost::kDiskpart
                                                      : sim_cost::kOtherProgram);
        }
        return route->second.handler(commandLine, keepOutput);
    }

    // The program a command line starts: its first argument (quoted or
    // not), without folder and ".exe", in lower case.
    static std::wstring ProgramOf(const std::wstring& commandLine) {
        std::size_t start = commandLine.find_first_not_of(L" \t");
        if (start == std::wstring::npos) return {};
        std::wstring program;
        if (commandLine[start] == L'"') {
            const std::size_t close = commandLine.find(L'"', start + 1);
            program = commandLine.substr(start + 1, close == std::wstring::npos ? std::wstring::npos : close - start - 1);
        } else {
            program = commandLine.substr(start, commandLine.find_first_of(L" \t", start) - start);
        }
        const std::size_t slash = program.find_last_of(L"\\/");
        if (slash != std::wstring::npos) program.erase(0, slash + 1);
        program = Lower(program);
        if (program.size() > 4 && program.compare(program.size() - 4, 4, L".exe") == 0) program.resize(program.size() - 4);
        return program;
    }

private:
    struct Entry {
        Handler handler;
        Redaction redaction;
    };
    class HungProcess final : public RunningProcess {
    public:
        explicit HungProcess(int& stops) : stops_(stops) {}
        State Check() override { return stopped_ ? State::Ended : State::Running; }
        bool Stop() override {
            ++stops_;
            stopped_ = true;
            return true;
        }
        std::wstring Output() override { return {}; }

    private:
        int& stops_;
        bool stopped_ = false;
    };

    std::wstring Redacted(const std::wstring& commandLine) const {
        const auto route = routes_.find(ProgramOf(commandLine));
        if (route == routes_.end() || !route->second.redaction) return commandLine;
        return route->second.redaction(commandLine);
    }

    static std::wstring Lower(std::wstring text) {
        for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        return text;
    }

    std::map<std::wstring, Entry> routes_;
    std::set<std::wstring> hung_;
    ClockPort* clock_ = nullptr;
};

}  // namespace norvale::test
