#pragma once

#include "base/ResultColumns.h"
#include "db/Query.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// 0-based position of a result column by its exact name, -1 for none.
int ResultColumnPosition(std::string_view name);

/// The file in the database directory that holds the grouping query.
inline constexpr std::string_view GroupingQueryFile = "servis.sql";

/// The grouping query, line by line: for every call identifier the longest
/// duration among its successful partial records whose 102_F1 is at most 1.
const std::vector<std::string>& GroupingQueryLines();

/// The main query, line by line, without its ORDER BY line: whole calls
/// (Sequence 1, F10 1) and, for a long call, its longest successful partial
/// record, with the failure and service codes replaced by their texts.
const std::vector<std::string>& MainQueryLines();

/// The ORDER BY line of a sort list ("Дата_иниц[Up]", "Время_ок[Down]"):
/// the items joined with "," and "[Up]" / "[Down]" turned into " ASC" /
/// " DESC". Empty for an empty list (the query then gets no ORDER BY line).
std::string SortListOrderBy(std::span<const std::string> sortItems);

/// The message box of a failed opening of the result.
struct ResultFailure {
    static constexpr std::string_view Message = "Ошибка #100";
    static constexpr std::string_view Title = "Error";
};

/// What opening or re-sorting the result came to. On failure the query is
/// closed; message and title are what the window shows (with the error icon
/// for an opening), detail is the engine's own explanation.
struct ResultOutcome {
    bool ok = true;
    std::string message;
    std::string title;
    std::string detail;
};

/// The command "Открыть таблицу" without its window part: clears the
/// filter, saves the grouping query as servis.sql in the database directory,
/// and opens the main query ordered by the sort list. Any failure (servis.sql
/// not writable, a missing table, a sort item that without its suffix is no
/// result column name)
/// closes the query and gives the failure "Ошибка #100".
ResultOutcome OpenResultQuery(Query& query, std::span<const std::string> sortItems);

enum class SortDirection { Ascending, Descending };

/// The sort mark of one grid column set by title clicks.
struct SortMark {
    std::string column; ///< a result column name
    SortDirection direction = SortDirection::Ascending;
};

/// "ORDER BY " and the 1-based result positions of the marked columns in
/// sort order, " DESC" after a descending one, separated by ", "
/// ("ORDER BY 8, 19 DESC"). Empty when nothing is marked. Throws
/// std::invalid_argument for a mark naming no result column.
std::string TitleSortOrderBy(std::span<const SortMark> marks);

/// Replaces the first line whose first eight characters, upper-cased, read
/// "ORDER BY" by line, or appends line when there is none.
void ReplaceOrderByLine(std::vector<std::string>& lines, std::string line);

/// A title click applied: closes the query, puts the ORDER BY line of the
/// marks in place of its current one and opens it again. On failure the
/// query stays closed and the outcome carries the engine's error as its
/// message and detail.
ResultOutcome ReorderResultQuery(Query& query, std::span<const SortMark> marks);

} // namespace kestrom
