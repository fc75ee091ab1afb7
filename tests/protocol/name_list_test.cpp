// Splitting name-list answers, and the page count of item counts.
#include <gtest/gtest.h>

#include "protocol/core/device_requests.h"
#include "protocol/core/name_list.h"

namespace norvale {
namespace {

std::vector<std::wstring> Split(const std::string& text, char separator, std::size_t maxChars = 255) {
    NameList list;
    FillNameList(list, text, separator, maxChars);
    return list.Names();
}

TEST(NameListSplit, WorksLikeStrtokAndSkipsRepeats) {
    using Names = std::vector<std::wstring>;
    struct Case { const char* text; char separator; Names names; };
    const Case cases[] = {
        {"::public::media:", ':', {L"public", L"media"}},
        {"public:media:public", ':', {L"public", L"media"}},
        {"Public:public", ':', {L"Public", L"public"}},  // case-sensitive
        {":::", ':', {}},
        {"", ':', {}},
        {"one", ':', {L"one"}},
        {"iqn.a=iqn.b==iqn.a=", '=', {L"iqn.a", L"iqn.b"}},
        {"share:lock=x", '=', {L"share:lock", L"x"}},  // only the list's own separator cuts
        {"caf\xC3\xA9:caf\xC3\xA9", ':', {L"caf\u00E9"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Split(c.text, c.separator), c.names) << c.text;
}

TEST(NameListSplit, SharesAreCutToTheirLimitAndTargetEntriesKeptWhole) {
    // A realistic name with CHAP settings and a 24-character secret: far
    // beyond 63 characters, and useless without its tail.
    const std::string chapTarget =
        "iqn.2026-12.com.orrin:archive.backup-volume-01|1@chap_user$MTIzNDU2Nzg5MDEyMzQ1Ng";
    const std::string longTarget(3000, 't');
    EXPECT_EQ(Split(chapTarget + "==" + longTarget + "=b", '=', kMaxTargetEntryChars),
              (std::vector<std::wstring>{std::wstring(chapTarget.begin(), chapTarget.end()),
                                         std::wstring(3000, L't'), L"b"}));
    EXPECT_EQ(Split(std::string(300, 's'), ':', kMaxShareNameChars),
              (std::vector<std::wstring>{std::wstring(255, L's')}));
}

TEST(NameListSplit, AppendsToWhatIsThere) {
    NameList list;
    list.Append(L"a");
    FillNameList(list, "b:a", ':', 255);
    EXPECT_EQ(list.Names(), (std::vector<std::wstring>{L"a", L"b"}));
}

TEST(PageCount, TenItemsAPageAtLeastOne) {
    struct Case { int count; int pages; };
    for (const Case& c : {Case{-1, 1}, Case{0, 1}, Case{1, 1}, Case{10, 1}, Case{11, 2}, Case{23, 3},
                          Case{100, 10}, Case{2147483647, 214748365}}) {
        EXPECT_EQ(PageCount(c.count), c.pages) << c.count;
    }
}

}  // namespace
}  // namespace norvale
