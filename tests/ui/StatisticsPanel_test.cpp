// The page "Статистика" as the user reaches it in the main window: the
// charts of the rows the grid shows, following its filter row, its load and
// its data source; the clicks that narrow the grid and "Сбросить отбор";
// "Сохранить как PNG"; the page's place on the window and its state in
// addpar.ini.

#include "tests/ui/CallsDir.h"
#include "tests/ui/Child.h"
#include "ui/FilterCell.h"
#include "ui/FilterRow.h"
#include "ui/MainWindow.h"
#include "ui/ResultGrid.h"
#include "ui/StatisticsPanel.h"
#include "ui/TopNumbersTable.h"

#include "base/Cp1251.h"
#include "results/CallStatistics.h"
#include "settings/SettingsFiles.h"

#include <QAbstractBarSeries>
#include <QAbstractButton>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QGraphicsTextItem>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace kestrom;

namespace {

using test::CallsDir;
using test::Child;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The four calls of CallsDir and four more: calls at the edges of the hours
// 12, 13 and 14 of 9 October, one without a set-up date, and the failure
// "Занятость аб." (code 3) turned into NULL in the lookup table.
//   5: 3962001 -> 100, successful,   5000 ms, 9 October 13:59:59.999
//   6: 3962002 -> 100, successful,  65000 ms, 9 October 14:00:00.000
//   7: 3962004 -> 500, busy (NULL),     0 ms, 9 October 12:59:59.999
//   8: 3962001 -> 200, successful,  20000 ms, no date,   10:00:00
struct StatisticsCalls : CallsDir {
    StatisticsCalls() {
        Database db(path);
        db.Execute("INSERT INTO AMG (ID, Owner_N, Partner_N, Sequence, F10, Failure,"
                   " \"106_Suppl_Serv\", \"107_Suppl_Serv\", Call_Durat, Start_D, Start_T)"
                   " VALUES"
                   " (5, '3962001', '100', 1, 1, 16, 0, 0, 5000, '2006-10-09', '13:59:59.999'),"
                   " (6, '3962002', '100', 1, 1, 16, 0, 0, 65000, '2006-10-09', '14:00:00.000'),"
                   " (7, '3962004', '500', 1, 1, 3, 0, 0, 0, '2006-10-09', '12:59:59.999'),"
                   " (8, '3962001', '200', 1, 1, 16, 0, 0, 20000, NULL, '10:00:00')",
                   "test rows");
        sqlite3* lookup = nullptr;
        const std::string file = path + "failurestr.db";
        if (sqlite3_open(file.c_str(), &lookup) != SQLITE_OK ||
            sqlite3_exec(lookup, "UPDATE failurestr SET failurestr = NULL WHERE FailureCod = 3",
                         nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("cannot change %s", file.c_str());
        sqlite3_close(lookup);
    }
};

struct Window {
    std::unique_ptr<TSearchForm> form;
    QStringList informed; // the page's messages
    QStringList proposed; // what the save dialog was given
    QString answer;       // what the save dialog answers

    explicit Window(const CallsDir& dir) {
        form = std::make_unique<TSearchForm>(dir.path);
        form->showMessage = [](const QString&) {}; // the broken-off load of CallsDir
        StatisticsPanel& page = form->Statistics();
        page.inform = [this](const QString& m) { informed << m; };
        page.chooseFile = [this](const QString& p) {
            proposed << p;
            return answer;
        };
        // The texts a Russian user sees: "09.10.2006", decimal commas.
        grid()->Model().SetLocale(QLocale(QLocale::Russian, QLocale::Russia));
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    template <class T> T* c(const char* name) { return Child<T>(form.get(), name); }
    ResultGrid* grid() { return c<ResultGrid>("DBGridEh1"); }
    StatisticsPanel* page() { return c<StatisticsPanel>("StatisticsPanel"); }
    QPushButton* statisticsButton() { return c<QPushButton>("StatisticsButton"); }
    void open() { c<QPushButton>("ButtonGroup3")->click(); }
    void showPage(bool shown) {
        if (statisticsButton()->isChecked() != shown) statisticsButton()->click();
    }
    int column(const char* name) { return grid()->Model().ColumnIndex(U(name)); }
    /// Brings the tab of a chart or list of the page to the front.
    void showTab(const char* name) {
        c<QTabWidget>("StatisticsTabs")->setCurrentWidget(c<QWidget>(name)->parentWidget());
    }
    QString condition(const char* name) {
        return grid()->Filters().Cell(column(name))->Condition();
    }
    /// The stored texts of a column over the shown rows.
    QStringList shownTexts(const char* name) {
        const ResultModel& m = grid()->Model();
        QStringList texts;
        for (int r = 0; r < m.rowCount(); ++r)
            texts << QString::fromStdString(std::string(
                m.Result().TextView(m.ResultRow(r), static_cast<std::size_t>(column(name)))));
        return texts;
    }
    /// The figures of the rows the grid shows, gathered here.
    CallStatistics shownFigures() {
        const ResultModel& m = grid()->Model();
        std::vector<std::uint32_t> rows;
        for (int r = 0; r < m.rowCount(); ++r)
            rows.push_back(static_cast<std::uint32_t>(m.ResultRow(r)));
        return CallStatistics::Of(m.Result(), rows);
    }
    /// A day as the grid shows it in "Дата_иниц".
    QString dayText(const std::string& iso) {
        const ResultModel& m = grid()->Model();
        const auto date = static_cast<std::size_t>(column("Дата_иниц"));
        for (std::size_t r = 0; r < m.Result().RowCount(); ++r)
            if (!m.Result().IsNull(r, date) && m.Result().TextView(r, date) == iso)
                return m.DisplayText(r, static_cast<int>(date));
        return {};
    }
};

// A chart's bars in the order of its categories: for horizontal bars from
// the top down.
struct Bars {
    QString categoryTitle;
    QStringList categories;
    QList<qreal> values;
    QBarSet* set = nullptr;
    bool reversed = false;
};

Bars BarsOf(QWidget* root, const char* name) {
    QChart* chart = Child<QChartView>(root, name)->chart();
    Bars bars;
    auto* series = qobject_cast<QAbstractBarSeries*>(chart->series().at(0));
    bars.set = series->barSets().at(0);
    for (QAbstractAxis* axis : chart->axes())
        if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis)) {
            bars.categories = categories->categories();
            bars.categoryTitle = categories->titleText();
        }
    for (int i = 0; i < bars.set->count(); ++i)
        bars.values << bars.set->at(i);
    bars.reversed = qobject_cast<QHorizontalBarSeries*>(series) != nullptr;
    if (bars.reversed) {
        std::reverse(bars.categories.begin(), bars.categories.end());
        std::reverse(bars.values.begin(), bars.values.end());
    }
    return bars;
}

/// A click on the bar of a category, as Qt Charts reports it.
void ClickBar(QWidget* root, const char* chart, const QString& category) {
    const Bars bars = BarsOf(root, chart);
    const auto index = bars.categories.indexOf(category);
    QVERIFY2(index >= 0, qPrintable(category));
    const auto shown = bars.reversed ? bars.categories.size() - 1 - index : index;
    emit bars.set->clicked(static_cast<int>(shown));
}

QList<qreal> Counts(const std::vector<std::int64_t>& values) {
    QList<qreal> out;
    for (std::int64_t v : values)
        out << static_cast<qreal>(v);
    return out;
}

QStringList TableColumn(TopNumbersTable* table, int column) {
    QStringList texts;
    for (int r = 0; r < table->rowCount(); ++r)
        texts << table->item(r, column)->text();
    return texts;
}

/// Every chart and list of the page against the figures of the grid's rows.
void ComparePageWithGrid(Window& w) {
    QWidget* page = w.page();
    const CallStatistics f = w.shownFigures();

    // The days in order; a click on each bar tells which day it stands for.
    std::vector<std::int64_t> calls;
    QList<qreal> minutes;
    for (const auto& d : f.days) {
        calls.push_back(d.calls);
        minutes << d.minutes;
    }
    const Bars perDay = BarsOf(page, "DaysChart");
    QCOMPARE(perDay.categories.size(), static_cast<qsizetype>(f.days.size()));
    QCOMPARE(perDay.values, Counts(calls));
    const Bars minutesPerDay = BarsOf(page, "MinutesChart");
    QCOMPARE(minutesPerDay.categories, perDay.categories);
    QCOMPARE(minutesPerDay.values, minutes);

    const Bars perHour = BarsOf(page, "HoursChart");
    QCOMPARE(perHour.categories.size(), 24);
    QCOMPARE(perHour.categories.front(), QString("0"));
    QCOMPARE(perHour.values, Counts({f.hours.begin(), f.hours.end()}));
    QCOMPARE(Child<QLabel>(page, "WithoutStartDate")->text(),
             U("без даты начала: ") + QString::number(f.withoutStartDate));

    const Bars perBucket = BarsOf(page, "DurationsChart");
    QCOMPARE(perBucket.categories, (QStringList{U("до 10 с"), U("10–60 с"), U("1–5 мин"),
                                                U("5–30 мин"), U("более 30 мин")}));
    QCOMPARE(perBucket.values, Counts({f.durations.begin(), f.durations.end()}));

    QStringList failures;
    std::vector<std::int64_t> perFailureCalls;
    for (const auto& x : f.failures) {
        failures << (x.text.empty() ? U("(Пустые)") : QString::fromStdString(x.text));
        perFailureCalls.push_back(x.calls);
    }
    const Bars perFailure = BarsOf(page, "FailuresChart");
    QCOMPARE(perFailure.categories, failures);
    QCOMPARE(perFailure.values, Counts(perFailureCalls));

    const auto numbers = [](const std::vector<CallStatistics::NumberFigure>& top) {
        QStringList n;
        for (const auto& x : top)
            n << QString::fromStdString(x.number);
        return n;
    };
    QCOMPARE(TableColumn(Child<TopNumbersTable>(page, "TopNumbersB"), 0), numbers(f.topB));
    QCOMPARE(TableColumn(Child<TopNumbersTable>(page, "TopNumbersA"), 0), numbers(f.topA));
}

/// Whether the charts hold no bars and the lists no rows.
bool PageIsEmpty(QWidget* page) {
    for (const char* chart : {"DaysChart", "MinutesChart", "FailuresChart"})
        if (!BarsOf(page, chart).values.isEmpty()) return false;
    for (const char* chart : {"HoursChart", "DurationsChart"})
        for (qreal v : BarsOf(page, chart).values)
            if (v != 0) return false;
    return Child<TopNumbersTable>(page, "TopNumbersB")->rowCount() == 0 &&
           Child<TopNumbersTable>(page, "TopNumbersA")->rowCount() == 0 &&
           Child<QLabel>(page, "WithoutStartDate")->text() == U("без даты начала: 0");
}

/// The texts drawn in a chart (titles and axis labels).
QStringList DrawnTexts(QWidget* page, const char* chart) {
    QStringList texts;
    for (QGraphicsItem* item : Child<QChartView>(page, chart)->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item)) texts << text->toPlainText();
    return texts;
}

} // namespace

