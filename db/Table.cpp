#include "db/Table.h"

#include "db/DbError.h"

#include <sqlite3.h>

#include <algorithm>

namespace kestrom {

namespace {

std::string TableNameOf(std::string_view fileName) {
    const std::string lower = LowerAscii(fileName);
    if (lower.ends_with(".db")) fileName.remove_suffix(3);
    return std::string(fileName);
}

// The name under which a table is stored in its file, matched without
// regard to case; empty when the file holds no such table.
std::string StoredTableName(Database& db, const std::string& schema, const std::string& name,
                            const std::string& operation) {
    Statement stmt = db.Prepare("SELECT name FROM " + QuoteIdentifier(schema) +
                                    ".sqlite_master WHERE type = 'table' AND name = ?1 "
                                    "COLLATE NOCASE",
                                operation);
    sqlite3_bind_text(stmt.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW) return {};
    return reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
}

} // namespace

Table::Table(Database& db, std::string fileName) : db_(db), fileName_(std::move(fileName)) {}

Table::~Table() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; Close() called explicitly does.
    }
}

std::string Table::Subject() const {
    return fileName_;
}

void Table::CreateIfMissing(std::string_view columnDefinitions) {
    const std::string schema = db_.AttachTable(fileName_, true);
    db_.PrepareForWriting(schema);
    db_.Execute("CREATE TABLE IF NOT EXISTS " + QuoteIdentifier(schema) + "." +
                    QuoteIdentifier(TableNameOf(fileName_)) + " (" +
                    std::string(columnDefinitions) + ")",
                "Create table: " + Subject());
}

namespace {

bool FieldIsIndexed(Database& db, const std::string& schema, const std::string& table,
                    std::string_view field) {
    const auto sameName = [&](const unsigned char* name) {
        return name && LowerAscii(reinterpret_cast<const char*>(name)) == LowerAscii(field);
    };
    Statement columns = db.Prepare("SELECT name, type, pk FROM pragma_table_info(?1, ?2)",
                                   "Read fields of " + table);
    sqlite3_bind_text(columns.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(columns.get(), 2, schema.c_str(), -1, SQLITE_TRANSIENT);
    int keyFields = 0;
    bool fieldIsKey = false, integerKey = false;
    while (sqlite3_step(columns.get()) == SQLITE_ROW) {
        if (sqlite3_column_int(columns.get(), 2) == 0) continue;
        ++keyFields;
        if (sameName(sqlite3_column_text(columns.get(), 0))) {
            fieldIsKey = true;
            const auto* type = sqlite3_column_text(columns.get(), 1);
            integerKey = type && LowerAscii(reinterpret_cast<const char*>(type)) == "integer";
        }
    }
    if (fieldIsKey && keyFields == 1 && integerKey) return true;

    Statement indexes = db.Prepare("SELECT ii.name FROM pragma_index_list(?1, ?2) il, "
                                   "pragma_index_info(il.name, ?2) ii WHERE ii.seqno = 0",
                                   "Read indexes of " + table);
    sqlite3_bind_text(indexes.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(indexes.get(), 2, schema.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(indexes.get()) == SQLITE_ROW)
        if (sameName(sqlite3_column_text(indexes.get(), 0))) return true;
    return false;
}

} // namespace

void Table::EnsureIndex(std::string_view fieldName) {
    const std::string schema = db_.AttachTable(fileName_, false);
    const std::string table =
        StoredTableName(db_, schema, TableNameOf(fileName_), "Create index: " + Subject());
    if (table.empty()) throw DbError("Create index: " + Subject() + ": no such table");
    if (FieldIsIndexed(db_, schema, table, fieldName)) return;
    db_.Execute("CREATE INDEX " + QuoteIdentifier(schema) + "." +
                    QuoteIdentifier(table + "_" + std::string(fieldName)) + " ON " +
                    QuoteIdentifier(table) + " (" + QuoteIdentifier(fieldName) + ")",
                "Create index on " + std::string(fieldName) + ": " + Subject());
}

void Table::Open() {
    if (IsOpen()) return;
    schema_ = db_.AttachTable(fileName_, false);
    table_ = StoredTableName(db_, schema_, TableNameOf(fileName_), "Open table: " + Subject());
    if (table_.empty()) throw DbError("Open table: " + Subject() + ": no such table");

    const std::string qualified = QuoteIdentifier(schema_) + "." + QuoteIdentifier(table_);
    Statement columns =
        db_.Prepare("SELECT name FROM pragma_table_info(?1, ?2)", "Open table: " + Subject());
    sqlite3_bind_text(columns.get(), 1, table_.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(columns.get(), 2, schema_.c_str(), -1, SQLITE_TRANSIENT);
    std::size_t fieldCount = 0;
    bool indexFieldFound = indexField_.empty();
    while (sqlite3_step(columns.get()) == SQLITE_ROW) {
        ++fieldCount;
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), 0));
        if (name && LowerAscii(name) == LowerAscii(indexField_)) indexFieldFound = true;
    }
    if (!indexFieldFound) throw DbError("Open table: " + Subject() + ": no field " + indexField_);
    if (!indexField_.empty() && !FieldIsIndexed(db_, schema_, table_, indexField_))
        throw DbError("Open table: " + Subject() + ": no index on " + indexField_);

