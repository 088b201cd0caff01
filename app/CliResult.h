#pragma once

#include "app/CliResultOptions.h"
#include "db/Database.h"
#include "db/Query.h"
#include "results/ResultSet.h"
#include "results/RowFilter.h"
#include "results/StoredCellTexts.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::cli {

/// The result query opened for a console command as "Открыть таблицу"
/// opens it, with the chosen columns found in it and the conditions of
/// --where set on a filter like the grid's filter row. Conditions match the
/// texts as the result holds them (StoredCellTexts).
class CliResult {
  public:
    CliResult() : texts_(rows_) {}
    CliResult(const CliResult&) = delete;
    CliResult& operator=(const CliResult&) = delete;

    /// Opens the call table of the options' directory and the result query
    /// in their sort order. Returns 0, or the exit status after writing why
    /// to stderr behind prefix: 1 when the result cannot be opened or lacks
    /// a chosen column, 2 for an invalid condition. Raises what the engine
    /// raises.
    int Open(const CliResultOptions& options, std::string_view prefix);

    /// The open query, standing on the first row not read yet.
    kestrom::Query& Source() { return *query_; }
    /// The rows read so far, with the columns of the result.
    ResultSet& Rows() { return rows_; }
    const CellTexts& Texts() const { return texts_; }
    /// The positions in the result of the chosen columns, in their order.
    const std::vector<std::size_t>& Positions() const { return positions_; }

    /// Reads the rest of the result into memory and gives the rows that
    /// pass every condition, in result order.
    std::vector<std::uint32_t> ReadFiltered();

    /// What to tell of a failure raised while the result was opened or
    /// read: the call table's damage when it is damaged (a file damaged past
    /// its first pages fails only while it is read), else the failure.
    std::string Explain(const std::exception& failure);

  private:
    int FindColumns(const std::vector<std::string>& names, std::string_view prefix);
    int SetConditions(const std::vector<ResultCondition>& where, std::string_view prefix);

    std::optional<Database> db_;
    std::optional<kestrom::Query> query_;
    ResultSet rows_;
    StoredCellTexts texts_;
    std::optional<RowFilter> filter_;
    std::vector<std::size_t> positions_;
};

} // namespace kestrom::cli