class StatisticsPanelTest : public QObject {
    Q_OBJECT
  private slots:
    void theChartsFollowTheRowsTheGridShows() {
        StatisticsCalls dir;
        Window w(dir);
        w.open();
        w.showPage(true);
        QVERIFY(w.page()->isVisible());
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;
        // The calls by hand: 9 October has four, one call has no date.
        const Bars perDay = BarsOf(w.page(), "DaysChart");
        // The year, common to all days, in the axis title.
        QCOMPARE(perDay.categories, (QStringList{"07.10", "08.10", "09.10", "10.10"}));
        QCOMPARE(perDay.categoryTitle, U("День (2006)"));
        QCOMPARE(perDay.values, (QList<qreal>{1, 1, 4, 1}));
        QTRY_VERIFY2(DrawnTexts(w.page(), "DaysChart").contains("4"),
                     qPrintable(DrawnTexts(w.page(), "DaysChart").join('|')));
        QCOMPARE(BarsOf(w.page(), "HoursChart").values.mid(12, 3), (QList<qreal>{1, 2, 1}));
        // The call without a date (at 10:00) is counted apart, in no hour.
        QCOMPARE(BarsOf(w.page(), "HoursChart").values[10], 0.0);
        QCOMPARE(Child<QLabel>(w.page(), "WithoutStartDate")->text(), U("без даты начала: 1"));
        QCOMPARE(BarsOf(w.page(), "FailuresChart").categories,
                 (QStringList{U("Успешный"), U("(Пустые)")}));
        // The minutes of the top numbers with a decimal comma.
        auto* topA = Child<TopNumbersTable>(w.page(), "TopNumbersA");
        QCOMPARE(TableColumn(topA, 0).front(), QString("3962001"));
        QCOMPARE(TableColumn(topA, 1).front(), QString("4"));
        QCOMPARE(TableColumn(topA, 2).front(), QString("90,42"));

        // A filter change: the charts follow at the next turn of the loop.
        w.grid()->SetFilterCondition(w.column("Номер_А"), "3962001");
        QCOMPARE(w.grid()->Model().rowCount(), 4);
        QTRY_COMPARE(BarsOf(w.page(), "DaysChart").values, (QList<qreal>{2, 1}));
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;

        // Only the call of 5 seconds: the axis of minutes steps in hundredths,
        // written with the locale's decimal comma.
        w.grid()->SetFilterCondition(w.column("Прод_мс"), "=5000");
        QTRY_COMPARE(BarsOf(w.page(), "DaysChart").values, (QList<qreal>{1}));
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;
        w.showTab("MinutesChart");
        QTRY_VERIFY2(DrawnTexts(w.page(), "MinutesChart").contains("0,02"),
                     qPrintable(DrawnTexts(w.page(), "MinutesChart").join('|')));
        QVERIFY(DrawnTexts(w.page(), "MinutesChart").contains(U("Минуты по дням")));

        // No row passes: empty charts, and nothing to tell.
        w.grid()->SetFilterCondition(w.column("Номер_А"), "=999");
        QCOMPARE(w.grid()->Model().rowCount(), 0);
        QTRY_VERIFY(PageIsEmpty(w.page()));
        QCOMPARE(w.informed, QStringList{});
    }

