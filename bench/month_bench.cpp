// kestrom-bench-month: a month of one exchange through the load command, and
// the result query over the loaded table.
//
//  - writes 30 days of generated AMA files (at least 3 million call records,
//    several files a day) into a folder (kept for the next run);
//  - loads them through the load command, as the window and the console do,
//    and reports rows/s and the peak memory of the process after the load;
//  - loads about a million result rows and opens the result query on them
//    with the default sort: the time to the first row and to the last row
//    read into memory;
//  - the raw SQLite ceiling on the month's rows (decoded beforehand, stored
//    through the same writer), to set the load's pace against.
// Usage: kestrom-bench-month [--records-per-file N] [--dir DIR]

#include "DaysRequest.h"
#include "GeneratedCalls.h"
#include "RawCeiling.h"
#include "Stopwatch.h"
#include "console/ConsoleFrontEnd.h"
#include "db/Database.h"
#include "db/Query.h"
#include "decode/RecordWalk.h"
#include "load/CallTable.h"
#include "load/LoadCommand.h"
#include "load/MappedFile.h"
#include "load/PreFilter.h"
#include "results/ResultQuery.h"
#include "results/ResultSet.h"
#include "settings/SettingsState.h"
#include "tools/AmaGenerator.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace kestrom;
namespace fs = std::filesystem;
using bench::Clock;
using bench::Seconds;

// The high-water mark of the process's resident memory, in MB.
double PeakRssMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    std::uint64_t recordsPerFile = 26000;
    fs::path dir = fs::temp_directory_path() / "kestrom-bench-month";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--records-per-file")
            recordsPerFile = std::stoull(argv[i + 1]);
        else if (a == "--dir")
            dir = argv[i + 1];
    }
    gen::GeneratorOptions g;
    g.From = {2026, 11, 1};
    g.Days = 30;
    g.FilesPerDay = 4;
    g.RecordsPerFile = recordsPerFile;
    g.BadChecksumShare = 0.005;
    const fs::path ama = dir / ("ama-" + std::to_string(recordsPerFile));
    const fs::path dbDir = dir / "db";
    bench::CopyLookupTables(KESTROM_BIN_DIR, dbDir);
    if (!fs::exists(ama / "done")) {
        const auto t0 = Clock::now();
        const auto m = gen::WriteFiles(g, ama);
        std::ofstream(ama / "done") << m.Total.CallRecords << "\n";
        std::printf("generated %zu files, %llu call records, %.0f MB in %.1f s\n", m.Files.size(),
                    static_cast<unsigned long long>(m.Total.CallRecords),
                    double(m.Total.Bytes) / 1e6, Seconds(t0));
    }

    Database db(dbDir);
    ConsoleFrontEnd fe;
    LoadSession session(db);

    // 1. The month through the load command.
    auto t0 = Clock::now();
    const LoadOutcome month = session.Run(bench::DaysRequest(ama, g.From, g.Days), fe);
    const double loadSeconds = Seconds(t0);
    const double loadRate = double(month.Loaded) / loadSeconds;
    const double peak = PeakRssMb();
    std::printf("month load:     %10.0f rows/s  (%lld rows, %d days, %.1f s)\n", loadRate,
                static_cast<long long>(month.Loaded), month.Days, loadSeconds);
    std::printf("peak memory of the load: %.0f MB (target under 200 MB)\n", peak);

    // 2. About a million result rows, and the result query over them.
    // About 92 % of the stored rows are result rows (the partial records of
    // long calls fold into one): store enough days for a million of them.
    const std::int64_t perDay = month.Loaded / g.Days;
    const int days = static_cast<int>((1100000 + perDay - 1) / perDay);
    const LoadOutcome part = session.Run(bench::DaysRequest(ama, g.From, days), fe);
    Query query(db);
    t0 = Clock::now();
    const ResultOutcome opened = OpenResultQuery(query, DefaultSortColumns());
    if (!opened.ok) {
        std::fprintf(stderr, "%s: %s\n", opened.message.c_str(), opened.detail.c_str());
        return 1;
    }
    const double first = Seconds(t0);
    ResultSet rows;
    rows.Reset(query);
    rows.ReadRows(query);
    const double last = Seconds(t0);
    std::printf("result query:   first row %.2f s, last row %.2f s  (%zu result rows of %lld "
                "stored, %d days; target under 2 s)\n",
                first, last, rows.RowCount(), static_cast<long long>(part.Loaded), days);
    query.Close();

    // 3. The raw ceiling on the month's rows.
    TPreFilter filter;
    PrepareFilter(filter);
    std::vector<TCallRecord> kept;
    for (const auto& entry : fs::directory_iterator(ama)) {
        if (entry.path().extension() != ".ama") continue;
        const MappedFile file(entry.path().string());
        bench::CollectKept(file.Data(), static_cast<std::size_t>(file.Size()), filter, kept);
    }
    const double ceiling = bench::StoreRows(db, fe, kept);
    const StorageSettings storage = db.Storage();
    const std::string settings = std::string(JournalModeName(storage.journal)) + "/" +
                                 std::string(SyncModeName(storage.sync));
    std::printf("raw ceiling:    %10.0f rows/s  (%zu rows, %s)\n", ceiling, kept.size(),
                settings.c_str());
    std::printf("load / ceiling: %.1f %%  (both journal/synchronous %s; target at least 70 %%)\n",
                100.0 * loadRate / ceiling, settings.c_str());
    return 0;
}
