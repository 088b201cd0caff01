// kestrom-bench-archive: the shared call archive on a throwaway PostgreSQL
// cluster against the local load, on generated days of one exchange.
//
//  - writes N days of generated AMA files (four files a day, about 104,000
//    call records a day, so a year is about 38 million) into a folder (kept
//    for the next run) and starts a cluster of its own (scripts/pg-test-cluster);
//  - loads the days into AMG through the load command (rows/s), then ingests
//    the same folder into the archive (rows/s, and the ratio of the two);
//  - the archive's size on disk (the day partitions with their indexes) per
//    record;
//  - searches as the reader role, the way a load from the archive filters:
//    one number A over all the days, a starts-with search over all the days,
//    and the same scaled to a month and a year (a search probes each day's
//    partition once, so its time grows with the number of days: the scaled
//    figures multiply by days/N, and say so);
//  - a full day copied from the archive into AMG through the load command.
// Usage: kestrom-bench-archive [--days N] [--records-per-file N] [--jobs N] [--dir DIR]

#include "DaysRequest.h"
#include "GeneratedCalls.h"
#include "Stopwatch.h"
#include "archive/ArchiveIngest.h"
#include "archive/ArchiveLoad.h"
#include "archive/ArchiveQuery.h"
#include "archive/ArchiveSchema.h"
#include "archive/PgConnection.h"
#include "console/ConsoleFrontEnd.h"
#include "db/Database.h"
#include "load/LoadCommand.h"
#include "tools/AmaGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace kestrom;
namespace fs = std::filesystem;
using bench::Clock;
using bench::Seconds;

std::string ReadLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// A cluster of the benchmark's own, stopped however the run ends.
class Cluster {
  public:
    explicit Cluster(fs::path dir) : dir_(std::move(dir)) {
        const std::string start =
            std::string(KESTROM_SOURCE_DIR "/scripts/pg-test-cluster start '") + dir_.string() +
            "'";
        if (std::system(start.c_str()) != 0) throw std::runtime_error("the cluster did not start");
    }
    ~Cluster() {
        const std::string stop =
            std::string(KESTROM_SOURCE_DIR "/scripts/pg-test-cluster stop '") + dir_.string() + "'";
        if (std::system(stop.c_str()) != 0) std::fprintf(stderr, "the cluster did not stop\n");
    }
    Cluster(const Cluster&) = delete;
    Cluster& operator=(const Cluster&) = delete;
    std::string Conninfo(const char* role) const {
        return ReadLine(dir_ / ("conninfo-" + std::string(role)));
    }

  private:
    fs::path dir_;
};

// The median of five runs of one statement, in milliseconds.
double MedianMs(PgConnection& pg, const std::string& sql,
                const std::vector<PgConnection::Param>& params, long long& rows) {
    std::vector<double> ms;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = Clock::now();
        const PgResult r = pg.Exec(sql, params);
        ms.push_back(Seconds(t0) * 1000);
        rows = r.Integer(0, 0);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The count of the period's rows that pass the filter, as one statement over
// every day's partition.
double SearchMs(PgConnection& pg, TPreFilter filter, const std::string& from, const std::string& to,
                long long& rows) {
    PrepareFilter(filter);
    const SqlCondition c = PreFilterCondition(filter, 3);
    std::vector<PgConnection::Param> params = {from, to};
    params.insert(params.end(), c.Params.begin(), c.Params.end());
    return MedianMs(
        pg, "SELECT count(*) FROM kestrom.calls WHERE day BETWEEN $1 AND $2 AND (" + c.Text + ")",
        params, rows);
}

void PrintSearch(const char* what, double ms, long long rows, int days) {
    std::printf("%-26s %8.1f ms over %d days (%lld rows); month %.1f ms, year %.1f ms (scaled)\n",
                what, ms, days, rows, ms * 30 / days, ms * 365 / days);
}

} // namespace

