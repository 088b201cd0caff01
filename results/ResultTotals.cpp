#include "results/ResultTotals.h"

#include "base/ResultColumns.h"
#include "results/AllRows.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kestrom {

namespace {

constexpr std::string_view DurationColumn = ResultColumnList[18];  // "Прод_мс"
constexpr std::string_view RecordTypeColumn = ResultColumnList[2]; // "Тип_зап"
constexpr std::int64_t Scale = 10000;                              // four decimals
constexpr std::int64_t TenThousandthsPerMinute = 60000 * Scale;
constexpr std::int64_t TenThousandthsPerHour = 60 * TenThousandthsPerMinute;

constexpr std::int64_t MaxSum = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t MinSum = std::numeric_limits<std::int64_t>::min();

std::int64_t Scaled(double ms) {
    const double scaled = std::round(ms * static_cast<double>(Scale));
    if (std::isnan(scaled)) return 0;
    if (scaled >= 9.2e18) return MaxSum;
    if (scaled <= -9.2e18) return MinSum;
    return static_cast<std::int64_t>(scaled);
}

std::int64_t Scaled(std::int64_t ms) {
    if (ms > MaxSum / Scale) return MaxSum;
    if (ms < MinSum / Scale) return MinSum;
    return ms * Scale;
}

void AddSaturated(std::int64_t& sum, std::int64_t value) {
    if (__builtin_add_overflow(sum, value, &sum)) sum = value > 0 ? MaxSum : MinSum;
}

// One pass over the rows. A NULL duration reads as 0 and so adds nothing,
// which spares asking each cell whether it is NULL.
template <class RowNumbers> ResultTotals Sum(const ResultSet& rows, const RowNumbers& rowNumbers) {
    ResultTotals totals;
    const int duration = rows.ColumnIndex(DurationColumn);
    const int recordType = rows.ColumnIndex(RecordTypeColumn);
    const auto durationAt = static_cast<std::size_t>(duration);
    const auto recordTypeAt = static_cast<std::size_t>(recordType);
    const bool wholeMs = duration >= 0 && rows.StorageOf(durationAt) == ResultSet::Storage::Integer;
    for (const auto row : rowNumbers) {
        if (duration >= 0) {
            const std::int64_t value = wholeMs ? Scaled(rows.AsInteger(row, durationAt))
                                               : Scaled(rows.AsFloat(row, durationAt));
            AddSaturated(totals.durationTenThousandths, value);
        }
        if (recordType >= 0 && !rows.IsNull(row, recordTypeAt)) ++totals.records;
    }
    return totals;
}

// The fixed-point sum as a plain decimal: no thousands separators, no
// trailing zeros of the fraction, no fraction at all when it is whole.
std::string FixedPointText(std::int64_t value, std::string_view separator) {
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const auto scale = static_cast<std::uint64_t>(Scale);
    std::string text = negative ? "-" : "";
    text.append(std::to_string(magnitude / scale));
    std::uint64_t fraction = magnitude % scale;
    if (fraction == 0) return text;
    std::string digits = std::to_string(fraction + scale).substr(1); // four digits
    while (digits.back() == '0')
        digits.pop_back();
    return text.append(separator).append(digits);
}

// The value with 15 significant digits, as "%.15g" writes it but always
// without exponent, trailing zeros of the fraction dropped.
std::string GeneralText(double value, std::string_view separator) {
    if (!std::isfinite(value)) return "0";
    char buffer[40];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    const bool negative = text.front() == '-';
    std::string digits;
    for (const char c : text.substr(0, e))
        if (c >= '0' && c <= '9') digits.push_back(c);
    int exponent = 0;
    const std::string_view exponentText = text.substr(e + 1);
    std::from_chars(exponentText.data() + (exponentText.front() == '+' ? 1 : 0),
                    exponentText.data() + exponentText.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    if (digits == "0") return "0";

    std::string out = negative ? "-" : "";
    if (exponent < 0) {
        out.append("0").append(separator).append(static_cast<std::size_t>(-exponent - 1), '0');
        return out.append(digits);
    }
    const auto wholeDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= wholeDigits)
        return out.append(digits).append(wholeDigits - digits.size(), '0');
    return out.append(digits, 0, wholeDigits).append(separator).append(digits, wholeDigits);
}

} // namespace

ResultTotals ResultTotals::Of(const ResultSet& rows, std::span<const std::uint32_t> rowNumbers) {
    return Sum(rows, rowNumbers);
}

ResultTotals ResultTotals::Of(const ResultSet& rows) {
    return Sum(rows, AllRows(rows.RowCount()));
}

ResultTotals::Texts ResultTotals::Format(std::string_view decimalSeparator) const {
    // Whole hours cut toward zero, and the minutes left over taken from the
    // exact remainder of the sum, so that they are the nearest double to
    // the true value whatever the size of the sum.
    const std::int64_t hours = durationTenThousandths / TenThousandthsPerHour;
    const std::int64_t rest = durationTenThousandths - hours * TenThousandthsPerHour;
    const double minutes = static_cast<double>(rest) / static_cast<double>(TenThousandthsPerMinute);

    Texts texts;
    texts.panel0 = "Всего записей: " + std::to_string(records);
    texts.panel1 = "Суммарная продолжительность " +
                   FixedPointText(durationTenThousandths, decimalSeparator) + " мс.";
    texts.panel2 = "ИТОГО: " + std::to_string(hours) + " час. " +
                   GeneralText(minutes, decimalSeparator) + " мин.";
    return texts;
}

} // namespace kestrom
