#pragma once

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::cli {

/// A wrong command line: the message names the argument; exit status 2.
struct UsageError {
    std::string text;
};

/// The options parse() reads from the command line; nothing, after writing
/// the message behind prefix on stderr, when it raises a UsageError (the
/// command then ends with exit status 2).
template <class Parse>
auto ParsedOrReported(Parse parse, std::string_view prefix) -> std::optional<decltype(parse())> {
    try {
        return parse();
    } catch (const UsageError& e) {
        std::cerr << prefix << e.text << "\n";
        return std::nullopt;
    }
}

/// One --where COLUMN:CONDITION.
struct ResultCondition {
    std::string column;
    std::string text;
};

/// What the commands that read the result query (query, export) take from
/// the command line: the database directory, the columns in their order,
/// the sort list and the conditions of the grid's filter row.
class CliResultOptions {
  public:
    /// The defaults of a first run of the program, over programDir.
    explicit CliResultOptions(const std::filesystem::path& programDir);

    /// True when name is one of --db-dir, --columns, --sort and --where;
    /// then its value is taken (a bad --where raises UsageError).
    bool Take(const std::string& name, const std::string& value);
    /// Checks the columns, the sort list and the directory; raises UsageError.
    void Check();

    const std::filesystem::path& DbDir() const { return dbDir_; }
    /// The columns to write, in their order (after Check).
    const std::vector<std::string>& Columns() const { return columns_; }
    /// The sort items (after Check).
    const std::vector<std::string>& Sort() const { return sort_; }
    const std::vector<ResultCondition>& Where() const { return where_; }

  private:
    std::filesystem::path dbDir_;
    std::string columnList_;
    std::string sortList_;
    std::vector<std::string> columns_;
    std::vector<std::string> sort_;
    std::vector<ResultCondition> where_;
};

} // namespace kestrom::cli
