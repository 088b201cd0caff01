#include "ui/ChooserList.h"

#include <QtTest>

#include <vector>

using namespace kestrom;

namespace {

// Selects exactly the given rows; the current item is the last of them.
void Select(QListWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int r : rows)
        list->setCurrentRow(r, QItemSelectionModel::Select);
}

std::vector<int> SelectedRows(const QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.push_back(i);
    return rows;
}

// A chooser list that records the drags it would start instead of running
// them (a real drag blocks until the mouse is released).
class RecordingList : public TChooserList {
  public:
    int drags = 0;
    std::vector<int> selectedAtDrag;

  protected:
    void startDrag(Qt::DropActions) override {
        ++drags;
        selectedAtDrag = SelectedRows(this);
    }
};

} // namespace

class ChooserListTest : public QObject {
    Q_OBJECT
  private slots:
    void dragStartFromTheMouse() {
        RecordingList l;
        l.addItems({"a", "b", "c", "d"});
        l.resize(120, 120);
        l.show();
        QWidget* vp = l.viewport();
        auto at = [&](int row) { return l.visualItemRect(l.item(row)).center(); };
        auto moveTo = [&](QPoint p, Qt::MouseButtons held = Qt::LeftButton) {
            QMouseEvent e(QEvent::MouseMove, p, vp->mapToGlobal(p), Qt::NoButton, held,
                          Qt::NoModifier);
            QCoreApplication::sendEvent(vp, &e);
        };

        // A press on one of two selected items keeps both; the drag starts
        // at 5 pixels, not at 4, and carries the whole selection.
        Select(&l, {0, 2});
        QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, at(2));
        QCOMPARE(SelectedRows(&l), (std::vector<int>{0, 2}));
        moveTo(at(2) + QPoint(4, 0));
        moveTo(at(2) + QPoint(0, -4));
        QCOMPARE(l.drags, 0);
        QCOMPARE(SelectedRows(&l), (std::vector<int>{0, 2}));
        moveTo(at(2) + QPoint(5, 0));
        QCOMPARE(l.drags, 1);
        QCOMPARE(l.selectedAtDrag, (std::vector<int>{0, 2}));
        QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, at(2) + QPoint(5, 0));

        // Released before 5 pixels: an ordinary click, only that item.
        Select(&l, {0, 2});
        QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, at(2));
        moveTo(at(2) + QPoint(3, 3));
        QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, at(2) + QPoint(3, 3));
        QCOMPARE(l.drags, 1);
        QCOMPARE(SelectedRows(&l), (std::vector<int>{2}));

        // A press on an unselected item selects it and then drags it.
        QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, at(1));
        QCOMPARE(SelectedRows(&l), (std::vector<int>{1}));
        moveTo(at(1) + QPoint(0, 6));
        QCOMPARE(l.drags, 2);
        QCOMPARE(l.selectedAtDrag, (std::vector<int>{1}));
        QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, at(1) + QPoint(0, 6));

        // Ctrl on a selected item keeps the selection and drags it ...
        Select(&l, {1, 3});
        QTest::mousePress(vp, Qt::LeftButton, Qt::ControlModifier, at(3));
        QCOMPARE(SelectedRows(&l), (std::vector<int>{1, 3}));
        moveTo(at(3) + QPoint(-5, 0));
        QCOMPARE(l.drags, 3);
        QCOMPARE(l.selectedAtDrag, (std::vector<int>{1, 3}));
        QTest::mouseRelease(vp, Qt::LeftButton, Qt::ControlModifier, at(3) + QPoint(-5, 0));
        QCOMPARE(SelectedRows(&l), (std::vector<int>{1, 3}));

        // ... and a Ctrl-click without moving takes the item out.
        QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, at(3));
        QCOMPARE(SelectedRows(&l), (std::vector<int>{1}));

        // Ctrl or Shift on an unselected item changes the selection as a
        // click does and starts no drag.
        QTest::mousePress(vp, Qt::LeftButton, Qt::ControlModifier, at(0));
        QCOMPARE(SelectedRows(&l), (std::vector<int>{0, 1}));
        moveTo(at(0) + QPoint(8, 0));
        QTest::mouseRelease(vp, Qt::LeftButton, Qt::ControlModifier, at(0) + QPoint(8, 0));
        Select(&l, {0});
        QTest::mousePress(vp, Qt::LeftButton, Qt::ShiftModifier, at(2));
        QCOMPARE(SelectedRows(&l), (std::vector<int>{0, 1, 2}));
        moveTo(at(2) + QPoint(8, 0));
        QTest::mouseRelease(vp, Qt::LeftButton, Qt::ShiftModifier, at(2) + QPoint(8, 0));
        QCOMPARE(l.drags, 3);

        // Moving with the button up starts nothing.
        moveTo(at(0) + QPoint(20, 0), Qt::NoButton);
        QCOMPARE(l.drags, 3);
    }
};

QTEST_MAIN(ChooserListTest)
#include "ChooserList_test.moc"
