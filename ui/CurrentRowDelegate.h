#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace kestrom {

/// Draws every cell of the view's current row as selected, so the current
/// row stays highlighted across the whole row while the selection itself
/// holds a marked block of cells.
class CurrentRowDelegate : public QStyledItemDelegate {
  public:
    explicit CurrentRowDelegate(QAbstractItemView& view);

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

  private:
    QAbstractItemView& view_;
};

} // namespace kestrom
