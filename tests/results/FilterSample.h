#pragma once

#include "db/Database.h"
#include "db/Query.h"
#include "db/Table.h"
#include "results/ResultSet.h"
#include "tests/db/ScratchDir.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrom::test {

/// Nine result rows with a column of every kind, NULLs among them, read
/// into memory as the grid holds a result. Columns: 0 who (text), 1 Прод_мс
/// (float), 2 n (integer), 3 day (date), 4 at (time), 5 Тип_зап (integer).
///
///     row who                 Прод_мс  n        day         at            Тип_зап
///     0   Успешный            120000   5        2026-02-28  13:05:07.250  1
///     1   Занятость аб.       1.5      -3       2026-03-01  13:05:07      1
///     2   NULL in every column
///     3   ""                  0        0        2025-12-31  00:00:00.000  3
///     4   3852111             60000    3852111  2026-03-01  23:59:59.999  1
///     5   45.5                7384567  12       2026-03-02  13:05:08.000  1
///     6   7                   2.25     7        2024-02-29  13:04:59.999  NULL
///     7   ЁЛКА и Quick fox    0.5      100      2026-01-15  09:00:00.000  1
///     8   успешный вызов      99.99    45       2026-03-01  13:05:06.999  1
class FilterSample {
  public:
    FilterSample() {
        Table t(db_, "Calls.db");
        t.CreateIfMissing("id INTEGER PRIMARY KEY, who VARCHAR(40), ms REAL, n INTEGER, day DATE, "
                          "at TIME, kind INTEGER");
        t.Open();
        struct Row {
            const char* who;
            double ms;
            int n;
            const char* day;
            const char* at;
            std::optional<int> kind;
        };
        const std::vector<Row> rows = {
            {"Успешный", 120000, 5, "2026-02-28", "13:05:07.250", 1},
            {"Занятость аб.", 1.5, -3, "2026-03-01", "13:05:07", 1},
            {nullptr, 0, 0, nullptr, nullptr, std::nullopt},
            {"", 0, 0, "2025-12-31", "00:00:00.000", 3},
            {"3852111", 60000, 3852111, "2026-03-01", "23:59:59.999", 1},
            {"45.5", 7384567, 12, "2026-03-02", "13:05:08.000", 1},
            {"7", 2.25, 7, "2024-02-29", "13:04:59.999", std::nullopt},
            {"ЁЛКА и Quick fox", 0.5, 100, "2026-01-15", "09:00:00.000", 1},
            {"успешный вызов", 99.99, 45, "2026-03-01", "13:05:06.999", 1},
        };
        int id = 0;
        for (const Row& r : rows) {
            t.Append();
            t.SetInt(0, id++);
            if (r.who) {
                t.SetText(1, r.who);
                t.SetReal(2, r.ms);
                t.SetInt(3, r.n);
                t.SetText(4, r.day);
                t.SetText(5, r.at);
            }
            if (r.kind) t.SetInt(6, *r.kind);
            t.Post();
        }
        t.Close();
        Query query(db_);
        query.SetLines({"SELECT who, ms AS Прод_мс, n, day, at, kind AS Тип_зап FROM Calls "
                        "ORDER BY id"});
        query.Open();
        rows_.Reset(query);
        rows_.ReadRows(query);
    }

    const ResultSet& Rows() const { return rows_; }

  private:
    ScratchDir dir_;
    Database db_{dir_.Path()};
    ResultSet rows_;
};

} // namespace kestrom::test