    void aClickOnADayOrAnHourNarrowsTheGrid() {
        StatisticsCalls dir;
        Window w(dir);
        w.open();
        w.showPage(true);

        // The day as the grid shows it.
        ClickBar(w.page(), "DaysChart", "09.10");
        QCOMPARE(w.condition("Дата_иниц"), "=" + w.dayText("2006-10-09")); // "=09.10.2006"
        QCOMPARE(w.shownTexts("Дата_иниц"), QStringList(4, "2006-10-09"));
        QTRY_COMPARE(BarsOf(w.page(), "DaysChart").categories, QStringList{"09.10"});
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;

        // The hour 13 takes 13:59:59.999, but neither 12:59:59.999 nor 14:00:00.000.
        ClickBar(w.page(), "HoursChart", "13");
        QCOMPARE(w.condition("Время_иниц"), QString("13:00:00~13:59:59"));
        QCOMPARE(w.shownTexts("Время_иниц"), (QStringList{"13:00:00", "13:59:59.999"}));
        QTRY_COMPARE(BarsOf(w.page(), "DaysChart").values, QList<qreal>{2});
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;
        ClickBar(w.page(), "HoursChart", "14");
        QCOMPARE(w.shownTexts("Время_иниц"), QStringList{"14:00:00.000"});
        ClickBar(w.page(), "HoursChart", "12");
        QCOMPARE(w.shownTexts("Время_иниц"), QStringList{"12:59:59.999"});
        QTRY_COMPARE(BarsOf(w.page(), "HoursChart").values[12], 1.0);

        // The minutes of a day narrow to that day as well.
        w.c<QPushButton>("ResetStatisticsFilter")->click();
        QCOMPARE(w.grid()->Model().rowCount(), 8);
        QTRY_COMPARE(BarsOf(w.page(), "MinutesChart").categories.size(), 4);
        ClickBar(w.page(), "MinutesChart", "10.10");
        QCOMPARE(w.shownTexts("Дата_иниц"), QStringList{"2006-10-10"});
    }

