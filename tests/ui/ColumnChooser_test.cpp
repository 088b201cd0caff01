#include "results/ResultQuery.h"

#include "tests/ui/Child.h"
#include "ui/ChooserDragData.h"
#include "ui/ChooserList.h"
#include "ui/ColumnChooser.h"
#include "ui/ImageList.h"

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

// The chooser's controls, found by their names.
using test::Child;

struct Parts {
    TChooserList* ListBox1;
    TChooserList* ListBox2;
    TChooserList* ListBox3;
    QPushButton* ButtonGroup15;
    QPushButton* ButtonGroup16;
    QPushButton* ButtonGroup18;
    QPushButton* ButtonGroup19;
    QPushButton* ButtonGroup8;
    QPushButton* ButtonGroup17;
    QPushButton* ButtonGroup9;
    QPushButton* ButtonGroup10;
    QPushButton* ButtonGroup11;
    explicit Parts(TColumnChooser& c)
        : ListBox1(Child<TChooserList>(&c, "ListBox1")),
          ListBox2(Child<TChooserList>(&c, "ListBox2")),
          ListBox3(Child<TChooserList>(&c, "ListBox3")),
          ButtonGroup15(Child<QPushButton>(&c, "ButtonGroup15")),
          ButtonGroup16(Child<QPushButton>(&c, "ButtonGroup16")),
          ButtonGroup18(Child<QPushButton>(&c, "ButtonGroup18")),
          ButtonGroup19(Child<QPushButton>(&c, "ButtonGroup19")),
          ButtonGroup8(Child<QPushButton>(&c, "ButtonGroup8")),
          ButtonGroup17(Child<QPushButton>(&c, "ButtonGroup17")),
          ButtonGroup9(Child<QPushButton>(&c, "ButtonGroup9")),
          ButtonGroup10(Child<QPushButton>(&c, "ButtonGroup10")),
          ButtonGroup11(Child<QPushButton>(&c, "ButtonGroup11")) {}
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
        const Parts p(c);
        QCOMPARE(Items(p.ListBox3), AllColumns());
        QCOMPARE(c.AllColumns(), AllColumns());
        // The exact bytes of the names with mixed alphabets.
        QCOMPARE(p.ListBox3->item(1)->text().toStdString(), std::string("EX_\xD0\xBE\xD1\x88"));
        QCOMPARE(p.ListBox3->item(8)->text().toStdString().back(), 'A');
        QVERIFY(p.ListBox1->count() == 0 && p.ListBox2->count() == 0);
        for (QListWidget* l : {p.ListBox1, p.ListBox2, p.ListBox3})
            QCOMPARE(l->selectionMode(), QAbstractItemView::ExtendedSelection);
        // Left to right: all columns, displayed, sort keys; each tall enough
        // for all 20 columns.
        c.show();
        QVERIFY(p.ListBox3->x() < p.ListBox1->x() && p.ListBox1->x() < p.ListBox2->x());
        for (QListWidget* l : {p.ListBox1, p.ListBox2, p.ListBox3})
            QVERIFY(l->height() >= 20 * p.ListBox3->sizeHintForRow(0));

