#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/fakes/fake_dialog_surface.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // A handler that blocks the dialog's thread past its budget fails the
    // test it ran in.
    norvale::test::FakeDialogSurface::OnOverBudget([](const norvale::test::HandlerTime& time) {
        ADD_FAILURE() << "the handler of " << std::string(time.message.begin(), time.message.end()) << " ran "
                      << time.spent.count() << " ms on the dialog's thread";
    });
    const int result = RUN_ALL_TESTS();
    // The longest handlers of the run, for the benchmark's report.
    if (const char* path = std::getenv("NORVALE_HANDLER_REPORT")) {
        if (std::FILE* report = std::fopen(path, "w")) {
            for (const auto& time : norvale::test::FakeDialogSurface::LongestHandlers(5)) {
                std::fprintf(report, "%lld ms  %ls\n", static_cast<long long>(time.spent.count()), time.message.c_str());
            }
            std::fclose(report);
        }
    }
    return result;
}
