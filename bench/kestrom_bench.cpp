// kestrom-bench: the speed of decoding and of loading into the call table.
//
// On generated AMA files held in memory it measures, in one run:
//  - decoding alone (header, elements, checksum) in MB/s and records/s;
//  - the full walk into AMG (decode, filter, store, with a yield hook in
//    place as the window installs one) in rows/s;
//  - the raw SQLite ceiling: the same rows, decoded beforehand and held in
//    memory, inserted through the same writer, statement and settings.
// Usage: kestrom-bench [--mb N] [--seed S] [--db-dir DIR]

#include "RawCeiling.h"
#include "console/ConsoleFrontEnd.h"
#include "db/Database.h"
#include "decode/RecordWalk.h"
#include "load/CallTable.h"
#include "load/DecodeLoop.h"
#include "load/PreFilter.h"
#include "tools/AmaGenerator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace kestrom;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// The window's kind of yield: cheap to call, looks at the clock only every
// 256 calls and would process events every 15 ms.
struct ThrottledYield {
    std::uint32_t calls = 0;
    Clock::time_point next = Clock::now();
    std::uint64_t slices = 0;
    static void Call(void* p) {
        auto* y = static_cast<ThrottledYield*>(p);
        if ((++y->calls & 255) != 0) return;
        const auto now = Clock::now();
        if (now < y->next) return;
        y->next = now + std::chrono::milliseconds(15);
        ++y->slices;
    }
};

struct Options {
    std::uint64_t megabytes = 200;
    std::uint64_t seed = 1;
    std::filesystem::path dbDir;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "kestrom-bench: " << a << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--mb")
            o.megabytes = std::stoull(value());
        else if (a == "--seed")
            o.seed = std::stoull(value());
        else if (a == "--db-dir")
            o.dbDir = value();
        else {
            std::cerr << "kestrom-bench: unknown argument " << a << "\n";
            std::exit(2);
        }
    }
    if (o.dbDir.empty()) o.dbDir = std::filesystem::temp_directory_path() / "kestrom-bench";
    return o;
}

} // namespace

int main(int argc, char** argv) {
    const Options opt = Parse(argc, argv);
    std::filesystem::create_directories(opt.dbDir);
    std::filesystem::remove(opt.dbDir / "AMG.db");

    // The files: one exchange, one day, eight files.
    gen::GeneratorOptions g;
    g.FilesPerDay = 8;
    g.TotalBytes = opt.megabytes << 20;
    g.BadChecksumShare = 0.01;
    g.Seed = opt.seed;
    std::vector<gen::GeneratedFile> files;
    std::uint64_t bytes = 0;
    auto t0 = Clock::now();
    for (int i = 1; i <= g.FilesPerDay; ++i) {
        files.push_back(gen::GenerateFile(g, g.Exchanges.front(), g.From, i));
        bytes += files.back().Bytes.size();
    }
    std::printf("generated %zu files, %.1f MB in %.2f s\n", files.size(), double(bytes) / 1e6,
                Seconds(t0));

    auto bufferOf = [](const gen::GeneratedFile& f) {
        TLoadBuffer b;
        b.Data = f.Bytes.data();
        b.Size = static_cast<std::int64_t>(f.Bytes.size());
        return b;
    };

    // 1. Decoding alone, best of three.
    double best = 1e300;
    std::uint64_t records = 0, checksum = 0;
    for (int run = 0; run < 3; ++run) {
        records = 0;
        t0 = Clock::now();
        for (const auto& f : files) {
            TLoadBuffer b = bufferOf(f);
            TCallRecord rec;
            WalkRecords(b, rec, YieldHook{}, nullptr,
                        [&](const TCallRecord& r, RecordDamage, std::int64_t) {
                            ++records;
                            checksum += r.Call_Durat + r.Owner_N.size();
                            return true;
                        });
        }
        best = std::min(best, Seconds(t0));
    }
    std::printf("decode alone:   %8.1f MB/s  %10.0f records/s  (%llu records, %.3f s)\n",
                double(bytes) / 1e6 / best, double(records) / best,
                static_cast<unsigned long long>(records), best);

    Database db(opt.dbDir);
    ConsoleFrontEnd messages;

    // 2. The full walk into AMG.
    ThrottledYield ty;
    YieldHook hook{&ThrottledYield::Call, &ty};
    TPreFilter filter;
    PrepareFilter(filter);
    EmptyCallTable(db);
    CallTable table(db, messages, hook);
    DecodeStats total;
    t0 = Clock::now();
    table.OpenCallTable();
    bool cancelled = false;
    for (const auto& f : files) {
        TLoadBuffer b = bufferOf(f);
        TCallRecord rec;
        DecodeContext ctx{b, rec, filter, table, hook, &cancelled};
        total += DecodeBuffer(ctx);
    }
    table.CloseCallTable();
    const double walk = Seconds(t0);
    const double walkRate = double(total.Stored) / walk;
    std::printf("full walk:      %10.0f rows/s  (%llu rows, %.2f s, %llu yield slices)\n", walkRate,
                static_cast<unsigned long long>(total.Stored), walk,
                static_cast<unsigned long long>(ty.slices));

    // 3. The raw ceiling: the same rows, decoded beforehand.
    std::vector<TCallRecord> kept;
    kept.reserve(total.Stored);
    for (const auto& f : files)
        bench::CollectKept(f.Bytes.data(), f.Bytes.size(), filter, kept);
    const double ceilingRate = bench::StoreRows(db, messages, kept);
    std::printf("raw ceiling:    %10.0f rows/s  (%zu rows)\n", ceilingRate, kept.size());
    std::printf("walk / ceiling: %.1f %%  (target at least 80 %%; decode target 500 MB/s)\n",
                100.0 * walkRate / ceilingRate);
    if (checksum == 42) std::puts(""); // keeps the decode-alone loop from being optimised away
    return kept.size() == total.Stored ? 0 : 1;
}
