#include "results/ResultSet.h"

#include "db/Database.h"
#include "db/Query.h"
#include "db/Table.h"
#include "results/CsvWriter.h"
#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace kestrom {
namespace {

using test::ScratchDir;

// A table of calls with every kind of column, NULLs among them.
class ResultSetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Table t(db, "Calls.db");
        t.CreateIfMissing("id INTEGER PRIMARY KEY, who VARCHAR(40), ms REAL, day DATE, n INTEGER");
        t.Open();
        const auto add = [&](int id, const char* who, double ms, const char* day, bool hasN) {
            t.Append();
            t.SetInt(0, id);
            if (who) t.SetText(1, who);
            t.SetReal(2, ms);
            if (day) t.SetText(3, day);
            if (hasN) t.SetInt(4, -id);
            t.Post();
        };
        add(1, "Успешный", 120000, "2024-03-01", true);
        add(2, nullptr, 1.5, nullptr, false);
        add(3, "", 0.1 + 0.2, "2024-03-02", true);
        add(4, "a, \"b\"\r\nc", 4294967295.0, "2024-03-03", false);
        add(5, "3852111", 1e-7, "2024-03-04", true);
        t.Close();
        query.SetLines(
            {"SELECT id, who, ms, ms / 60000 AS minutes, day, n FROM Calls ORDER BY id"});
    }

    ScratchDir dir;
    Database db{dir.Path()};
    Query query{db};
};

TEST_F(ResultSetTest, HoldsEveryCellAsTheQueryGivesIt) {
    query.Open();
    ResultSet rows;
    rows.Reset(query);
    EXPECT_EQ(rows.ReadRows(query), 5u);
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(rows.ReadRows(query), 0u);
    ASSERT_EQ(rows.RowCount(), 5u);
    ASSERT_EQ(rows.ColumnCount(), 6u);
    EXPECT_EQ(rows.ColumnIndex("minutes"), 3);
    EXPECT_EQ(rows.ColumnIndex("Minutes"), -1);
    EXPECT_EQ(rows.StorageOf(0), ResultSet::Storage::Integer);
    EXPECT_EQ(rows.StorageOf(1), ResultSet::Storage::Text);
    EXPECT_EQ(rows.StorageOf(2), ResultSet::Storage::Float);
    EXPECT_EQ(rows.StorageOf(3), ResultSet::Storage::Float);
    EXPECT_EQ(rows.StorageOf(4), ResultSet::Storage::Text); // dates are texts
    EXPECT_EQ(rows.StorageOf(5), ResultSet::Storage::Integer);

    // Every cell reads as the query itself reads it.
    query.First();
    for (std::size_t r = 0; r < rows.RowCount(); ++r, query.Next()) {
        ASSERT_FALSE(query.Eof());
        for (std::size_t c = 0; c < rows.ColumnCount(); ++c) {
            const int qc = static_cast<int>(c);
            EXPECT_EQ(rows.IsNull(r, c), query.IsNull(qc)) << r << "," << c;
            EXPECT_EQ(rows.AsText(r, c), query.AsText(qc)) << r << "," << c;
            if (rows.StorageOf(c) != ResultSet::Storage::Text) {
                EXPECT_EQ(rows.AsFloat(r, c), query.AsFloat(qc)) << r << "," << c;
                EXPECT_EQ(rows.AsInteger(r, c), query.AsInteger(qc)) << r << "," << c;
            }
        }
    }

    EXPECT_EQ(rows.TextView(0, 1), "Успешный");
    EXPECT_TRUE(rows.IsNull(1, 1));
    EXPECT_EQ(rows.TextView(1, 1), "");
    EXPECT_FALSE(rows.IsNull(2, 1)); // an empty text is no NULL
    EXPECT_EQ(rows.TextView(3, 1), "a, \"b\"\r\nc");
    EXPECT_EQ(rows.TextView(0, 2), ""); // not a text column
    EXPECT_EQ(rows.AsText(0, 2), "120000");
    EXPECT_EQ(rows.AsText(0, 3), "2");
    EXPECT_EQ(rows.AsText(1, 2), "1.5");
    EXPECT_EQ(rows.AsText(2, 2), "0.30000000000000004");
    EXPECT_EQ(rows.AsText(3, 2), "4294967295");
    EXPECT_EQ(rows.AsText(4, 2), "0.0000001");
    EXPECT_EQ(rows.AsText(1, 5), ""); // NULL
    EXPECT_EQ(rows.AsText(2, 5), "-3");
    EXPECT_EQ(rows.AsInteger(4, 1), 3852111); // a text read as a number
    EXPECT_EQ(rows.AsFloat(0, 4), 2024.0);
    EXPECT_EQ(rows.AsInteger(1, 2), 1); // cut toward zero
}

