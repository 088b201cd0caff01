#include "results/StoredCellTexts.h"

namespace kestrom {

std::string_view StoredCellTexts::Text(std::size_t row, std::size_t column,
                                       std::string& scratch) const {
    if (rows_.StorageOf(column) == ResultSet::Storage::Text) return rows_.TextView(row, column);
    scratch.clear();
    rows_.AppendText(row, column, scratch);
    return scratch;
}

} // namespace kestrom