    void aClickOnAFailureOrANumberNarrowsTheGrid() {
        StatisticsCalls dir;
        Window w(dir);
        w.open();
        w.showPage(true);
        w.showTab("FailuresChart");

        // A NULL failure text.
        ClickBar(w.page(), "FailuresChart", U("(Пустые)"));
        QCOMPARE(w.condition("Ошибка"), QString("=NULL"));
        QCOMPARE(w.shownTexts("Номер_А"), (QStringList{"3962002", "3962004"}));
        QTRY_COMPARE(BarsOf(w.page(), "FailuresChart").categories, QStringList{U("(Пустые)")});
        ClickBar(w.page(), "FailuresChart", U("(Пустые)")); // the same again: no change
        QCOMPARE(w.grid()->Model().rowCount(), 2);

        w.c<QPushButton>("ResetStatisticsFilter")->click();
        QTRY_COMPARE(BarsOf(w.page(), "FailuresChart").categories.size(), 2);
        ClickBar(w.page(), "FailuresChart", U("Успешный"));
        QCOMPARE(w.condition("Ошибка"), U("=Успешный"));
        QCOMPARE(w.grid()->Model().rowCount(), 6);

        // A click on a row of the top numbers B, by the mouse.
        w.showTab("TopNumbersB");
        auto* topB = Child<TopNumbersTable>(w.page(), "TopNumbersB");
        QTRY_COMPARE(topB->Numbers(), (QStringList{"100", "200", "300", "400"}));
        QTest::mouseClick(topB->viewport(), Qt::LeftButton, {},
                          topB->visualItemRect(topB->item(1, 1)).center());
        QCOMPARE(w.condition("Номер_Б"), QString("=200"));
        QCOMPARE(w.shownTexts("Номер_А"), QStringList{"3962001"}); // the busy call is out
        QTRY_COMPARE(topB->Numbers(), QStringList{"200"});

        auto* topA = Child<TopNumbersTable>(w.page(), "TopNumbersA");
        QTRY_COMPARE(topA->Numbers(), QStringList{"3962001"});
        QTest::mouseClick(topA->viewport(), Qt::LeftButton, {},
                          topA->visualItemRect(topA->item(0, 0)).center());
        QCOMPARE(w.condition("Номер_А"), QString("=3962001"));

        // "Сбросить отбор" takes the page's conditions away, and only those:
        // the user's own stays, and so does one typed over the page's.
        w.grid()->SetFilterCondition(w.column("Прод_мс"), ">=0");
        w.grid()->SetFilterCondition(w.column("Ошибка"), U("Усп"));
        w.c<QPushButton>("ResetStatisticsFilter")->click();
        QCOMPARE(w.condition("Номер_Б"), QString());
        QCOMPARE(w.condition("Номер_А"), QString());
        QCOMPARE(w.condition("Прод_мс"), QString(">=0"));
        QCOMPARE(w.condition("Ошибка"), U("Усп"));
        QCOMPARE(w.grid()->Model().rowCount(), 5); // successful, with a duration
        QTRY_COMPARE(topB->Numbers(), (QStringList{"100", "200", "300"}));
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;
        // Nothing left of the page's: a second reset changes nothing.
        w.c<QPushButton>("ResetStatisticsFilter")->click();
        QCOMPARE(w.condition("Ошибка"), U("Усп"));
    }

