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
    norvale::test::FakeDialogSurface::NameHandlersBy([] {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "";
        return std::wstring(name.begin(), name.end());
    });
    const int result = RUN_ALL_TESTS();
    // The longest handlers of the run, for the benchmark's report.
    if (const char* path = std::getenv("NORVALE_HANDLER_REPORT")) {
        if (std::FILE* report = std::fopen(path, "w")) {
            std::fprintf(report, "%zu handlers measured; the longest:\n",
                         norvale::test::FakeDialogSurface::MeasuredHandlers());
            for (const auto& time : norvale::test::FakeDialogSurface::LongestHandlers(5)) {
                std::fprintf(report, "%lld ms  %ls  (%ls)\n", static_cast<long long>(time.spent.count()),
                             time.message.c_str(), time.where.c_str());
            }
            std::fclose(report);
        }
    }
    return result;
}
