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
#include <optional>
#include <string>
#include <string_view>

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

/// The value of the option "--name VALUE" of the command line (options come
/// in pairs), or fallback when it is not given.
inline std::string OptionValue(int argc, char** argv, std::string_view name, std::string fallback) {
    for (int i = 1; i + 1 < argc; i += 2)
        if (name == argv[i]) return argv[i + 1];
    return fallback;
}

/// The result rows a benchmark asks for: --rows, by default 1,000,000.
inline std::size_t WantedRows(int argc, char** argv) {
    return std::stoull(OptionValue(argc, argv, "--rows", "1000000"));
}

/// The database directory of a benchmark over a held result: "db" in the
/// folder --dir (by default the temporary folder's `folder`) with the lookup
/// tables of binDir and at least --rows (by default 1,000,000) result rows
/// loaded from generated files kept under --dir. Nothing when the load did
/// not run.
inline std::optional<std::filesystem::path>
ResultDbDir(int argc, char** argv, std::string_view folder, const std::filesystem::path& binDir) {
    const std::size_t wanted = WantedRows(argc, argv);
    const std::filesystem::path dir = OptionValue(
        argc, argv, "--dir", (std::filesystem::temp_directory_path() / folder).string());
    const std::filesystem::path dbDir = dir / "db";
    CopyLookupTables(binDir, dbDir);
    if (!LoadGeneratedCalls(dir, dbDir, wanted)) return std::nullopt;
    return dbDir;
}

} // namespace kestrom::bench
