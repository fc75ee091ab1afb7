// norvale-sim: simulated appliances on a real network segment.
//   norvale-sim --config FILE [--log FILE] [--ready-file FILE]
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/simulator/appliance_config.h"
#include "tools/simulator/simulator.h"

namespace {

std::atomic<bool> stopRequested{false};

void RequestStop(int) { stopRequested.store(true); }

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

struct Options {
    std::string config;
    std::string log;
    std::string readyFile;
};

int Usage() {
    std::cerr << "usage: norvale-sim --config FILE [--log FILE] [--ready-file FILE]\n";
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (flag == "--config") {
            options.config = value;
        } else if (flag == "--log") {
            options.log = value;
        } else if (flag == "--ready-file") {
            options.readyFile = value;
        } else {
            return false;
        }
    }
    return !options.config.empty();
}

// Written whole under a temporary name and renamed, so a waiting script never
// sees a half-written file.
bool WriteReadyFile(const std::string& path) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary);
        out << getpid() << '\n';
        if (!out) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return Usage();

    std::ifstream configFile(options.config);
    if (!configFile) {
        std::cerr << "norvale-sim: cannot read " << options.config << "\n";
        return 1;
    }
    std::stringstream text;
    text << configFile.rdbuf();
    norvale::sim::ConfigResult parsed = norvale::sim::ParseConfig(text.str());
    if (!parsed.config) {
        std::cerr << "norvale-sim: " << options.config << ": " << parsed.error << "\n";
        return 1;
    }

    std::ofstream logFile;
    if (!options.log.empty()) {
        logFile.open(options.log, std::ios::app);
        if (!logFile) {
            std::cerr << "norvale-sim: cannot write " << options.log << "\n";
            return 1;
        }
    }
    std::ostream& log = options.log.empty() ? std::cout : logFile;

    InstallSignalHandlers();
    norvale::sim::Simulator simulator(std::move(*parsed.config), log);
    if (!simulator.Open()) return 1;
    if (!options.readyFile.empty() && !WriteReadyFile(options.readyFile)) {
        std::cerr << "norvale-sim: cannot write " << options.readyFile << "\n";
        return 1;
    }
    simulator.Run(stopRequested);
    return 0;
}
