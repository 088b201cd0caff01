#pragma once

#include "ui/PrintSnapshot.h"

#include <QStringList>

namespace kestrom {

class ResultGrid;

/// What "Печать" prints of the grid as it is now: the columns and rows of
/// the marked block (only its columns, over every row, when whole columns
/// are marked), or else every shown column in display order and every row
/// that passes the filter row in the grid's order; each column with its
/// title, screen width and alignment; the cells as the grid shows them,
/// without colours; the grid's font, row height and title row.
/// The texts are read from the grid's model when a page is painted, so the
/// snapshot is used while the grid holds the same rows.
PrintSnapshot PrintSnapshotOfGrid(const ResultGrid& grid, QStringList headerLines);

} // namespace kestrom
