#pragma once

#include "ui/ResultModel.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kestrom {

/// The width of the widest display text of a result column, exactly as
/// QFontMetrics::horizontalAdvance measures each cell's text, for the grid's
/// command that fits the column widths. It stays fast on a million rows:
///
///  - each distinct stored value of the column (a text, a number) gets its
///    display text made once, NULL cells none;
///  - a display text of characters whose widths this font adds up without
///    kerning (checked once per character and per neighbouring pair, in the
///    font's exact 1/64-pixel advances) is summed, not laid out; only the
///    text with the largest sum is measured at the end, so the rounding to
///    whole pixels is the font's own;
///  - every other display text is measured.
///
/// A time column whose time format shows no milliseconds has its times told
/// apart by their seconds alone.
///
///     WidthFitter fitter;
///     const int width = fitter.CellTextWidth(model, column, fm) + WidthFitter::CellMargin;
///
/// A fitter keeps what it learnt about the last font it was given, so one
/// fitter for all the columns of a fitting measures each character once.
class WidthFitter {
  public:
    /// The room a fitted column adds to its widest cell text.
    static constexpr int CellMargin = 4;

    /// The widest display text of column among the given result rows (rows
    /// of the result, shown or not), in pixels of fm; 0 for no rows.
    int CellTextWidth(const ResultModel& model, int column, std::span<const std::uint32_t> rows,
                      const QFontMetrics& fm);
    /// The same over every row of the result.
    int CellTextWidth(const ResultModel& model, int column, const QFontMetrics& fm);

  private:
    // How many characters may have their advances summed: printable ASCII,
    // the no-break spaces and the minus sign.
    static constexpr int CharCount = 98;

    // The widest texts found so far in one column.
    struct Widest {
        std::int64_t units = -1; // largest sum of advances, in 1/64 pixel
        QString summed;          // a text of that sum
        int measured = 0;        // widest of the texts measured one by one
    };

    template <class Rows>
    int Width(const ResultModel& model, int column, const Rows& rows, const QFontMetrics& fm);
    // Takes the display text of one distinct value into account.
    void Consider(const QString& text, Widest& widest);
    int WidthOf(const Widest& widest) const;

    void UseFont(const QFontMetrics& fm);
    // The sum of the advances of text in 1/64 pixel; -1 when it holds a
    // character or a neighbouring pair that does not simply add up.
    std::int64_t SummedUnits(const QString& text);
    std::int64_t CharUnits(int index);
    bool PairAddsUp(int first, int second);

    std::optional<QFontMetrics> metrics_;
    std::optional<QFontMetricsF> exact_;
    // Learnt on first use: -2 unknown, -1 not to be summed, else 1/64 pixel.
    std::array<std::int64_t, CharCount> charUnits_{};
    // Learnt on first use: 0 unknown, 1 adds up, 2 does not.
    std::array<std::uint8_t, CharCount * CharCount> pairs_{};
    // Tables of the distinct values of a column, kept from one walk to the next.
    std::vector<std::uint64_t> table_;
    std::vector<std::uint64_t> spare_;
};

} // namespace kestrom
