#pragma once

#include "results/ResultSet.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The figures of the "Статистика" page and of `kestrom-cli stats`: when,
/// how often, with whom and how long the calls of the shown rows were,
/// gathered in one pass over the rows.
///
///     const CallStatistics s = CallStatistics::Of(rows, shownRows);
///     for (const CallStatistics::DayFigure& d : s.days) Bar(d.date, d.calls);
///
/// Every row given counts as one call. A row without a set-up date (NULL or
/// the reset date 1899-12-30 in "Дата_иниц") is left out of the days and
/// the hours and counted in withoutStartDate; it still counts in the
/// durations, the failures and the top lists. A column the result lacks
/// contributes nothing.
struct CallStatistics {
    /// The duration buckets, in order; a duration on an edge belongs to the
    /// bucket that starts there (exactly 10 s is "10–60 с").
    static constexpr std::size_t BucketCount = 5;
    /// The lower edges of buckets 1..4 in milliseconds (bucket 0 starts at
    /// minus infinity): 10 s, 60 s, 5 min, 30 min.
    static constexpr std::array<std::int64_t, BucketCount - 1> BucketEdgesMs = {10000, 60000,
                                                                                300000, 1800000};
    /// The bucket names the user reads (UTF-8).
    static constexpr std::array<std::string_view, BucketCount> BucketNames = {
        "до 10 с", "10–60 с", "1–5 мин", "5–30 мин", "более 30 мин"};
    /// How many numbers each top list holds at most.
    static constexpr std::size_t TopCount = 20;

    struct DayFigure {
        std::string date; ///< ISO "YYYY-MM-DD", as the result stores it
        std::int64_t calls = 0;
        double minutes = 0; ///< sum of "Прод_мс" / 60000
    };
    struct CountFigure {
        std::string text; ///< the failure text ("" for NULL)
        std::int64_t calls = 0;
    };
    struct NumberFigure {
        std::string number;
        std::int64_t calls = 0;
        double minutes = 0;
    };

    /// Days with at least one call, in date order.
    std::vector<DayFigure> days;
    /// Calls by the hour of "Время_иниц", 0 to 23.
    std::array<std::int64_t, 24> hours{};
    /// Calls by duration bucket (see BucketNames); a NULL duration counts
    /// in no bucket.
    std::array<std::int64_t, BucketCount> durations{};
    /// Calls by the text of "Ошибка", most calls first, ties by text.
    std::vector<CountFigure> failures;
    /// The TopCount numbers B ("Номер_Б") and A ("Номер_А") with most calls,
    /// most first, ties by number (byte order); empty numbers are left out.
    std::vector<NumberFigure> topB;
    std::vector<NumberFigure> topA;
    /// Rows without a set-up date.
    std::int64_t withoutStartDate = 0;
    /// Rows counted.
    std::int64_t calls = 0;

    /// The figures of the given rows of the result (row numbers in range).
    static CallStatistics Of(const ResultSet& rows, std::span<const std::uint32_t> rowNumbers);
    /// The figures of every row of the result.
    static CallStatistics Of(const ResultSet& rows);

    /// The bucket of a duration in milliseconds.
    static std::size_t BucketOf(double milliseconds);
};

} // namespace kestrom
