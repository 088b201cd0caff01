#pragma once

#include <QListWidget>

namespace kestrom {

/// A multi-select list of the column chooser that starts drags by itself.
///
/// A left press on an item that is already selected (without Shift, or with
/// Ctrl) keeps the selection, so the whole selection can be dragged; any
/// other press changes the selection as a click does and may start a drag
/// only when neither Shift nor Ctrl is held. The drag begins once the mouse
/// has moved DragThreshold pixels along either axis with the button held;
/// a release before that is an ordinary click.
class TChooserList : public QListWidget {
    Q_OBJECT
  public:
    explicit TChooserList(QWidget* parent = nullptr);

    static constexpr int DragThreshold = 5;
    /// The most items a chooser list holds: the 20 result columns.
    static constexpr int VisibleRows = 20;

    /// Room for VisibleRows items, so that a whole list is seen without
    /// scrolling it.
    QSize minimumSizeHint() const override;

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* e) const override;
    /// Runs the drag (blocking until the drop); the list never loses items
    /// through it, the targets' commands do all the editing.
    void startDrag(Qt::DropActions supportedActions) override;

  private:
    bool dragPending_ = false;   // a drag may start from the current press
    bool keptSelection_ = false; // the press left an existing selection alone
    bool ctrlPress_ = false;     // Ctrl without Shift
    bool dragged_ = false;
    int pressRow_ = -1;
    QPoint pressPos_;
};

} // namespace kestrom
