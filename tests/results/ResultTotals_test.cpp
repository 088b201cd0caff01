#include "results/ResultTotals.h"

#include "db/Database.h"
#include "db/Query.h"
#include "tests/db/ScratchDir.h"
#include "tests/results/FilterSample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kestrom {
namespace {

// The texts of a sum in ten-thousandths of a millisecond.
ResultTotals::Texts TextsOf(std::int64_t sum, std::string_view separator = ".") {
    ResultTotals totals;
    totals.durationTenThousandths = sum;
    return totals.Format(separator);
}

// The texts of a sum of whole milliseconds.
ResultTotals::Texts TextsOfMs(std::int64_t ms, std::string_view separator = ".") {
    return TextsOf(ms * 10000, separator);
}

TEST(ResultTotalsTest, HoursAndMinutesOfASum) {
    EXPECT_EQ(TextsOfMs(7384567).panel2, "ИТОГО: 2 час. 3.07611666666667 мин.");
    EXPECT_EQ(TextsOfMs(7384567, ",").panel2, "ИТОГО: 2 час. 3,07611666666667 мин.");
    EXPECT_EQ(TextsOfMs(7384567).panel1, "Суммарная продолжительность 7384567 мс.");
    EXPECT_EQ(TextsOfMs(3600000).panel2, "ИТОГО: 1 час. 0 мин.");
    EXPECT_EQ(TextsOfMs(5400000).panel2, "ИТОГО: 1 час. 30 мин.");
    EXPECT_EQ(TextsOfMs(0).panel2, "ИТОГО: 0 час. 0 мин.");
    EXPECT_EQ(TextsOfMs(59999).panel2, "ИТОГО: 0 час. 0.999983333333333 мин.");
    EXPECT_EQ(TextsOfMs(360000000000).panel2, "ИТОГО: 100000 час. 0 мин.");
    // Tiny sums keep their digits rather than turn to an exponent.
    EXPECT_EQ(TextsOf(6, ".").panel2, "ИТОГО: 0 час. 0.00000001 мин.");
    // Negative sums keep their sign, and neither hours nor minutes read "-0".
    EXPECT_EQ(TextsOfMs(-5400000).panel2, "ИТОГО: -1 час. -30 мин.");
    EXPECT_EQ(TextsOfMs(-3600000).panel2, "ИТОГО: -1 час. 0 мин.");
    EXPECT_EQ(TextsOfMs(-60000).panel2, "ИТОГО: 0 час. -1 мин.");
}

TEST(ResultTotalsTest, TheSumIsAPlainDecimalWithoutTrailingZeros) {
    EXPECT_EQ(TextsOf(12345000, ".").panel1, "Суммарная продолжительность 1234.5 мс.");
    EXPECT_EQ(TextsOf(12345000, ",").panel1, "Суммарная продолжительность 1234,5 мс.");
    EXPECT_EQ(TextsOf(1, ".").panel1, "Суммарная продолжительность 0.0001 мс.");
    EXPECT_EQ(TextsOf(10203, ".").panel1, "Суммарная продолжительность 1.0203 мс.");
    EXPECT_EQ(TextsOf(-12345000, ".").panel1, "Суммарная продолжительность -1234.5 мс.");
    EXPECT_EQ(TextsOf(-1, ",").panel1, "Суммарная продолжительность -0,0001 мс.");
    EXPECT_EQ(TextsOf(123456789000000000, ".").panel1,
              "Суммарная продолжительность 12345678900000 мс.");
    EXPECT_EQ(TextsOf(std::numeric_limits<std::int64_t>::min(), ".").panel1,
              "Суммарная продолжительность -922337203685477.5808 мс.");
}

TEST(ResultTotalsTest, NoRowsGiveTheZeroTexts) {
    const ResultTotals::Texts zero = ResultTotals::ZeroTexts();
    EXPECT_EQ(zero.panel0, "Всего записей: 0");
    EXPECT_EQ(zero.panel1, "Суммарная продолжительность 0 мс.");
    EXPECT_EQ(zero.panel2, "ИТОГО: 0 час. 0 мин.");

    test::FilterSample sample;
    const ResultTotals none = ResultTotals::Of(sample.Rows(), std::vector<std::uint32_t>{});
    EXPECT_EQ(none.durationTenThousandths, 0);
    EXPECT_EQ(none.records, 0);
    EXPECT_EQ(none.Format(",").panel0, zero.panel0);
    EXPECT_EQ(none.Format(",").panel2, zero.panel2);
}

TEST(ResultTotalsTest, SumsDurationsAndCountsRecordsOfTheGivenRows) {
    test::FilterSample sample;
    const ResultSet& rows = sample.Rows();

    const ResultTotals three = ResultTotals::Of(rows, std::vector<std::uint32_t>{0, 4, 5});
    EXPECT_EQ(three.durationTenThousandths, (120000 + 60000 + 7384567) * std::int64_t{10000});
    EXPECT_EQ(three.records, 3);
    const ResultTotals::Texts texts = three.Format(".");
    EXPECT_EQ(texts.panel0, "Всего записей: 3");
    EXPECT_EQ(texts.panel1, "Суммарная продолжительность 7564567 мс.");
    EXPECT_EQ(texts.panel2, "ИТОГО: 2 час. 6.07611666666667 мин.");

    // Fractions add up exactly in four decimals: 1.5 + 2.25 + 0.5 + 99.99.
    // Row 6 has no record type and is not counted; row 2 has no duration.
    const ResultTotals small = ResultTotals::Of(rows, std::vector<std::uint32_t>{1, 2, 6, 7, 8});
    EXPECT_EQ(small.durationTenThousandths, 1042400);
    EXPECT_EQ(small.records, 3);
    EXPECT_EQ(small.Format(",").panel1, "Суммарная продолжительность 104,24 мс.");

    const ResultTotals all = ResultTotals::Of(rows);
    EXPECT_EQ(all.durationTenThousandths, 75646712400);
    EXPECT_EQ(all.records, 7);
}

TEST(ResultTotalsTest, DurationsRoundToFourDecimalsAndMissingColumnsCountNothing) {
    test::ScratchDir dir;
    Database db(dir.Path());
    Query query(db);
    query.SetLines({"SELECT 0.00004 AS Прод_мс UNION ALL SELECT 0.00006 UNION ALL SELECT 2 "
                    "UNION ALL SELECT -0.00006"});
    query.Open();
    ResultSet rows;
    rows.Reset(query);
    rows.ReadRows(query);
    const ResultTotals rounded = ResultTotals::Of(rows);
    EXPECT_EQ(rounded.durationTenThousandths, 0 + 1 + 20000 - 1);
    EXPECT_EQ(rounded.records, 0); // no column Тип_зап

    query.SetLines({"SELECT 1 AS Тип_зап UNION ALL SELECT NULL UNION ALL SELECT 5"});
    query.Open();
    rows.Reset(query);
    rows.ReadRows(query);
    const ResultTotals counted = ResultTotals::Of(rows);
    EXPECT_EQ(counted.durationTenThousandths, 0);
    EXPECT_EQ(counted.records, 2);
}

} // namespace
} // namespace kestrom