    void aHiddenPageGathersNothingAndAShownOneAtOnce() {
        StatisticsCalls dir;
        Window w(dir);
        QSignalSpy rebuilt(w.page(), &StatisticsPanel::rebuilt);
        QVERIFY(!w.page()->isVisible()); // hidden at first start
        w.open();
        w.grid()->SetFilterCondition(w.column("Номер_А"), "3962001");
        QTest::qWait(20);
        QCOMPARE(rebuilt.count(), 0);
        QVERIFY(BarsOf(w.page(), "DaysChart").values.isEmpty());

        // Shown: the figures are there before any event is handled.
        w.showPage(true);
        QCOMPARE(rebuilt.count(), 1);
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;

        // Hidden again: filter changes leave the old charts; shown, the new ones.
        w.showPage(false);
        QVERIFY(!w.page()->isVisible());
        w.grid()->SetFilterCondition(w.column("Номер_А"), "");
        w.grid()->SetFilterCondition(w.column("Номер_Б"), "=200");
        QTest::qWait(20);
        QCOMPARE(rebuilt.count(), 1);
        QCOMPARE(BarsOf(w.page(), "DaysChart").values, (QList<qreal>{2, 1}));
        w.showPage(true);
        QCOMPARE(rebuilt.count(), 2);
        QCOMPARE(BarsOf(w.page(), "DaysChart").categories, QStringList{"08.10"});
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;

        // Several changes in one turn of the loop: one rebuild.
        w.grid()->SetFilterCondition(w.column("Номер_Б"), "");
        w.grid()->SetFilterCondition(w.column("Ошибка"), U("=Успешный"));
        QTRY_COMPARE(rebuilt.count(), 3);
        QTest::qWait(20);
        QCOMPARE(rebuilt.count(), 3);
        ComparePageWithGrid(w);
    }

