// The result grid's commands as the user reaches them in the main window:
// the totals on the status bar, the colouring of successful calls, sorting
// by title clicks, the filter row, fitting the widths, keys and finding.

#include "tests/ui/CallsDir.h"
#include "tests/ui/Child.h"
#include "ui/ColumnChooser.h"
#include "ui/FilterCell.h"
#include "ui/FilterChoices.h"
#include "ui/FilterRow.h"
#include "ui/MainWindow.h"
#include "ui/ResultGrid.h"
#include "ui/RowColouring.h"

#include "db/Database.h"
#include "db/Query.h"
#include "load/CallTable.h"
#include "results/ResultQuery.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace kestrom;
namespace fs = std::filesystem;

namespace {

using test::CallsDir;
using test::Child;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct Window {
    std::unique_ptr<TSearchForm> form;
    QStringList messages;
    QStringList errors;
    explicit Window(const CallsDir& dir) {
        form = std::make_unique<TSearchForm>(dir.path);
        form->showMessage = [this](const QString& m) { messages << m; };
        form->showError = [this](const QString& t, const QString& m) { errors << t + "|" + m; };
        form->resize(1000, 700);
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        grid()->inform = [this](const QString& m) { messages << m; };
    }
    template <class T> T* c(const char* name) { return Child<T>(form.get(), name); }
    ResultGrid* grid() { return c<ResultGrid>("DBGridEh1"); }
    TColumnChooser* chooser() { return c<TColumnChooser>("ColumnChooser"); }
    void open() { c<QPushButton>("ButtonGroup3")->click(); }

    // The three panels of the status bar, left to right.
    QStringList panels() {
        QStringList texts;
        for (QLabel* l : c<QStatusBar>("StatusBar1")->findChildren<QLabel*>())
            if (l->parent() == c<QStatusBar>("StatusBar1")) texts << l->text();
        return texts;
    }
    int column(const char* name) { return grid()->Model().ColumnIndex(U(name)); }
    // The display texts of a column, in the grid's row order.
    QStringList texts(const char* name) {
        QStringList out;
        const ResultModel& m = grid()->Model();
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.data(m.index(r, column(name))).toString();
        return out;
    }
    QPoint titlePoint(const char* name) {
        QHeaderView* titles = grid()->horizontalHeader();
        return {titles->sectionViewportPosition(column(name)) + 4, 6};
    }
    void clickTitle(const char* name, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(grid()->horizontalHeader()->viewport(), Qt::LeftButton, modifiers,
                          titlePoint(name));
    }
    FilterCell* cell(const char* name) { return grid()->Filters().Cell(column(name)); }
    void type(const char* name, const QString& text) {
        FilterCell* f = cell(name);
        f->lineEdit()->clear();
        QTest::keyClicks(f->lineEdit(), text);
        QTest::keyClick(f->lineEdit(), Qt::Key_Return);
    }
};

// Dark pixels in the top corner of a title, where its sort mark goes.
int MarkInk(ResultGrid* grid, int logical) {
    QHeaderView* titles = grid->horizontalHeader();
    const QImage image = titles->grab().toImage();
    const int left = titles->sectionViewportPosition(logical);
    const int side = QFontMetrics(titles->font()).height();
    int ink = 0;
    for (int y = 1; y < 2 + side; ++y)
        for (int x = left + 1; x < left + titles->sectionSize(logical) - 1; ++x)
            if (qGray(image.pixel(x, y)) < 110) ++ink;
    return ink;
}

QStringList Totals(const char* count, const char* sum, const char* total) {
    return {U(count), U(sum), U(total)};
}

const QStringList ZeroTotals = {U("Всего записей: 0"), U("Суммарная продолжительность 0 мс."),
                                U("ИТОГО: 0 час. 0 мин.")};

} // namespace

class GridCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void totalsFollowTheOpeningTheFilterAndAFailure() {
        CallsDir dir;
        Window w(dir);
        QCOMPARE(w.panels(), ZeroTotals);
        w.open();
        QCOMPARE(w.grid()->Model().rowCount(), 4);
        QCOMPARE(w.panels(), Totals("Всего записей: 4", "Суммарная продолжительность 7200000 мс.",
                                    "ИТОГО: 2 час. 0 мин."));

