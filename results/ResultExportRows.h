#pragma once

#include "results/CellTexts.h"
#include "results/ExportTable.h"
#include "results/ResultSet.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrom {

/// The rows of a result held in memory as the export reads them: the given
/// rows (or every row) in their order, the given columns in their order,
/// each cell with its value, its display text and its background. What the
/// window and the console both export from.
///
///     ResultExportRows rows(result, shown, {7, 0, 18}, texts,
///                           [&](std::size_t r) { return colouring.Colours(result, r); },
///                           0xFFFFFF);
///     ExportFile(path, ExportFormat::Html, table, rows);
class ResultExportRows : public ExportRows {
  public:
    /// The background of a row the colouring rule picks.
    static constexpr Rgb Highlight = 0xFFFF00;

    /// Whether a row (a row number of the result) gets the highlight.
    using Colouring = std::function<bool(std::size_t row)>;

    /// The given rows of the result (row numbers in range). rows, rowNumbers
    /// and texts must outlive this object; an empty colouring colours no row.
    ResultExportRows(const ResultSet& rows, std::span<const std::uint32_t> rowNumbers,
                     std::vector<std::size_t> columns, const CellTexts& texts, Colouring colouring,
                     Rgb window);
    /// Every row of the result.
    ResultExportRows(const ResultSet& rows, std::vector<std::size_t> columns,
                     const CellTexts& texts, Colouring colouring, Rgb window);

    std::size_t RowCount() const override;
    bool Next(std::vector<ExportCell>& cells) override;

    /// How a column of the result goes into the typed formats: by its
    /// storage an Integer or a Float, else by its field type a Date or a
    /// Time, else a Text.
    static ExportKind KindOf(const ResultSet& rows, std::size_t column);

  private:
    std::size_t RowAt(std::size_t position) const;
    void Fill(ExportCell& cell, std::size_t row, std::size_t column, Rgb background);

    const ResultSet& rows_;
    std::optional<std::span<const std::uint32_t>> rowNumbers_;
    std::vector<std::size_t> columns_;
    std::vector<ExportKind> kinds_;
    const CellTexts& texts_;
    Colouring colouring_;
    Rgb window_;
    std::size_t next_ = 0;
    std::vector<std::string> scratch_; // one per column: the texts of a row live together
};

} // namespace kestrom
