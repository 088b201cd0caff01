#include "ui/CurrentRowDelegate.h"

#include <QAbstractItemView>

namespace kestrom {

CurrentRowDelegate::CurrentRowDelegate(QAbstractItemView& view)
    : QStyledItemDelegate(&view), view_(view) {}

void CurrentRowDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QModelIndex current = view_.currentIndex();
    if (current.isValid() && current.row() == index.row()) option->state |= QStyle::State_Selected;
}

} // namespace kestrom
