#pragma once

#include "DaysRequest.h"
#include "console/ConsoleFrontEnd.h"
#include "db/Database.h"
#include "load/LoadCommand.h"
#include "tools/AmaGenerator.h"

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace kestrom::bench {

/// Copies the lookup tables of the program directory binDir into dbDir.
inline void CopyLookupTables(const std::filesystem::path& binDir,
                             const std::filesystem::path& dbDir) {
    std::filesystem::create_directories(dbDir);
    for (const char* table : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
        std::filesystem::copy_file(binDir / table, dbDir / table,
                                   std::filesystem::copy_options::overwrite_existing);
}

/// Fills the call table of dbDir with at least `wanted` result rows, loaded
/// through the load command from generated AMA files of one exchange (four
/// files a day), which are written under dir once and kept for the next
/// run. Returns false when the load did not run.
inline bool LoadGeneratedCalls(const std::filesystem::path& dir, const std::filesystem::path& dbDir,
                               std::size_t wanted) {
    gen::GeneratorOptions g;
    g.From = {2026, 11, 1};
    g.FilesPerDay = 4;
    g.RecordsPerFile = 26000;
    // About 92 % of the stored rows become result rows.
    g.Days = static_cast<int>(static_cast<double>(wanted) / (0.9 * 4 * 26000)) + 1;
    const std::filesystem::path ama = dir / ("ama-" + std::to_string(g.Days) + "-days");
    if (!std::filesystem::exists(ama / "done")) {
        gen::WriteFiles(g, ama);
        std::ofstream(ama / "done") << "1\n";
    }
    Database db(dbDir);
    ConsoleFrontEnd fe;
    LoadSession session(db);
    const LoadOutcome out = session.Run(DaysRequest(ama, g.From, g.Days), fe);
    std::printf("loaded %lld call rows of %d days\n", static_cast<long long>(out.Loaded), g.Days);
    return out.Ran;
}

} // namespace kestrom::bench
