#include "results/TitleSortMarks.h"

#include <gtest/gtest.h>

namespace kestrom {
namespace {

std::string OrderBy(const TitleSortMarks& marks) {
    return TitleSortOrderBy(marks.Marks());
}

TEST(TitleSortMarksTest, PlainClicksStepOneColumnAndDropTheOthers) {
    TitleSortMarks marks;
    marks.Click("Дата_иниц", false);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 12");
    marks.Click("Дата_иниц", false);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 12 DESC");
    // Descending goes back to ascending, never to unsorted.
    marks.Click("Дата_иниц", false);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 12");

    marks.Click("Номер_А", true);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 12, 8");
    // A plain click on another column leaves it the only one, ascending.
    marks.Click("Прод_мс", false);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 19");
    EXPECT_EQ(marks.Place("Дата_иниц"), 0);
    EXPECT_FALSE(marks.Direction("Номер_А").has_value());
}

TEST(TitleSortMarksTest, CtrlClicksKeepTheMarksAndCycleThroughUnsorted) {
    TitleSortMarks marks;
    marks.Click("Номер_А", true);
    marks.Click("Прод_мс", true);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 8, 19");
    EXPECT_EQ(marks.Place("Номер_А"), 1);
    EXPECT_EQ(marks.Place("Прод_мс"), 2);

    marks.Click("Номер_А", true);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 8 DESC, 19");
    EXPECT_EQ(marks.Direction("Номер_А"), SortDirection::Descending);
    // Descending goes to unsorted; marked again, the column comes last.
    marks.Click("Номер_А", true);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 19");
    marks.Click("Номер_А", true);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 19, 8");
    EXPECT_EQ(marks.Place("Номер_А"), 2);

    marks.Click("Прод_мс", true);
    marks.Click("Прод_мс", true);
    marks.Click("Номер_А", true);
    marks.Click("Номер_А", true);
    EXPECT_TRUE(marks.Marks().empty());
    EXPECT_EQ(OrderBy(marks), "");
}

TEST(TitleSortMarksTest, SetOnlyReplacesEveryMark) {
    TitleSortMarks marks;
    marks.Click("Номер_А", true);
    marks.Click("Прод_мс", true);
    marks.SetOnly("Ошибка", SortDirection::Descending);
    EXPECT_EQ(OrderBy(marks), "ORDER BY 1 DESC");
    marks.Clear();
    EXPECT_EQ(OrderBy(marks), "");
}

} // namespace
} // namespace kestrom
