#pragma once

#include "db/Query.h"
#include "results/CellTexts.h"
#include "results/FilterCondition.h"
#include "results/ResultSet.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The grid's filter row over a result held in memory: a condition per
/// column (see FilterCondition), all of them joined with AND, applied to
/// the rows without running the query again.
///
///     RowFilter filter(rows.Columns(), texts);
///     if (std::string error = filter.Set(7, "3852"); !error.empty()) Show(error);
///     filter.Set(18, ">=60000");
///     const std::vector<std::uint32_t> shown = filter.Apply(rows, texts);
class RowFilter {
  public:
    /// A filter for a result of these columns. texts turns typed dates and
    /// times into their stored form while conditions are set; it must
    /// outlive the filter.
    RowFilter(std::span<const QueryColumn> columns, const CellTexts& texts);

    /// Replaces the column's conditions by the one the text gives. Returns
    /// the Russian message of an invalid text, which then leaves the column
    /// without condition and is remembered; empty for a valid text (a blank
    /// one sets no condition).
    std::string Set(std::size_t column, std::string_view text);
    /// Adds the text's condition to those of the column (AND); returns and
    /// remembers the message of an invalid text as Set does.
    std::string Add(std::size_t column, std::string_view text);
    /// The message of the column's last invalid text, empty when none.
    const std::string& Error(std::size_t column) const { return errors_.at(column); }

    /// Drops every condition and message.
    void Clear();
    /// Drops the column's conditions and message.
    void Clear(std::size_t column);
    /// True when no column has a condition.
    bool Empty() const { return conditions_.empty(); }

    /// The rows that pass every condition, in result order; every row when
    /// there is no condition. texts gives the display texts of rows.
    std::vector<std::uint32_t> Apply(const ResultSet& rows, const CellTexts& texts) const;

  private:
    std::vector<FieldType> types_;
    const CellTexts& texts_;
    std::vector<FilterCondition> conditions_; // in column order
    std::vector<std::string> errors_;         // by column
};

} // namespace kestrom