int main(int argc, char** argv) {
    int days = 7;
    int connections = 2;
    std::uint64_t recordsPerFile = 26000;
    fs::path dir = fs::temp_directory_path() / "kestrom-bench-archive";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--days")
            days = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--records-per-file")
            recordsPerFile = std::stoull(argv[i + 1]);
        else if (a == "--dir")
            dir = argv[i + 1];
        else if (a == "--jobs")
            connections = std::max(1, std::atoi(argv[i + 1]));
    }
    gen::GeneratorOptions g;
    g.From = {2026, 11, 1};
    g.Days = days;
    g.FilesPerDay = 4;
    g.RecordsPerFile = recordsPerFile;
    g.BadChecksumShare = 0.005;
    const fs::path ama =
        dir / ("ama-" + std::to_string(days) + "-" + std::to_string(recordsPerFile));
    // The call table of the whole period, and one of a single day: a load
    // empties the table first, which for the period's table would be timed
    // as part of the day's copy.
    const fs::path dbDir = dir / "db";
    const fs::path dayDbDir = dir / "db-day";
    for (const fs::path& d : {dbDir, dayDbDir})
        bench::CopyLookupTables(KESTROM_BIN_DIR, d);
    if (!fs::exists(ama / "done")) {
        const auto m = gen::WriteFiles(g, ama);
        std::ofstream(ama / "done") << m.Total.CallRecords << "\n";
        std::printf("generated %zu files, %llu call records\n", m.Files.size(),
                    static_cast<unsigned long long>(m.Total.CallRecords));
    }
    const std::string from = IsoDate(EncodeDate(g.From));
    const std::string to = IsoDate(EncodeDate(g.From) + (days - 1));

    try {
        Cluster cluster(dir / "cluster");
        Database db(dbDir);
        ConsoleFrontEnd fe;
        LoadSession session(db);

        // 1. The local load against the ingest of the same files.
        auto t0 = Clock::now();
        const LoadOutcome local = session.Run(bench::DaysRequest(ama, g.From, days), fe);
        const double localRate = double(local.Loaded) / Seconds(t0);
        PgConnection ingest(cluster.Conninfo("ingest"));
        EnsureArchiveSchema(ingest, KESTROM_BIN_DIR);
        t0 = Clock::now();
        const IngestReport archived = IngestFolder(ingest, ama, "*", KESTROM_BIN_DIR,
                                                   {.Connections = connections, .Stop = nullptr});
        const double ingestSeconds = Seconds(t0);
        const double ingestRate = double(archived.Rows) / ingestSeconds;
        std::printf("local load:   %10.0f rows/s  (%lld rows, %d days)\n", localRate,
                    static_cast<long long>(local.Loaded), days);
        std::printf("ingest:       %10.0f rows/s  (%lld rows, %lld files, %.1f s); ingest / local "
                    "%.0f %% with %d connections (target at least 100 %%)\n",
                    ingestRate, static_cast<long long>(archived.Rows),
                    static_cast<long long>(archived.Ingested), ingestSeconds,
                    100 * ingestRate / localRate, connections);
        ingest.Exec("VACUUM ANALYZE kestrom.calls");

        // 2. The size on disk.
        const PgResult size = ingest.Exec(
            "SELECT sum(pg_total_relation_size(i.inhrelid)), (SELECT count(*) FROM kestrom.calls) "
            "FROM pg_inherits i WHERE i.inhparent = 'kestrom.calls'::regclass");
        const double bytes = double(size.Integer(0, 0));
        const double rows = double(size.Integer(0, 1));
        std::printf("on disk:      %10.1f bytes a record (%.0f MB for %.0f rows, indexes included; "
                    "target under 150)\n",
                    bytes / rows, bytes / 1e6, rows);

        // 3. Searches as the reader.
        PgConnection reader(cluster.Conninfo("reader"));
        const PgResult sample = reader.Exec("SELECT \"Owner_N\" FROM kestrom.calls WHERE day = $1 "
                                            "ORDER BY \"ID\" LIMIT 1 OFFSET 777",
                                            {from});
        const std::string number(sample.Value(0, 0));
        std::printf("searched number A: \"%s\"\n", number.c_str());
        long long found = 0;
        TPreFilter one;
        one.NumberAOn = true;
        one.NumberAMatch = nmEqual;
        one.NumberAText = number;
        const double equalMs = SearchMs(reader, one, from, to, found);
        PrintSearch("number A equal:", equalMs, found, days);
        TPreFilter prefix = one;
        prefix.NumberAMatch = nmStartsWith;
        prefix.NumberAText =
            number.substr(0, number.size() > 4 ? number.size() - 2 : number.size());
        const double prefixMs = SearchMs(reader, prefix, from, to, found);
        PrintSearch("number A starts with:", prefixMs, found, days);
        std::printf("(targets: a number search over a year under 100 ms on the server)\n");

        // 4. One day copied into AMG through the load command, against a
        // load of the same day from the files.
        Database dayDb(dayDbDir);
        LoadSession daySession(dayDb);
        LoadRequest day = bench::DaysRequest(ama, g.From, 1);
        t0 = Clock::now();
        const LoadOutcome fromFiles = daySession.Run(day, fe);
        const double filesSeconds = Seconds(t0);
        ArchiveLoad archive(cluster.Conninfo("reader"));
        day.Archive = &archive;
        t0 = Clock::now();
        const LoadOutcome copied = daySession.Run(day, fe);
        const double copySeconds = Seconds(t0);
        std::printf("day copy:     %10.0f rows/s  (%lld rows into AMG in %.2f s); the same day "
                    "from the files %.0f rows/s\n",
                    double(copied.Loaded) / copySeconds, static_cast<long long>(copied.Loaded),
                    copySeconds, double(fromFiles.Loaded) / filesSeconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestrom-bench-archive: %s\n", e.what());
        return 1;
    }
    return 0;
}
