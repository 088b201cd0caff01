#include "results/ResultExportRows.h"

namespace kestrom {

ResultExportRows::ResultExportRows(const ResultSet& rows, std::span<const std::uint32_t> rowNumbers,
                                   std::vector<std::size_t> columns, const CellTexts& texts,
                                   Colouring colouring, Rgb window)
    : ResultExportRows(rows, std::move(columns), texts, std::move(colouring), window) {
    rowNumbers_ = rowNumbers;
}

ResultExportRows::ResultExportRows(const ResultSet& rows, std::vector<std::size_t> columns,
                                   const CellTexts& texts, Colouring colouring, Rgb window)
    : rows_(rows), columns_(std::move(columns)), texts_(texts), colouring_(std::move(colouring)),
      window_(window), scratch_(columns_.size()) {
    for (const std::size_t c : columns_)
        kinds_.push_back(KindOf(rows, c));
}

ExportKind ResultExportRows::KindOf(const ResultSet& rows, std::size_t column) {
    switch (rows.StorageOf(column)) {
    case ResultSet::Storage::Integer:
        return ExportKind::Integer;
    case ResultSet::Storage::Float:
        return ExportKind::Float;
    case ResultSet::Storage::Text:
        break;
    }
    switch (rows.Columns()[column].type) {
    case FieldType::Date:
        return ExportKind::Date;
    case FieldType::Time:
        return ExportKind::Time;
    default:
        return ExportKind::Text;
    }
}

std::size_t ResultExportRows::RowCount() const {
    return rowNumbers_ ? rowNumbers_->size() : rows_.RowCount();
}

std::size_t ResultExportRows::RowAt(std::size_t position) const {
    return rowNumbers_ ? (*rowNumbers_)[position] : position;
}

bool ResultExportRows::Next(std::vector<ExportCell>& cells) {
    if (next_ >= RowCount()) return false;
    const std::size_t row = RowAt(next_++);
    const Rgb background = colouring_ && colouring_(row) ? Highlight : window_;
    cells.resize(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i)
        Fill(cells[i], row, i, background);
    return true;
}

void ResultExportRows::Fill(ExportCell& cell, std::size_t row, std::size_t i, Rgb background) {
    const std::size_t column = columns_[i];
    cell = ExportCell{};
    cell.background = background;
    cell.null = rows_.IsNull(row, column);
    if (cell.null) return;
    cell.text = texts_.Text(row, column, scratch_[i]);
    switch (kinds_[i]) {
    case ExportKind::Integer:
        cell.integer = rows_.AsInteger(row, column);
        break;
    case ExportKind::Float:
        cell.number = rows_.AsFloat(row, column);
        break;
    case ExportKind::Date:
    case ExportKind::Time:
        cell.stored = rows_.TextView(row, column);
        break;
    case ExportKind::Text:
        break;
    }
}

} // namespace kestrom
