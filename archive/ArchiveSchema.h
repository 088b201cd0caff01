#pragma once

#include "archive/PgConnection.h"
#include "base/DateTime.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The version of the archive's schema this program creates and reads.
inline constexpr int ArchiveSchemaVersion = 2;

/// The role that may only read the archive.
inline constexpr std::string_view ArchiveReaderRole = "kestrom_reader";

/// The first key of the archive's transaction-level advisory locks
/// (pg_advisory_xact_lock(int, int)): what the lock guards. The second key
/// tells the guarded objects of one kind apart.
enum class ArchiveLock : std::int32_t {
    /// Any change of the catalog: creating or upgrading the schema, granting,
    /// making a day's partition (second key 0). Catalog changes of two
    /// sessions to the same table at once would fail.
    Schema = 0x4b530001,
    File = 0x4b530003, ///< storing one file (second key: a hash of its name)
};

/// How a column of kestrom.calls travels in binary COPY.
enum class ArchiveType : std::uint8_t { Smallint, Integer, Bigint, Double, Date, Time, Text };

/// One column of kestrom.calls.
struct ArchiveColumn {
    std::string Name;    ///< as AMG names it (unquoted)
    ArchiveType Type;    ///< its binary form
    std::string SqlType; ///< its declared type
};

/// The columns of kestrom.calls in table order: file_id, day, exchange, then
/// the 88 columns of AMG (CallTableColumns()) with their archive types.
const std::vector<ArchiveColumn>& ArchiveCallColumns();

/// The quoted column names of kestrom.calls joined with ", ", for COPY and
/// SELECT lists.
std::string ArchiveCallColumnList();

/// The version the server holds, 0 when there is no archive schema. Raises
/// ArchiveError only for a server failure.
int ArchiveVersion(PgConnection& pg);

/// Creates or upgrades the schema in one transaction (the ingest role runs
/// it; concurrent callers wait for each other), fills the lookup tables
/// from the program directory's failurestr.db, usluga_a.db and usluga_b.db,
/// and grants reading to the reader role. Refuses with an ArchiveError (a
/// Russian text) a schema of a newer version and missing lookup tables.
void EnsureArchiveSchema(PgConnection& pg, const std::filesystem::path& programDir);

/// The partition of kestrom.calls that holds the day ("kestrom.calls_20061009").
std::string DayPartitionName(const CivilDate& day);

/// Creates the day's partition unless it exists, in a transaction of its
/// own under the schema lock, without waiting for the sessions reading
/// kestrom.calls. Must not be called inside a transaction.
void EnsureDayPartition(PgConnection& pg, const CivilDate& day);

/// Days from 2000-01-01 to the date part of a date-time value: the binary
/// form of a PostgreSQL date.
std::int32_t PgDate(TDateTime value);

} // namespace kestrom
