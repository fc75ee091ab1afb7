// diskpart scripts: every line through the parser, and whole scripts run by
// the stand-in against a small simulated stack.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/fakes/simulated_pc.h"
#include "tools/disksim/diskpart.h"

using namespace norvale;
using namespace norvale::disksim;

namespace {

SimulatedDiskStack& Stack() {
    static test::SimulatedPc pc = test::SimulatedPc::Typical();
    static std::unique_ptr<SimulatedDiskStack> stack = [] {
        static char dir[] = "/tmp/norvale-fuzz-diskpart-XXXXXX";
        if (::mkdtemp(dir) == nullptr) std::abort();
        std::atexit([] { std::system((std::string("rm -rf '") + dir + "'").c_str()); });
        StackOptions options;
        options.systemDiskBytes = 64 << 20;
        auto made = std::make_unique<SimulatedDiskStack>(dir, SystemClock(), pc, options);
        made->Attach(DiskSpec::Sized(64 << 20));
        return made;
    }();
    return *stack;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string script(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= script.size()) {
        const std::size_t end = std::min(script.find('\n', start), script.size());
        ParseDiskpartLine(script.substr(start, end - start));
        start = end + 1;
    }
    RunDiskpartScript(Stack(), script);
    // The system disk keeps its partition, whatever the script says.
    const auto system = Stack().Partitions(0);
    if (!system || system->size() != 1) std::abort();
    return 0;
}
