#include "results/RowFilter.h"

#include "results/StoredCellTexts.h"
#include "tests/results/FilterSample.h"

#include <gtest/gtest.h>

namespace kestrom {
namespace {

using Rows = std::vector<std::uint32_t>;

constexpr std::size_t Who = 0, Ms = 1, N = 2, Day = 3, At = 4;

class RowFilterTest : public ::testing::Test {
  protected:
    Rows Apply() const { return filter.Apply(rows, texts); }

    test::FilterSample sample;
    const ResultSet& rows = sample.Rows();
    StoredCellTexts texts{rows};
    RowFilter filter{rows.Columns(), texts};
};

TEST_F(RowFilterTest, WithoutConditionsEveryRowPasses) {
    EXPECT_TRUE(filter.Empty());
    EXPECT_EQ(Apply(), (Rows{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(filter.Set(Who, "  "), "");
    EXPECT_TRUE(filter.Empty());
    EXPECT_EQ(Apply().size(), 9u);
}

TEST_F(RowFilterTest, ColumnsJoinWithAnd) {
    EXPECT_EQ(filter.Set(Who, "успеш"), "");
    EXPECT_FALSE(filter.Empty());
    EXPECT_EQ(Apply(), (Rows{0, 8}));
    EXPECT_EQ(filter.Set(Ms, ">=1000"), "");
    EXPECT_EQ(Apply(), (Rows{0}));
    EXPECT_EQ(filter.Set(Day, "=2026-03-01"), "");
    EXPECT_EQ(Apply(), (Rows{}));

    // Setting a column again replaces its condition.
    filter.Set(Ms, "<1000");
    filter.Set(Day, "");
    EXPECT_EQ(Apply(), (Rows{8}));
    filter.Clear(Who);
    EXPECT_EQ(Apply(), (Rows{1, 3, 6, 7, 8}));
    filter.Set(At, ">=13:05");
    EXPECT_EQ(Apply(), (Rows{1, 8}));
    filter.Clear();
    EXPECT_TRUE(filter.Empty());
    EXPECT_EQ(Apply().size(), 9u);
}

TEST_F(RowFilterTest, AddedConditionsOfOneColumnJoinWithAnd) {
    EXPECT_EQ(filter.Add(N, ">0"), "");
    EXPECT_EQ(filter.Add(N, "<=12"), "");
    EXPECT_EQ(filter.Add(Who, "<>7"), "");
    EXPECT_EQ(Apply(), (Rows{0, 5}));
    filter.Set(N, "=3852111"); // drops both
    EXPECT_EQ(Apply(), (Rows{4}));
}

TEST_F(RowFilterTest, AnInvalidTextLeavesItsColumnWithoutConditionAndIsRemembered) {
    filter.Set(Who, "успеш");
    filter.Set(N, ">100");
    EXPECT_EQ(Apply(), Rows{});
    EXPECT_EQ(filter.Set(N, ">сто"), "Ожидается число: «сто»");
    EXPECT_EQ(filter.Error(N), "Ожидается число: «сто»");
    EXPECT_EQ(filter.Error(Who), "");
    EXPECT_EQ(Apply(), (Rows{0, 8}));

    EXPECT_EQ(filter.Set(Day, "<31.04.2026"), "Ожидается дата: «31.04.2026»");
    EXPECT_TRUE(filter.Set(At, "/(/").starts_with("Ошибка в регулярном выражении: "));
    EXPECT_EQ(Apply(), (Rows{0, 8}));

    EXPECT_EQ(filter.Set(N, ">10"), "");
    EXPECT_EQ(filter.Error(N), "");
    EXPECT_EQ(Apply(), (Rows{8}));
    filter.Clear(Day);
    EXPECT_EQ(filter.Error(Day), "");
    filter.Clear();
    EXPECT_EQ(filter.Error(At), "");
    EXPECT_THROW(filter.Set(6, "x"), std::out_of_range);
}

} // namespace
} // namespace kestrom