        // Icons of the window's image list: 2 left, 3 up, 4 down, 5 right.
        struct Button {
            QPushButton* b;
            const char* name;
            int icon;
            const char* text;
        };
        const Button buttons[] = {
            {p.ButtonGroup15, "ButtonGroup15", 5, ""},
            {p.ButtonGroup16, "ButtonGroup16", 2, ""},
            {p.ButtonGroup18, "ButtonGroup18", 3, ""},
            {p.ButtonGroup19, "ButtonGroup19", 4, ""},
            {p.ButtonGroup8, "ButtonGroup8", 5, "По возрастанию"},
            {p.ButtonGroup17, "ButtonGroup17", 5, "По убыванию"},
            {p.ButtonGroup9, "ButtonGroup9", 2, "Удалить"},
            {p.ButtonGroup10, "ButtonGroup10", 3, ""},
            {p.ButtonGroup11, "ButtonGroup11", 4, ""},
        };
        for (const Button& b : buttons) {
            QCOMPARE(b.b->text(), QString(b.text));
            QVERIFY(b.b->toolTip().isEmpty());
            const QImage shown = b.b->icon().pixmap(16, 16).toImage();
            QVERIFY2(!shown.isNull(), b.name);
            QVERIFY2(shown == ImageList1(b.icon).pixmap(16, 16).toImage(), b.name);
        }
    }

    void displayedAndSortRoundTrip() {
        TColumnChooser c;
        const Parts p(c);
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
        const Parts p(c);
        QSignalSpy changed(&c, &TColumnChooser::ListsChanged);

        // Selected in list order, duplicates skipped, appended at the end.
        Select(p.ListBox3, {9, 0, 7, 2});
        p.ButtonGroup15->click();
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_А", "Тип_зап", "Номер_Б"}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(Items(p.ListBox3), AllColumns()); // the master list never changes

        // All of them displayed already: nothing changes, no notice.
        p.ButtonGroup15->click();
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_А", "Тип_зап", "Номер_Б"}));
        QCOMPARE(changed.count(), 1);

        // Names are compared ignoring case.
        c.SetDisplayed({"ex_ОШ"});
        Select(p.ListBox3, {1});
        p.ButtonGroup15->click();
        QCOMPARE(c.Displayed(), (Names{"ex_ОШ"}));

        // Selected items but no current item: the command does nothing.
        p.ListBox3->setCurrentRow(-1);
        p.ListBox3->item(3)->setSelected(true);
        QCOMPARE(p.ListBox3->currentRow(), -1);
        p.ButtonGroup15->click();
        QCOMPARE(c.Displayed(), (Names{"ex_ОШ"}));
    }

    void removeFromDisplayed() {
        Chooser ch({"Ошибка", "Номер_А", "Номер_Б", "Прод_мс"}, {});
        TColumnChooser& c = ch.w;
        const Parts p(c);
        Select(p.ListBox1, {3, 1});
        p.ButtonGroup16->click();
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_Б"}));

        // Two items, both selected: the list becomes empty.
        Select(p.ListBox1, {0, 1});
        p.ButtonGroup16->click();
        QVERIFY(c.Displayed().empty());
        p.ButtonGroup16->click(); // and an empty list stays as it is
        QVERIFY(c.Displayed().empty());

        // A single displayed column stays.
        c.SetDisplayed({"Номер_А"});
        Select(p.ListBox1, {0});
        p.ButtonGroup16->click();
        QCOMPARE(c.Displayed(), (Names{"Номер_А"}));

        // No current item: nothing happens.
        c.SetDisplayed({"Номер_А", "Номер_Б"});
        p.ListBox1->item(0)->setSelected(true);
        QCOMPARE(p.ListBox1->currentRow(), -1);
        p.ButtonGroup16->click();
        QCOMPARE(c.Displayed(), (Names{"Номер_А", "Номер_Б"}));
    }

    void sortKeys() {
        Chooser ch({"Ошибка", "Номер_А", "Номер_Б", "Прод_мс"}, {"Номер_А[Down]"});
        TColumnChooser& c = ch.w;
        const Parts p(c);
        QSignalSpy changed(&c, &TColumnChooser::ListsChanged);

        // Ascending: selected in list order; a column already sorted keeps
        // its place and its direction.
        Select(p.ListBox1, {2, 1, 0});
        p.ButtonGroup8->click();
        QCOMPARE(c.Sort(), (Names{"Номер_А[Down]", "Ошибка[Up]", "Номер_Б[Up]"}));
        QCOMPARE(changed.count(), 1);

        // Descending adds only the new one; the others keep "[Up]".
        Select(p.ListBox1, {0, 3});
        p.ButtonGroup17->click();
        QCOMPARE(c.Sort(), (Names{"Номер_А[Down]", "Ошибка[Up]", "Номер_Б[Up]", "Прод_мс[Down]"}));

        // A column sorted the other way already: nothing changes.
        Select(p.ListBox1, {1});
        p.ButtonGroup8->click();
        p.ButtonGroup17->click();
        QCOMPARE(c.Sort().size(), std::size_t(4));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(c.Displayed().size(), std::size_t(4)); // sorting leaves the columns alone

        // Remove keys, bottom to top, down to an empty list.
        Select(p.ListBox2, {0, 2});
        p.ButtonGroup9->click();
        QCOMPARE(c.Sort(), (Names{"Ошибка[Up]", "Прод_мс[Down]"}));
        Select(p.ListBox2, {0, 1});
        p.ButtonGroup9->click();
        QVERIFY(c.Sort().empty());

        // Changing a direction: remove, then add with the other button.
        c.SetSort({"Ошибка[Up]"});
        Select(p.ListBox2, {0});
        p.ButtonGroup9->click();
        Select(p.ListBox1, {0});
        p.ButtonGroup17->click();
        QCOMPARE(c.Sort(), (Names{"Ошибка[Down]"}));

        // No current item in the source list: nothing happens.
        p.ListBox1->setCurrentRow(-1);
        p.ListBox1->item(3)->setSelected(true);
        p.ButtonGroup8->click();
        QCOMPARE(c.Sort(), (Names{"Ошибка[Down]"}));
        p.ListBox2->setCurrentRow(-1);
        p.ListBox2->item(0)->setSelected(true);
        p.ButtonGroup9->click();
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
        const Parts p(c);
        QListWidget* l = list == 1 ? p.ListBox1 : p.ListBox2;
        QPushButton* up = list == 1 ? p.ButtonGroup18 : p.ButtonGroup10;
        QPushButton* down = list == 1 ? p.ButtonGroup19 : p.ButtonGroup11;
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
        QCOMPARE(Items(list == 1 ? p.ListBox2 : p.ListBox1).size(), std::size_t(4));
    }

    void dropTable() {
        // Each accepted drop runs its command on the source's selection;
        // where it drops does not matter.
        Chooser ch({"Ошибка", "Номер_А", "Номер_Б"}, {"Номер_А[Up]", "Прод_мс[Down]"});
        TColumnChooser& c = ch.w;
        const Parts p(c);
        const TChooserDragData from1(p.ListBox1), from2(p.ListBox2), from3(p.ListBox3);

        // ListBox3 -> ListBox1: three columns, the new ones appended in
        // master-list order.
        Select(p.ListBox3, {18, 0, 9, 11});
        QVERIFY(DragOver(p.ListBox1, from3));
        QVERIFY(Drop(p.ListBox1, from3));
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_А", "Номер_Б", "Дата_иниц", "Прод_мс"}));

        // ListBox1 -> ListBox2 and ButtonGroup8: ascending.
        Select(p.ListBox1, {0});
        QVERIFY(DragOver(p.ListBox2, from1));
        QVERIFY(Drop(p.ListBox2, from1));
        QCOMPARE(c.Sort(), (Names{"Номер_А[Up]", "Прод_мс[Down]", "Ошибка[Up]"}));
        Select(p.ListBox1, {2});
        QVERIFY(DragOver(p.ButtonGroup8, from1));
        QVERIFY(Drop(p.ButtonGroup8, from1));
        QCOMPARE(c.Sort().back(), std::string("Номер_Б[Up]"));

        // ListBox1 -> ButtonGroup17: descending.
        Select(p.ListBox1, {3});
        QVERIFY(DragOver(p.ButtonGroup17, from1));
        QVERIFY(Drop(p.ButtonGroup17, from1));
        QCOMPARE(c.Sort().back(), std::string("Дата_иниц[Down]"));

        // ListBox2 -> ListBox1: the keys leave the sort list, the displayed
        // columns stay as they are.
        const Names shown = c.Displayed();
        Select(p.ListBox2, {0, 3});
        QVERIFY(DragOver(p.ListBox1, from2));
        QVERIFY(Drop(p.ListBox1, from2));
        QCOMPARE(c.Sort(), (Names{"Прод_мс[Down]", "Ошибка[Up]", "Дата_иниц[Down]"}));
        QCOMPARE(c.Displayed(), shown);

        // ListBox2 -> ButtonGroup9: remove keys.
        Select(p.ListBox2, {1});
        QVERIFY(DragOver(p.ButtonGroup9, from2));
        QVERIFY(Drop(p.ButtonGroup9, from2));
        QCOMPARE(c.Sort(), (Names{"Прод_мс[Down]", "Дата_иниц[Down]"}));

        // ListBox1 -> ListBox3: remove from displayed.
        Select(p.ListBox1, {1, 4});
        QVERIFY(DragOver(p.ListBox3, from1));
        QVERIFY(Drop(p.ListBox3, from1));
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_Б", "Дата_иниц"}));
        QCOMPARE(Items(p.ListBox3), AllColumns());

        // ListBox3 -> ListBox2 and ListBox2 -> ListBox3: accepted, no effect.
        const Names sort = c.Sort();
        // Selections everywhere, so that any command run by mistake shows.
        Select(p.ListBox3, {0, 1});
        Select(p.ListBox2, {0});
        Select(p.ListBox1, {0, 1, 2});
        QVERIFY(DragOver(p.ListBox2, from3));
        QVERIFY(Drop(p.ListBox2, from3));
        QVERIFY(DragOver(p.ListBox3, from2));
        QVERIFY(Drop(p.ListBox3, from2));
        QCOMPARE(c.Sort(), sort);
        QCOMPARE(c.Displayed(), (Names{"Ошибка", "Номер_Б", "Дата_иниц"}));
        QCOMPARE(Items(p.ListBox3), AllColumns());
    }

    void dropRefusals() {
        Chooser ch({"Ошибка", "Номер_А", "Номер_Б"}, {"Номер_А[Up]", "Прод_мс[Down]"});
        TColumnChooser& c = ch.w;
        const Parts p(c);
        TColumnChooser other;
        other.SetDisplayed({"Категория"});
        const TChooserDragData from1(p.ListBox1), from2(p.ListBox2), from3(p.ListBox3);
        const TChooserDragData fromOther(Parts(other).ListBox1);
        QMimeData foreign;
        foreign.setText("Категория");
        // A foreign drag that even names one of the lists.
        QMimeData named;
        named.setData(TChooserDragData::Format(), "ListBox1");

        // Everything selected, so any command that ran would show.
        for (QListWidget* l : {p.ListBox1, p.ListBox2, p.ListBox3, Parts(other).ListBox1}) {
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
            {p.ListBox1, &from1, "ListBox1 onto itself"},
            {p.ListBox2, &from2, "ListBox2 onto itself"},
            {p.ListBox3, &from3, "ListBox3 onto itself"},
            {p.ButtonGroup8, &from2, "sort key onto ascending"},
            {p.ButtonGroup8, &from3, "master column onto ascending"},
            {p.ButtonGroup17, &from2, "sort key onto descending"},
            {p.ButtonGroup17, &from3, "master column onto descending"},
            {p.ButtonGroup9, &from1, "displayed column onto remove"},
            {p.ButtonGroup9, &from3, "master column onto remove"},
            {p.ListBox1, &fromOther, "another chooser's list"},
            {p.ButtonGroup8, &fromOther, "another chooser's list onto a button"},
            {p.ListBox1, &foreign, "plain text"},
            {p.ListBox3, &named, "foreign data in the list format"},
            {p.ButtonGroup9, &foreign, "plain text onto a button"},
        };
        for (const Refusal& r : refusals) {
            QVERIFY2(DropWidget(r.target)->acceptDrops(), r.what);
            QVERIFY2(!DragOver(r.target, *r.data), r.what);
            QVERIFY2(!Drop(r.target, *r.data), r.what);
            QVERIFY2(c.Displayed() == shown && c.Sort() == sort, r.what);
            QVERIFY2(Items(p.ListBox3) == AllColumns(), r.what);
        }
        QCOMPARE(other.Displayed(), (Names{"Категория"}));
        // The same drags are accepted where the table allows them.
        QVERIFY(DragOver(p.ButtonGroup9, from2));
        QVERIFY(DragOver(p.ButtonGroup17, from1));
    }
};

QTEST_MAIN(ColumnChooserTest)
#include "ColumnChooser_test.moc"
