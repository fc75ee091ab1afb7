// Row colours, custom-draw answers and erase bands of the striped list.
#include <gtest/gtest.h>

#include "controls/core/striped_list.h"

namespace norvale::test {
namespace {

constexpr Color kEven{255, 250, 250};
constexpr Color kOdd{255, 240, 245};

TEST(StripedList, RowsAlternateUnlessGivenAColourOfTheirOwn) {
    StripedList list;
    EXPECT_EQ(list.RowBackground(0), kEven);
    EXPECT_EQ(list.RowBackground(1), kOdd);
    EXPECT_EQ(list.RowBackground(2), kEven);
    list.AddRowColor(2, Color{255, 235, 205});
    list.AddRowColor(2, Color{255, 248, 220});
    list.AddRowColor(5, Color{1, 2, 3});
    EXPECT_EQ(list.RowBackground(2), (Color{255, 248, 220})) << "the last pair of the row wins";
    EXPECT_EQ(list.RowBackground(1), kOdd);
    EXPECT_EQ(list.RowBackground(5), (Color{1, 2, 3}));
    list.SetStripes(kEven, kEven);  // as the disk manager sets them
    EXPECT_EQ(list.RowBackground(3), kEven);
    list.ClearRowColors();
    EXPECT_EQ(list.RowBackground(2), kEven);
}

TEST(StripedList, CustomDrawAsksForItemsThenSubItemsAndColoursThem) {
    StripedList list;
    list.AddRowColor(1, Color{9, 9, 9});
    struct Case {
        ListDrawStage stage;
        int row;
        ListDrawRequest request;
        std::optional<Color> text;
        std::optional<Color> background;
    };
    const Case cases[] = {
        {ListDrawStage::Prepaint, 0, ListDrawRequest::NotifyItems, std::nullopt, std::nullopt},
        {ListDrawStage::ItemPrepaint, 1, ListDrawRequest::NotifySubItems, Color{0, 0, 0}, std::nullopt},
        {ListDrawStage::SubItemPrepaint, 0, ListDrawRequest::Default, Color{0, 0, 0}, kEven},
        {ListDrawStage::SubItemPrepaint, 1, ListDrawRequest::Default, Color{0, 0, 0}, Color{9, 9, 9}},
        {ListDrawStage::Other, 1, ListDrawRequest::Default, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const ListDrawAnswer a = list.Draw(c.stage, c.row);
        EXPECT_EQ(a.request, c.request) << static_cast<int>(c.stage);
        EXPECT_EQ(a.text, c.text) << static_cast<int>(c.stage);
        EXPECT_EQ(a.background, c.background) << static_cast<int>(c.stage);
    }
}

TEST(StripedList, EraseBandsCoverTheRowsOfAPageAndLeaveTheRestOdd) {
    StripedList list;
    struct Case {
        const char* what;
        std::vector<int> tops;
        int rowsPerPage;
        std::vector<StripeBand> bands;
    };
    const Case cases[] = {
        {"empty list: no band, the odd colour everywhere", {}, 10, {}},
        {"three rows", {20, 37, 54}, 10, {{20, 37, kEven}, {37, 54, kOdd}, {54, 71, kEven}}},
        {"a page and one row more, both included",
         {20, 37, 54, 71},
         2,
         {{20, 37, kEven}, {37, 54, kOdd}, {54, 71, kEven}}},
        {"scrolled: measured from row 0 above the view", {-14, 3, 20}, 10,
         {{-14, 3, kEven}, {3, 20, kOdd}, {20, 37, kEven}}},
    };
    for (const Case& c : cases) EXPECT_EQ(list.EraseBands(c.tops, 17, c.rowsPerPage), c.bands) << c.what;
}

}  // namespace
}  // namespace norvale::test
