#include "results/CallStatistics.h"

#include "db/Database.h"
#include "db/Query.h"
#include "db/Table.h"
#include "results/ResultSet.h"
#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace kestrom {
namespace {

using Text = std::optional<std::string>;

// One row of the result as the test makes it; nullopt is NULL.
struct Call {
    Text date;
    Text time;
    std::optional<double> ms;
    Text failure;
    Text a;
    Text b;
};

constexpr const char* EveryColumn = "failure AS Ошибка, a AS Номер_А, b AS Номер_Б, "
                                    "day AS Дата_иниц, at AS Время_иниц, ms AS Прод_мс";

// The calls written into a table and read back through a query with the
// given select list, as the grid holds a result.
class CallRows {
  public:
    explicit CallRows(const std::vector<Call>& calls, const std::string& columns = EveryColumn) {
        Table t(db_, "Calls.db");
        t.CreateIfMissing("id INTEGER PRIMARY KEY, day DATE, at TIME, ms REAL, "
                          "failure VARCHAR(40), a VARCHAR(32), b VARCHAR(32)");
        t.Open();
        int id = 0;
        for (const Call& c : calls) {
            t.Append();
            t.SetInt(0, id++);
            const Text* texts[] = {&c.date, &c.time, nullptr, &c.failure, &c.a, &c.b};
            for (int field = 1; field <= 6; ++field) {
                const Text* text = texts[field - 1];
                if (text && *text) t.SetText(field, **text);
            }
            if (c.ms) t.SetReal(3, *c.ms);
            t.Post();
        }
        t.Close();
        Query query(db_);
        query.SetLines({"SELECT " + columns + " FROM Calls ORDER BY id"});
        query.Open();
        rows_.Reset(query);
        rows_.ReadRows(query);
    }

    const ResultSet& Rows() const { return rows_; }

  private:
    test::ScratchDir dir_;
    Database db_{dir_.Path()};
    ResultSet rows_;
};

// The figures counted call by call with plain maps, the way a reader of
// the rows would count them by hand.
struct Expected {
    struct Sum {
        std::int64_t calls = 0;
        double ms = 0;
    };
    std::map<std::string, Sum> days;
    std::array<std::int64_t, 24> hours{};
    std::array<std::int64_t, CallStatistics::BucketCount> durations{};
    std::map<std::string, std::int64_t> failures;
    std::map<std::string, Sum> numbersA;
    std::map<std::string, Sum> numbersB;
    std::int64_t withoutStartDate = 0;

