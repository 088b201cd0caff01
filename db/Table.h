#pragma once

#include "base/DateTime.h"
#include "db/Database.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// One table of the database, bound to its file name ("AMG.db"; "Amg.db"
/// names the same table), written row by row: Append, set the fields by
/// position, Post.
///
/// Every operation that writes takes the database's storage settings first
/// (by default a write-ahead log without syncing), so that a write that
/// fails half way or a killed process leaves the file as the last commit
/// left it. Rows go in through one prepared INSERT inside a write
/// transaction that Open begins and Close commits; every CommitInterval rows
/// are committed on the way.
///
/// A refused row (the file reached its size limit, the disk is full, a lock
/// held too long, a bad value) raises a DbError at Post and is not stored.
/// A failure that takes the open transaction with it (a full disk at a
/// commit) has the rows posted since the last commit written again, in
/// pieces as large as still fit; RowsHeld says how many posted rows the
/// table holds afterwards.
class Table {
  public:
    static constexpr std::size_t CommitInterval = 1024;

    Table(Database& db, std::string fileName);
    /// Closes the table when it is open, committing its rows.
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::string& FileName() const { return fileName_; }

    /// The field whose index orders the table ("ID"). Open checks that the
    /// field exists and is indexed.
    void SetIndexOrder(std::string fieldName) { indexField_ = std::move(fieldName); }

    /// Creates the table (and its file) with the given column definitions
    /// when it does not exist yet; otherwise does nothing.
    void CreateIfMissing(std::string_view columnDefinitions);
    /// Creates an index on the field unless it is already indexed (or is
    /// the table's INTEGER PRIMARY KEY).
    void EnsureIndex(std::string_view fieldName);

    void Open();
    /// Commits the rows and releases the table; does nothing when closed.
    void Close();
    bool IsOpen() const { return insert_ != nullptr; }

    /// Removes all rows and gives their space back to the file system as
    /// far as it can; the table must not be open. sameTransaction, when
    /// given, is SQL run in the transaction that removes them, so that it
    /// takes effect with the removal or not at all.
    void Empty(std::string_view sameTransaction = {});

    /// Rows posted since Open that the table holds: those whose Post
    /// succeeded, less any that a later failure took with it.
    std::int64_t RowsHeld() const { return rowsHeld_; }

    /// Number of fields; known while the table is open.
    int FieldCount() const { return static_cast<int>(row_.size()); }

    /// Starts a new row at the end of the table, every field NULL. A row
    /// started before and not posted is dropped.
    void Append();
    void SetInt(int field, std::int32_t value);
    void SetUInt(int field, std::uint32_t value);
    void SetReal(int field, double value);
    /// UTF-8 text; copied.
    void SetText(int field, std::string_view value);
    /// The date part of value as "YYYY-MM-DD".
    void SetDate(int field, TDateTime value);
    /// The time of day of value as "HH:MM:SS.zzz".
    void SetTime(int field, TDateTime value);
    void SetNull(int field);
    /// Stores the started row.
    void Post();

  private:
    enum class Kind : std::uint8_t { Null, Integer, Real, Text };
    struct Cell {
        Kind kind = Kind::Null;
        std::int64_t integer = 0;
        double real = 0;
        std::uint32_t textOffset = 0;
        std::uint32_t textLength = 0;
    };

    Cell& Field(int field);
    void PutText(int field, const char* text, std::size_t length);
    int Insert(const Cell* cells, const char* text);
    void Begin(std::string_view operation);
    void Commit(std::string_view operation);
    bool WriteChunkAgain(int rc);
    bool WriteChunkPiece(std::size_t first, std::size_t count);
    void ForgetChunk();
    std::string Subject() const;

    Database& db_;
    std::string fileName_;
    std::string indexField_;
    std::string schema_;
    std::string table_; // the table's name as stored in its file
    Statement insert_;
    bool rowStarted_ = false;

    // The row being built, its texts in one buffer that keeps its capacity.
    std::vector<Cell> row_;
    std::string rowText_;
    // The rows posted since the last commit, to be written again when the
    // engine loses the transaction.
    std::vector<Cell> chunk_;
    std::string chunkText_;
    std::size_t chunkRows_ = 0;
    std::int64_t rowsHeld_ = 0;
};

} // namespace kestrom
