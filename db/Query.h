#pragma once

#include "db/Database.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The kind of a result column, from the declared type of the table column
/// it reads (the call table declares its dates DATE and its times TIME), or
/// for a computed column from the value in its first row.
enum class FieldType { Integer, Float, Text, Date, Time };

struct QueryColumn {
    std::string name; ///< UTF-8, as the select list names it
    FieldType type = FieldType::Text;
};

/// An SQL query over the database: a text of lines (UTF-8), opened into a
/// result that is read row by row from the first to the last.
class Query {
  public:
    explicit Query(Database& db);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    /// The text, one entry per line. Changing it does not touch an open
    /// result; the next Open uses the new text.
    std::vector<std::string>& Lines() { return lines_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
    /// The lines joined with CR LF, as the query is prepared.
    std::string Text() const;

    /// Writes the text to fileName in the database directory: each line in
    /// Windows-1251, ended by CR LF. Raises DbError when the file cannot be
    /// written.
    void SaveToFile(std::string_view fileName) const;

    /// An SQL condition over the result's column names that selects rows of
    /// the result; empty for none. Setting it on an open query reopens it.
    void SetFilter(std::string condition);
    const std::string& Filter() const { return filter_; }

    /// Prepares and runs the query and stands on its first row.
    void Open();
    void Close();
    bool IsOpen() const { return stmt_ != nullptr; }

    const std::vector<QueryColumn>& Columns() const { return columns_; }
    /// Position of the column of that exact name, -1 when there is none.
    int ColumnIndex(std::string_view name) const;

    /// True when there is no current row: past the last or an empty result.
    bool Eof() const { return eof_; }
    void Next();
    /// Back to the first row (the query runs again).
    void First();

    bool IsNull(int column) const;
    /// The value as it is displayed: integers in decimal, floats in their
    /// shortest exact decimal form without exponent, texts as stored, NULL
    /// as an empty text.
    std::string AsText(int column) const;
    /// The value's bytes as the engine holds them as text, without a copy;
    /// valid until the query moves on. Empty for NULL. Meant for columns of
    /// text values; a floating-point value reads in the engine's own form.
    std::string_view TextView(int column) const;
    /// The value as a number (a text is read as its leading number).
    double AsFloat(int column) const;
    std::int64_t AsInteger(int column) const;

    bool IsNull(std::string_view column) const { return IsNull(Column(column)); }
    std::string AsText(std::string_view column) const { return AsText(Column(column)); }
    double AsFloat(std::string_view column) const { return AsFloat(Column(column)); }
    std::int64_t AsInteger(std::string_view column) const { return AsInteger(Column(column)); }

  private:
    int Column(std::string_view name) const;
    int Checked(int column) const;
    void Step();

    Database& db_;
    std::vector<std::string> lines_;
    std::string filter_;
    Statement stmt_;
    std::vector<QueryColumn> columns_;
    bool eof_ = true;
};

/// The shortest decimal text without exponent that reads back as exactly v
/// (120000 as "120000", 1.5 as "1.5"): the text form of a floating-point value.
void AppendShortestDecimal(double v, std::string& out);

} // namespace kestrom
