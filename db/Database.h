#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace kestrom {

/// How a written table's file keeps a change that fails half way (a full
/// disk, a killed process) from damaging it: the journal kind of SQLite.
enum class JournalMode { Off, Delete, Truncate, Persist, Wal };

/// When SQLite waits for the disk to confirm a write. Off leaves the writes
/// to the operating system: a killed process loses nothing that was
/// committed, a power cut may.
enum class SyncMode { Off, Normal };

/// The storage of the tables a load writes.
struct StorageSettings {
    JournalMode journal = JournalMode::Wal;
    SyncMode sync = SyncMode::Off;
};

/// "WAL", "DELETE", ..., as SQLite names the journal mode.
std::string_view JournalModeName(JournalMode mode);
/// "OFF" or "NORMAL".
std::string_view SyncModeName(SyncMode mode);

/// Finalizes a prepared statement.
struct StatementDeleter {
    void operator()(sqlite3_stmt* stmt) const;
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

/// A directory used as a database. Each table is one SQLite file
/// "<table>.db" in it, attached to a single connection under the table's
/// name, so that SQL names the tables as plain identifiers ("FROM AMG AMG,
/// failurestr failurestr"). File and table names are matched without regard
/// to case. A quoted table name ending in ".sql" ("servis.sql") stands for
/// the query saved in that file of the directory.
///
/// Tables are attached when a statement first names them; SQLite allows ten
/// attached files per connection.
///
/// A table that is written takes the storage settings first (by default a
/// write-ahead log without syncing: readers in other processes see the last
/// committed rows and never stop the writer, and a failed or killed write
/// leaves the file as it was at the last commit). A lock held by another
/// writer is waited for up to the busy timeout.
class Database {
  public:
    static constexpr int DefaultBusyTimeoutMs = 5000;

    explicit Database(std::filesystem::path directory);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::filesystem::path& Directory() const { return directory_; }
    sqlite3* Handle() const { return db_; }

    /// The file of the directory whose name equals fileName without regard
    /// to ASCII letter case; empty when there is none.
    std::filesystem::path FindFile(std::string_view fileName) const;

    /// Makes the table of fileName ("AMG.db", "Amg.db") reachable under its
    /// name and returns that schema name. A missing file is created when
    /// createFile is set and is an error otherwise.
    std::string AttachTable(std::string_view fileName, bool createFile);
    /// Releases the file of a table attached before; does nothing when it is
    /// not attached.
    void DetachTable(std::string_view fileName);

    /// The settings that PrepareForWriting applies; changed settings take
    /// effect at the next PrepareForWriting.
    void SetStorage(StorageSettings settings) { storage_ = settings; }
    StorageSettings Storage() const { return storage_; }
    /// Applies the storage settings to an attached schema. Outside a
    /// transaction only.
    void PrepareForWriting(const std::string& schema);
    /// Copies what the write-ahead log of a schema holds into its file, as
    /// far as no reader needs the older pages, without waiting; gives the
    /// space of removed rows back to the file system. Nothing in the other
    /// journal modes.
    void Checkpoint(const std::string& schema);

    /// How long a statement waits for a lock another connection holds.
    void SetBusyTimeout(int milliseconds);

    /// Prepares one statement. Tables it names are attached as needed, and
    /// every quoted "<name>.sql" in it is first turned into a temporary view
    /// of that name over the query text saved in the file. operation names
    /// the caller's operation in the error raised on failure.
    Statement Prepare(std::string_view sql, std::string_view operation);

    /// Runs statements that return no rows of interest (DDL, PRAGMA, DML).
    void Execute(std::string_view sql, std::string_view operation);

    /// Raises the DbError for a failed call on this connection:
    /// "<operation>: <subject>: <SQLite's message>".
    [[noreturn]] void Fail(std::string_view operation, std::string_view subject, int rc) const;

  private:
    Statement PrepareOne(std::string_view sql, std::string_view operation, const char** tail);
    void CreateSavedQueryViews(std::string_view sql, std::string_view operation, int depth);

    std::filesystem::path directory_;
    sqlite3* db_ = nullptr;
    StorageSettings storage_;
    // lower-case table name -> schema name it is attached under
    std::unordered_map<std::string, std::string> attached_;
};

/// ASCII lower case of a name; other bytes unchanged.
std::string LowerAscii(std::string_view s);

/// s wrapped in double quotes as an SQL identifier.
std::string QuoteIdentifier(std::string_view s);

} // namespace kestrom
