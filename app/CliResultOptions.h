#pragma once

#include <algorithm>
#include <filesystem>
#include <initializer_list>
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

/// Walks a command line of "--name value" pairs and bare flags in their
/// order: take(name, value) for each pair, take(flag, "") for each flag. An
/// argument that is neither one of names nor one of flags, and a name
/// without a value, raise UsageError.
template <class Take>
void WalkOptions(const std::vector<std::string>& args,
                 std::initializer_list<std::string_view> names,
                 std::initializer_list<std::string_view> flags, Take take) {
    const auto among = [](std::initializer_list<std::string_view> list, const std::string& arg) {
        return std::find(list.begin(), list.end(), arg) != list.end();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (among(flags, name)) {
            take(name, std::string());
            continue;
        }
        if (!among(names, name))
            throw UsageError{std::string("неизвестный аргумент: ").append(name)};
        if (i + 1 >= args.size())
            throw UsageError{std::string(name).append(": не указано значение")};
        take(name, args[++i]);
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
