#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kestrom {

/// What the printed pages show of the grid, taken when "Печать" runs: the
/// columns (those of a marked block, of marked whole columns, or all shown
/// ones) with their titles, screen widths and alignments, the rows (the
/// marked block's, or all that pass the filter row, in the grid's order),
/// the header lines and the fonts.
struct PrintSnapshot {
    struct Column {
        int logicalIndex = 0; ///< in the grid's model
        QString caption;
        int widthPx = 64; ///< on the screen
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    };
    std::vector<Column> columns;
    /// The view rows of the grid's model to print, top to bottom.
    std::vector<int> rows;
    /// The display text of a cell: (view row, logical column).
    std::function<QString(int row, int column)> text;
    /// PrintStr and PrintStr1, those not empty, in that order.
    QStringList headerLines;
    QFont headerFont;       ///< Tahoma 8 pt
    QFont gridFont;         ///< the grid's font
    int rowHeightPx = 15;   ///< the grid's row height on the screen
    int titleHeightPx = 20; ///< the grid's title row on the screen
    bool verticalTitles = false;
    int screenDpi = 96; ///< the resolution the pixel sizes are in
};

} // namespace kestrom
