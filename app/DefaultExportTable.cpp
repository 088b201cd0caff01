#include "app/DefaultExportTable.h"
#include "results/ResultExportRows.h"

namespace kestrom {

ExportTable DefaultExportTable(const ResultSet& rows, std::span<const std::size_t> columns) {
    ExportTable table;
    table.buttonFace = 0xF0F0F0;
    table.cellBackground = DefaultWindowColour;
    for (const std::size_t at : columns) {
        ExportColumn exported;
        exported.caption = rows.Columns()[at].name;
        exported.widthPx = 64;
        exported.kind = ResultExportRows::KindOf(rows, at);
        const bool numeric =
            exported.kind == ExportKind::Integer || exported.kind == ExportKind::Float;
        exported.alignment = numeric ? ExportAlignment::Right : ExportAlignment::Left;
        table.columns.push_back(std::move(exported));
    }
    return table;
}

} // namespace kestrom
