#include "archive/ArchiveSchema.h"

#include "archive/PgTransaction.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "load/CallTable.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>

namespace kestrom {

namespace {

using T = ArchiveType;

// The archive type of each AMG column, in the order of CallTableColumns():
// fields 8 bits wide in the decoded record are smallint, 16-bit ones
// integer, 32-bit ones bigint (104_Value, which AMG keeps signed, integer).
// A text column takes the type AMG declares for it.
constexpr std::array<ArchiveType, 88> CallColumnTypes = {{
    T::Integer,  // ID
    T::Text,     // Owner_N
    T::Text,     // Partner_N
    T::Text,     // 109_Seq
    T::Smallint, // Sequence
    T::Smallint, // F10
    T::Smallint, // Failure
    T::Integer,  // In_Tr_Gr_ID
    T::Integer,  // In_Tr_ID
    T::Integer,  // Out_Tr_Gr_ID
    T::Integer,  // Out_Tr_ID
    T::Date,     // Start_D
    T::Time,     // Start_T
    T::Date,     // End_D
    T::Time,     // End_T
    T::Bigint,   // Call_Proc_ID
    T::Bigint,   // Hdr_Number3
    T::Smallint, // Rec_Type
    T::Integer,  // Rec_Length
    T::Smallint, // F1
    T::Smallint, // F2
    T::Smallint, // F3
    T::Smallint, // F4
    T::Smallint, // F5
    T::Smallint, // F6
    T::Smallint, // F7
    T::Smallint, // F8
    T::Smallint, // F9
    T::Smallint, // F11
    T::Smallint, // F12
    T::Smallint, // F13
    T::Smallint, // F14
    T::Smallint, // Owner_Dig_H
    T::Smallint, // Owner_Dig_L
    T::Smallint, // 100_Code
    T::Smallint, // 100_Digits
    T::Smallint, // 101_Code
    T::Smallint, // 101_F1
    T::Smallint, // 101_Digits
    T::Text,     // 101_Number
    T::Smallint, // 102_Code
    T::Smallint, // 102_F1
    T::Smallint, // 103_Code
    T::Smallint, // 103_F1
    T::Smallint, // 104_Code
    T::Integer,  // 104_Value
    T::Smallint, // 105_Code
    T::Smallint, // 105_B1
    T::Smallint, // 105_B2
    T::Smallint, // 106_Code
    T::Smallint, // 106_Suppl_Serv
    T::Smallint, // 107_Code
    T::Smallint, // 107_Suppl_Serv
    T::Smallint, // 108_Code
    T::Smallint, // 108_B1
    T::Smallint, // 108_B2
    T::Smallint, // 109_Code
    T::Smallint, // 109_Digits
    T::Smallint, // 110_Code
    T::Smallint, // Origin_Cat
    T::Smallint, // 111_Code
    T::Smallint, // 111_Value
    T::Smallint, // 112_Code
    T::Smallint, // 113_Code
    T::Smallint, // 113_B5
    T::Integer,  // 113_W6
    T::Smallint, // 113_B8
    T::Smallint, // 114_Code
    T::Smallint, // 114_B5
    T::Integer,  // 114_W6
    T::Smallint, // 114_B8
    T::Smallint, // 115_Code
    T::Double,   // Call_Durat
    T::Smallint, // 116_Code
    T::Smallint, // 116_B1
    T::Integer,  // 116_Checksum
    T::Smallint, // 117_Code
    T::Bigint,   // 117_N1
    T::Bigint,   // 117_N2
    T::Smallint, // 118_Code
    T::Smallint, // 118_Reserved
    T::Text,     // 118_Text
    T::Smallint, // 119_Code
    T::Text,     // 119_OCPN
    T::Smallint, // 121_Code
    T::Integer,  // 121_Couse
    T::Smallint, // 123_Code
    T::Bigint,   // 123_Reserved
}};

std::string SqlTypeOf(ArchiveType type) {
    switch (type) {
    case T::Smallint:
        return "smallint";
    case T::Integer:
        return "integer";
    case T::Bigint:
        return "bigint";
    case T::Double:
        return "double precision";
    case T::Date:
        return "date";
    case T::Time:
        return "time";
    case T::Text:
        break;
    }
    return "text";
}

std::vector<ArchiveColumn> BuildCallColumns() {
    std::vector<ArchiveColumn> columns = {
        {"file_id", T::Bigint, "bigint NOT NULL"},
        {"day", T::Date, "date NOT NULL"},
        {"exchange", T::Text, "text NOT NULL"},
    };
    const auto& amg = CallTableColumns();
    for (std::size_t i = 0; i < amg.size(); ++i) {
        const ArchiveType type = CallColumnTypes[i];
        columns.push_back({amg[i].name, type, type == T::Text ? amg[i].type : SqlTypeOf(type)});
    }
    return columns;
}

// 8-byte values first, then 4-byte, 2-byte, and the texts last.
int StorageRank(ArchiveType type) {
    switch (type) {
    case T::Bigint:
    case T::Double:
    case T::Time:
        return 0;
    case T::Integer:
    case T::Date:
        return 1;
    case T::Smallint:
        return 2;
    case T::Text:
        break;
    }
    return 3;
}

// The indexes of the filter bar's searches, made on the partitioned table
// so that every partition gets its own. Prefix searches of the numbers need
// the pattern operator class (the database's collation is not C). A trunk
// group is NULL in most rows and a search names one group, so only the
// rows with a group are indexed. The set-up time and the file follow the
// order in which a file's rows are stored, so a block range index serves
// them for next to no space.
constexpr const char* CallIndexes[] = {
    "CREATE INDEX calls_owner ON kestrom.calls (\"Owner_N\" text_pattern_ops)",
    "CREATE INDEX calls_partner ON kestrom.calls (\"Partner_N\" text_pattern_ops)",
    "CREATE INDEX calls_in_group ON kestrom.calls (\"In_Tr_Gr_ID\") "
    "WHERE \"In_Tr_Gr_ID\" IS NOT NULL",
    "CREATE INDEX calls_out_group ON kestrom.calls (\"Out_Tr_Gr_ID\") "
    "WHERE \"Out_Tr_Gr_ID\" IS NOT NULL",
    "CREATE INDEX calls_start ON kestrom.calls USING brin (\"Start_T\")",
    "CREATE INDEX calls_file ON kestrom.calls USING brin (file_id)",
};

// Version 1: the files, the calls partitioned by day, their indexes, the
// version row. The lookup tables follow the local ones and are made apart.
void CreateVersion1(PgConnection& pg) {
    pg.Exec("CREATE SCHEMA kestrom");
    pg.Exec("CREATE TABLE kestrom.schema_version (version integer NOT NULL)");
    pg.Exec("INSERT INTO kestrom.schema_version VALUES (0)");
    pg.Exec("CREATE TABLE kestrom.files ("
            "id bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
            "name text NOT NULL UNIQUE, exchange text NOT NULL, day date NOT NULL, "
            "listing_order integer NOT NULL, size bigint, mtime timestamptz, hash text, "
            "rows bigint, damaged bigint, ingested_at timestamptz)");
    // Stored widest first, so that no value needs padding before it: the
    // columns in the order AMG lists them would cost 38 bytes a row more.
    std::vector<ArchiveColumn> stored = ArchiveCallColumns();
    std::stable_sort(stored.begin(), stored.end(), [](const auto& a, const auto& b) {
        return StorageRank(a.Type) < StorageRank(b.Type);
    });
    std::string ddl;
    for (const ArchiveColumn& c : stored)
        ddl += (ddl.empty() ? "" : ", ") + QuoteIdentifier(c.Name) + ' ' + c.SqlType;
    pg.Exec("CREATE TABLE kestrom.calls (" + ddl + ") PARTITION BY RANGE (day)");
    for (const char* index : CallIndexes)
        pg.Exec(index);
}

// Version 2: a file keeps where its last record looked cut (the offset of a
// last record shorter than its header says), NULL when it did not. Files
// stored by version 1 hold NULL: they were not looked at for it.
void AddShortLastRecord(PgConnection& pg) {
    pg.Exec("ALTER TABLE kestrom.files ADD COLUMN short_last_record bigint");
}

// Step i takes the schema from version i to version i + 1.
const std::array<std::function<void(PgConnection&)>, ArchiveSchemaVersion> UpgradeSteps = {
    CreateVersion1,
    AddShortLastRecord,
};

std::string DateText(const CivilDate& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

// One lookup table of the program directory as the archive keeps it: the
// same columns (integers as integer, anything else as text), every row.
struct LookupTable {
    std::string Name;
    std::vector<std::string> Columns;
    std::vector<bool> Integer;
    std::vector<std::vector<PgConnection::Param>> Rows;
};

constexpr const char* LookupTableNames[] = {"failurestr", "usluga_a", "usluga_b"};

LookupTable ReadLookupTable(Database& db, const std::string& name) {
    if (db.FindFile(name + ".db").empty())
        throw ArchiveError("Нет справочника " + name + ".db в папке программы " +
                           db.Directory().string() + ".");
    LookupTable t{name, {}, {}, {}};
    Query q(db);
    q.SetLines({"SELECT * FROM " + QuoteIdentifier(name)});
    q.Open();
    for (const QueryColumn& c : q.Columns()) {
        t.Columns.push_back(c.name);
        t.Integer.push_back(c.type == FieldType::Integer);
    }
    for (; !q.Eof(); q.Next()) {
        std::vector<PgConnection::Param> row;
        for (int c = 0; c < static_cast<int>(t.Columns.size()); ++c)
            row.push_back(q.IsNull(c) ? PgConnection::Param() : q.AsText(c));
        t.Rows.push_back(std::move(row));
    }
    return t;
}

std::vector<LookupTable> ReadLookupTables(const std::filesystem::path& programDir) {
    std::vector<LookupTable> tables;
    try {
        Database db(programDir);
        for (const char* name : LookupTableNames)
            tables.push_back(ReadLookupTable(db, name));
    } catch (const DbError& e) {
        throw ArchiveError(std::string("Справочники папки программы не прочитаны: ") + e.what());
    }
    return tables;
}

// Creates the table when missing and replaces its rows by the local ones.
void StoreLookupTable(PgConnection& pg, const LookupTable& t) {
    const std::string table = "kestrom." + QuoteIdentifier(t.Name);
    std::string ddl, names;
    for (std::size_t c = 0; c < t.Columns.size(); ++c) {
        const std::string column = QuoteIdentifier(t.Columns[c]);
        ddl += (c == 0 ? "" : ", ") + column + (t.Integer[c] ? " integer" : " text");
        if (c == 0 && t.Integer[c]) ddl += " PRIMARY KEY";
        names += (c == 0 ? "" : ", ") + column;
    }
    pg.Exec("CREATE TABLE IF NOT EXISTS " + table + " (" + ddl + ")");
    pg.Exec("DELETE FROM " + table);
    if (t.Rows.empty()) return;
    std::string insert = "INSERT INTO " + table + " (" + names + ") VALUES ";
    std::vector<PgConnection::Param> params;
    for (const auto& row : t.Rows) {
        insert += params.empty() ? "(" : ", (";
        for (std::size_t c = 0; c < row.size(); ++c) {
            params.push_back(row[c]);
            insert += (c == 0 ? "$" : ", $") + std::to_string(params.size());
            if (t.Integer[c]) insert += "::integer";
        }
        insert += ")";
    }
    pg.Exec(insert, params);
}

// Reading for the reader role, now and for the tables made later (the
// partitions of days to come). A server without that role is left as it is.
void GrantReading(PgConnection& pg) {
    const PgResult role =
        pg.Exec("SELECT 1 FROM pg_roles WHERE rolname = $1", {std::string(ArchiveReaderRole)});
    if (role.Rows() == 0) return;
    const std::string reader = QuoteIdentifier(ArchiveReaderRole);
    pg.Exec("GRANT USAGE ON SCHEMA kestrom TO " + reader);
    pg.Exec("GRANT SELECT ON ALL TABLES IN SCHEMA kestrom TO " + reader);
    pg.Exec("ALTER DEFAULT PRIVILEGES IN SCHEMA kestrom GRANT SELECT ON TABLES TO " + reader);
}

// Whether the schema kestrom holds the table. Read from the catalog table
// itself: a name looked up through the server's cache (to_regclass) may miss
// a table another session has just committed while this one waited for the
// schema lock.
bool HasArchiveTable(PgConnection& pg, const std::string& name) {
    return pg.Exec("SELECT count(*) FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n "
                   "ON n.oid = c.relnamespace WHERE n.nspname = 'kestrom' AND c.relname = $1",
                   {name})
               .Integer(0, 0) != 0;
}

std::string LockSql(ArchiveLock lock) {
    return "SELECT pg_advisory_xact_lock(" + std::to_string(static_cast<std::int32_t>(lock)) +
           ", $1::integer)";
}

} // namespace

const std::vector<ArchiveColumn>& ArchiveCallColumns() {
    static const std::vector<ArchiveColumn> columns = BuildCallColumns();
    return columns;
}

std::string ArchiveCallColumnList() {
    std::string list;
    for (const ArchiveColumn& c : ArchiveCallColumns())
        list += (list.empty() ? "" : ", ") + QuoteIdentifier(c.Name);
    return list;
}

int ArchiveVersion(PgConnection& pg) {
    if (!HasArchiveTable(pg, "schema_version")) return 0;
    return static_cast<int>(
        pg.Exec("SELECT coalesce(max(version), 0) FROM kestrom.schema_version").Integer(0, 0));
}

void EnsureArchiveSchema(PgConnection& pg, const std::filesystem::path& programDir) {
    const std::vector<LookupTable> lookups = ReadLookupTables(programDir);
    PgTransaction tx(pg);
    // Taken before looking: two ingests starting on an empty server must not
    // both create the schema.
    pg.Exec(LockSql(ArchiveLock::Schema), {"0"});
    const int version = ArchiveVersion(pg);
    if (version > ArchiveSchemaVersion)
        throw ArchiveError("Архив на сервере создан более новой версией программы (версия "
                           "схемы " +
                           std::to_string(version) + ", эта программа знает версию " +
                           std::to_string(ArchiveSchemaVersion) + "). Обновите программу.");
    for (int v = version; v < ArchiveSchemaVersion; ++v)
        UpgradeSteps[static_cast<std::size_t>(v)](pg);
    if (version != ArchiveSchemaVersion)
        pg.Exec("UPDATE kestrom.schema_version SET version = $1",
                {std::to_string(ArchiveSchemaVersion)});
    for (const LookupTable& t : lookups)
        StoreLookupTable(pg, t);
    GrantReading(pg);
    tx.Commit();
}

std::string DayPartitionName(const CivilDate& day) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "kestrom.calls_%04d%02d%02d", day.year, day.month, day.day);
    return buf;
}

void EnsureDayPartition(PgConnection& pg, const CivilDate& day) {
    const std::int64_t days = DaysFromCivil(day);
    const std::string name = DayPartitionName(day);
    PgTransaction tx(pg);
    pg.Exec(LockSql(ArchiveLock::Schema), {"0"});
    // Looked for after the lock: another ingest may have just made it.
    if (!HasArchiveTable(pg, name.substr(name.find('.') + 1))) {
        // Made apart and then attached: attaching locks kestrom.calls only
        // against other changes of its catalog, so the windows reading it go
        // on. Made as a partition at once, it would wait for every open
        // reader and hold up every new one until then.
        pg.Exec("CREATE TABLE " + name + " (LIKE kestrom.calls INCLUDING DEFAULTS)");
        pg.Exec("ALTER TABLE kestrom.calls ATTACH PARTITION " + name + " FOR VALUES FROM ('" +
                DateText(day) + "') TO ('" + DateText(CivilFromDays(days + 1)) + "')");
    }
    tx.Commit();
}

std::int32_t PgDate(TDateTime value) {
    return static_cast<std::int32_t>(DatePart(value) - DaysFromCivil({2000, 1, 1}));
}

} // namespace kestrom
