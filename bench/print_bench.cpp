// kestrom-bench-print: "Печать" over a result of a million rows or more, on
// Qt's offscreen platform.
//
//  - writes generated AMA files (kept for the next run) and loads enough
//    days for the wanted number of result rows through the load command,
//    then opens the result in the grid as "Открыть таблицу" does;
//  - the time from "Печать" to the first page shown in the preview: the
//    snapshot of the grid, the layout of the pages and the painting of the
//    first page (target: within 1 s), and each part alone;
//  - writing the first 10,000 rows as a PDF file (pages per second).
// Usage: kestrom-bench-print [--rows N] [--pdf-rows N] [--dir DIR]

#include "GeneratedCalls.h"
#include "OpenInGrid.h"
#include "Stopwatch.h"
#include "db/Database.h"
#include "db/Query.h"
#include "load/LoadCommand.h"
#include "results/ResultQuery.h"
#include "settings/SettingsState.h"
#include "ui/GridPages.h"
#include "ui/PdfPages.h"
#include "ui/PrintCommand.h"
#include "ui/PrintPreview.h"
#include "ui/PrintSnapshotOfGrid.h"
#include "ui/ResultGrid.h"

#include <QApplication>
#include <QFileInfo>

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

/// The parts of opening the preview, each alone.
void TimeParts(const ResultGrid& grid) {
    auto t0 = Clock::now();
    PrintSnapshot snapshot = PrintSnapshotOfGrid(grid, {"header"});
    const double snapshotMs = Ms(t0);
    t0 = Clock::now();
    const GridPages pages(std::move(snapshot), PrintPageLayout(), PdfResolution);
    const double layoutMs = Ms(t0);
    std::printf("  snapshot of the grid %.1f ms, page layout %.1f ms (%d pages)\n", snapshotMs,
                layoutMs, pages.PageCount());
}

bool WritePdf(ResultGrid& grid, int rows, const fs::path& file) {
    const int last = std::min(rows, grid.Model().rowCount()) - 1;
    const QHeaderView& titles = *grid.horizontalHeader();
    grid.MarkBlock(0, titles.logicalIndex(0), last, titles.logicalIndex(titles.count() - 1));
    const GridPages pages(PrintSnapshotOfGrid(grid, {"header", "filters"}), PrintPageLayout(),
                          PdfResolution);
    grid.clearSelection();
    const auto t0 = Clock::now();
    const QString failure = WritePdfPages(pages, QString::fromStdString(file.string()));
    const double ms = Ms(t0);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", failure.toUtf8().constData());
        return false;
    }
    const double mb = double(fs::file_size(file)) / (1024.0 * 1024.0);
    std::printf("%-44s %9.1f ms  %d pages, %.1f pages/s, %.1f MB\n",
                ("PDF of " + std::to_string(last + 1) + " rows").c_str(), ms, pages.PageCount(),
                pages.PageCount() / (ms / 1000), mb);
    fs::remove(file);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int pdfRows = std::stoi(bench::OptionValue(argc, argv, "--pdf-rows", "10000"));
    const std::optional<fs::path> dbDir =
        bench::ResultDbDir(argc, argv, "kestrom-bench-grid", KESTROM_BIN_DIR);
    if (!dbDir) return 1;

    Database db(*dbDir);
    Query query(db);
    ResultGrid grid;
    grid.resize(1280, 800);
    grid.show();
    QApplication::processEvents();
    if (!bench::OpenInGrid(grid, query)) return 1;
    std::printf("result: %d rows in the grid\n", grid.Model().rowCount());

    LoadSession session(db);
    session.SetPrintHeaders("Выборка данных начиная с 01.11.2026 по 30.11.2026.",
                            "Фильтры:  Номер_А:не равно .");
    PrintCommand print(nullptr, grid, session);
    auto t0 = Clock::now();
    print.Run();
    const double firstPage = Ms(t0);
    PrintPreview* preview = print.Preview();
    if (preview == nullptr || preview->PageImage().isNull()) {
        std::fprintf(stderr, "no page shown\n");
        return 1;
    }
    std::printf("%-44s %9.1f ms  (target under 1000 ms)\n", "Печать to the first page shown",
                firstPage);
    std::printf("  %s, %zu rows\n", preview->PageText().toUtf8().constData(),
                preview->Pages()->Snapshot().rows.size());
    TimeParts(grid);
    t0 = Clock::now();
    preview->lastPage();
    std::printf("  painting the last page %.1f ms\n", Ms(t0));
    preview->close();

    return WritePdf(grid, pdfRows, fs::temp_directory_path() / "kestrom-bench-print.pdf") ? 0 : 1;
}
