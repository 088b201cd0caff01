#include "load/CallTable.h"

#include "db/DbError.h"

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace kestrom {

namespace {

constexpr const char* Counter = "INTEGER PRIMARY KEY"; // the ID index
constexpr const char* Integer = "INTEGER";
constexpr const char* Milliseconds = "REAL"; // so that /60000 gives fractional minutes
constexpr const char* Date = "DATE";
constexpr const char* Time = "TIME";

constexpr std::array<CallTableColumn, 88> Columns = {{
    {"ID", Counter},
    {"Owner_N", "VARCHAR(32)"},
    {"Partner_N", "VARCHAR(32)"},
    {"109_Seq", "VARCHAR(40)"},
    {"Sequence", Integer},
    {"F10", Integer},
    {"Failure", Integer},
    {"In_Tr_Gr_ID", Integer},
    {"In_Tr_ID", Integer},
    {"Out_Tr_Gr_ID", Integer},
    {"Out_Tr_ID", Integer},
    {"Start_D", Date},
    {"Start_T", Time},
    {"End_D", Date},
    {"End_T", Time},
    {"Call_Proc_ID", Integer}, // header bytes 7 to 10, shared by the records of one call
    {"Hdr_Number3", Integer},
    {"Rec_Type", Integer},
    {"Rec_Length", Integer},
    {"F1", Integer},
    {"F2", Integer},
    {"F3", Integer},
    {"F4", Integer},
    {"F5", Integer},
    {"F6", Integer},
    {"F7", Integer},
    {"F8", Integer},
    {"F9", Integer},
    {"F11", Integer},
    {"F12", Integer},
    {"F13", Integer},
    {"F14", Integer},
    {"Owner_Dig_H", Integer},
    {"Owner_Dig_L", Integer},
    {"100_Code", Integer},
    {"100_Digits", Integer},
    {"101_Code", Integer},
    {"101_F1", Integer},
    {"101_Digits", Integer},
    {"101_Number", "VARCHAR(32)"},
    {"102_Code", Integer},
    {"102_F1", Integer},
    {"103_Code", Integer},
    {"103_F1", Integer},
    {"104_Code", Integer},
    {"104_Value", Integer},
    {"105_Code", Integer},
    {"105_B1", Integer},
    {"105_B2", Integer},
    {"106_Code", Integer},
    {"106_Suppl_Serv", Integer},
    {"107_Code", Integer},
    {"107_Suppl_Serv", Integer},
    {"108_Code", Integer},
    {"108_B1", Integer},
    {"108_B2", Integer},
    {"109_Code", Integer},
    {"109_Digits", Integer},
    {"110_Code", Integer},
    {"Origin_Cat", Integer}, // the value of element 110, the origin category
    {"111_Code", Integer},
    {"111_Value", Integer},
    {"112_Code", Integer},
    {"113_Code", Integer},
    {"113_B5", Integer},
    {"113_W6", Integer},
    {"113_B8", Integer},
    {"114_Code", Integer},
    {"114_B5", Integer},
    {"114_W6", Integer},
    {"114_B8", Integer},
    {"115_Code", Integer},
    {"Call_Durat", Milliseconds},
    {"116_Code", Integer},
    {"116_B1", Integer},
    {"116_Checksum", Integer},
    {"117_Code", Integer},
    {"117_N1", Integer},
    {"117_N2", Integer},
    {"118_Code", Integer},
    {"118_Reserved", Integer},
    {"118_Text", "VARCHAR(22)"},
    {"119_Code", Integer},
    {"119_OCPN", "VARCHAR(31)"},
    {"121_Code", Integer},
    {"121_Couse", Integer},
    {"123_Code", Integer},
    {"123_Reserved", Integer},
}};

std::string ColumnDefinitions() {
    std::string ddl;
    for (const CallTableColumn& c : Columns) {
        if (!ddl.empty()) ddl += ", ";
        ddl += QuoteIdentifier(c.name);
        ddl += ' ';
        ddl += c.type;
    }
    return ddl;
}

void PrepareCallTable(Table& table) {
    table.CreateIfMissing(ColumnDefinitions());
    table.EnsureIndex("ID");
}

std::int32_t Signed(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

constexpr std::string_view FileName = "AMG.db";
constexpr std::string_view DamagedSuffix = ".damaged";

// How a load stands, kept in the file's user_version: written when a load
// begins and when it ends, each time inside a transaction of its rows.
enum class LoadMark : int {
    None = 0,
    Running = 1,
    Finished = 2,
    Cancelled = 3,
    Refused = 4,
    BrokeOff = 5,
};

LoadMark MarkOf(LoadEnd end) {
    switch (end) {
    case LoadEnd::Finished:
        return LoadMark::Finished;
    case LoadEnd::Cancelled:
        return LoadMark::Cancelled;
    case LoadEnd::Refused:
        return LoadMark::Refused;
    case LoadEnd::BrokeOff:
        break;
    }
    return LoadMark::BrokeOff;
}

std::string MarkSql(Database& db, LoadMark mark) {
    const std::string schema = db.AttachTable(FileName, false);
    return "PRAGMA " + QuoteIdentifier(schema) +
           ".user_version = " + std::to_string(static_cast<int>(mark));
}

void WriteMark(Database& db, LoadMark mark) {
    db.Execute(MarkSql(db, mark), "Record load state: AMG.db");
}

int Primary(int code) {
    return code & 0xFF;
}

bool IsDamage(int code) {
    return Primary(code) == SQLITE_CORRUPT || Primary(code) == SQLITE_NOTADB;
}

// What is wrong, in the user's words.
std::string CauseText(int code, std::string_view engineText) {
    switch (Primary(code)) {
    case SQLITE_FULL:
        return "на диске нет места или достигнут предельный размер файла";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "таблица занята другой программой, которая пишет в неё";
    case SQLITE_IOERR:
        return "ошибка чтения или записи файла таблицы на диске";
    case SQLITE_CORRUPT:
        return "файл таблицы повреждён, следующая загрузка создаст таблицу заново";
    case SQLITE_NOTADB:
        return "файл таблицы не является базой данных, следующая загрузка создаст "
               "таблицу заново";
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return "нет доступа на запись к файлу таблицы или к его папке";
    case SQLITE_NOMEM:
        return "недостаточно памяти";
    default:
        return std::string("ошибка базы данных (").append(engineText).append(")");
    }
}

std::string RefusalText(int code, std::string_view engineText, std::int32_t rowsHeld) {
    std::string s = Primary(code) == SQLITE_FULL
                        ? std::string(CallTable::TableFullMessage)
                        : std::string("Ошибка! Строка не записана в таблицу: ")
                              .append(CauseText(code, engineText))
                              .append("! Записей : ");
    return s.append(std::to_string(rowsHeld));
}

// A failure of emptying or opening the table: its cause in Russian, the
// engine's own words after it.
[[noreturn]] void FailCallTable(std::string_view what, const DbError& e) {
    throw DbError(std::string(what)
                      .append(": ")
                      .append(CauseText(e.Code(), e.what()))
                      .append(".\n")
                      .append(e.what()),
                  e.Code());
}

void EmptyAndMark(Database& db) {
    Table table(db, std::string(FileName));
    PrepareCallTable(table);
    // Marked with the emptying: a load killed after it must not leave an
    // empty table that reads as the complete result of the load before.
    table.Empty(MarkSql(db, LoadMark::Running));
}

// Moves a table file with its journal and log to "<name>.damaged...",
// replacing an older copy; the shared-memory index of the log is dropped.
// The result is the path of the moved file.
std::filesystem::path MoveAside(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    const fs::path damaged = fs::path(file).concat(DamagedSuffix);
    const auto with = [](fs::path p, std::string_view suffix) { return p.concat(suffix); };
    for (std::string_view suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(with(damaged, suffix));
    for (std::string_view suffix : {"", "-journal", "-wal"}) {
        std::error_code ec;
        if (fs::exists(with(file, suffix), ec))
            fs::rename(with(file, suffix), with(damaged, suffix));
    }
    fs::remove(with(file, "-shm"));
    return damaged;
}

std::string DamageReason(int code) {
    return Primary(code) == SQLITE_NOTADB ? "файл не является базой данных"
                                          : "нарушена структура файла";
}

} // namespace

const std::array<CallTableColumn, 88>& CallTableColumns() {
    return Columns;
}

std::string EmptyCallTable(Database& db) {
    int damage = 0;
    // A file attached before may since have been replaced by a sound one
    // (another window's load recreated it): the second try looks at the
    // file now in the directory.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            EmptyAndMark(db);
            return {};
        } catch (const DbError& e) {
            if (!IsDamage(e.Code())) FailCallTable("Таблицу AMG.db не удалось очистить", e);
            damage = e.Code();
        }
        db.DetachTable(FileName);
    }
    const std::filesystem::path file = db.FindFile(FileName);
    if (file.empty()) throw DbError("Таблицу AMG.db не удалось очистить: файл исчез", damage);
    std::filesystem::path damaged;
    try {
        damaged = MoveAside(file);
    } catch (const std::filesystem::filesystem_error& e) {
        throw DbError(std::string("Файл таблицы ")
                          .append(file.string())
                          .append(" повреждён (")
                          .append(DamageReason(damage))
                          .append("), и его не удалось переименовать: ")
                          .append(e.code().message()),
                      damage);
    }
    try {
        EmptyAndMark(db);
    } catch (const DbError& e) {
        FailCallTable("Таблицу AMG.db не удалось создать заново", e);
    }
    return std::string("Файл таблицы ")
        .append(file.string())
        .append(" был повреждён (")
        .append(DamageReason(damage))
        .append("). Он переименован в ")
        .append(damaged.filename().string())
        .append(", таблица создана заново.");
}

std::optional<LoadEnd> LastLoadEnd(Database& db) {
    if (db.FindFile(FileName).empty()) return std::nullopt;
    const std::string schema = db.AttachTable(FileName, false);
    Statement stmt =
        db.Prepare("PRAGMA " + QuoteIdentifier(schema) + ".user_version", "Read load state");
    if (sqlite3_step(stmt.get()) != SQLITE_ROW)
        db.Fail("Read load state", FileName, sqlite3_extended_errcode(db.Handle()));
    switch (static_cast<LoadMark>(sqlite3_column_int(stmt.get(), 0))) {
    case LoadMark::Finished:
        return LoadEnd::Finished;
    case LoadMark::Cancelled:
        return LoadEnd::Cancelled;
    case LoadMark::Refused:
        return LoadEnd::Refused;
    case LoadMark::Running:
    case LoadMark::BrokeOff:
        return LoadEnd::BrokeOff;
    case LoadMark::None:
        break;
    }
    return std::nullopt;
}

std::string CallTableDamage(Database& db) {
    const std::filesystem::path file = db.FindFile(FileName);
    if (file.empty()) return {};
    int code = SQLITE_OK;
    try {
        // The file now in the directory, not one attached before and
        // replaced since.
        db.DetachTable(FileName);
        const std::string schema = db.AttachTable(FileName, false);
        Statement check = db.Prepare("PRAGMA " + QuoteIdentifier(schema) + ".quick_check(1)",
                                     "Check table: AMG.db");
        const int rc = sqlite3_step(check.get());
        if (rc == SQLITE_ROW) {
            const auto* verdict = sqlite3_column_text(check.get(), 0);
            if (verdict == nullptr ||
                std::string_view(reinterpret_cast<const char*>(verdict)) != "ok")
                code = SQLITE_CORRUPT;
        } else if (rc != SQLITE_DONE) {
            code = sqlite3_extended_errcode(db.Handle());
        }
    } catch (const DbError& e) {
        code = e.Code();
    }
    if (!IsDamage(code)) return {};
    return std::string("Таблица вызовов повреждена (")
        .append(DamageReason(code))
        .append("): ")
        .append(file.string())
        .append(". Её нельзя прочитать; следующая загрузка создаст таблицу заново.");
}

CallTable::CallTable(Database& db, MessageSink& messages, YieldHook yield)
    : db_(db), messages_(messages), yield_(yield) {}

void CallTable::OpenCallTable() {
    CloseCallTable();
    counter_ = 1;
    end_ = LoadEnd::Finished;
    Table& table = table_.emplace(db_, std::string(FileName));
    try {
        PrepareCallTable(table);
        table.SetIndexOrder("ID");
        table.Open();
        // Committed with the first rows; EmptyCallTable has marked it already.
        WriteMark(db_, LoadMark::Running);
    } catch (const DbError& e) {
        table_.reset();
        FailCallTable("Таблицу AMG.db не удалось открыть", e);
    } catch (...) {
        table_.reset();
        throw;
    }
}

LoadEnd CallTable::CloseCallTable(bool cancelled) {
    if (!table_) return end_;
    if (cancelled && end_ == LoadEnd::Finished) end_ = LoadEnd::Cancelled;
    // The end is marked inside the last transaction of rows, so that it is
    // committed with them; after a failed commit it is marked on its own.
    bool marked = false;
    try {
        WriteMark(db_, MarkOf(end_));
        marked = true;
    } catch (const DbError&) {
    }
    try {
        table_->Close();
    } catch (const DbError& e) {
        Refused(e.Code(), e.what());
        marked = false;
    }
    if (!marked) {
        try {
            WriteMark(db_, MarkOf(end_));
        } catch (const DbError&) {
            // The mark of a running load stays: the load reads as broken off.
        }
    }
    table_.reset();
    return end_;
}

bool CallTable::AppendCallRow(TCallRecord& record) {
    const std::int32_t id = counter_;
    try {
        if (!table_) throw DbError("Append row: AMG.db: the table is not open");
        Table& t = *table_;
        t.Append();
        t.SetInt(0, id);
        yield_();
        WriteRow(record);
        t.Post();
    } catch (const DbError& e) {
        Refused(e.Code(), e.what());
        return false;
    }
    ++counter_;
    return true;
}

void CallTable::Refused(int code, const char* what) {
    if (table_) counter_ = static_cast<std::int32_t>(1 + table_->RowsHeld());
    if (Primary(code) != SQLITE_FULL)
        end_ = LoadEnd::BrokeOff;
    else if (end_ != LoadEnd::BrokeOff)
        end_ = LoadEnd::Refused;
    messages_.Information(RefusalText(code, what, counter_ - 1));
}

// Columns 1 to 87; the NULL rule: number B, the trunks and the call end are
// left NULL when their element was absent, every other column is written.
void CallTable::WriteRow(TCallRecord& r) {
    Table& t = *table_;
    t.SetText(1, r.Owner_N.view());
    if (r.Code100 == 100) t.SetText(2, r.Partner_N.view());
    t.SetText(3, r.Seq_109.view());
    t.SetUInt(4, r.Sequence);
    t.SetUInt(5, r.F10);
    if (r.F4 == 1) r.Failure = 16;
    t.SetUInt(6, r.Failure);
    if (r.Code113 == 113) {
        t.SetUInt(7, r.In_Tr_Gr_ID);
        t.SetUInt(8, r.In_Tr_ID);
    }
    if (r.Code114 == 114) {
        t.SetUInt(9, r.Out_Tr_Gr_ID);
        t.SetUInt(10, r.Out_Tr_ID);
    }
    t.SetDate(11, r.Start_D);
    t.SetTime(12, r.Start_T);
    if (r.Code103 == 103) {
        t.SetDate(13, r.End_D);
        t.SetTime(14, r.End_T);
    }
    t.SetUInt(15, r.HeaderNumber7);
    t.SetUInt(16, r.HeaderNumber3);
    t.SetUInt(17, r.RecordType);
    t.SetUInt(18, r.RecordLength);
    t.SetUInt(19, r.F1);
    t.SetUInt(20, r.F2);
    t.SetUInt(21, r.F3);
    t.SetUInt(22, r.F4);
    t.SetUInt(23, r.F5);
    t.SetUInt(24, r.F6);
    t.SetUInt(25, r.F7);
    t.SetUInt(26, r.F8);
    t.SetUInt(27, r.F9);
    t.SetUInt(28, r.F11);
    t.SetUInt(29, r.F12);
    t.SetUInt(30, r.F13);
    t.SetUInt(31, r.F14);
    t.SetUInt(32, r.OwnerDigitsHigh);
    t.SetUInt(33, r.OwnerDigitsLow);
    t.SetUInt(34, r.Code100);
    t.SetUInt(35, r.DigitCount100);
    t.SetUInt(36, r.Code101);
    t.SetUInt(37, r.Flag101);
    t.SetUInt(38, r.DigitCount101);
    t.SetText(39, r.Digits101.view());
    t.SetUInt(40, r.Code102);
    t.SetUInt(41, r.F1_102);
    t.SetUInt(42, r.Code103);
    t.SetUInt(43, r.F1_103);
    t.SetUInt(44, r.Code104);
    t.SetInt(45, Signed(r.Value104));
    t.SetUInt(46, r.Code105);
    t.SetUInt(47, r.Byte1_105);
    t.SetUInt(48, r.Byte2_105);
    t.SetUInt(49, r.Code106);
    t.SetUInt(50, r.Suppl_Serv_106);
    t.SetUInt(51, r.Code107);
    t.SetUInt(52, r.Suppl_Serv_107);
    t.SetUInt(53, r.Code108);
    t.SetUInt(54, r.Byte1_108);
    t.SetUInt(55, r.Byte2_108);
    t.SetUInt(56, r.Code109);
    t.SetUInt(57, r.DigitCount109);
    t.SetUInt(58, r.Code110);
    t.SetUInt(59, r.Value110);
    t.SetUInt(60, r.Code111);
    t.SetUInt(61, r.Value111);
    t.SetUInt(62, r.Code112);
    t.SetUInt(63, r.Code113);
    t.SetUInt(64, r.Byte5_113);
    t.SetUInt(65, r.Word6_113);
    t.SetUInt(66, r.Byte8_113);
    t.SetUInt(67, r.Code114);
    t.SetUInt(68, r.Byte5_114);
    t.SetUInt(69, r.Word6_114);
    t.SetUInt(70, r.Byte8_114);
    t.SetUInt(71, r.Code115);
    t.SetReal(72, r.Call_Durat);
    t.SetUInt(73, r.Code116);
    t.SetUInt(74, r.Byte1_116);
    t.SetUInt(75, r.Checksum);
    t.SetUInt(76, r.Code117);
    t.SetInt(77, Signed(r.Number1_117));
    t.SetInt(78, Signed(r.Number2_117));
    t.SetUInt(79, r.Code118);
    t.SetUInt(80, r.Reserved118);
    t.SetText(81, r.ReservedText118.view());
    t.SetUInt(82, r.Code119);
    t.SetText(83, r.OCPN_119.view());
    t.SetUInt(84, r.Code121);
    t.SetUInt(85, r.Couse_121);
    t.SetUInt(86, r.Code123);
    t.SetInt(87, Signed(r.Reserved123));
}

} // namespace kestrom