    columns.reset();
    db_.PrepareForWriting(schema_);
    db_.Execute("PRAGMA cache_spill = OFF", "Open table: " + Subject());

    std::string sql = "INSERT INTO " + qualified + " VALUES (";
    for (std::size_t i = 0; i < fieldCount; ++i)
        sql += i == 0 ? "?" : ",?";
    sql += ")";
    Statement insert = db_.Prepare(sql, "Open table: " + Subject());
    db_.Execute("BEGIN IMMEDIATE", "Open table: " + Subject());

    insert_ = std::move(insert);
    row_.assign(fieldCount, Cell{});
    rowText_.clear();
    ForgetChunk();
    rowsHeld_ = 0;
    rowStarted_ = false;
}

void Table::Close() {
    if (!IsOpen()) return;
    rowStarted_ = false;
    // The statement is released however the commit ends.
    struct Release {
        Statement& insert;
        ~Release() { insert.reset(); }
    } release{insert_};
    sqlite3* h = db_.Handle();
    if (sqlite3_get_autocommit(h)) return;
    if (sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) {
        ForgetChunk();
        db_.Checkpoint(schema_);
        return;
    }
    const int rc = sqlite3_extended_errcode(h);
    const std::string why = sqlite3_errmsg(h);
    const bool kept = WriteChunkAgain(rc);
    db_.Checkpoint(schema_);
    if (!kept) throw DbError("Close table: " + Subject() + ": " + why, rc);
}

void Table::Empty(std::string_view sameTransaction) {
    if (IsOpen()) throw DbError("Empty table: " + Subject() + ": the table is open");
    const std::string schema = db_.AttachTable(fileName_, false);
    const std::string table =
        StoredTableName(db_, schema, TableNameOf(fileName_), "Empty table: " + Subject());
    if (table.empty()) throw DbError("Empty table: " + Subject() + ": no such table");
    db_.PrepareForWriting(schema);
    const std::string operation = "Empty table: " + Subject();
    sqlite3* h = db_.Handle();
    db_.Execute("BEGIN IMMEDIATE", operation);
    try {
        if (!sameTransaction.empty()) db_.Execute(sameTransaction, operation);
        db_.Execute("DELETE FROM " + QuoteIdentifier(schema) + "." + QuoteIdentifier(table),
                    operation);
        db_.Execute("COMMIT", operation);
    } catch (...) {
        // Nothing of it reaches the file, a damaged one included.
        if (!sqlite3_get_autocommit(h)) sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }

    // Give the space back to the file system, unless a query of this
    // connection is still reading (SQLite refuses VACUUM then). The rows
    // are gone already: a full disk or a lock only keeps the space, while
    // a damaged file is reported.
    for (sqlite3_stmt* s = sqlite3_next_stmt(db_.Handle(), nullptr); s;
         s = sqlite3_next_stmt(db_.Handle(), s))
        if (sqlite3_stmt_busy(s)) return;
    try {
        db_.Execute("VACUUM " + QuoteIdentifier(schema), operation);
    } catch (const DbError& e) {
        const int code = e.Code() & 0xFF;
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) throw;
    }
    db_.Checkpoint(schema);
}

Table::Cell& Table::Field(int field) {
    if (!IsOpen()) throw DbError("Set field: " + Subject() + ": the table is not open");
    if (!rowStarted_) throw DbError("Set field: " + Subject() + ": no row started");
    if (field < 0 || field >= FieldCount())
        throw DbError("Set field " + std::to_string(field) + ": " + Subject() + ": the table has " +
                      std::to_string(FieldCount()) + " fields");
    return row_[static_cast<std::size_t>(field)];
}

void Table::Append() {
    if (!IsOpen()) throw DbError("Append row: " + Subject() + ": the table is not open");
    for (Cell& c : row_)
        c.kind = Kind::Null;
    rowText_.clear();
    rowStarted_ = true;
}

void Table::SetInt(int field, std::int32_t value) {
    Cell& c = Field(field);
    c.kind = Kind::Integer;
    c.integer = value;
}

void Table::SetUInt(int field, std::uint32_t value) {
    Cell& c = Field(field);
    c.kind = Kind::Integer;
    c.integer = value;
}

void Table::SetReal(int field, double value) {
    Cell& c = Field(field);
    c.kind = Kind::Real;
    c.real = value;
}

void Table::PutText(int field, const char* text, std::size_t length) {
    Cell& c = Field(field);
    c.kind = Kind::Text;
    c.textOffset = static_cast<std::uint32_t>(rowText_.size());
    c.textLength = static_cast<std::uint32_t>(length);
    rowText_.append(text, length);
}

