#include "ui/FilterRow.h"

#include "ui/FilterCell.h"

#include <QHeaderView>

namespace kestrom {

FilterRow::FilterRow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FilterRow"));
}

void FilterRow::Rebuild(int columns) {
    for (FilterCell* cell : cells_)
        delete cell;
    cells_.clear();
    for (int c = 0; c < columns; ++c) {
        auto* cell = new FilterCell(c, this);
        cell->values = [this, c] { return values ? values(c) : QStringList(); };
        connect(cell, &FilterCell::conditionEdited, this, &FilterRow::conditionEdited);
        connect(cell, &FilterCell::sortChosen, this, &FilterRow::sortChosen);
        connect(cell, &FilterCell::clearAllChosen, this, &FilterRow::clearAllChosen);
        cells_.push_back(cell);
    }
}

FilterCell* FilterRow::Cell(int column) const {
    if (column < 0 || column >= Count()) return nullptr;
    return cells_[static_cast<std::size_t>(column)];
}

void FilterRow::ClearAll() {
    for (FilterCell* cell : cells_) {
        cell->SetCondition({});
        cell->ShowError({});
    }
}

void FilterRow::PlaceCells(const QHeaderView& header) {
    QWidget* previous = nullptr;
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        FilterCell* cell = Cell(logical);
        if (cell == nullptr) continue;
        if (header.isSectionHidden(logical)) {
            cell->hide();
            continue;
        }
        cell->setGeometry(header.sectionViewportPosition(logical), 0, header.sectionSize(logical),
                          height());
        cell->setFixedHeight(height());
        cell->show();
        if (previous != nullptr) setTabOrder(previous, cell);
        previous = cell;
    }
}

QSize FilterRow::sizeHint() const {
    // One line of the grid's type, as compact as a row of the grid.
    return {0, fontMetrics().height() + 4};
}

} // namespace kestrom
