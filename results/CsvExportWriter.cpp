#include "results/CsvExportWriter.h"

#include "results/CsvWriter.h"

namespace kestrom {

CsvExportWriter::CsvExportWriter(ExportOutput& out, const ExportTable& table)
    : out_(out), table_(table) {}

void CsvExportWriter::Begin() {
    out_.Buffer().append("\xEF\xBB\xBF");
    fields_.clear();
    for (const ExportColumn& column : table_.columns)
        fields_.push_back(column.caption);
    AppendCsvRecord(out_.Buffer(), fields_);
    out_.Spill();
}

void CsvExportWriter::Row(std::span<const ExportCell> cells) {
    fields_.clear();
    for (const ExportCell& cell : cells)
        fields_.push_back(cell.null ? std::string_view() : cell.text);
    AppendCsvRecord(out_.Buffer(), fields_);
    out_.Spill();
}

void CsvExportWriter::End() {
    out_.Flush();
}

} // namespace kestrom