    explicit Expected(const std::vector<Call>& calls, const std::vector<std::uint32_t>& rows) {
        for (const std::uint32_t row : rows) {
            const Call& c = calls[row];
            const double ms = c.ms.value_or(0);
            if (c.ms) {
                const double edges[] = {10000, 60000, 300000, 1800000};
                std::size_t bucket = 0;
                while (bucket < 4 && *c.ms >= edges[bucket])
                    ++bucket;
                ++durations[bucket];
            }
            if (!c.date || *c.date == "1899-12-30") {
                ++withoutStartDate;
            } else {
                days[*c.date].calls++;
                days[*c.date].ms += ms;
                if (c.time) ++hours[static_cast<std::size_t>(std::stoi(c.time->substr(0, 2)))];
            }
            ++failures[c.failure.value_or("")];
            if (c.a && !c.a->empty()) numbersA[*c.a].calls++, numbersA[*c.a].ms += ms;
            if (c.b && !c.b->empty()) numbersB[*c.b].calls++, numbersB[*c.b].ms += ms;
        }
    }
};

std::vector<std::uint32_t> AllOf(const std::vector<Call>& calls) {
    std::vector<std::uint32_t> rows(calls.size());
    for (std::uint32_t r = 0; r < rows.size(); ++r)
        rows[r] = r;
    return rows;
}

// The top list of a map of numbers: most calls first, ties by number.
std::vector<std::pair<std::string, Expected::Sum>>
TopOf(const std::map<std::string, Expected::Sum>& numbers) {
    std::vector<std::pair<std::string, Expected::Sum>> top(numbers.begin(), numbers.end());
    std::stable_sort(top.begin(), top.end(),
                     [](const auto& x, const auto& y) { return x.second.calls > y.second.calls; });
    if (top.size() > CallStatistics::TopCount) top.resize(CallStatistics::TopCount);
    return top;
}

void ExpectTop(const std::vector<CallStatistics::NumberFigure>& got,
               const std::map<std::string, Expected::Sum>& numbers, const char* side) {
    const auto top = TopOf(numbers);
    ASSERT_EQ(got.size(), top.size()) << side;
    for (std::size_t i = 0; i < top.size(); ++i) {
        EXPECT_EQ(got[i].number, top[i].first) << side << " " << i;
        EXPECT_EQ(got[i].calls, top[i].second.calls) << side << " " << i;
        EXPECT_DOUBLE_EQ(got[i].minutes, top[i].second.ms / 60000) << side << " " << i;
    }
}

void ExpectFigures(const CallStatistics& s, const Expected& e, std::size_t rowCount) {
    EXPECT_EQ(s.calls, static_cast<std::int64_t>(rowCount));
    ASSERT_EQ(s.days.size(), e.days.size());
    auto day = e.days.begin();
    for (std::size_t i = 0; i < s.days.size(); ++i, ++day) {
        EXPECT_EQ(s.days[i].date, day->first);
        EXPECT_EQ(s.days[i].calls, day->second.calls) << day->first;
        EXPECT_DOUBLE_EQ(s.days[i].minutes, day->second.ms / 60000) << day->first;
    }
    EXPECT_EQ(s.hours, e.hours);
    EXPECT_EQ(s.durations, e.durations);
    EXPECT_EQ(s.withoutStartDate, e.withoutStartDate);

    ASSERT_EQ(s.failures.size(), e.failures.size());
    std::map<std::string, std::int64_t> failures;
    for (std::size_t i = 0; i < s.failures.size(); ++i) {
        failures[s.failures[i].text] = s.failures[i].calls;
        if (i > 0) {
            const auto& prev = s.failures[i - 1];
            EXPECT_TRUE(prev.calls > s.failures[i].calls ||
                        (prev.calls == s.failures[i].calls && prev.text < s.failures[i].text))
                << i;
        }
    }
    EXPECT_EQ(failures, e.failures);
    ExpectTop(s.topB, e.numbersB, "B");
    ExpectTop(s.topA, e.numbersA, "A");
}

// A period of calls with every kind of value: days from 2026-02-27 to
// 2026-03-02, set-up dates missing or reset, times over the whole day,
// durations NULL and on the bucket edges, a few failure texts and NULL,
// numbers from small pools with NULL and empty ones.
std::vector<Call> PeriodOfCalls(int count, std::uint32_t seed) {
    std::mt19937 random(seed);
    const auto pick = [&random](int n) {
        return static_cast<int>(random() % static_cast<std::uint32_t>(n));
    };
    const char* dates[] = {"2026-02-27", "2026-02-28", "2026-03-01", "2026-03-02", "1899-12-30"};
    const char* failures[] = {"Успешный", "Занятость аб.", "Нет ответа", "Сбой"};
    const double edges[] = {0, 9999, 10000, 59999, 60000, 299999, 300000, 1799999, 1800000};
    std::vector<Call> calls;
    for (int i = 0; i < count; ++i) {
        Call c;
        if (pick(20) > 0) c.date = dates[pick(5)];
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", pick(24), pick(60), pick(60),
                      pick(1000));
        c.time = time;
        const int kind = pick(10);
        if (kind == 0)
            c.ms = std::nullopt;
        else if (kind < 4)
            c.ms = edges[pick(9)];
        else
            c.ms = pick(4000000) + 0.5 * pick(2);
        if (pick(6) > 0) c.failure = failures[pick(4)];
        const int a = pick(40), b = pick(60);
        if (a > 1)
            c.a = "38521" + std::to_string(a);
        else if (a == 1)
            c.a = "";
        if (b > 1)
            c.b = std::to_string(b * 7919);
        else if (b == 1)
            c.b = "";
        calls.push_back(c);
    }
    return calls;
}

