#include "results/TitleSortMarks.h"

#include <algorithm>

namespace kestrom {

std::vector<SortMark>::iterator TitleSortMarks::Find(std::string_view column) {
    return std::find_if(marks_.begin(), marks_.end(),
                        [&](const SortMark& m) { return m.column == column; });
}

void TitleSortMarks::Click(std::string_view column, bool ctrl) {
    auto mark = Find(column);
    if (!ctrl) {
        const bool descend = mark != marks_.end() && mark->direction == SortDirection::Ascending;
        SetOnly(column, descend ? SortDirection::Descending : SortDirection::Ascending);
        return;
    }
    if (mark == marks_.end())
        marks_.push_back({std::string(column), SortDirection::Ascending});
    else if (mark->direction == SortDirection::Ascending)
        mark->direction = SortDirection::Descending;
    else
        marks_.erase(mark);
}

void TitleSortMarks::SetOnly(std::string_view column, SortDirection direction) {
    marks_.assign(1, SortMark{std::string(column), direction});
}

std::optional<SortDirection> TitleSortMarks::Direction(std::string_view column) const {
    const int place = Place(column);
    if (place == 0) return std::nullopt;
    return marks_[static_cast<std::size_t>(place - 1)].direction;
}

int TitleSortMarks::Place(std::string_view column) const {
    for (std::size_t i = 0; i < marks_.size(); ++i)
        if (marks_[i].column == column) return static_cast<int>(i) + 1;
    return 0;
}

} // namespace kestrom
