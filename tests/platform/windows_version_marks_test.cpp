// The tables that turn raw edition answers into marks.
#include <gtest/gtest.h>

#include "platform/core/version/windows_version_marks.h"

namespace norvale {
namespace {

TEST(WindowsVersionMarks, ProductCodes) {
    struct Case {
        std::uint32_t code;
        std::uint32_t suiteMarks;
        std::uint32_t extraMarks;
    };
    std::vector<Case> cases;
    for (std::uint32_t code : {4u, 10u, 14u, 15u, 23u, 38u, 41u, 70u}) cases.push_back({code, suite_mark::kEnterprise, 0});
    for (std::uint32_t code : {8u, 12u, 37u, 39u}) cases.push_back({code, suite_mark::kDatacenter, 0});
    for (std::uint32_t code : {17u, 29u}) cases.push_back({code, suite_mark::kWeb, 0});
    for (std::uint32_t code : {7u, 13u, 21u, 36u, 40u}) cases.push_back({code, 0, extra_mark::kStandard});
    // Codes no test reads: undefined, Ultimate, Home Basic, Business, Pro, and far out of range.
    for (std::uint32_t code : {0u, 1u, 2u, 6u, 48u, 0xABCDABCDu}) cases.push_back({code, 0, 0});
    for (const Case& c : cases) {
        const ProductCodeMarks marks = MarksFromProductCode(c.code);
        EXPECT_EQ(marks.suiteMarks, c.suiteMarks) << c.code;
        EXPECT_EQ(marks.extraMarks, c.extraMarks) << c.code;
    }
}

TEST(WindowsVersionMarks, SuiteMaskBits) {
    EXPECT_EQ(SuiteMarksFromSuiteMask(0x0002), suite_mark::kEnterprise);
    EXPECT_EQ(SuiteMarksFromSuiteMask(0x0080), suite_mark::kDatacenter);
    EXPECT_EQ(SuiteMarksFromSuiteMask(0x0200), suite_mark::kPersonal);
    EXPECT_EQ(SuiteMarksFromSuiteMask(0x0400), suite_mark::kWeb);
    EXPECT_EQ(SuiteMarksFromSuiteMask(0x0020), 0u);  // restricted Small Business
    EXPECT_EQ(SuiteMarksFromSuiteMask(0xF97D), 0u);  // every bit no test reads
    EXPECT_EQ(SuiteMarksFromSuiteMask(0xFFFF), suite_mark::kEnterprise | suite_mark::kDatacenter |
                                                   suite_mark::kPersonal | suite_mark::kWeb);
}

TEST(WindowsVersionMarks, StandardRule) {
    struct Case {
        ProductType type;
        std::uint16_t suiteMask;
        bool standard;
    };
    const Case cases[] = {
        {ProductType::Server, 0x0000, true},
        {ProductType::Server, 0x0010, true},   // Terminal Services
        {ProductType::Server, 0x0400, true},   // Web edition
        {ProductType::DomainController, 0x0001, true},
        {ProductType::Server, 0x0002, false},  // Enterprise
        {ProductType::Server, 0x0020, false},  // restricted Small Business
        {ProductType::DomainController, 0x0080, false},
        {ProductType::Workstation, 0x0000, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsStandardBySuiteMask(c.type, c.suiteMask), c.standard)
            << static_cast<int>(c.type) << " " << c.suiteMask;
    }
}

TEST(WindowsVersionMarks, ServicePackNumberStartsAtTheFirstDigit) {
    const std::pair<const wchar_t*, std::uint16_t> cases[] = {
        {L"Service Pack 3", 3},  {L"Service Pack 6a", 6}, {L"Service Pack 12, v.1", 12},
        {L"", 0},                {L"Service Pack", 0},    {L"7", 7},
        {L"SP 0042", 42},        {L"99999999999999999999", 65535},
    };
    for (const auto& [text, number] : cases) {
        EXPECT_EQ(ServicePackNumberFromText(text), number) << std::wstring(text).size();
    }
}

}  // namespace
}  // namespace norvale