TEST_F(ResultSetTest, ReadsInBatchesTheSameRowsAsAtOnce) {
    query.Open();
    ResultSet whole;
    whole.Reset(query);
    whole.ReadRows(query);

    query.First();
    ResultSet batch;
    batch.Reset(query);
    std::vector<std::string> texts;
    std::vector<std::size_t> sizes;
    for (std::size_t n; (n = batch.ReadRows(query, 2)) > 0; batch.ClearRows()) {
        sizes.push_back(n);
        ASSERT_EQ(batch.RowCount(), n);
        for (std::size_t r = 0; r < n; ++r)
            for (std::size_t c = 0; c < batch.ColumnCount(); ++c)
                texts.push_back(batch.AsText(r, c) + (batch.IsNull(r, c) ? "(null)" : ""));
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{2, 2, 1}));
    EXPECT_EQ(batch.ColumnCount(), 6u);

    std::vector<std::string> expected;
    for (std::size_t r = 0; r < whole.RowCount(); ++r)
        for (std::size_t c = 0; c < whole.ColumnCount(); ++c)
            expected.push_back(whole.AsText(r, c) + (whole.IsNull(r, c) ? "(null)" : ""));
    EXPECT_EQ(texts, expected);

    // A new result drops the rows of the old one.
    query.SetLines({"SELECT 'x' AS only"});
    query.Open();
    whole.Reset(query);
    EXPECT_EQ(whole.RowCount(), 0u);
    EXPECT_EQ(whole.ReadRows(query), 1u);
    EXPECT_EQ(whole.AsText(0, 0), "x");
}

TEST_F(ResultSetTest, AnEmptyOrClosedResultHasNoRows) {
    query.SetLines({"SELECT id, who FROM Calls WHERE id > 99"});
    query.Open();
    ResultSet rows;
    rows.Reset(query);
    EXPECT_EQ(rows.ColumnCount(), 2u);
    EXPECT_EQ(rows.ReadRows(query), 0u);
    query.Close();
    EXPECT_EQ(rows.ReadRows(query), 0u);
    EXPECT_EQ(rows.RowCount(), 0u);
}

TEST(CsvWriter, QuotesOnlyTheFieldsThatNeedIt) {
    std::string out;
    const std::vector<std::string_view> fields = {
        "plain",    "",         "a,b",     "say \"hi\"", "two\r\nlines",
        "lf\nonly", "cr\ronly", " blank ", "Ошибка"};
    AppendCsvRecord(out, fields);
    EXPECT_EQ(out, "plain,,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",\"lf\nonly\",\"cr\ronly\", "
                   "blank ,Ошибка\r\n");
    out.clear();
    AppendCsvRecord(out, std::vector<std::string_view>{"\""});
    EXPECT_EQ(out, "\"\"\"\"\r\n");
}

TEST_F(ResultSetTest, CsvRowsHoldTheValuesAsStoredInTheChosenColumns) {
    query.Open();
    ResultSet rows;
    rows.Reset(query);
    rows.ReadRows(query);
    std::string out;
    AppendCsvRows(out, rows, std::vector<std::size_t>{1, 2, 3, 5, 4, 0});
    EXPECT_EQ(out, "Успешный,120000,2,-1,2024-03-01,1\r\n"
                   ",1.5,0.000025,,,2\r\n"
                   ",0.30000000000000004,0.000005,-3,2024-03-02,3\r\n"
                   "\"a, \"\"b\"\"\r\nc\",4294967295,71582.78825,,2024-03-03,4\r\n"
                   "3852111,0.0000001,0.0000000000016666666666666666,-5,2024-03-04,5\r\n");
}

