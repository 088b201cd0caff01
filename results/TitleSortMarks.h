#pragma once

#include "results/ResultQuery.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The sort marks that clicks on the grid's column titles set, in sort
/// order. A click without Ctrl leaves only the clicked column marked and
/// steps it unsorted -> ascending -> descending -> ascending; a click with
/// Ctrl keeps the other marks and steps the clicked column unsorted ->
/// ascending -> descending -> unsorted, a newly marked column coming last.
///
///     TitleSortMarks marks;
///     marks.Click("Номер_А", true);
///     marks.Click("Прод_мс", true);
///     ReorderResultQuery(query, marks.Marks());   // ORDER BY 8, 19
class TitleSortMarks {
  public:
    /// One click on the title of the named result column.
    void Click(std::string_view column, bool ctrl);
    /// The named column as the only sort column.
    void SetOnly(std::string_view column, SortDirection direction);
    void Clear() { marks_.clear(); }

    const std::vector<SortMark>& Marks() const { return marks_; }
    /// The direction of the column's mark; none when it is unsorted.
    std::optional<SortDirection> Direction(std::string_view column) const;
    /// The 1-based place of the column in the sort order, 0 when unsorted.
    int Place(std::string_view column) const;

  private:
    std::vector<SortMark>::iterator Find(std::string_view column);

    std::vector<SortMark> marks_;
};

} // namespace kestrom
