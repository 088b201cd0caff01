#include "ui/ChooserList.h"

#include "ui/ChooserDragData.h"

#include <QDrag>
#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>

namespace kestrom {

TChooserList::TChooserList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The list runs its drags itself (mouseMoveEvent); the view's own drag
    // start and its item-moving drop are never used.
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

QSize TChooserList::minimumSizeHint() const {
    const int row = count() > 0 ? sizeHintForRow(0) : fontMetrics().height();
    QSize hint = QListWidget::minimumSizeHint();
    hint.setHeight(std::max(hint.height(), VisibleRows * row + 2 * frameWidth()));
    return hint;
}

void TChooserList::mousePressEvent(QMouseEvent* e) {
    dragPending_ = false;
    keptSelection_ = false;
    dragged_ = false;
    pressRow_ = -1;
    if (e->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(e->position().toPoint());
        const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
        const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
        const bool selected = index.isValid() && selectionModel()->isSelected(index);
        pressPos_ = e->position().toPoint();
        pressRow_ = index.row();
        ctrlPress_ = ctrl && !shift;
        keptSelection_ = selected && (ctrl || !shift);
        dragPending_ = index.isValid() && (keptSelection_ || (!shift && !ctrl));
    }
    QListWidget::mousePressEvent(e);
}

QItemSelectionModel::SelectionFlags TChooserList::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* e) const {
    // A press that may start a drag of the selection leaves it alone; the
    // click's own effect follows at the release when no drag came of it.
    if (e != nullptr && e->type() == QEvent::MouseButtonPress && keptSelection_ &&
        index.row() == pressRow_)
        return QItemSelectionModel::NoUpdate;
    return QListWidget::selectionCommand(index, e);
}

void TChooserList::mouseMoveEvent(QMouseEvent* e) {
    if (dragPending_ && (e->buttons() & Qt::LeftButton) != 0) {
        const QPoint d = e->position().toPoint() - pressPos_;
        if (std::abs(d.x()) >= DragThreshold || std::abs(d.y()) >= DragThreshold) {
            dragPending_ = false;
            dragged_ = true;
            startDrag(Qt::CopyAction);
            setState(NoState);
        }
        // No rubber-band selection while the press may still become a drag.
        return;
    }
    QListWidget::mouseMoveEvent(e);
}

void TChooserList::mouseReleaseEvent(QMouseEvent* e) {
    const bool ctrlClickOnSelected = keptSelection_ && ctrlPress_ && !dragged_;
    const int row = pressRow_;
    dragPending_ = false;
    keptSelection_ = false;
    QListWidget::mouseReleaseEvent(e);
    // A Ctrl-click on a selected item, deferred at the press, takes it out.
    if (ctrlClickOnSelected && e->button() == Qt::LeftButton && row >= 0 &&
        indexAt(e->position().toPoint()).row() == row)
        selectionModel()->select(model()->index(row, 0), QItemSelectionModel::Deselect);
    dragged_ = false;
}

void TChooserList::startDrag(Qt::DropActions) {
    if (selectedItems().isEmpty()) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(new TChooserDragData(this));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

} // namespace kestrom