TEST(CallStatisticsTest, FiguresOfEveryRowAndOfChosenRowsAgreeWithACountByHand) {
    const std::vector<Call> calls = PeriodOfCalls(3000, 20260301);
    const CallRows result(calls);
    const ResultSet& rows = result.Rows();
    ASSERT_TRUE(rows.IsDictionary(static_cast<std::size_t>(rows.ColumnIndex("Номер_Б"))));

    ExpectFigures(CallStatistics::Of(rows), Expected(calls, AllOf(calls)), calls.size());

    // The rows a filter lets through: every third one and a few more.
    std::vector<std::uint32_t> chosen;
    for (std::uint32_t r = 0; r < calls.size(); ++r)
        if (r % 3 == 0 || r % 7 == 1) chosen.push_back(r);
    const CallStatistics some = CallStatistics::Of(rows, chosen);
    ExpectFigures(some, Expected(calls, chosen), chosen.size());
    EXPECT_LT(some.calls, CallStatistics::Of(rows).calls);
}

TEST(CallStatisticsTest, MidnightBucketEdgesAndDaysWithoutADate) {
    const auto at = [](const char* date, const char* time, std::optional<double> ms) {
        return Call{date ? Text(date) : std::nullopt, time, ms, std::nullopt, "1", "2"};
    };
    const std::vector<Call> calls = {
        at("2026-02-28", "23:59:59.999", 9999),
        at("2026-03-01", "00:00:00.000", 10000),
        at("2026-03-01", "00:59:59.999", 59999),
        at("2026-03-01", "12:00:00.000", 60000),
        at("2026-02-28", "23:00:00.000", 299999),
        at("2026-03-01", "12:30:00.000", 300000),
        at("2026-03-01", "12:30:00.000", 1799999),
        at("2026-03-02", "01:00:00.000", 1800000),
        at("2026-03-02", "01:00:00.000", std::nullopt),
        at("1899-12-30", "13:00:00.000", 1000),
        at(nullptr, "14:00:00.000", 2000),
    };
    const CallRows result(calls);
    const CallStatistics s = CallStatistics::Of(result.Rows());

    ASSERT_EQ(s.days.size(), 3u);
    EXPECT_EQ(s.days[0].date, "2026-02-28");
    EXPECT_EQ(s.days[0].calls, 2);
    EXPECT_DOUBLE_EQ(s.days[0].minutes, (9999 + 299999) / 60000.0);
    EXPECT_EQ(s.days[1].date, "2026-03-01");
    EXPECT_EQ(s.days[1].calls, 5);
    EXPECT_DOUBLE_EQ(s.days[1].minutes, (10000 + 59999 + 60000 + 300000 + 1799999) / 60000.0);
    EXPECT_EQ(s.days[2].date, "2026-03-02");
    EXPECT_EQ(s.days[2].calls, 2);
    EXPECT_DOUBLE_EQ(s.days[2].minutes, 30.0);

    std::array<std::int64_t, 24> hours{};
    hours[23] = 2, hours[0] = 2, hours[12] = 3, hours[1] = 2; // not 13 nor 14: no date
    EXPECT_EQ(s.hours, hours);
    EXPECT_EQ(s.withoutStartDate, 2);
    // 9999 | 10000 59999 | 60000 299999 | 300000 1799999 | 1800000; NULL in
    // none; the two calls without a date still count.
    EXPECT_EQ(s.durations, (std::array<std::int64_t, 5>{1 + 2, 2, 2, 2, 1}));
    EXPECT_EQ(s.calls, 11);
    // Calls without a date still count for their numbers.
    ASSERT_EQ(s.topB.size(), 1u);
    EXPECT_EQ(s.topB[0].calls, 11);
}

