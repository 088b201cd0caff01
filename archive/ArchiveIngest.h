#pragma once

#include "archive/PgConnection.h"
#include "base/DateTime.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// What one ingest run did.
struct IngestReport {
    std::int64_t Ingested = 0;         ///< files new to the archive
    std::int64_t Replaced = 0;         ///< files whose content changed: rows replaced
    std::int64_t Unchanged = 0;        ///< files the archive already held as they are
    std::int64_t Rows = 0;             ///< rows stored by this run
    std::int64_t Damaged = 0;          ///< damaged records met by this run
    std::vector<std::string> Messages; ///< Russian, one per problem file
};

/// The exchange and the day an AMA file's name carries.
struct AmaFileName {
    std::string Exchange;
    CivilDate Day;
};

/// Reads "<exchange><YYYYMMDD>...": the day is the last eight digits of the
/// first run of at least eight digits whose last eight form a valid date
/// (year 1 or later), the exchange everything before them
/// ("i396220061009_1.ama" is exchange "i3962", 9 October 2006: the
/// exchange's own digits run straight into the date). Nothing when no run
/// of digits ends in a date.
std::optional<AmaFileName> ParseAmaFileName(std::string_view name);

/// Ingests every AMA file of the folder ("*.ama", letters in any case) of the
/// exchange ("*" or empty: every exchange) that the archive does not hold as it
/// is, one transaction per file. Raises ArchiveError for a server failure.
/// Creates or upgrades the schema first when the server's is older (from
/// the program directory's lookup tables); refuses a newer one.
IngestReport IngestFolder(PgConnection& pg, const std::filesystem::path& folder,
                          std::string_view exchange, const std::filesystem::path& programDir);

/// How an ingest run goes about its work.
struct IngestOptions {
    /// Files stored at the same time, each over a connection of its own (pg
    /// and further ones made with its connection string): the server then
    /// works on several cores.
    int Connections = 1;
    /// When set, the run stops between two files once it becomes true.
    const std::atomic<bool>* Stop = nullptr;
};

/// The same with options.
IngestReport IngestFolder(PgConnection& pg, const std::filesystem::path& folder,
                          std::string_view exchange, const std::filesystem::path& programDir,
                          const IngestOptions& options);

} // namespace kestrom
