#pragma once

#include "results/ResultSet.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrom {

/// The totals under the result grid: how many records the rows hold and
/// how long their calls lasted, with the three panel texts that show them.
///
///     const ResultTotals totals = ResultTotals::Of(rows, shownRows);
///     const ResultTotals::Texts texts = totals.Format(",");
///     // "Всего записей: 3", "Суммарная продолжительность 1234,5 мс.",
///     // "ИТОГО: 0 час. 0,020575 мин."
struct ResultTotals {
    /// The panel texts, UTF-8.
    struct Texts {
        std::string panel0; ///< "Всего записей: N"
        std::string panel1; ///< "Суммарная продолжительность S мс."
        std::string panel2; ///< "ИТОГО: H час. R мин."
    };

    /// The sum of "Прод_мс" over its non-NULL cells, each value rounded to
    /// four decimals, in ten-thousandths of a millisecond.
    std::int64_t durationTenThousandths = 0;
    /// The rows whose "Тип_зап" is not NULL.
    std::int64_t records = 0;

    /// The totals of the given rows of the result (row numbers in range).
    /// A column the result lacks counts nothing. The sum stops at the
    /// limits of its 64 bits rather than wrap.
    static ResultTotals Of(const ResultSet& rows, std::span<const std::uint32_t> rowNumbers);
    /// The totals of every row of the result.
    static ResultTotals Of(const ResultSet& rows);

    /// The panel texts with the given decimal separator: the sum in
    /// milliseconds without thousands separators and without trailing
    /// zeros; the whole hours of the sum (cut toward zero) and the minutes
    /// left over, those in up to 15 significant digits and never with an
    /// exponent.
    Texts Format(std::string_view decimalSeparator) const;
    /// The texts of no rows, shown while no result is open.
    static Texts ZeroTexts() { return ResultTotals{}.Format("."); }
};

} // namespace kestrom
