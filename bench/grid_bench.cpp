// kestrom-bench-grid: the result grid over a result of a million rows or
// more, on Qt's offscreen platform.
//
//  - writes generated AMA files (kept for the next run) and loads enough
//    days for the wanted number of result rows through the load command;
//  - opens the result in the grid as "Открыть таблицу" does and reports the
//    memory the held result takes per row;
//  - applies typical filter conditions (contains, equals, range) together
//    with the totals, the totals alone, fitting all 20 columns, painting one
//    screen of rows after a Page Down, and the re-run after a title click
//    against running the same query text directly.
// Usage: kestrom-bench-grid [--rows N] [--dir DIR]

#include "GeneratedCalls.h"
#include "OpenInGrid.h"
#include "Stopwatch.h"
#include "db/Database.h"
#include "db/Query.h"
#include "results/ResultQuery.h"
#include "results/ResultSet.h"
#include "results/ResultTotals.h"
#include "settings/SettingsState.h"
#include "ui/ResultGrid.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLocale>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace kestrom;
namespace fs = std::filesystem;
using bench::Clock;
using bench::Ms;

void Report(const char* what, double ms, double targetMs) {
    std::printf("%-44s %9.1f ms  (target under %.0f ms)\n", what, ms, targetMs);
}

double FilterWithTotals(ResultGrid& grid, const char* column, const char* condition) {
    const int logical = grid.Model().ColumnIndex(QString::fromUtf8(column));
    const auto t0 = Clock::now();
    grid.SetFilterCondition(logical, QString::fromUtf8(condition));
    const ResultModel& m = grid.Model();
    const auto texts = ResultTotals::Of(m.Result(), m.RowIndex()).Format(",");
    const double ms = Ms(t0);
    std::printf("  %s %s: %d rows, %s\n", column, condition, m.rowCount(), texts.panel0.c_str());
    grid.SetFilterCondition(logical, {});
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::optional<fs::path> dbDir =
        bench::ResultDbDir(argc, argv, "kestrom-bench-grid", KESTROM_BIN_DIR);
    if (!dbDir) return 1;

    Database db(*dbDir);
    Query query(db);
    ResultGrid grid;
    grid.resize(1280, 800);
    grid.show();
    QApplication::processEvents();

    // The opening.
    auto t0 = Clock::now();
    if (!bench::OpenInGrid(grid, query)) return 1;
    const ResultSet& rows = grid.Model().Result();
    std::printf("opening: %zu result rows in %.2f s\n", rows.RowCount(), Ms(t0) / 1000);
    std::printf("%-44s %9.1f B    (target under 150 B)\n", "held result per row",
                double(rows.MemoryBytes()) / double(rows.RowCount()));

    // Filter conditions with the totals, then the totals alone.
    Report("filter contains + totals", FilterWithTotals(grid, "Номер_А", "3962"), 100);
    Report("filter equals + totals", FilterWithTotals(grid, "Ошибка", "=Успешный"), 100);
    Report("filter range + totals", FilterWithTotals(grid, "Прод_мс", "10000~60000"), 100);
    Report("filter date range + totals",
           FilterWithTotals(grid, "Дата_иниц", "02.11.2026~03.11.2026"), 100);
    t0 = Clock::now();
    const auto texts = ResultTotals::Of(rows).Format(",");
    Report("totals alone", Ms(t0), 20);
    std::printf("  %s | %s | %s\n", texts.panel0.c_str(), texts.panel1.c_str(),
                texts.panel2.c_str());

    // Fitting every column.
    t0 = Clock::now();
    grid.FitColumnWidths();
    Report("fitting all 20 columns", Ms(t0), 1000);

    // One screen after a Page Down.
    grid.setFocus();
    grid.setCurrentIndex(grid.model()->index(0, 0));
    QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QImage screen(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    double paint = 1e9;
    for (int i = 0; i < 5; ++i) {
        QApplication::sendEvent(&grid, &pageDown);
        t0 = Clock::now();
        grid.viewport()->render(&screen);
        paint = std::min(paint, Ms(t0));
    }
    Report("painting one screen after Page Down", paint, 16);
    std::printf("  current row %d, %d rows on the screen\n", grid.currentIndex().row(),
                grid.viewport()->height() / grid.RowHeight());

    // The re-run after a title click, against the same text run directly.
    t0 = Clock::now();
    grid.ClickTitle(grid.Model().ColumnIndex(QString::fromUtf8("Номер_А")), false);
    const ResultOutcome reordered = ReorderResultQuery(query, grid.SortMarks().Marks());
    if (!reordered.ok) {
        std::fprintf(stderr, "%s\n", reordered.message.c_str());
        return 1;
    }
    grid.ShowReorderedResult(query);
    const double rerun = Ms(t0);
    const std::vector<std::string> lines = query.Lines();
    query.Close();
    Query direct(db);
    direct.SetLines(lines);
    t0 = Clock::now();
    direct.Open();
    ResultSet plain;
    plain.Reset(direct);
    plain.ReadRows(direct);
    const double directMs = Ms(t0);
    std::printf("%-44s %9.1f ms  (the same text run directly: %.1f ms, %zu rows)\n",
                "re-run after a title click", rerun, directMs, plain.RowCount());
    return 0;
}
