// kestrom-bench-export: the export of a result of a million rows.
//
//  - writes generated AMA files (kept for the next run) and loads enough
//    days for the wanted number of result rows through the load command;
//  - opens the result query as "Открыть таблицу" does and holds its rows;
//  - exports the first N rows with the 18 columns of a fresh window as HTML,
//    CSV and XLSX, and the first 65535 rows as XLS, into files under the
//    folder (removed afterwards): time, output size, MB/s and cells/s, and
//    the peak memory the export takes above the held result (VmHWM of
//    /proc/self/status, its mark reset before each export through
//    /proc/self/clear_refs).
// Usage: kestrom-bench-export [--rows N] [--dir DIR]

#include "GeneratedCalls.h"
#include "Stopwatch.h"
#include "app/DefaultExportTable.h"
#include "db/Database.h"
#include "db/Query.h"
#include "results/ExportFile.h"
#include "results/ResultExportRows.h"
#include "results/ResultQuery.h"
#include "results/ResultSet.h"
#include "results/StoredCellTexts.h"
#include "settings/SettingsState.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace kestrom;
namespace fs = std::filesystem;
using bench::Clock;

constexpr double MB = 1e6;

// A "kB" figure of /proc/self/status in MB, 0 when it cannot be read.
double StatusMB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(std::string(key).size())) * 1024 / MB;
    return 0;
}

// Lets VmHWM start again from the present resident size (where the kernel
// does not allow it, the mark stays above the resident size, as printed).
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5\n";
}

struct Figures {
    bool ok = false;
    double seconds = 0;
    double bytes = 0;
    double cells = 0;
    double peakMB = 0; ///< above the resident size before the export
};

Figures Run(const fs::path& file, ExportFormat format, const ResultSet& rows,
            std::span<const std::uint32_t> shown, const std::vector<std::size_t>& columns,
            const CellTexts& texts) {
    const ExportTable table = DefaultExportTable(rows, columns);
    ResultExportRows exported(rows, shown, columns, texts, {}, DefaultWindowColour);
    ResetPeak();
    const double before = StatusMB("VmHWM:");
    const auto t0 = Clock::now();
    const ExportOutcome outcome = ExportFile(file.string(), format, table, exported);
    Figures f;
    f.seconds = bench::Seconds(t0);
    f.peakMB = StatusMB("VmHWM:") - before;
    f.ok = outcome.Ok();
    if (!f.ok) {
        std::fprintf(stderr, "%s\n", outcome.message.c_str());
        return f;
    }
    std::error_code ec;
    f.bytes = static_cast<double>(fs::file_size(file, ec));
    f.cells = static_cast<double>(shown.size() * columns.size());
    fs::remove(file, ec);
    return f;
}

void Print(const char* name, std::size_t rowCount, const Figures& f, double targetMBs,
           double targetCells) {
    std::printf("%-5s %8zu rows %7.2f s %9.1f MB %8.1f MB/s", name, rowCount, f.seconds,
                f.bytes / MB, f.bytes / MB / f.seconds);
    if (targetMBs > 0) std::printf(" (target at least %.0f MB/s)", targetMBs);
    std::printf(" %10.0f cells/s", f.cells / f.seconds);
    if (targetCells > 0) std::printf(" (target at least %.0f)", targetCells);
    std::printf("\n      peak memory above the held result %6.1f MB (target under 100 MB)\n",
                f.peakMB);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t wanted = bench::WantedRows(argc, argv);
    const std::optional<fs::path> dbDir =
        bench::ResultDbDir(argc, argv, "kestrom-bench-export", KESTROM_BIN_DIR);
    if (!dbDir) return 1;

    Database db(*dbDir);
    Query query(db);
    const ResultOutcome opened = OpenResultQuery(query, DefaultSortColumns());
    if (!opened.ok) {
        std::fprintf(stderr, "%s: %s\n", opened.message.c_str(), opened.detail.c_str());
        return 1;
    }
    ResultSet rows;
    rows.Reset(query);
    rows.ReadRows(query);
    query.Close();
    if (rows.RowCount() < wanted) {
        std::fprintf(stderr, "only %zu result rows\n", rows.RowCount());
        return 1;
    }
    std::vector<std::size_t> columns;
    for (const std::string& name : DefaultVisibleColumns())
        columns.push_back(static_cast<std::size_t>(rows.ColumnIndex(name)));
    std::vector<std::uint32_t> shown(wanted);
    std::iota(shown.begin(), shown.end(), 0U);
    const StoredCellTexts texts(rows);
    const double loadPeak = StatusMB("VmHWM:");
    ResetPeak();
    std::printf("result: %zu rows held in %.1f MB; %zu rows x %zu columns exported\n",
                rows.RowCount(), static_cast<double>(rows.MemoryBytes()) / MB, wanted,
                columns.size());
    // Each export's peak counts from the resident size once the mark is reset.
    std::printf("resident %.1f MB, peak mark %.1f MB after its reset (%.1f MB before)\n",
                StatusMB("VmRSS:"), StatusMB("VmHWM:"), loadPeak);

    const std::span<const std::uint32_t> all(shown);
    const std::span<const std::uint32_t> xlsRows = all.first(std::min<std::size_t>(65535, wanted));
    struct Case {
        const char* name;
        ExportFormat format;
        const char* suffix;
        std::span<const std::uint32_t> rows;
        double targetMBs;
        double targetCells;
    };
    const Case cases[] = {{"HTML", ExportFormat::Html, "htm", all, 150, 0},
                          {"CSV", ExportFormat::Csv, "csv", all, 150, 0},
                          {"XLSX", ExportFormat::Xlsx, "xlsx", all, 0, 1000000},
                          {"XLS", ExportFormat::Xls, "xls", xlsRows, 0, 0}};
    bool ok = true;
    for (const Case& c : cases) {
        const Figures f = Run(dbDir->parent_path() / (std::string("export.") + c.suffix), c.format,
                              rows, c.rows, columns, texts);
        ok = ok && f.ok;
        if (f.ok) Print(c.name, c.rows.size(), f, c.targetMBs, c.targetCells);
    }
    return ok ? 0 : 1;
}
