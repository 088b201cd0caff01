#include "results/ResultQuery.h"
#include "ui/ImageList.h"
#include "ui/Unit1Chooser.h"

#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <string>
#include <vector>

using namespace kestrom;

namespace {

using Names = std::vector<std::string>;

Names AllColumns() {
    Names out;
    for (std::string_view n : ResultColumnNames())
        out.emplace_back(n);
    return out;
}

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

Names Items(const QListWidget* list) {
    Names out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

// Where a drop on this target is delivered by the window system.
QWidget* DropWidget(QWidget* target) {
    if (auto* list = qobject_cast<QListWidget*>(target)) return list->viewport();
    return target;
}

// The application delivers a drag-enter to the widget under the mouse and,
// when refused, to its parents; once a widget accepts it, the drag's moves
// and its drop go to that widget. These helpers send the events the same
// way. The enter event starts out accepted so that a target that leaves it
// alone is noticed; moves and drops start out ignored.
bool Enter(QWidget* w, const QMimeData& data) {
    QDragEnterEvent enter(w->rect().center(), Qt::CopyAction | Qt::MoveAction, &data,
                          Qt::LeftButton, Qt::NoModifier);
    enter.setDropAction(Qt::MoveAction); // what a plain drag proposes
    enter.accept();
    QCoreApplication::sendEvent(w, &enter);
    return enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
}

// Whether a drag of data over target is accepted: entered, then moved over.
bool DragOver(QWidget* target, const QMimeData& data) {
    QWidget* w = DropWidget(target);
    if (!Enter(w, data)) return false;
    QDragMoveEvent move(w->rect().center(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
    move.setDropAction(Qt::MoveAction);
    move.ignore();
    QCoreApplication::sendEvent(w, &move);
    return move.isAccepted() && move.dropAction() == Qt::CopyAction;
}

// Drags data onto target and drops it there; false when the drag is refused
// (then, as with a real drag, no drop happens).
bool Drop(QWidget* target, const QMimeData& data) {
    QWidget* w = DropWidget(target);
    if (!Enter(w, data)) return false;
    QDropEvent drop(QPointF(w->rect().center()), Qt::CopyAction | Qt::MoveAction, &data,
                    Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    drop.ignore();
    QCoreApplication::sendEvent(w, &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
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

struct Chooser {
    TColumnChooser w;
    Chooser(const Names& displayed, const Names& sort) {
        w.SetDisplayed(displayed);
        w.SetSort(sort);
        w.resize(700, 140);
        w.show();
    }
};

} // namespace

class ColumnChooserTest : public QObject {
    Q_OBJECT
  private slots:
    void controlsAndInitialLists() {
        TColumnChooser c;
        QCOMPARE(c.ListBox1->objectName(), QString("ListBox1"));
        QCOMPARE(c.ListBox2->objectName(), QString("ListBox2"));
        QCOMPARE(c.ListBox3->objectName(), QString("ListBox3"));
        QCOMPARE(Items(c.ListBox3), AllColumns());
        // The exact bytes of the names with mixed alphabets.
        QCOMPARE(c.ListBox3->item(1)->text().toStdString(), std::string("EX_\xD0\xBE\xD1\x88"));
        QCOMPARE(c.ListBox3->item(8)->text().toStdString().back(), 'A');
        QVERIFY(c.ListBox1->count() == 0 && c.ListBox2->count() == 0);
        for (QListWidget* l : {c.ListBox1, c.ListBox2, c.ListBox3})
            QCOMPARE(l->selectionMode(), QAbstractItemView::ExtendedSelection);

        // Icons of the window's image list: 2 left, 3 up, 4 down, 5 right.
        struct Button {
            QPushButton* b;
            const char* name;
            int icon;
            const char* text;
        };
        const Button buttons[] = {
            {c.ButtonGroup15, "ButtonGroup15", 5, ""},
            {c.ButtonGroup16, "ButtonGroup16", 2, ""},
            {c.ButtonGroup18, "ButtonGroup18", 3, ""},
            {c.ButtonGroup19, "ButtonGroup19", 4, ""},
            {c.ButtonGroup8, "ButtonGroup8", 5, "По возрастанию"},
            {c.ButtonGroup17, "ButtonGroup17", 5, "По убыванию"},
            {c.ButtonGroup9, "ButtonGroup9", 2, "Удалить"},
            {c.ButtonGroup10, "ButtonGroup10", 3, ""},
            {c.ButtonGroup11, "ButtonGroup11", 4, ""},
        };
        for (const Button& b : buttons) {
            QCOMPARE(c.findChild<QPushButton*>(b.name), b.b);
            QCOMPARE(b.b->text(), QString(b.text));
            QVERIFY(b.b->toolTip().isEmpty());
            const QImage shown = b.b->icon().pixmap(16, 16).toImage();
            QVERIFY2(!shown.isNull(), b.name);
            QVERIFY2(shown == ImageList1(b.icon).pixmap(16, 16).toImage(), b.name);
        }
    }

    void displayedAndSortRoundTrip() {
        TColumnChooser c;
        const Names shown = {"Номер_Б", "Ошибка", "ОрНомер_A"};
        const Names sort = {"Прод_мс[Down]", "Номер_А[Up]"};
        c.SetDisplayed(shown);
        c.SetSort(sort);
        QCOMPARE(c.Displayed(), shown);
        QCOMPARE(c.Sort(), sort);
        c.SetDisplayed({});
        c.SetSort({});
        QVERIFY(c.Displayed().empty() && c.Sort().empty());

        c.SetDefaultLists();
        QCOMPARE(c.Displayed(), AllColumns());
        QCOMPARE(c.Sort(), (Names{"Дата_иниц[Up]", "Время_иниц[Up]"}));
    }

    void addToDisplayed() {
        Chooser ch({"Ошибка", "Номер_А"}, {});
        TColumnChooser& c = ch.w;
        QSignalSpy changed(&c, &TColumnChooser::ListsChanged);

        // Selected in list order, duplicates skipped, appended at the end.
        Select(c.ListBox3, {9, 0, 7, 2});
        c.ButtonGroup15->click();
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_А", "Тип_зап", "Номер_Б"}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(Items(c.ListBox3), AllColumns()); // the master list never changes

        // All of them displayed already: nothing changes, no notice.
        c.ButtonGroup15->click();
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_А", "Тип_зап", "Номер_Б"}));
        QCOMPARE(changed.count(), 1);

        // Names are compared ignoring case.
        c.SetDisplayed({"ex_ОШ"});
        Select(c.ListBox3, {1});
        c.ButtonGroup15->click();
        QCOMPARE(c.Displayed(), (Names{"ex_ОШ"}));

        // Selected items but no current item: the command does nothing.
        c.ListBox3->setCurrentRow(-1);
        c.ListBox3->item(3)->setSelected(true);
        QCOMPARE(c.ListBox3->currentRow(), -1);
        c.ButtonGroup15->click();
        QCOMPARE(c.Displayed(), (Names{"ex_ОШ"}));
    }

    void removeFromDisplayed() {
        Chooser ch({"Ошибка", "Номер_А", "Номер_Б", "Прод_мс"}, {});
        TColumnChooser& c = ch.w;
        Select(c.ListBox1, {3, 1});
        c.ButtonGroup16->click();
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_Б"}));

        // Two items, both selected: the list becomes empty.
        Select(c.ListBox1, {0, 1});
        c.ButtonGroup16->click();
        QVERIFY(c.Displayed().empty());
        c.ButtonGroup16->click(); // and an empty list stays as it is
        QVERIFY(c.Displayed().empty());

        // A single displayed column stays.
        c.SetDisplayed({"Номер_А"});
        Select(c.ListBox1, {0});
        c.ButtonGroup16->click();
        QCOMPARE(c.Displayed(), (Names{"Номер_А"}));

        // No current item: nothing happens.
        c.SetDisplayed({"Номер_А", "Номер_Б"});
        c.ListBox1->item(0)->setSelected(true);
        QCOMPARE(c.ListBox1->currentRow(), -1);
        c.ButtonGroup16->click();
        QCOMPARE(c.Displayed(), (Names{"Номер_А", "Номер_Б"}));
    }

    void sortKeys() {
        Chooser ch({"Ошибка", "Номер_А", "Номер_Б", "Прод_мс"}, {"Номер_А[Down]"});
        TColumnChooser& c = ch.w;
        QSignalSpy changed(&c, &TColumnChooser::ListsChanged);

        // Ascending: selected in list order; a column already sorted keeps
        // its place and its direction.
        Select(c.ListBox1, {2, 1, 0});
        c.ButtonGroup8->click();
        QCOMPARE(c.Sort(), (Names{"Номер_А[Down]", "Ошибка[Up]", "Номер_Б[Up]"}));
        QCOMPARE(changed.count(), 1);

        // Descending adds only the new one; the others keep "[Up]".
        Select(c.ListBox1, {0, 3});
        c.ButtonGroup17->click();
        QCOMPARE(c.Sort(), (Names{"Номер_А[Down]", "Ошибка[Up]", "Номер_Б[Up]", "Прод_мс[Down]"}));

        // A column sorted the other way already: nothing changes.
        Select(c.ListBox1, {1});
        c.ButtonGroup8->click();
        c.ButtonGroup17->click();
        QCOMPARE(c.Sort().size(), std::size_t(4));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(c.Displayed().size(), std::size_t(4)); // sorting leaves the columns alone

        // Remove keys, bottom to top, down to an empty list.
        Select(c.ListBox2, {0, 2});
        c.ButtonGroup9->click();
        QCOMPARE(c.Sort(), (Names{"Ошибка[Up]", "Прод_мс[Down]"}));
        Select(c.ListBox2, {0, 1});
        c.ButtonGroup9->click();
        QVERIFY(c.Sort().empty());

        // Changing a direction: remove, then add with the other button.
        c.SetSort({"Ошибка[Up]"});
        Select(c.ListBox2, {0});
        c.ButtonGroup9->click();
        Select(c.ListBox1, {0});
        c.ButtonGroup17->click();
        QCOMPARE(c.Sort(), (Names{"Ошибка[Down]"}));

        // No current item in the source list: nothing happens.
        c.ListBox1->setCurrentRow(-1);
        c.ListBox1->item(3)->setSelected(true);
        c.ButtonGroup8->click();
        QCOMPARE(c.Sort(), (Names{"Ошибка[Down]"}));
        c.ListBox2->setCurrentRow(-1);
        c.ListBox2->item(0)->setSelected(true);
        c.ButtonGroup9->click();
        QCOMPARE(c.Sort(), (Names{"Ошибка[Down]"}));
    }

    void moveButtons_data() {
        QTest::addColumn<int>("list"); // 1 for ListBox1, 2 for ListBox2
        QTest::newRow("displayed") << 1;
        QTest::newRow("sort") << 2;
    }

    void moveButtons() {
        QFETCH(int, list);
        Chooser ch({"a", "b", "c", "d"}, {"a[Up]", "b[Up]", "c[Down]", "d[Up]"});
        TColumnChooser& c = ch.w;
        QListWidget* l = list == 1 ? c.ListBox1 : c.ListBox2;
        QPushButton* up = list == 1 ? c.ButtonGroup18 : c.ButtonGroup10;
        QPushButton* down = list == 1 ? c.ButtonGroup19 : c.ButtonGroup11;
        auto texts = [&] {
            Names out;
            for (const std::string& s : Items(l))
                out.push_back(s.substr(0, 1));
            return out;
        };
        auto onlySelectedCurrent = [&](int row) {
            return l->currentRow() == row && SelectedRows(l) == std::vector<int>{row};
        };

        // Clicking the item as the user does, then moving it up repeatedly.
        const QRect r = l->visualItemRect(l->item(2));
        QTest::mouseClick(l->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QVERIFY(onlySelectedCurrent(2));
        up->click();
        QCOMPARE(texts(), (Names{"a", "c", "b", "d"}));
        QVERIFY(onlySelectedCurrent(1));
        up->click();
        QCOMPARE(texts(), (Names{"c", "a", "b", "d"}));
        QVERIFY(onlySelectedCurrent(0));
        up->click(); // the first item does not move up
        QCOMPARE(texts(), (Names{"c", "a", "b", "d"}));
        QVERIFY(onlySelectedCurrent(0));

        // Down to the end and no further.
        for (int i = 0; i < 4; ++i)
            down->click();
        QCOMPARE(texts(), (Names{"a", "b", "d", "c"}));
        QVERIFY(onlySelectedCurrent(3));

        // Two selected items: neither button moves anything.
        Select(l, {1, 2});
        up->click();
        down->click();
        QCOMPARE(texts(), (Names{"a", "b", "d", "c"}));
        QCOMPARE(SelectedRows(l), (std::vector<int>{1, 2}));

        // Nothing selected: nothing moves.
        l->clearSelection();
        l->setCurrentRow(1, QItemSelectionModel::NoUpdate);
        up->click();
        QCOMPARE(texts(), (Names{"a", "b", "d", "c"}));

        // One selected item, the current one elsewhere (after a Ctrl-click
        // took an item out): the current item moves and becomes the only
        // selected one.
        Select(l, {0});
        l->setCurrentRow(2, QItemSelectionModel::NoUpdate);
        up->click();
        QCOMPARE(texts(), (Names{"a", "d", "b", "c"}));
        QVERIFY(onlySelectedCurrent(1));

        // The other lists are untouched.
        QCOMPARE(Items(list == 1 ? c.ListBox2 : c.ListBox1).size(), std::size_t(4));
    }

    void dropTable() {
        // Each accepted drop runs its command on the source's selection;
        // where it drops does not matter.
        Chooser ch({"Ошибка", "Номер_А", "Номер_Б"}, {"Номер_А[Up]", "Прод_мс[Down]"});
        TColumnChooser& c = ch.w;
        const TChooserDragData from1(c.ListBox1), from2(c.ListBox2), from3(c.ListBox3);

        // ListBox3 -> ListBox1: three columns, the new ones appended in
        // master-list order.
        Select(c.ListBox3, {18, 0, 9, 11});
        QVERIFY(DragOver(c.ListBox1, from3));
        QVERIFY(Drop(c.ListBox1, from3));
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_А", "Номер_Б", "Дата_иниц", "Прод_мс"}));

        // ListBox1 -> ListBox2 and ButtonGroup8: ascending.
        Select(c.ListBox1, {0});
        QVERIFY(DragOver(c.ListBox2, from1));
        QVERIFY(Drop(c.ListBox2, from1));
        QCOMPARE(c.Sort(), (Names{"Номер_А[Up]", "Прод_мс[Down]", "Ошибка[Up]"}));
        Select(c.ListBox1, {2});
        QVERIFY(DragOver(c.ButtonGroup8, from1));
        QVERIFY(Drop(c.ButtonGroup8, from1));
        QCOMPARE(c.Sort().back(), std::string("Номер_Б[Up]"));

        // ListBox1 -> ButtonGroup17: descending.
        Select(c.ListBox1, {3});
        QVERIFY(DragOver(c.ButtonGroup17, from1));
        QVERIFY(Drop(c.ButtonGroup17, from1));
        QCOMPARE(c.Sort().back(), std::string("Дата_иниц[Down]"));

        // ListBox2 -> ListBox1: the keys leave the sort list, the displayed
        // columns stay as they are.
        const Names shown = c.Displayed();
        Select(c.ListBox2, {0, 3});
        QVERIFY(DragOver(c.ListBox1, from2));
        QVERIFY(Drop(c.ListBox1, from2));
        QCOMPARE(c.Sort(), (Names{"Прод_мс[Down]", "Ошибка[Up]", "Дата_иниц[Down]"}));
        QCOMPARE(c.Displayed(), shown);

        // ListBox2 -> ButtonGroup9: remove keys.
        Select(c.ListBox2, {1});
        QVERIFY(DragOver(c.ButtonGroup9, from2));
        QVERIFY(Drop(c.ButtonGroup9, from2));
        QCOMPARE(c.Sort(), (Names{"Прод_мс[Down]", "Дата_иниц[Down]"}));

        // ListBox1 -> ListBox3: remove from displayed.
        Select(c.ListBox1, {1, 4});
        QVERIFY(DragOver(c.ListBox3, from1));
        QVERIFY(Drop(c.ListBox3, from1));
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_Б", "Дата_иниц"}));
        QCOMPARE(Items(c.ListBox3), AllColumns());

        // ListBox3 -> ListBox2 and ListBox2 -> ListBox3: accepted, no effect.
        const Names sort = c.Sort();
        // Selections everywhere, so that any command run by mistake shows.
        Select(c.ListBox3, {0, 1});
        Select(c.ListBox2, {0});
        Select(c.ListBox1, {0, 1, 2});
        QVERIFY(DragOver(c.ListBox2, from3));
        QVERIFY(Drop(c.ListBox2, from3));
        QVERIFY(DragOver(c.ListBox3, from2));
        QVERIFY(Drop(c.ListBox3, from2));
        QCOMPARE(c.Sort(), sort);
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_Б", "Дата_иниц"}));
        QCOMPARE(Items(c.ListBox3), AllColumns());
    }

    void dropRefusals() {
        Chooser ch({"Ошибка", "Номер_А", "Номер_Б"}, {"Номер_А[Up]", "Прод_мс[Down]"});
        TColumnChooser& c = ch.w;
        TColumnChooser other;
        other.SetDisplayed({"Категория"});
        const TChooserDragData from1(c.ListBox1), from2(c.ListBox2), from3(c.ListBox3);
        const TChooserDragData fromOther(other.ListBox1);
        QMimeData foreign;
        foreign.setText("Категория");
        // A foreign drag that even names one of the lists.
        QMimeData named;
        named.setData(TChooserDragData::Format(), "ListBox1");

        // Everything selected, so any command that ran would show.
        for (QListWidget* l : {c.ListBox1, c.ListBox2, c.ListBox3, other.ListBox1}) {
            l->selectAll();
            l->setCurrentRow(0, QItemSelectionModel::Select);
        }
        const Names shown = c.Displayed();
        const Names sort = c.Sort();

        struct Refusal {
            QWidget* target;
            const QMimeData* data;
            const char* what;
        };
        const Refusal refusals[] = {
            {c.ListBox1, &from1, "ListBox1 onto itself"},
            {c.ListBox2, &from2, "ListBox2 onto itself"},
            {c.ListBox3, &from3, "ListBox3 onto itself"},
            {c.ButtonGroup8, &from2, "sort key onto ascending"},
            {c.ButtonGroup8, &from3, "master column onto ascending"},
            {c.ButtonGroup17, &from2, "sort key onto descending"},
            {c.ButtonGroup17, &from3, "master column onto descending"},
            {c.ButtonGroup9, &from1, "displayed column onto remove"},
            {c.ButtonGroup9, &from3, "master column onto remove"},
            {c.ListBox1, &fromOther, "another chooser's list"},
            {c.ButtonGroup8, &fromOther, "another chooser's list onto a button"},
            {c.ListBox1, &foreign, "plain text"},
            {c.ListBox3, &named, "foreign data in the list format"},
            {c.ButtonGroup9, &foreign, "plain text onto a button"},
        };
        for (const Refusal& r : refusals) {
            QVERIFY2(DropWidget(r.target)->acceptDrops(), r.what);
            QVERIFY2(!DragOver(r.target, *r.data), r.what);
            QVERIFY2(!Drop(r.target, *r.data), r.what);
            QVERIFY2(c.Displayed() == shown && c.Sort() == sort, r.what);
            QVERIFY2(Items(c.ListBox3) == AllColumns(), r.what);
        }
        QCOMPARE(other.Displayed(), (Names{"Категория"}));
        // The same drags are accepted where the table allows them.
        QVERIFY(DragOver(c.ButtonGroup9, from2));
        QVERIFY(DragOver(c.ButtonGroup17, from1));
    }

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

QTEST_MAIN(ColumnChooserTest)
#include "ColumnChooser_test.moc"
