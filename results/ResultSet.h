#pragma once

#include "db/Query.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The rows of a query result held in memory, column by column, so that the
/// grid, the totals and the exports can walk a large result quickly and as
/// often as they like without running the query again.
///
/// Each column keeps its values in one block: integer and floating-point
/// columns as arrays of numbers, text columns (dates and times included) as
/// one byte arena with an end offset per cell. A cell costs no allocation of
/// its own; display texts of numbers are made only when asked for.
///
///     ResultSet rows;
///     rows.Reset(query);          // the columns of the open query
///     rows.ReadRows(query);       // every row from the current one on
///     for (std::size_t r = 0; r < rows.RowCount(); ++r) rows.AppendText(r, 0, line);
class ResultSet {
  public:
    /// How a column's values are kept.
    enum class Storage : std::uint8_t { Integer, Float, Text };

    /// Takes the columns of the open query and drops every row held.
    void Reset(const Query& query);
    /// Drops the rows and keeps the columns (to read a result in batches).
    void ClearRows();

    /// Reads up to maxRows rows of the query, from its current row on, and
    /// leaves it on the row after the last one read. Returns how many rows
    /// were read; 0 once the query is at its end. Raises DbError when the
    /// engine fails while stepping through the result, and std::length_error
    /// when the texts of one column outgrow 4 GiB.
    std::size_t ReadRows(Query& query,
                         std::size_t maxRows = std::numeric_limits<std::size_t>::max());

    std::size_t RowCount() const { return rows_; }
    std::size_t ColumnCount() const { return columns_.size(); }
    const std::vector<QueryColumn>& Columns() const { return columns_; }
    /// Position of the column of that exact name, -1 when there is none.
    int ColumnIndex(std::string_view name) const;
    Storage StorageOf(std::size_t column) const { return data_[column].storage; }

    /// Cell access; row and column must be in range.
    bool IsNull(std::size_t row, std::size_t column) const;
    /// The value as a number: 0 for NULL, a text read as its leading number.
    double AsFloat(std::size_t row, std::size_t column) const;
    std::int64_t AsInteger(std::size_t row, std::size_t column) const;
    /// The stored bytes of a text cell (valid until the rows change); empty
    /// for a NULL cell and for a cell of a numeric column.
    std::string_view TextView(std::size_t row, std::size_t column) const;
    /// Appends the display text: integers in decimal, floating-point values
    /// in their shortest exact decimal form without exponent, texts as
    /// stored, nothing for NULL (the forms of Query::AsText).
    void AppendText(std::size_t row, std::size_t column, std::string& out) const;
    std::string AsText(std::size_t row, std::size_t column) const;

  private:
    struct ColumnData {
        Storage storage = Storage::Text;
        std::vector<std::uint8_t> nulls;
        std::vector<std::int64_t> integers;
        std::vector<double> floats;
        std::vector<std::uint32_t> textEnds; // end of each cell's bytes in arena
        std::string arena;
    };

    std::vector<QueryColumn> columns_;
    std::vector<ColumnData> data_;
    std::size_t rows_ = 0;
};

} // namespace kestrom
