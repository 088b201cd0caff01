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
/// Each column keeps its values compactly: NULLs as one bit per cell;
/// integers 16, 32 or 64 bits wide, as wide as the widest value read so far
/// needs; floating-point values as doubles; a text column (dates and times
/// included) while it has at most DictionaryLimit distinct texts as those
/// texts once each and a 16-bit code per cell, beyond that as one byte arena
/// with an end offset per cell. A cell costs no allocation of its own;
/// display texts of numbers are made only when asked for. A read that
/// reaches the end of the query gives back the blocks' unused room.
///
///     ResultSet rows;
///     rows.Reset(query);          // the columns of the open query
///     rows.ReadRows(query);       // every row from the current one on
///     for (std::size_t r = 0; r < rows.RowCount(); ++r) rows.AppendText(r, 0, line);
class ResultSet {
  public:
    /// How a column's values are kept.
    enum class Storage : std::uint8_t { Integer, Float, Text };

    /// The most distinct texts a column keeps as a dictionary.
    static constexpr std::size_t DictionaryLimit = 65536;

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

    /// The bytes the held rows take: the capacities of every column's blocks.
    std::size_t MemoryBytes() const;

    /// True while the texts of the column are kept as a dictionary (for a
    /// text column; false for a numeric one).
    bool IsDictionary(std::size_t column) const;
    /// For a column kept as a dictionary: how many distinct texts it holds,
    /// and the number (below that count) of a cell's text; equal texts have
    /// equal numbers, a NULL cell has the number of the empty text. Meant
    /// for walking a column's distinct values; the numbers change with the
    /// rows.
    std::size_t DictionarySize(std::size_t column) const;
    std::uint32_t TextCode(std::size_t row, std::size_t column) const {
        return data_[column].texts.codes[row];
    }
    /// The width in bytes of the integers of an integer column: 2, 4 or 8
    /// (0 for any other column).
    std::size_t IntegerBytes(std::size_t column) const;

  private:
    // The integers of a column in the narrowest of 16, 32 and 64 bits that
    // holds every value appended so far; a wider value widens them all.
    struct IntegerCells {
        std::uint8_t bytes = 2;
        std::vector<std::int16_t> narrow;
        std::vector<std::int32_t> middle;
        std::vector<std::int64_t> wide;

        void Append(std::int64_t value);
        std::int64_t At(std::size_t row) const;
        void Widen(std::uint8_t toBytes);
        void Clear();
        void ShrinkToFit();
        std::size_t MemoryBytes() const;
    };

    // The texts of a column: a dictionary of distinct texts with a code per
    // cell, or, once the dictionary would outgrow DictionaryLimit, an arena
    // of all cells' bytes with an end offset per cell.
    struct TextCells {
        bool dictionary = true;
        std::vector<std::uint16_t> codes;
        std::string words; // the distinct texts one after another
        std::vector<std::uint32_t> wordEnds;
        // Hash index of words while rows are read: bits of the word's hash
        // over code + 1, 0 when free. Rebuilt when needed again.
        std::vector<std::uint32_t> wordIndex;
        std::uint32_t lastCode = 0; // the code of the cell appended last
        std::string arena;
        std::vector<std::uint32_t> ends; // end of each cell's bytes in arena

        // False (and nothing appended) when the bytes would outgrow 4 GiB.
        [[nodiscard]] bool Append(std::string_view text);
        std::string_view At(std::size_t row) const;
        void Clear();
        void ShrinkToFit();
        std::size_t MemoryBytes() const;

      private:
        std::string_view Word(std::uint32_t code) const;
        // The code of text, added when new; DictionaryLimit when full.
        std::uint32_t Code(std::string_view text);
        // Builds the index anew with room for one more word.
        void GrowWordIndex();
        [[nodiscard]] bool AppendToArena(std::string_view text);
        [[nodiscard]] bool MoveToArena();
    };

    struct ColumnData {
        Storage storage = Storage::Text;
        std::vector<std::uint64_t> nulls; // one bit per row
        IntegerCells integers;
        std::vector<double> floats;
        TextCells texts;
    };

    void AppendRow(const Query& query);
    void ShrinkToFit();

    std::vector<QueryColumn> columns_;
    std::vector<ColumnData> data_;
    std::size_t rows_ = 0;
};

} // namespace kestrom
