#pragma once

#include "results/ResultQuery.h"

#include <QWidget>

#include <functional>
#include <vector>

class QHeaderView;

namespace kestrom {

class FilterCell;

/// The filter row under the grid's titles: one FilterCell per column of the
/// result (by logical index), each kept under its column and hidden with it.
class FilterRow : public QWidget {
    Q_OBJECT
  public:
    explicit FilterRow(QWidget* parent = nullptr);

    /// A fresh, empty cell for each of that many columns.
    void Rebuild(int columns);
    int Count() const { return static_cast<int>(cells_.size()); }
    FilterCell* Cell(int column) const;
    /// Empties every cell without handing anything on.
    void ClearAll();
    /// Moves the cells under the sections of header, in its column order.
    void PlaceCells(const QHeaderView& header);

    /// Gives the values of a column for its drop-down list.
    std::function<QStringList(int column)> values;

    QSize sizeHint() const override;

  signals:
    void conditionEdited(int column, const QString& text);
    void sortChosen(int column, SortDirection direction);
    void clearAllChosen();

  private:
    std::vector<FilterCell*> cells_;
};

} // namespace kestrom