void Table::SetText(int field, std::string_view value) {
    PutText(field, value.data(), value.size());
}

void Table::SetDate(int field, TDateTime value) {
    char buf[10];
    FormatIsoDate(value, buf);
    PutText(field, buf, sizeof buf);
}

void Table::SetTime(int field, TDateTime value) {
    char buf[12];
    FormatIsoTime(value, buf);
    PutText(field, buf, sizeof buf);
}

void Table::SetNull(int field) {
    Field(field).kind = Kind::Null;
}

int Table::Insert(const Cell* cells, const char* text) {
    sqlite3_stmt* stmt = insert_.get();
    const int n = FieldCount();
    for (int i = 0; i < n; ++i) {
        const Cell& c = cells[i];
        switch (c.kind) {
        case Kind::Null:
            sqlite3_bind_null(stmt, i + 1);
            break;
        case Kind::Integer:
            sqlite3_bind_int64(stmt, i + 1, c.integer);
            break;
        case Kind::Real:
            sqlite3_bind_double(stmt, i + 1, c.real);
            break;
        case Kind::Text:
            sqlite3_bind_text(stmt, i + 1, text + c.textOffset, static_cast<int>(c.textLength),
                              SQLITE_STATIC);
            break;
        }
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc;
}

void Table::Post() {
    if (!IsOpen()) throw DbError("Post row: " + Subject() + ": the table is not open");
    if (!rowStarted_) throw DbError("Post row: " + Subject() + ": no row started");
    rowStarted_ = false;
    sqlite3* h = db_.Handle();
    if (sqlite3_get_autocommit(h)) Begin("Post row"); // a failure ended the last one

    const int rc = Insert(row_.data(), rowText_.data());
    if (rc != SQLITE_DONE) {
        const int code = sqlite3_extended_errcode(h);
        const std::string refusal = "Post row: " + Subject() + ": " + sqlite3_errmsg(h);
        // A refusal that SQLite undid by itself leaves the transaction open
        // with the earlier rows in it; one that ended the transaction took
        // them along.
        if (sqlite3_get_autocommit(h)) WriteChunkAgain(code);
        throw DbError(refusal, code);
    }

    const auto base = static_cast<std::uint32_t>(chunkText_.size());
    chunkText_.append(rowText_);
    for (Cell c : row_) {
        c.textOffset += base;
        chunk_.push_back(c);
    }
    ++chunkRows_;
    ++rowsHeld_;
    if (chunkRows_ >= CommitInterval) Commit("Post row");
}

void Table::Begin(std::string_view operation) {
    sqlite3* h = db_.Handle();
    if (sqlite3_exec(h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        db_.Fail(operation, Subject(), sqlite3_extended_errcode(h));
}

void Table::Commit(std::string_view operation) {
    sqlite3* h = db_.Handle();
    if (sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) {
        ForgetChunk();
    } else {
        const int rc = sqlite3_extended_errcode(h);
        const std::string refusal =
            std::string(operation) + ": " + Subject() + ": " + sqlite3_errmsg(h);
        if (!WriteChunkAgain(rc)) throw DbError(refusal, rc);
    }
    // The next Post begins the next transaction: a failure to begin it must
    // not turn this row, which is stored, into a refused one.
}

// The rows of the chunk are not in the table (the engine rolled the
// transaction back, or is made to): writes them again, each piece in a
// transaction of its own. A full disk may still take a smaller piece, so
// the piece is halved until a single row does not fit; any other failure
// ends the attempt. True when every row of the chunk was written.
bool Table::WriteChunkAgain(int rc) {
    sqlite3* h = db_.Handle();
    if (!sqlite3_get_autocommit(h)) sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    std::size_t written = 0;
    std::size_t piece = chunkRows_;
    while (written < chunkRows_) {
        piece = std::min(piece, chunkRows_ - written);
        if (WriteChunkPiece(written, piece)) {
            written += piece;
            continue;
        }
        if (piece == 1 || (rc & 0xFF) != SQLITE_FULL) break;
        piece = (piece + 1) / 2;
    }
    const bool all = written == chunkRows_;
    rowsHeld_ -= static_cast<std::int64_t>(chunkRows_ - written);
    ForgetChunk();
    return all;
}

bool Table::WriteChunkPiece(std::size_t first, std::size_t count) {
    sqlite3* h = db_.Handle();
    if (sqlite3_exec(h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    const auto n = static_cast<std::size_t>(FieldCount());
    bool ok = true;
    for (std::size_t r = first; ok && r < first + count; ++r)
        ok = Insert(chunk_.data() + r * n, chunkText_.data()) == SQLITE_DONE;
    ok = ok && sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok && !sqlite3_get_autocommit(h)) sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    return ok;
}

void Table::ForgetChunk() {
    chunk_.clear();
    chunkText_.clear();
    chunkRows_ = 0;
}

} // namespace kestrom
