#include "ui/RowColouring.h"

namespace kestrom {

namespace {

bool Holds(const std::function<bool()>& condition) {
    return condition && condition();
}

} // namespace

bool RowColouring::Colours(const ResultSet& rows, std::size_t row) const {
    if (!Holds(enabled) || !Holds(failureDisplayed) || !Holds(gridVisible)) return false;
    const int column = rows.ColumnIndex(FailureColumn);
    if (column < 0 || row >= rows.RowCount()) return false;
    const auto c = static_cast<std::size_t>(column);
    return !rows.IsNull(row, c) && rows.TextView(row, c) == SuccessText;
}

} // namespace kestrom