TEST(CallStatisticsTest, FailuresAndTopListsAreOrderedByCallsThenText) {
    std::vector<Call> calls;
    const auto add = [&calls](int times, Text failure, Text b, double ms) {
        for (int i = 0; i < times; ++i)
            calls.push_back({"2026-03-01", "10:00:00.000", ms, failure, b, b});
    };
    add(3, "Сбой", "9", 60000);
    add(3, "Занятость аб.", "10", 30000);
    add(3, std::nullopt, "100", 6000);
    add(5, "Успешный", "", 1000);
    add(4, "Успешный", std::nullopt, 1000);
    for (int n = 0; n < 30; ++n)
        add(1, "Нет ответа", "5" + std::to_string(n), 0); // 30 singles, only 17 kept
    const CallStatistics s = CallStatistics::Of(CallRows(calls).Rows());

    ASSERT_EQ(s.failures.size(), 5u);
    EXPECT_EQ(s.failures[0].text, "Нет ответа");
    EXPECT_EQ(s.failures[0].calls, 30);
    EXPECT_EQ(s.failures[1].text, "Успешный");
    EXPECT_EQ(s.failures[1].calls, 9);
    EXPECT_EQ(s.failures[2].text, ""); // NULL, first of the three ties
    EXPECT_EQ(s.failures[3].text, "Занятость аб.");
    EXPECT_EQ(s.failures[4].text, "Сбой");
    EXPECT_EQ(s.failures[4].calls, 3);

    for (const auto* top : {&s.topA, &s.topB}) {
        ASSERT_EQ(top->size(), CallStatistics::TopCount);
        EXPECT_EQ((*top)[0].number, "10"); // byte order: "10" < "100" < "9"
        EXPECT_DOUBLE_EQ((*top)[0].minutes, 1.5);
        EXPECT_EQ((*top)[1].number, "100");
        EXPECT_EQ((*top)[2].number, "9");
        EXPECT_DOUBLE_EQ((*top)[2].minutes, 3.0);
        EXPECT_EQ((*top)[3].number, "50");
        EXPECT_EQ((*top)[3].calls, 1);
        EXPECT_EQ((*top)[4].number, "51");
        EXPECT_EQ((*top)[5].number, "510"); // "51" < "510" < "511" < ... < "52"
        EXPECT_EQ((*top)[19].number, "523");
        for (const auto& figure : *top)
            EXPECT_FALSE(figure.number.empty());
    }
}

TEST(CallStatisticsTest, NumbersBeyondTheDictionaryAndTimesOfEveryCellCountAlike) {
    // Some 70000 distinct numbers B and a time per row: both columns keep
    // their cells' bytes rather than a dictionary; numbers A stay in one.
    // The numbers are 1 to 27 bytes long, many of them alike but for their
    // last bytes; the most frequent ones, longer than 15 bytes, come from
    // the first rows on, so their counts outlive the growing of the table.
    std::vector<Call> calls = PeriodOfCalls(80000, 7);
    for (std::size_t i = 0; i < calls.size(); ++i)
        calls[i].b = i % 8 == 0 ? std::string(16 + i % 7, '5') + std::to_string(i % 3)
                                : std::string(i % 24, '9') + std::to_string(i / 24 % 4000);
    const CallRows result(calls);
    const ResultSet& rows = result.Rows();
    ASSERT_FALSE(rows.IsDictionary(static_cast<std::size_t>(rows.ColumnIndex("Номер_Б"))));
    ASSERT_FALSE(rows.IsDictionary(static_cast<std::size_t>(rows.ColumnIndex("Время_иниц"))));
    ASSERT_TRUE(rows.IsDictionary(static_cast<std::size_t>(rows.ColumnIndex("Номер_А"))));

    ExpectFigures(CallStatistics::Of(rows), Expected(calls, AllOf(calls)), calls.size());
    std::vector<std::uint32_t> chosen;
    for (std::uint32_t r = 0; r < calls.size(); r += 2)
        chosen.push_back(r);
    ExpectFigures(CallStatistics::Of(rows, chosen), Expected(calls, chosen), chosen.size());
}