// Rows 0..count-1 of generated values, read in batches of 7000: "i" is the
// row number, the other columns are SQL expressions over i.
class GeneratedRows : public ::testing::Test {
  protected:
    void Read(int count, const std::string& columns) {
        query.SetLines(
            {"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                 std::to_string(count - 1) + ")",
             "SELECT i, " + columns + " FROM n"});
        query.Open();
        if (rows.ColumnCount() == 0) rows.Reset(query);
        while (rows.ReadRows(query, 7000) > 0) {
        }
    }

    ScratchDir dir;
    Database db{dir.Path()};
    Query query{db};
    ResultSet rows;
};

TEST_F(GeneratedRows, ATextColumnOutgrowingItsDictionaryKeepsEveryText) {
    // "grows" has 12 texts for 20000 rows, then a new text in most rows, and
    // passes the dictionary's limit inside a batch; "full" has exactly as
    // many texts as a dictionary holds, "over" one more.
    ASSERT_EQ(ResultSet::DictionaryLimit, 65536u);
    Read(100000, "CASE WHEN i < 20000 THEN 'day ' || (i % 12) WHEN i % 7 = 0 THEN NULL"
                 " ELSE 'call ' || i END AS grows,"
                 " 'w' || (i % 65536) AS full, 'v' || (i % 65537) AS over");
    ASSERT_EQ(rows.RowCount(), 100000u);
    EXPECT_FALSE(rows.IsDictionary(1));
    EXPECT_TRUE(rows.IsDictionary(2));
    EXPECT_FALSE(rows.IsDictionary(3));
    for (int i = 0; i < 100000; ++i) {
        const auto r = static_cast<std::size_t>(i);
        const bool null = i >= 20000 && i % 7 == 0;
        const std::string grows = i < 20000 ? "day " + std::to_string(i % 12)
                                  : null    ? ""
                                            : "call " + std::to_string(i);
        ASSERT_EQ(rows.IsNull(r, 1), null) << i;
        ASSERT_EQ(rows.TextView(r, 1), grows) << i;
        ASSERT_EQ(rows.TextView(r, 2), "w" + std::to_string(i % 65536)) << i;
        ASSERT_EQ(rows.TextView(r, 3), "v" + std::to_string(i % 65537)) << i;
    }
    EXPECT_GT(rows.MemoryBytes(), 100000u * 6); // every text's bytes at least once
}

TEST_F(GeneratedRows, AReadAfterTheEndFindsTheDictionaryTextsAgain) {
    // 40000 texts read twice stay 40000 distinct texts, within the limit.
    Read(40000, "'n' || i AS t");
    Read(40000, "'n' || i AS t");
    ASSERT_EQ(rows.RowCount(), 80000u);
    EXPECT_TRUE(rows.IsDictionary(1));
    for (std::size_t r = 0; r < rows.RowCount(); ++r)
        ASSERT_EQ(rows.TextView(r, 1), "n" + std::to_string(r % 40000)) << r;
}

