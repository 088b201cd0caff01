#include "ui/PrintSnapshotOfGrid.h"

#include "ui/FilterRow.h"
#include "ui/ResultGrid.h"

#include <numeric>

namespace kestrom {

namespace {

QFont HeaderFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

std::vector<int> ShownColumns(const ResultGrid& grid) {
    const QHeaderView& titles = *grid.horizontalHeader();
    std::vector<int> columns;
    for (int visual = 0; visual < titles.count(); ++visual) {
        const int logical = titles.logicalIndex(visual);
        if (!titles.isSectionHidden(logical)) columns.push_back(logical);
    }
    return columns;
}

PrintSnapshot::Column ColumnOf(const ResultGrid& grid, int logical) {
    const ResultModel& model = grid.Model();
    PrintSnapshot::Column column;
    column.logicalIndex = logical;
    column.caption = model.headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
    column.widthPx = grid.horizontalHeader()->sectionSize(logical);
    column.alignment =
        (model.ColumnAlignment(logical) & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    return column;
}

/// The title row without the filter row under it.
int TitleHeight(const ResultGrid& grid) {
    const FilterRow& filters = grid.Filters();
    const int filterHeight = filters.isHidden() ? 0 : filters.sizeHint().height();
    return std::max(grid.RowHeight(), grid.horizontalHeader()->sizeHint().height() - filterHeight);
}

} // namespace

PrintSnapshot PrintSnapshotOfGrid(const ResultGrid& grid, QStringList headerLines) {
    const ResultModel& model = grid.Model();
    PrintSnapshot snapshot;
    const auto block = grid.Marked();
    int firstRow = 0;
    int lastRow = model.rowCount() - 1;
    std::vector<int> columns;
    if (block) {
        firstRow = block->firstRow;
        lastRow = block->lastRow;
        columns = block->columns;
    } else {
        columns = ShownColumns(grid);
    }
    for (int logical : columns)
        snapshot.columns.push_back(ColumnOf(grid, logical));
    if (lastRow >= firstRow) {
        snapshot.rows.resize(static_cast<std::size_t>(lastRow - firstRow + 1));
        std::iota(snapshot.rows.begin(), snapshot.rows.end(), firstRow);
    }
    // Rows the grid no longer holds read as empty cells.
    snapshot.text = [&model](int row, int column) {
        if (row < 0 || row >= model.rowCount()) return QString();
        const std::size_t resultRow = model.ResultRow(row);
        if (resultRow >= model.Result().RowCount()) return QString();
        return model.DisplayText(resultRow, column);
    };
    snapshot.headerLines = std::move(headerLines);
    snapshot.headerFont = HeaderFont();
    snapshot.gridFont = grid.font();
    snapshot.rowHeightPx = grid.RowHeight();
    snapshot.titleHeightPx = TitleHeight(grid);
    snapshot.verticalTitles = grid.TitlesVertical();
    snapshot.screenDpi = grid.logicalDpiY();
    return snapshot;
}

} // namespace kestrom