        // Number A 3962001: two calls of 60 and 30 minutes.
        w.type("Номер_А", "=3962001");
        QCOMPARE(w.grid()->Model().rowCount(), 2);
        QCOMPARE(w.panels(), Totals("Всего записей: 2", "Суммарная продолжительность 5400000 мс.",
                                    "ИТОГО: 1 час. 30 мин."));
        // Three rows, one without a duration.
        w.type("Номер_А", "<>3962002");
        QCOMPARE(w.panels(), Totals("Всего записей: 3", "Суммарная продолжительность 5400000 мс.",
                                    "ИТОГО: 1 час. 30 мин."));
        w.type("Номер_А", "3962002");
        QCOMPARE(w.panels(), Totals("Всего записей: 1", "Суммарная продолжительность 1800000 мс.",
                                    "ИТОГО: 0 час. 30 мин."));

        // An opening clears the filter row.
        w.open();
        QCOMPARE(w.cell("Номер_А")->Condition(), QString());
        QCOMPARE(w.grid()->Model().rowCount(), 4);
        QCOMPARE(w.panels()[0], U("Всего записей: 4"));

        // A failed opening reads zero.
        w.chooser()->SetSort({"Нет_такого[Up]"});
        w.open();
        QCOMPARE(w.errors, QStringList{U("Error|Ошибка #100")});
        QCOMPARE(w.panels(), ZeroTotals);
    }

    void colouringReadsTheOptionAndTheDisplayedList() {
        CallsDir dir;
        Window w(dir);
        w.open();
        const ResultModel& m = w.grid()->Model();
        const auto yellowRows = [&] {
            QList<int> rows;
            for (int r = 0; r < m.rowCount(); ++r)
                if (m.data(m.index(r, 7), Qt::BackgroundRole).value<QColor>() ==
                    QColor(255, 255, 0))
                    rows << r;
            return rows;
        };
        // Rows in start order: 3962003 ok, 3962002 busy, 3962001 ok, 3962001 ok.
        QCOMPARE(yellowRows(), QList<int>{});
        w.c<QCheckBox>("CheckBox6")->setChecked(true);
        QCOMPARE(yellowRows(), (QList<int>{0, 2, 3}));

        // Taking "Ошибка" out of the list stops it at once; putting it back
        // colours again before the result is opened anew.
        QListWidget* displayed = w.c<QListWidget>("ListBox1");
        const auto failure = displayed->findItems(U("Ошибка"), Qt::MatchExactly);
        QCOMPARE(failure.size(), 1);
        displayed->clearSelection();
        failure[0]->setSelected(true);
        displayed->setCurrentItem(failure[0]);
        w.c<QPushButton>("ButtonGroup16")->click();
        QVERIFY(displayed->findItems(U("Ошибка"), Qt::MatchExactly).isEmpty());
        QCOMPARE(yellowRows(), QList<int>{});
        QListWidget* all = w.c<QListWidget>("ListBox3");
        all->clearSelection();
        all->setCurrentItem(all->findItems(U("Ошибка"), Qt::MatchExactly)[0]);
        w.c<QPushButton>("ButtonGroup15")->click();
        QCOMPARE(yellowRows(), (QList<int>{0, 2, 3}));

        w.c<QCheckBox>("CheckBox6")->setChecked(false);
        QCOMPARE(yellowRows(), QList<int>{});
    }

    void colouringNeedsTheExactText() {
        ResultSet rows;
        QTemporaryDir dir;
        Database db(dir.path().toStdString() + "/");
        Query q(db);
        q.SetLines({"SELECT 'Успешный' AS Ошибка UNION ALL SELECT 'успешный' UNION ALL "
                    "SELECT 'Успешный ' UNION ALL SELECT NULL"});
        q.Open();
        rows.Reset(q);
        rows.ReadRows(q);
        RowColouring rule;
        rule.enabled = [] { return true; };
        rule.failureDisplayed = [] { return true; };
        bool visible = true;
        rule.gridVisible = [&] { return visible; };
        QVERIFY(rule.Colours(rows, 0));
        QVERIFY(!rule.Colours(rows, 1));
        QVERIFY(!rule.Colours(rows, 2));
        QVERIFY(!rule.Colours(rows, 3));
        visible = false;
        QVERIFY(!rule.Colours(rows, 0));
    }

    void titleClicksRunTheQueryAgainInTheirOrder() {
        CallsDir dir;
        Window w(dir);
        w.open();
        QSignalSpy asked(w.grid(), &ResultGrid::sortRequested);
        w.type("Номер_А", "<>3962002"); // the filter outlives a re-run

        w.clickTitle("Дата_иниц");
        QCOMPARE(asked.count(), 1);
        QCOMPARE(TitleSortOrderBy(w.grid()->SortMarks().Marks()), std::string("ORDER BY 12"));
        QCOMPARE(w.texts("Номер_А"), (QStringList{"3962003", "3962001", "3962001"}));
        w.clickTitle("Дата_иниц");
        QCOMPARE(TitleSortOrderBy(w.grid()->SortMarks().Marks()), std::string("ORDER BY 12 DESC"));
        QCOMPARE(w.texts("Номер_А"), (QStringList{"3962001", "3962001", "3962003"}));
        QCOMPARE(w.panels()[0], U("Всего записей: 3"));
        QCOMPARE(w.grid()->Titles().Marks().size(), 1);
        // The mark is drawn at the top of the title, and only there.
        QVERIFY(MarkInk(w.grid(), w.column("Дата_иниц")) > 4);
        QCOMPARE(MarkInk(w.grid(), w.column("Дата_окон")), 0);

        // Ctrl+clicks on Номер_А and Прод_мс are applied once, at Ctrl's release.
        w.clickTitle("Номер_А", Qt::ControlModifier);
        w.clickTitle("Прод_мс", Qt::ControlModifier);
        QCOMPARE(asked.count(), 2);
        QVERIFY(w.grid()->SortPending());
        QCOMPARE(w.texts("Номер_А"), (QStringList{"3962001", "3962001", "3962003"}));
        QTest::keyRelease(w.grid(), Qt::Key_Control);
        QCOMPARE(asked.count(), 3);
        QCOMPARE(TitleSortOrderBy(w.grid()->SortMarks().Marks()),
                 std::string("ORDER BY 12 DESC, 8, 19"));
        QCOMPARE(w.texts("Прод_мс"), (QStringList{"1800000", "3600000", ""}));

        // A plain click leaves one mark, its direction stepped; a Ctrl+click
        // adds one, applied when the focus leaves the grid.
        w.clickTitle("Номер_А");
        QCOMPARE(TitleSortOrderBy(w.grid()->SortMarks().Marks()), std::string("ORDER BY 8 DESC"));
        w.clickTitle("Прод_мс", Qt::ControlModifier);
        QCOMPARE(TitleSortOrderBy(w.grid()->SortMarks().Marks()),
                 std::string("ORDER BY 8 DESC, 19"));
        const auto before = asked.count();
        w.cell("Номер_Б")->setFocus();
        QApplication::processEvents();
        QCOMPARE(asked.count(), before + 1);
        QCOMPARE(w.texts("Прод_мс"), (QStringList{"", "1800000", "3600000"}));
        QCOMPARE(w.grid()->Titles().Marks().value(w.column("Прод_мс")).place, 2);

        // The filter cell's sort items make the column the only sort column.
        FilterCell* cell = w.cell("Прод_мс");
        emit cell->activated(1); // "(Сортировка по убыванию)"
        QCOMPARE(TitleSortOrderBy(w.grid()->SortMarks().Marks()), std::string("ORDER BY 19 DESC"));
        QCOMPARE(cell->Condition(), QString());
        emit cell->activated(0);
        QCOMPARE(w.texts("Прод_мс"), (QStringList{"", "1800000", "3600000"}));

        // A failing re-run shows the engine's error and leaves no rows.
        fs::remove(fs::path(dir.path) / "servis.sql");
        w.clickTitle("Дата_иниц");
        QCOMPARE(w.errors.size(), 1);
        QCOMPARE(w.grid()->Model().rowCount(), 0);
        QCOMPARE(w.panels(), ZeroTotals);
    }

    void filterRowItemsAndInvalidConditions() {
        CallsDir dir;
        Window w(dir);
        w.open();
        FilterCell* number = w.cell("Номер_А");
        QVERIFY(number->isVisible());
        QVERIFY(!w.cell("Услуга_аб_А")->isVisible()); // not displayed
        QCOMPARE(number->geometry().left(),
                 w.grid()->horizontalHeader()->sectionViewportPosition(w.column("Номер_А")));

        number->showPopup();
        FilterChoices& choices = number->Choices();
        QStringList items;
        for (int r = 0; r < choices.rowCount(); ++r)
            items << choices.data(choices.index(r)).toString();
        QCOMPARE(items,
                 (QStringList{U("(Сортировка по возрастанию)"), U("(Сортировка по убыванию)"), "-",
                              U("(Очистить фильтр)"), U("(Все)"), U("(Не пустые)"), U("(Пустые)"),
                              "3962001", "3962002", "3962003"}));
        QCOMPARE(choices.flags(choices.index(2)), Qt::NoItemFlags);
        number->hidePopup();

        emit number->activated(8); // a value: that value exactly
        QCOMPARE(number->Condition(), QString("=3962002"));
        QCOMPARE(w.grid()->Model().rowCount(), 1);
        emit w.cell("Прод_мс")->activated(6); // "(Пустые)", joined with AND
        QCOMPARE(w.grid()->Model().rowCount(), 0);
        emit w.cell("Прод_мс")->activated(5); // "(Не пустые)"
        QCOMPARE(w.grid()->Model().rowCount(), 1);
        emit number->activated(4); // "(Все)" clears this column
        QCOMPARE(number->Condition(), QString());
        QCOMPARE(w.grid()->Model().rowCount(), 3);
        emit number->activated(3); // "(Очистить фильтр)" clears all
        QCOMPARE(w.cell("Прод_мс")->Condition(), QString());
        QCOMPARE(w.grid()->Model().rowCount(), 4);

        // An invalid condition is shown, never searched for.
        w.type("Прод_мс", ">abc");
        QVERIFY(w.cell("Прод_мс")->IsInvalid());
        QVERIFY(!w.cell("Прод_мс")->toolTip().isEmpty());
        QCOMPARE(w.grid()->Model().rowCount(), 4);
        w.type("Прод_мс", ">2000000");
        QVERIFY(!w.cell("Прод_мс")->IsInvalid());
        QCOMPARE(w.grid()->Model().rowCount(), 1);

        // A typed condition applies after a pause without Enter.
        number->lineEdit()->clear();
        QTest::keyClicks(number->lineEdit(), "396200");
        QCOMPARE(w.grid()->Model().rowCount(), 1);
        QTRY_COMPARE(w.grid()->Model().rowCount(), 1);
        QTest::keyClicks(number->lineEdit(), "3");
        QTRY_COMPARE(w.panels()[0], U("Всего записей: 0"));
    }

    void datesAndTimesFilterInTheLocalesForms() {
        CallsDir dir;
        Database db(dir.path);
        Query query(db);
        const std::vector<std::string> all = [] {
            std::vector<std::string> names;
            for (std::string_view n : ResultColumnNames())
                names.emplace_back(n);
            return names;
        }();
        // Russian forms are cut from the stored text; American ones go
        // through the locale.
        for (const QLocale& locale : {QLocale(QLocale::Russian, QLocale::Russia),
                                      QLocale(QLocale::English, QLocale::UnitedStates)}) {
            ResultGrid grid;
            grid.Model().SetLocale(locale);
            grid.BeginOpening();
            QVERIFY(OpenResultQuery(query, std::vector<std::string>{"Дата_иниц[Up]"}).ok);
            grid.ShowResult(query, all, all);
            query.Close();
            const int day = grid.Model().ColumnIndex(U("Дата_иниц"));
            const int time = grid.Model().ColumnIndex(U("Время_иниц"));
            const bool russian = locale.language() == QLocale::Russian;
            const auto count = [&](int column, const char* condition) {
                const QString error = grid.SetFilterCondition(column, U(condition));
                return error.isEmpty() ? grid.Model().rowCount() : -1;
            };
            QCOMPARE(count(day, russian ? "=09.10.2006" : "=10/9/06"), 1);
            QCOMPARE(count(day, russian ? "08.10.2006~09.10.2006" : "10/8/06~10/9/06"), 2);
            QCOMPARE(count(day, ">=2006-10-09"), 2);
            QCOMPARE(count(day, russian ? "10.2006" : "/06"), 4);
            QCOMPARE(count(day, ">31.02.2006"), -1);
            QCOMPARE(count(day, {}), 4);
            QCOMPARE(count(time, "<=08:00:00"), 2);
            QCOMPARE(count(time, russian ? "=13:00:00" : "=1:00:00 PM"), 1);
            QCOMPARE(count(time, russian ? ">=9:00" : ">=9:00:00 AM"), 2);
        }
    }

    void fittingMeasuresEveryTextAndTheTitles() {
        CallsDir dir;
        Window w(dir);
        w.open();
        ResultGrid* grid = w.grid();
        QHeaderView* titles = grid->horizontalHeader();
        const int number = w.column("Номер_А");
        const int services = w.column("Услуга_аб_А"); // hidden, NULL everywhere
        QCOMPARE(titles->sectionSize(number), ResultGrid::DefaultColumnWidth);
        w.c<QPushButton>("ButtonGroup4")->click();
        const QFontMetrics fm(grid->font());
        QCOMPARE(titles->sectionSize(number), fm.horizontalAdvance("3962001") + 4);
        // Every column, the hidden ones too, by measuring every cell.
        const ResultModel& m = grid->Model();
        for (int c = 0; c < m.columnCount(); ++c) {
            int widest = grid->Titles().TitleWidth(c);
            for (int r = 0; r < m.rowCount(); ++r)
                widest =
                    std::max(widest, fm.horizontalAdvance(m.DisplayText(m.ResultRow(r), c)) + 4);
            const bool hidden = grid->isColumnHidden(c);
            grid->setColumnHidden(c, false); // a hidden column keeps its fitted width
            QCOMPARE(titles->sectionSize(c), widest);
            grid->setColumnHidden(c, hidden);
        }
        QVERIFY(grid->isColumnHidden(services));

        const int failure = w.column("Ошибка");
        QCOMPARE(titles->sectionSize(failure), fm.horizontalAdvance(U("Занятость аб.")) + 4);

        // Only the rows the filter row lets through count.
        w.type("Номер_А", "=3962001");
        w.c<QPushButton>("ButtonGroup4")->click();
        QCOMPARE(titles->sectionSize(failure), fm.horizontalAdvance(U("Успешный")) + 4);
        w.type("Номер_А", "");

        // With the option ticked an opening fits them; without, it does not.
        w.open();
        QCOMPARE(titles->sectionSize(number), ResultGrid::DefaultColumnWidth);
        w.c<QCheckBox>("CheckBox2")->setChecked(true);
        w.open();
        QCOMPARE(titles->sectionSize(number), fm.horizontalAdvance("3962001") + 4);

        // A double click on the title's right border fits one column.
        titles->resizeSection(number, 200);
        titles->resizeSection(failure, 200);
        const QPoint border(titles->sectionViewportPosition(number) + 199, 6);
        QTest::mouseDClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier, border);
        QCOMPARE(titles->sectionSize(number), fm.horizontalAdvance("3962001") + 4);
        QCOMPARE(titles->sectionSize(failure), 200);
    }

    void keysMoveAndFind() {
        CallsDir dir;
        Window w(dir);
        w.open();
        ResultGrid* grid = w.grid();
        grid->setFocus();
        const int number = w.column("Номер_А");
        grid->setCurrentIndex(grid->model()->index(0, w.column("Ошибка")));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(grid->currentIndex().column(),
                 grid->horizontalHeader()->logicalIndex(
                     grid->horizontalHeader()->visualIndex(w.column("Ошибка")) + 1));
        QCOMPARE(grid->currentIndex().row(), 0);

        // Typing searches the current column.
        grid->setCurrentIndex(grid->model()->index(0, number));
        QTest::keyClicks(grid, "3962001");
        QCOMPARE(grid->currentIndex().row(), 2);
        QCOMPARE(grid->currentIndex().column(), number);

        // Ctrl+F: the dialog finds the next cell and says when there is none.
        QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(grid->Finder() != nullptr && grid->Finder()->isVisible());
        QVERIFY(grid->FindNext({"3962001", false, false, false}));
        QCOMPARE(grid->currentIndex().row(), 3);
        QVERIFY(!grid->FindNext({"3962001", false, false, false}));
        QCOMPARE(w.messages.back(), U("Строка \"3962001\" не найдена."));
        grid->setCurrentIndex(grid->model()->index(0, number));
        QVERIFY(grid->FindNext({U("занятость"), false, true, false}));
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(grid->currentIndex().column(), w.column("Ошибка"));
        grid->setCurrentIndex(grid->model()->index(0, number));
        QVERIFY(!grid->FindNext({U("занятость"), true, true, false}));
        QVERIFY(!grid->FindNext({"396200", false, false, true}));
    }
};

QTEST_MAIN(GridCommandsTest)
#include "GridCommands_test.moc"
