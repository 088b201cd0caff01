#include "db/Database.h"

#include "base/Cp1251.h"
#include "db/DbError.h"

#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <system_error>

namespace kestrom {

namespace {

constexpr int MaxSavedQueryNesting = 8;
constexpr int MaxAttachRetries = 16;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

std::string TableNameOf(std::string_view fileName) {
    if (EndsWithNoCase(fileName, ".db")) fileName.remove_suffix(3);
    return std::string(fileName);
}

std::string Concat(std::string_view a, std::string_view b, std::string_view c = {}) {
    std::string s;
    s.reserve(a.size() + b.size() + c.size() + 4);
    s.append(a);
    if (!b.empty()) s.append(": ").append(b);
    if (!c.empty()) s.append(": ").append(c);
    return s;
}

int SqlLength(std::string_view sql) {
    if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw DbError("SQL text too long");
    return static_cast<int>(sql.size());
}

// Quoted identifiers of an SQL text that end in ".sql", without their quotes.
std::set<std::string> SavedQueryNames(std::string_view sql) {
    std::set<std::string> names;
    const std::size_t n = sql.size();
    std::size_t i = 0;
    auto skipTo = [&](std::string_view end) {
        const std::size_t at = sql.find(end, i);
        i = at == std::string_view::npos ? n : at + end.size();
    };
    while (i < n) {
        const char c = sql[i];
        const char next = i + 1 < n ? sql[i + 1] : '\0';
        if (c == '\'') {
            ++i;
            while (i < n) {
                if (sql[i] == '\'' && (i + 1 >= n || sql[i + 1] != '\'')) break;
                i += sql[i] == '\'' ? 2u : 1u;
            }
            ++i;
        } else if (c == '-' && next == '-') {
            skipTo("\n");
        } else if (c == '/' && next == '*') {
            i += 2;
            skipTo("*/");
        } else if (c == '[') {
            skipTo("]");
        } else if (c == '`') {
            ++i;
            skipTo("`");
        } else if (c == '"') {
            std::string name;
            ++i;
            while (i < n) {
                if (sql[i] == '"') {
                    if (i + 1 < n && sql[i + 1] == '"') {
                        name.push_back('"');
                        i += 2;
                        continue;
                    }
                    break;
                }
                name.push_back(sql[i++]);
            }
            ++i;
            if (EndsWithNoCase(name, ".sql")) names.insert(std::move(name));
        } else {
            ++i;
        }
    }
    return names;
}

std::string_view TrimStatementEnd(std::string_view text) {
    while (!text.empty()) {
        const char c = text.back();
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';')
            text.remove_suffix(1);
        else
            break;
    }
    return text;
}

bool OnlyBlanks(std::string_view s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != ';') return false;
    return true;
}

} // namespace

std::string_view JournalModeName(JournalMode mode) {
    switch (mode) {
    case JournalMode::Off:
        return "OFF";
    case JournalMode::Delete:
        return "DELETE";
    case JournalMode::Truncate:
        return "TRUNCATE";
    case JournalMode::Persist:
        return "PERSIST";
    case JournalMode::Wal:
        break;
    }
    return "WAL";
}

std::string_view SyncModeName(SyncMode mode) {
    return mode == SyncMode::Off ? "OFF" : "NORMAL";
}

void StatementDeleter::operator()(sqlite3_stmt* stmt) const {
    sqlite3_finalize(stmt);
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string QuoteIdentifier(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    out.push_back('"');
    for (char c : s) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    out.push_back('"');
    return out;
}

Database::Database(std::filesystem::path directory) : directory_(std::move(directory)) {
    const int rc =
        sqlite3_open_v2(":memory:", &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(Concat("Open database", directory_.string(), why), rc);
    }
    // The result query sorts and de-duplicates a million rows: let the sorter
    // keep them in memory and use both cores.
    Execute("PRAGMA temp_store=MEMORY; PRAGMA cache_size=-262144; PRAGMA threads=2",
            "Open database");
    SetBusyTimeout(DefaultBusyTimeoutMs);
}

void Database::SetBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(db_, milliseconds);
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

std::filesystem::path Database::FindFile(std::string_view fileName) const {
    std::error_code ec;
    std::filesystem::directory_iterator it(directory_, ec);
    if (ec) return {};
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (EqualsNoCase(name, fileName)) return entry.path();
    }
    return {};
}

std::string Database::AttachTable(std::string_view fileName, bool createFile) {
    const std::string name = TableNameOf(fileName);
    const std::string key = LowerAscii(name);
    if (auto it = attached_.find(key); it != attached_.end()) return it->second;

    const std::string file = name + ".db";
    std::filesystem::path path = FindFile(file);
    if (path.empty()) {
        if (!createFile)
            throw DbError(Concat("Attach table", file, "no such file in " + directory_.string()));
        path = directory_ / file;
    }

    const std::string sql = "ATTACH DATABASE ?1 AS " + QuoteIdentifier(name);
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), SqlLength(sql), &raw, nullptr);
    if (rc != SQLITE_OK) Fail("Attach table", path.string(), rc);
    Statement stmt(raw);
    const std::string pathText = path.string();
    sqlite3_bind_text(raw, 1, pathText.c_str(), SqlLength(pathText), SQLITE_TRANSIENT);
    rc = sqlite3_step(raw);
    if (rc != SQLITE_DONE) Fail("Attach table", path.string(), rc);
    attached_.emplace(key, name);
    return name;
}