    void thePageIsEmptyWhileTheDataSourceIsOff() {
        StatisticsCalls dir;
        Window w(dir);
        w.open();
        w.showPage(true);
        QVERIFY(!PageIsEmpty(w.page()));
        // What the window does while a load runs.
        w.grid()->DetachData();
        QTRY_VERIFY(PageIsEmpty(w.page()));
        w.grid()->AttachData();
        QTRY_VERIFY(!PageIsEmpty(w.page()));
        ComparePageWithGrid(w);
        if (QTest::currentTestFailed()) return;

        // Days of two years: each bar with its year.
        {
            Database db(dir.path);
            db.Execute("INSERT INTO AMG (ID, Owner_N, Partner_N, Sequence, F10, Failure,"
                       " \"106_Suppl_Serv\", \"107_Suppl_Serv\", Call_Durat, Start_D, Start_T)"
                       " VALUES (9, '3962001', '100', 1, 1, 16, 0, 0, 1000, '2007-01-02',"
                       " '10:00:00')",
                       "test rows");
        }
        w.open();
        QTRY_COMPARE(BarsOf(w.page(), "DaysChart").categories.size(), 5);
        QCOMPARE(BarsOf(w.page(), "DaysChart").categories.back(), QString("02.01.2007"));
        QCOMPARE(BarsOf(w.page(), "MinutesChart").categoryTitle, U("День"));
        ClickBar(w.page(), "DaysChart", "07.10.2006");
        QCOMPARE(w.shownTexts("Номер_Б"), QStringList{"400"});

        // A new opening after the calls were removed: an empty result.
        {
            Database db(dir.path);
            db.Execute("DELETE FROM AMG", "test rows");
        }
        w.open();
        QCOMPARE(w.grid()->Model().rowCount(), 0);
        QTRY_VERIFY(PageIsEmpty(w.page()));
        QCOMPARE(BarsOf(w.page(), "HoursChart").values.size(), 24);
        QCOMPARE(BarsOf(w.page(), "DurationsChart").values.size(), 5);
        // An hour of an empty page still sets its condition, and the reset
        // takes it away.
        ClickBar(w.page(), "HoursChart", "3");
        QCOMPARE(w.condition("Время_иниц"), QString("03:00:00~03:59:59"));
        w.c<QPushButton>("ResetStatisticsFilter")->click();
        QCOMPARE(w.condition("Время_иниц"), QString());
        QCOMPARE(w.informed, QStringList{});
    }