TEST_F(GeneratedRows, IntegersWidenWithoutLosingAValue) {
    // "stepped" needs 16 bits, then 32 from row 12000, then 64 from row
    // 25000 (both inside a batch), with NULLs; "jump" goes from 16 to 64 bits
    // at once; "edges" holds the 16-bit limits only.
    Read(30000, "CASE WHEN i % 1000 = 999 THEN NULL WHEN i < 12000 THEN i - 16000"
                " WHEN i < 25000 THEN i * 80000 ELSE i * 400000000000 END AS stepped,"
                " CASE i WHEN 25003 THEN 9223372036854775807"
                " WHEN 25004 THEN -9223372036854775807 - 1 ELSE 7 END AS jump,"
                " CASE i % 3 WHEN 0 THEN -32768 WHEN 1 THEN 32767 ELSE 0 END AS edges");
    ASSERT_EQ(rows.RowCount(), 30000u);
    EXPECT_EQ(rows.IntegerBytes(1), 8u);
    EXPECT_EQ(rows.IntegerBytes(2), 8u);
    EXPECT_EQ(rows.IntegerBytes(3), 2u);
    constexpr auto Max = std::numeric_limits<std::int64_t>::max();
    constexpr auto Min = std::numeric_limits<std::int64_t>::min();
    for (std::int64_t i = 0; i < 30000; ++i) {
        const auto r = static_cast<std::size_t>(i);
        const bool null = i % 1000 == 999;
        const std::int64_t stepped = null        ? 0
                                     : i < 12000 ? i - 16000
                                     : i < 25000 ? i * 80000
                                                 : i * 400000000000;
        ASSERT_EQ(rows.IsNull(r, 1), null) << i;
        ASSERT_EQ(rows.AsInteger(r, 1), stepped) << i;
        ASSERT_EQ(rows.AsInteger(r, 2), i == 25003 ? Max : i == 25004 ? Min : 7) << i;
        ASSERT_EQ(rows.AsInteger(r, 3), i % 3 == 0 ? -32768 : i % 3 == 1 ? 32767 : 0) << i;
    }
    EXPECT_EQ(rows.AsText(25004, 2), "-9223372036854775808");
    EXPECT_EQ(rows.AsFloat(29998, 1), 29998.0 * 400000000000.0);
    EXPECT_EQ(rows.AsText(999, 1), "");
}

TEST_F(GeneratedRows, NullsAtTheEdgesOfTheirBitWordsReadBackExactly) {
    const std::string isNull = "i IN (0, 1, 62, 63, 64, 65, 127, 128, 191, 192, 255, 256, 299)";
    Read(300, "CASE WHEN " + isNull + " THEN NULL ELSE i END AS k, CASE WHEN " + isNull +
                  " THEN NULL ELSE 't' || i END AS t");
    const std::vector<int> nulls = {0, 1, 62, 63, 64, 65, 127, 128, 191, 192, 255, 256, 299};
    ASSERT_EQ(rows.RowCount(), 300u);
    for (int i = 0; i < 300; ++i) {
        const auto r = static_cast<std::size_t>(i);
        const bool null = std::find(nulls.begin(), nulls.end(), i) != nulls.end();
        EXPECT_FALSE(rows.IsNull(r, 0)) << i;
        EXPECT_EQ(rows.IsNull(r, 1), null) << i;
        EXPECT_EQ(rows.IsNull(r, 2), null) << i;
        EXPECT_EQ(rows.AsText(r, 2), null ? "" : "t" + std::to_string(i)) << i;
    }
}

TEST_F(GeneratedRows, ClearedRowsStartOverInTheNarrowForms) {
    Read(70000, "i * 100000 AS big, 'u' || i AS t");
    ASSERT_EQ(rows.IntegerBytes(1), 8u);
    ASSERT_FALSE(rows.IsDictionary(2));
    const std::size_t wideBytes = rows.MemoryBytes();

    rows.ClearRows();
    EXPECT_EQ(rows.RowCount(), 0u);
    Read(500, "i % 10 AS big, 'z' || (i % 4) AS t");
    ASSERT_EQ(rows.RowCount(), 500u);
    EXPECT_EQ(rows.IntegerBytes(1), 2u);
    EXPECT_TRUE(rows.IsDictionary(2));
    EXPECT_LT(rows.MemoryBytes(), wideBytes / 100);
    for (std::size_t r = 0; r < 500; ++r) {
        ASSERT_EQ(rows.AsInteger(r, 1), static_cast<std::int64_t>(r % 10));
        ASSERT_EQ(rows.TextView(r, 2), "z" + std::to_string(r % 4));
    }
}

} // namespace
} // namespace kestrom