TEST(CallStatisticsTest, NoRowsGiveZeroFigures) {
    const std::vector<Call> calls = PeriodOfCalls(50, 1);
    const CallRows result(calls);
    for (const CallStatistics& s : {CallStatistics::Of(result.Rows(), std::vector<std::uint32_t>{}),
                                    CallStatistics::Of(CallRows(std::vector<Call>{}).Rows())}) {
        EXPECT_EQ(s.calls, 0);
        EXPECT_TRUE(s.days.empty());
        EXPECT_EQ(s.hours, (std::array<std::int64_t, 24>{}));
        EXPECT_EQ(s.durations, (std::array<std::int64_t, 5>{}));
        EXPECT_TRUE(s.failures.empty());
        EXPECT_TRUE(s.topA.empty());
        EXPECT_TRUE(s.topB.empty());
        EXPECT_EQ(s.withoutStartDate, 0);
    }
}

TEST(CallStatisticsTest, AColumnTheResultLacksContributesNothing) {
    const std::vector<Call> calls = PeriodOfCalls(400, 3);
    const Expected all(calls, AllOf(calls));

    // No durations and no numbers A: the days count calls but no minutes.
    const CallStatistics noDurations = CallStatistics::Of(
        CallRows(calls, "failure AS Ошибка, b AS Номер_Б, day AS Дата_иниц, at AS Время_иниц")
            .Rows());
    EXPECT_EQ(noDurations.durations, (std::array<std::int64_t, 5>{}));
    EXPECT_TRUE(noDurations.topA.empty());
    ASSERT_EQ(noDurations.days.size(), all.days.size());
    for (const auto& day : noDurations.days) {
        EXPECT_EQ(day.calls, all.days.at(day.date).calls);
        EXPECT_EQ(day.minutes, 0.0);
    }
    EXPECT_EQ(noDurations.hours, all.hours);
    EXPECT_EQ(noDurations.withoutStartDate, all.withoutStartDate);
    ASSERT_FALSE(noDurations.topB.empty());
    EXPECT_EQ(noDurations.topB[0].minutes, 0.0);

    // No set-up dates: no days and none left out; every time counts its hour.
    const CallStatistics noDates =
        CallStatistics::Of(CallRows(calls, "at AS Время_иниц, ms AS Прод_мс").Rows());
    EXPECT_TRUE(noDates.days.empty());
    EXPECT_EQ(noDates.withoutStartDate, 0);
    std::int64_t hours = 0;
    for (const std::int64_t h : noDates.hours)
        hours += h;
    EXPECT_EQ(hours, 400);
    EXPECT_EQ(noDates.durations, all.durations);
    EXPECT_TRUE(noDates.failures.empty());
    EXPECT_TRUE(noDates.topB.empty());
}

TEST(CallStatisticsTest, NumbersKeptAsIntegersCountByTheirDecimalText) {
    std::vector<Call> calls;
    for (int i = 0; i < 7; ++i)
        calls.push_back({"2026-03-01", "08:00:00.000", 1000, std::nullopt, "", std::nullopt});
    const CallStatistics s = CallStatistics::Of(
        CallRows(calls, "CAST(id % 3 + 10000000000000017 AS INTEGER) AS Номер_Б, "
                        "CAST(id % 2 AS INTEGER) AS Номер_А, day AS Дата_иниц, ms AS Прод_мс")
            .Rows());
    ASSERT_EQ(s.topB.size(), 3u);
    EXPECT_EQ(s.topB[0].number, "10000000000000017"); // ids 0, 3, 6
    EXPECT_EQ(s.topB[0].calls, 3);
    EXPECT_EQ(s.topB[1].number, "10000000000000018");
    EXPECT_EQ(s.topB[2].number, "10000000000000019");
    EXPECT_EQ(s.topB[2].calls, 2);
    ASSERT_EQ(s.topA.size(), 2u);
    EXPECT_EQ(s.topA[0].number, "0");
    EXPECT_EQ(s.topA[0].calls, 4);
    EXPECT_DOUBLE_EQ(s.topA[0].minutes, 4 / 60.0);
}

} // namespace
} // namespace kestrom