void Database::DetachTable(std::string_view fileName) {
    const auto it = attached_.find(LowerAscii(TableNameOf(fileName)));
    if (it == attached_.end()) return;
    Execute("DETACH DATABASE " + QuoteIdentifier(it->second), "Detach table");
    attached_.erase(it);
}

void Database::PrepareForWriting(const std::string& schema) {
    const std::string quoted = QuoteIdentifier(schema);
    const std::string_view wanted = JournalModeName(storage_.journal);
    Statement mode = PrepareOne("PRAGMA " + quoted + ".journal_mode = " + std::string(wanted),
                                "Set journal mode", nullptr);
    const int rc = sqlite3_step(mode.get());
    if (rc != SQLITE_ROW) Fail("Set journal mode", schema, rc);
    // SQLite answers with the mode in force, which stays the old one when
    // the change is not possible (a file that cannot hold a log).
    const auto* got = reinterpret_cast<const char*>(sqlite3_column_text(mode.get(), 0));
    if (got == nullptr || LowerAscii(got) != LowerAscii(wanted))
        throw DbError(Concat("Set journal mode", schema,
                             "the mode stays " + std::string(got ? got : "unknown")));
    mode.reset();
    Execute("PRAGMA " + quoted + ".synchronous = " + std::string(SyncModeName(storage_.sync)),
            "Set synchronous mode");
}

void Database::Checkpoint(const std::string& schema) {
    // A reader that still needs older pages only shortens the copy.
    sqlite3_wal_checkpoint_v2(db_, schema.c_str(), SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

void Database::Fail(std::string_view operation, std::string_view subject, int rc) const {
    throw DbError(Concat(operation, subject, sqlite3_errmsg(db_)), rc);
}

Statement Database::PrepareOne(std::string_view sql, std::string_view operation,
                               const char** tail) {
    static constexpr std::string_view NoSuchTable = "no such table: ";
    for (int attempt = 0;; ++attempt) {
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db_, sql.data(), SqlLength(sql), &raw, tail);
        if (rc == SQLITE_OK) return Statement(raw);

        // A table that is not attached yet: attach its file and try again.
        const std::string_view why = sqlite3_errmsg(db_);
        if (attempt < MaxAttachRetries && why.starts_with(NoSuchTable)) {
            const std::string table(why.substr(NoSuchTable.size()));
            if (table.find('.') == std::string::npos && !attached_.contains(LowerAscii(table)) &&
                !FindFile(table + ".db").empty()) {
                AttachTable(table, false);
                continue;
            }
        }
        Fail(operation, {}, rc);
    }
}

void Database::CreateSavedQueryViews(std::string_view sql, std::string_view operation, int depth) {
    for (const std::string& name : SavedQueryNames(sql)) {
        if (depth >= MaxSavedQueryNesting)
            throw DbError(Concat(operation, name, "saved queries nested too deeply"));
        const std::filesystem::path path = FindFile(name);
        if (path.empty())
            throw DbError(Concat(operation, name, "no such file in " + directory_.string()));
        std::ifstream in(path, std::ios::binary);
        if (!in) throw DbError(Concat(operation, path.string(), "cannot read the file"));
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        const std::string text(TrimStatementEnd(Cp1251ToUtf8(bytes)));
        CreateSavedQueryViews(text, operation, depth + 1);

        const std::string view = QuoteIdentifier(name);
        const std::string drop = "DROP VIEW IF EXISTS temp." + view;
        const std::string create = "CREATE TEMP VIEW " + view + " AS\r\n" + text;
        for (const std::string* stmtText : {&drop, &create}) {
            Statement stmt = PrepareOne(*stmtText, Concat(operation, name), nullptr);
            if (sqlite3_step(stmt.get()) != SQLITE_DONE)
                Fail(operation, name, sqlite3_errcode(db_));
        }
    }
}

Statement Database::Prepare(std::string_view sql, std::string_view operation) {
    CreateSavedQueryViews(sql, operation, 0);
    const char* tail = nullptr;
    Statement stmt = PrepareOne(sql, operation, &tail);
    const std::size_t used = static_cast<std::size_t>(tail - sql.data());
    if (!stmt || !OnlyBlanks(sql.substr(used)))
        throw DbError(Concat(operation, "the text must hold exactly one statement"));
    return stmt;
}

void Database::Execute(std::string_view sql, std::string_view operation) {
    CreateSavedQueryViews(sql, operation, 0);
    while (!sql.empty()) {
        const char* tail = nullptr;
        Statement stmt = PrepareOne(sql, operation, &tail);
        sql.remove_prefix(static_cast<std::size_t>(tail - sql.data()));
        if (!stmt) continue; // only blanks or a comment
        int rc = SQLITE_ROW;
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(stmt.get());
        if (rc != SQLITE_DONE) Fail(operation, {}, rc);
    }
}

} // namespace kestrom