    void aChartIsSavedAsPng() {
        StatisticsCalls dir;
        QTemporaryDir out;
        // The save dialog starts in the export folder.
        std::ofstream(dir.path + "Kestrom.ini", std::ios::binary)
            << Utf8ToCp1251(std::string(AmaPathLineName) + "=" + dir.path) << "\r\n"
            << Utf8ToCp1251(std::string(ExportPathLineName) + "=" + out.path().toStdString())
            << "\r\n";
        Window w(dir);
        w.open();
        w.showPage(true);
        QChartView* view = Child<QChartView>(w.page(), "DaysChart");

        w.answer = out.filePath("days.png");
        w.showTab("DaysChart");
        w.c<QAbstractButton>("DaysChartSave")->click();
        QCOMPARE(w.proposed, QStringList{QDir(out.path()).filePath(U("Звонки по дням.png"))});
        QCOMPARE(w.informed, QStringList{});
        const QImage saved(w.answer, "PNG");
        QVERIFY(!saved.isNull());
        QCOMPARE(saved.size(), view->size() * view->devicePixelRatio());
        // Not a blank picture: the bars and texts have colours of their own.
        std::set<QRgb> colours;
        for (int y = 0; y < saved.height(); y += 3)
            for (int x = 0; x < saved.width(); x += 3)
                colours.insert(saved.pixel(x, y));
        QVERIFY(colours.size() > 3);

        // Cancelled: nothing.
        w.answer.clear();
        w.showTab("HoursChart");
        w.c<QAbstractButton>("HoursChartSave")->click();
        QCOMPARE(w.proposed.size(), 2);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"days.png"});

        // A folder that does not exist, and a folder in the file's place:
        // the user is told, and no file is left.
        w.answer = out.filePath("missing/hours.png");
        w.showTab("HoursChart");
        w.c<QAbstractButton>("HoursChartSave")->click();
        QCOMPARE(w.informed.size(), 1);
        QVERIFY2(w.informed[0].startsWith(U("Рисунок «Звонки по часам» не сохранен.")),
                 qPrintable(w.informed[0]));
        QVERIFY(w.informed[0].contains("missing"));
        QVERIFY(QDir(out.path()).mkdir("taken.png"));
        w.answer = out.filePath("taken.png");
        w.showTab("FailuresChart");
        w.c<QAbstractButton>("FailuresChartSave")->click();
        QCOMPARE(w.informed.size(), 2);
        QVERIFY(QFileInfo(out.filePath("taken.png")).isDir());
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"days.png"});

        // A file saved again is replaced whole.
        w.answer = out.filePath("days.png");
        w.showTab("MinutesChart");
        w.c<QAbstractButton>("MinutesChartSave")->click();
        QCOMPARE(w.informed.size(), 2);
        const QImage replaced(w.answer, "PNG");
        QVERIFY(!replaced.isNull());
        QCOMPARE(replaced.size(), Child<QChartView>(w.page(), "MinutesChart")->size());
    }

    void theButtonAndThePageFitTheDesignedWidth() {
        StatisticsCalls dir;
        Window w(dir);
        w.open();
        QPushButton* button = w.statisticsButton();
        QVERIFY(button->isCheckable());
        QCOMPARE(button->text(), U("Статистика"));
        for (bool shown : {false, true}) {
            w.showPage(shown);
            w.form->resize(787, 496);
            QApplication::processEvents();
            QCOMPARE(w.form->size(), QSize(787, 496));
            // The button on screen, over none of the commands of its row.
            const auto rect = [&w](QWidget* c) {
                return QRect(c->mapTo(w.form.get(), QPoint(0, 0)), c->size());
            };
            QVERIFY(button->isVisible() && w.form->rect().contains(rect(button)));
            for (const char* name : {"ButtonGroup6", "ButtonGroup13", "ButtonGroup14",
                                     "ButtonGroup12", "ButtonGroup4", "CheckBox1"}) {
                QWidget* other = w.c<QWidget>(name);
                QVERIFY2(other->isVisible() && w.form->rect().contains(rect(other)), name);
                QVERIFY2(!rect(other).intersects(rect(button)), name);
            }
            // The grid keeps room for its rows beside the page.
            ResultGrid* grid = w.grid();
            QVERIFY(grid->isVisible());
            QVERIFY(grid->viewport()->height() >= 3 * grid->RowHeight());
            QCOMPARE(w.page()->isVisible(), shown);
            if (shown) {
                QVERIFY(w.page()->width() >= 150);
                QVERIFY(grid->width() >= 300);
                QVERIFY(rect(w.page()).left() >= rect(grid).right());
                QVERIFY(w.form->rect().contains(rect(w.page())));
            }
        }
    }

    void theShownStateIsKeptInTheStateFile() {
        StatisticsCalls dir;
        const QString ini = QString::fromStdString(dir.path + "addpar.ini");
        const auto stateFile = [&ini] {
            QFile f(ini);
            return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
        };
        {
            Window w(dir);
            QVERIFY(!w.statisticsButton()->isChecked());
            w.showPage(true);
            w.c<QPushButton>("ButtonGroup13")->click(); // "Сохранить состояние"
            QVERIFY(stateFile().contains("\r\nStatistics=1\r\n"));
        }
        Window w(dir); // the first activation restores the state
        QTRY_VERIFY(w.page()->isVisible());
        QVERIFY(w.statisticsButton()->isChecked());
        w.c<QPushButton>("ButtonGroup12")->click(); // "По умолчанию"
        QVERIFY(!w.page()->isVisible());
        QVERIFY(!w.statisticsButton()->isChecked());
        w.c<QPushButton>("ButtonGroup14")->click(); // "Восстановить состояние"
        QVERIFY(w.page()->isVisible());
        w.showPage(false);
        w.c<QPushButton>("ButtonGroup13")->click();
        QVERIFY(stateFile().contains("\r\nStatistics=0\r\n"));
        QVERIFY(!stateFile().contains("Statistics=1"));
    }
};

QTEST_MAIN(StatisticsPanelTest)
#include "StatisticsPanel_test.moc"
