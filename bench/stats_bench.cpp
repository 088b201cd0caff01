// kestrom-bench-stats: the figures and charts of the page "Статистика" over
// a result of a million rows or more, on Qt's offscreen platform.
//
//  - writes generated AMA files (kept for the next run) and loads enough
//    days for the wanted number of result rows through the load command,
//    then opens the result in the grid as "Открыть таблицу" does;
//  - CallStatistics::Of over all rows and over the index of a filter
//    condition (target: under 100 ms for 1,000,000 rows);
//  - the page shown beside the grid: from a change of the filter row (a
//    click on a bar, a typed condition, the reset) to the charts drawn anew
//    (target: within 200 ms), and to the page painted.
// Usage: kestrom-bench-stats [--rows N] [--dir DIR]

#include "GeneratedCalls.h"
#include "OpenInGrid.h"
#include "Stopwatch.h"
#include "db/Database.h"
#include "db/Query.h"
#include "results/CallStatistics.h"
#include "ui/ResultGrid.h"
#include "ui/StatisticsPanel.h"

#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kestrom;
namespace fs = std::filesystem;
using bench::Clock;
using bench::Ms;

void Report(const std::string& what, double ms, double targetMs) {
    std::printf("%-52s %9.1f ms  (target under %.0f ms)\n", what.c_str(), ms, targetMs);
}

/// The best of a few runs of CallStatistics::Of over the rows given (all
/// rows when none are given).
double TimeFigures(const ResultSet& rows, const std::vector<std::uint32_t>* index,
                   CallStatistics& figures) {
    double best = 1e12;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = Clock::now();
        figures = index != nullptr ? CallStatistics::Of(rows, *index) : CallStatistics::Of(rows);
        best = std::min(best, Ms(t0));
    }
    return best;
}

/// The bars of a chart of the page.
QBarSet* BarsOf(QWidget& page, const char* chart) {
    auto* view = page.findChild<QChartView*>(QString::fromLatin1(chart));
    auto* series = qobject_cast<QAbstractBarSeries*>(view->chart()->series().at(0));
    return series->barSets().at(0);
}

void Settle() {
    for (int turn = 0; turn < 3; ++turn)
        QApplication::processEvents();
}

/// From a change of the grid's rows to the page drawn anew (rebuilt) and
/// painted, the best of three runs, each after `before` set the rows up.
void TimeFollowing(const char* what, QWidget& page, const int& rebuilt, const ResultGrid& grid,
                   const std::function<void()>& before, const std::function<void()>& change) {
    double drawn = 1e12, painted = 1e12;
    for (int run = 0; run < 3; ++run) {
        before();
        Settle();
        const int count = rebuilt;
        const auto t0 = Clock::now();
        change();
        while (rebuilt == count && Ms(t0) < 10000)
            QApplication::processEvents();
        drawn = std::min(drawn, Ms(t0));
        page.repaint();
        painted = std::min(painted, Ms(t0));
    }
    Report(std::string(what) + ": charts drawn anew", drawn, 200);
    std::printf("  %d rows shown, the page painted after %.1f ms\n", grid.Model().rowCount(),
                painted);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::optional<fs::path> dbDir =
        bench::ResultDbDir(argc, argv, "kestrom-bench-stats", KESTROM_BIN_DIR);
    if (!dbDir) return 1;

    // The grid and the page side by side, as in the window.
    Database db(*dbDir);
    Query query(db);
    QWidget window;
    auto* grid = new ResultGrid(&window);
    auto* page = new StatisticsPanel(*grid, &window);
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(grid, 3);
    layout->addWidget(page, 2);
    page->hide(); // the opening costs the page nothing while hidden
    window.resize(1280, 800);
    window.show();
    QApplication::processEvents();
    if (!bench::OpenInGrid(*grid, query)) return 1;
    const ResultSet& rows = grid->Model().Result();
    std::printf("result: %zu rows in the grid\n", rows.RowCount());

    // The figures alone.
    CallStatistics figures;
    Report("CallStatistics::Of, all " + std::to_string(rows.RowCount()) + " rows",
           TimeFigures(rows, nullptr, figures), 100);
    std::printf("  %zu days, %zu failure texts, without a date %lld\n", figures.days.size(),
                figures.failures.size(), static_cast<long long>(figures.withoutStartDate));
    // The grid's own part of a filter change, the page hidden: the
    // condition and what the grid does at the next turns of the event loop.
    const int number = grid->Model().ColumnIndex(QString::fromUtf8("Номер_А"));
    Settle();
    auto t0 = Clock::now();
    grid->SetFilterCondition(number, QStringLiteral("1"));
    Settle();
    const double setAlone = Ms(t0);
    const std::vector<std::uint32_t> index(grid->Model().RowIndex().begin(),
                                           grid->Model().RowIndex().end());
    Report("CallStatistics::Of, filtered index of " + std::to_string(index.size()) + " rows",
           TimeFigures(rows, &index, figures), 100);
    t0 = Clock::now();
    grid->SetFilterCondition(number, QString());
    Settle();
    std::printf("  the grid alone (page hidden): the condition set %.1f ms, removed %.1f ms\n",
                setAlone, Ms(t0));

    // The page following the grid.
    int rebuilt = 0;
    QObject::connect(page, &StatisticsPanel::rebuilt, [&rebuilt] { ++rebuilt; });
    t0 = Clock::now();
    page->show();
    Report("the page shown over all rows", Ms(t0), 200);
    // The same rebuild called directly: the figures and the charts.
    double rebuild = 1e12;
    for (int run = 0; run < 5; ++run) {
        t0 = Clock::now();
        page->Rebuild();
        rebuild = std::min(rebuild, Ms(t0));
    }
    Report("the page rebuilt over all rows (best of 5)", rebuild, 200);
    const auto clickDay = [page] { emit BarsOf(*page, "DaysChart")->clicked(1); };
    const auto clickHour = [page] { emit BarsOf(*page, "HoursChart")->clicked(13); };
    const auto clear = [grid] { grid->ClearFilter(); };
    const auto typed = [grid, number] { grid->SetFilterCondition(number, QStringLiteral("1")); };
    auto* reset = page->findChild<QPushButton*>(QStringLiteral("ResetStatisticsFilter"));
    TimeFollowing("a click on a day's bar", *page, rebuilt, *grid, clear, clickDay);
    TimeFollowing(
        "a click on an hour's bar", *page, rebuilt, *grid,
        [&] {
            clear();
            Settle(); // the bars of all days again
            clickDay();
        },
        clickHour);
    TimeFollowing(
        "\"Сбросить отбор\" (all rows again)", *page, rebuilt, *grid,
        [&] {
            clear();
            Settle();
            clickDay();
            clickHour();
        },
        [reset] { reset->click(); });
    TimeFollowing("a typed condition (Номер_А contains 1)", *page, rebuilt, *grid, clear, typed);
    TimeFollowing("the condition removed", *page, rebuilt, *grid, typed,
                  [grid, number] { grid->SetFilterCondition(number, QString()); });
    return 0;
}
