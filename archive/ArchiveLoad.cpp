#include "archive/ArchiveLoad.h"

#include "archive/ArchiveQuery.h"
#include "archive/ArchiveSchema.h"
#include "archive/PgConnection.h"
#include "archive/PgTransaction.h"
#include "load/CallTable.h"
#include "load/DaySearch.h"

#include <libpq-fe.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <future>
#include <optional>
#include <type_traits>
#include <vector>

namespace kestrom {

namespace {

// The server's type numbers (pg_type) of the columns read in binary form.
enum class PgType : Oid {
    Int2 = 21,
    Int4 = 23,
    Int8 = 20,
    Float8 = 701,
    Date = 1082,
    Time = 1083,
    Text = 25,
    Varchar = 1043,
    Bpchar = 1042,
};

template <typename T> T BigEndian(const char* p) {
    std::make_unsigned_t<T> v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v = static_cast<std::make_unsigned_t<T>>((v << 8) | static_cast<unsigned char>(p[i]));
    return static_cast<T>(v);
}

// Days from 30 December 1899 to 1 January 2000, where the server counts
// dates from.
constexpr std::int64_t ServerEpochDays = 36526;

// One value of a row in binary form.
class Cell {
  public:
    Cell(const PGresult* r, int row, int column, PgType type)
        : data_(PQgetvalue(r, row, column)),
          size_(static_cast<std::size_t>(PQgetlength(r, row, column))),
          null_(PQgetisnull(r, row, column) != 0), type_(type) {}

    bool Null() const { return null_; }

    std::int64_t Integer() const {
        switch (type_) {
        case PgType::Int2:
            return BigEndian<std::int16_t>(data_);
        case PgType::Int4:
            return BigEndian<std::int32_t>(data_);
        case PgType::Int8:
            return BigEndian<std::int64_t>(data_);
        case PgType::Float8:
            return static_cast<std::int64_t>(Real());
        default:
            return 0;
        }
    }
    double Real() const {
        if (type_ != PgType::Float8) return static_cast<double>(Integer());
        return std::bit_cast<double>(BigEndian<std::uint64_t>(data_));
    }
    // As the decoder forms it: whole days since 30 December 1899.
    TDateTime Date() const {
        return static_cast<double>(BigEndian<std::int32_t>(data_) + ServerEpochDays);
    }
    // As the decoder forms it: milliseconds over the milliseconds of a day.
    TDateTime Time() const {
        const std::int64_t ms = BigEndian<std::int64_t>(data_) / 1000;
        return static_cast<double>(ms) / static_cast<double>(MsPerDay);
    }
    std::string_view Text() const { return {data_, size_}; }

    template <typename T> T As() const {
        return static_cast<T>(static_cast<std::make_unsigned_t<T>>(Integer()));
    }

  private:
    const char* data_;
    std::size_t size_;
    bool null_;
    PgType type_;
};

// Column c (1 to 87) of AMG into the field of the record that CallTable's
// WriteRow writes it from. A NULL leaves the field blank: its element was
// absent, and the element's code (read from its own column) keeps WriteRow
// writing NULL again.
void ReadColumn(TCallRecord& r, int c, const Cell& v) {
    if (v.Null()) return;
    using U8 = std::uint8_t;
    using U16 = std::uint16_t;
    using U32 = std::uint32_t;
    switch (c) {
    // clang-format off
    case 1: r.Owner_N.assign(v.Text()); break;
    case 2: r.Partner_N.assign(v.Text()); break;
    case 3: r.Seq_109.assign(v.Text()); break;
    case 4: r.Sequence = v.As<U8>(); break;
    case 5: r.F10 = v.As<U8>(); break;
    case 6: r.Failure = v.As<U8>(); break;
    case 7: r.In_Tr_Gr_ID = v.As<U16>(); break;
    case 8: r.In_Tr_ID = v.As<U16>(); break;
    case 9: r.Out_Tr_Gr_ID = v.As<U16>(); break;
    case 10: r.Out_Tr_ID = v.As<U16>(); break;
    case 11: r.Start_D = v.Date(); break;
    case 12: r.Start_T = v.Time(); break;
    case 13: r.End_D = v.Date(); break;
    case 14: r.End_T = v.Time(); break;
    case 15: r.HeaderNumber7 = v.As<U32>(); break;
    case 16: r.HeaderNumber3 = v.As<U32>(); break;
    case 17: r.RecordType = v.As<U8>(); break;
    case 18: r.RecordLength = v.As<U16>(); break;
    case 19: r.F1 = v.As<U8>(); break;
    case 20: r.F2 = v.As<U8>(); break;
    case 21: r.F3 = v.As<U8>(); break;
    case 22: r.F4 = v.As<U8>(); break;
    case 23: r.F5 = v.As<U8>(); break;
    case 24: r.F6 = v.As<U8>(); break;
    case 25: r.F7 = v.As<U8>(); break;
    case 26: r.F8 = v.As<U8>(); break;
    case 27: r.F9 = v.As<U8>(); break;
    case 28: r.F11 = v.As<U8>(); break;
    case 29: r.F12 = v.As<U8>(); break;
    case 30: r.F13 = v.As<U8>(); break;
    case 31: r.F14 = v.As<U8>(); break;
    case 32: r.OwnerDigitsHigh = v.As<U8>(); break;
    case 33: r.OwnerDigitsLow = v.As<U8>(); break;
    case 34: r.Code100 = v.As<U8>(); break;
    case 35: r.DigitCount100 = v.As<U8>(); break;
    case 36: r.Code101 = v.As<U8>(); break;
    case 37: r.Flag101 = v.As<U8>(); break;
    case 38: r.DigitCount101 = v.As<U8>(); break;
    case 39: r.Digits101.assign(v.Text()); break;
    case 40: r.Code102 = v.As<U8>(); break;
    case 41: r.F1_102 = v.As<U8>(); break;
    case 42: r.Code103 = v.As<U8>(); break;
    case 43: r.F1_103 = v.As<U8>(); break;
    case 44: r.Code104 = v.As<U8>(); break;
    case 45: r.Value104 = v.As<U32>(); break;
    case 46: r.Code105 = v.As<U8>(); break;
    case 47: r.Byte1_105 = v.As<U8>(); break;
    case 48: r.Byte2_105 = v.As<U8>(); break;
    case 49: r.Code106 = v.As<U8>(); break;
    case 50: r.Suppl_Serv_106 = v.As<U8>(); break;
    case 51: r.Code107 = v.As<U8>(); break;
    case 52: r.Suppl_Serv_107 = v.As<U8>(); break;
    case 53: r.Code108 = v.As<U8>(); break;
    case 54: r.Byte1_108 = v.As<U8>(); break;
    case 55: r.Byte2_108 = v.As<U8>(); break;
    case 56: r.Code109 = v.As<U8>(); break;
    case 57: r.DigitCount109 = v.As<U8>(); break;
    case 58: r.Code110 = v.As<U8>(); break;
    case 59: r.Value110 = v.As<U8>(); break;
    case 60: r.Code111 = v.As<U8>(); break;
    case 61: r.Value111 = v.As<U8>(); break;
    case 62: r.Code112 = v.As<U8>(); break;
    case 63: r.Code113 = v.As<U8>(); break;
    case 64: r.Byte5_113 = v.As<U8>(); break;
    case 65: r.Word6_113 = v.As<U16>(); break;
    case 66: r.Byte8_113 = v.As<U8>(); break;
    case 67: r.Code114 = v.As<U8>(); break;
    case 68: r.Byte5_114 = v.As<U8>(); break;
    case 69: r.Word6_114 = v.As<U16>(); break;
    case 70: r.Byte8_114 = v.As<U8>(); break;
    case 71: r.Code115 = v.As<U8>(); break;
    case 72: r.Call_Durat = static_cast<U32>(v.Real()); break;
    case 73: r.Code116 = v.As<U8>(); break;
    case 74: r.Byte1_116 = v.As<U8>(); break;
    case 75: r.Checksum = v.As<U16>(); break;
    case 76: r.Code117 = v.As<U8>(); break;
    case 77: r.Number1_117 = v.As<U32>(); break;
    case 78: r.Number2_117 = v.As<U32>(); break;
    case 79: r.Code118 = v.As<U8>(); break;
    case 80: r.Reserved118 = v.As<U8>(); break;
    case 81: r.ReservedText118.assign(v.Text()); break;
    case 82: r.Code119 = v.As<U8>(); break;
    case 83: r.OCPN_119.assign(v.Text()); break;
    case 84: r.Code121 = v.As<U8>(); break;
    case 85: r.Couse_121 = v.As<U16>(); break;
    case 86: r.Code123 = v.As<U8>(); break;
    case 87: r.Reserved123 = v.As<U32>(); break;
    default: break;
        // clang-format on
    }
}

// The select list: the row's file, then columns 1 to 87 of AMG by name.
constexpr int FirstAmgColumn = 1;

std::string SelectList() {
    std::string s = "c.file_id";
    const auto& columns = CallTableColumns();
    for (std::size_t i = FirstAmgColumn; i < columns.size(); ++i)
        s.append(", c.\"").append(columns[i].name).append("\"");
    return s;
}

// One file of the day that the folder load would read.
struct DayFile {
    std::int64_t Id = 0;
    std::int64_t Size = 0;
    std::string Name;
    std::string Day;             ///< the day whose partition holds its rows
    std::int64_t Damaged = 0;    ///< damaged records the ingest met in it
    std::int64_t ShortLast = -1; ///< offset of a last record that looked cut, or -1
};

// The day's files of the exchange in the order of the folder's listing,
// picked by the same name pattern the folder load searches with. A name
// may hold the dates of two days (its rows lie under the first one), so the
// files are looked for by name and not by the day they were stored under.
std::vector<DayFile> DayFiles(PgConnection& pg, std::string_view exchange, TDateTime day) {
    const PgResult r =
        pg.Exec("SELECT id, name, COALESCE(size, 0), COALESCE(damaged, 0), "
                "COALESCE(short_last_record, -1), to_char(day, 'YYYY-MM-DD') FROM kestrom.files "
                "WHERE strpos(name, $1) > 0 ORDER BY listing_order, name",
                {DayText(day)});
    const std::string pattern = DayPattern(exchange, day);
    std::vector<DayFile> files;
    for (int i = 0; i < r.Rows(); ++i)
        if (NameMatches(pattern, r.Value(i, 1)))
            files.push_back({r.Integer(i, 0), r.Integer(i, 2), std::string(r.Value(i, 1)),
                             std::string(r.Value(i, 5)), r.Integer(i, 3), r.Integer(i, 4)});
    return files;
}

// The damage a load from the folder would report for the file.
std::optional<FileDamage> DamageOf(const DayFile& f) {
    if (f.Damaged <= 0 && f.ShortLast < 0) return std::nullopt;
    return FileDamage{.Name = f.Name,
                      .Count = static_cast<std::uint64_t>(std::max<std::int64_t>(f.Damaged, 0)),
                      .ShortLastRecord = f.ShortLast};
}

// A PostgreSQL array literal of the texts (digits and dashes only).
template <typename Get> std::string ArrayLiteral(const std::vector<DayFile>& files, Get get) {
    std::string s = "{";
    for (std::size_t i = 0; i < files.size(); ++i)
        s.append(i == 0 ? "" : ",").append(get(files[i]));
    return s.append("}");
}

// The copy of one day's rows: reads the cursor in batches and appends each
// row to the table, drives the progress bar over the files' sizes.
class DayCopier {
  public:
    DayCopier(PgConnection& pg, CallTable& table, LoadFrontEnd& fe, const bool& cancelled)
        : pg_(pg), table_(table), fe_(fe), yield_(fe.Yield()), cancelled_(cancelled) {}

    // Rows the table received so far.
    std::int64_t Rows() const { return rows_; }

    void Copy(const TPreFilter& filter, const std::vector<DayFile>& files) {
        const std::string ids =
            ArrayLiteral(files, [](const DayFile& f) { return std::to_string(f.Id); });
        const std::string days = ArrayLiteral(files, [](const DayFile& f) { return f.Day; });
        const SqlCondition where = PreFilterCondition(filter, 3, "c");
        std::vector<PgConnection::Param> params = {days, ids};
        params.insert(params.end(), where.Params.begin(), where.Params.end());
        // The days name the partitions to read, the files the rows in them.
        pg_.Exec("DECLARE day_rows NO SCROLL CURSOR FOR SELECT " + SelectList() +
                     " FROM kestrom.calls c JOIN unnest($2::bigint[]) WITH ORDINALITY AS "
                     "f(id, n) ON c.file_id = f.id WHERE c.day = ANY($1::date[]) AND " +
                     where.Text + " ORDER BY f.n, c.\"ID\"",
                 params);
        files_ = &files;
        const std::string fetch =
            "FETCH FORWARD " + std::to_string(ArchiveLoad::BatchRows) + " FROM day_rows";
        // The next batch is fetched on a thread of its own while this one is
        // stored, so the server and the call table work at the same time.
        // Only that thread uses the connection until its batch is taken.
        const auto fetchNext = [this, &fetch] {
            return std::async(std::launch::async,
                              [this, &fetch] { return pg_.Exec(fetch, {}, true); });
        };
        std::future<PgResult> next = fetchNext();
        while (!stop_) {
            const PgResult batch = next.get();
            if (batch.Rows() == 0) break;
            next = fetchNext();
            CopyBatch(batch);
        }
        if (next.valid()) next.get(); // the batch a stop left in flight, or its failure
        pg_.Exec("CLOSE day_rows");
    }

  private:
    void CopyBatch(const PgResult& batch) {
        const PGresult* r = batch.Raw();
        std::vector<PgType> types(static_cast<std::size_t>(PQnfields(r)));
        for (std::size_t c = 0; c < types.size(); ++c)
            types[c] = static_cast<PgType>(PQftype(r, static_cast<int>(c)));
        for (int row = 0; row < batch.Rows() && !stop_; ++row) {
            yield_();
            if (cancelled_) {
                stop_ = true;
                break;
            }
            const std::int64_t file = Cell(r, row, 0, types[0]).Integer();
            AdvanceTo(file);
            if (file == refusedFile_) continue;
            ResetCallRecord(record_);
            for (int c = 1; c < static_cast<int>(types.size()); ++c)
                ReadColumn(record_, c - 1 + FirstAmgColumn,
                           Cell(r, row, c, types[static_cast<std::size_t>(c)]));
            if (table_.AppendCallRow(record_))
                ++rows_;
            else
                refusedFile_ = file; // the rest of this file is left out
        }
    }

    // The bar stands at the end of the files before the row's file.
    void AdvanceTo(std::int64_t file) {
        if (file == currentFile_) return;
        currentFile_ = file;
        std::int64_t done = 0;
        for (const DayFile& f : *files_) {
            if (f.Id == file) break;
            done += f.Size;
        }
        fe_.Progress().SetPosition(done);
    }

    PgConnection& pg_;
    CallTable& table_;
    LoadFrontEnd& fe_;
    YieldHook yield_;
    const bool& cancelled_;
    const std::vector<DayFile>* files_ = nullptr;
    TCallRecord record_;
    std::int64_t rows_ = 0;
    std::int64_t currentFile_ = -1;
    std::int64_t refusedFile_ = -1;
    bool stop_ = false;
};

// Shows the progress window and the hourglass for one day, as the folder
// load does, and takes them away however the day ends.
class DayProgress {
  public:
    DayProgress(LoadFrontEnd& fe, const std::string& shortDate) : fe_(fe) {
        fe_.SetBusyCursor(true);
        fe_.Progress().Create();
        fe_.Progress().Show(std::string("Загрузка записей за ")
                                .append(shortDate)
                                .append(" из архива. Ожидайте..."));
    }
    ~DayProgress() {
        fe_.Progress().SetPosition(0);
        fe_.Progress().Hide();
        fe_.Progress().Destroy();
        fe_.SetBusyCursor(false);
    }
    DayProgress(const DayProgress&) = delete;
    DayProgress& operator=(const DayProgress&) = delete;

  private:
    LoadFrontEnd& fe_;
};

std::string VersionMismatch(int server) {
    std::string s = std::string("Архив на сервере имеет схему версии ")
                        .append(std::to_string(server))
                        .append(", а программа работает с версией ")
                        .append(std::to_string(ArchiveSchemaVersion))
                        .append(".");
    if (server > ArchiveSchemaVersion)
        s.append(" Установите новую версию программы.");
    else
        s.append(" Схема архива обновится при следующем пополнении архива.");
    return s;
}

} // namespace

ArchiveLoad::ArchiveLoad(std::string conninfo) : conninfo_(std::move(conninfo)) {}

ArchiveLoad::~ArchiveLoad() = default;

std::string ArchiveLoad::Connect() {
    pg_.reset();
    try {
        auto pg = std::make_unique<PgConnection>(conninfo_);
        const int version = ArchiveVersion(*pg);
        if (version == 0)
            return "На сервере нет архива Kestrom: в базе данных нет его таблиц (схемы "
                   "kestrom). Архив создаётся при первом пополнении.";
        if (version != ArchiveSchemaVersion) return VersionMismatch(version);
        pg_ = std::move(pg);
    } catch (const ArchiveError& e) {
        return e.what();
    }
    return {};
}

ArchiveSource::DayCopy ArchiveLoad::CopyDay(const TPreFilter& filter, TDateTime day,
                                            CallTable& table, LoadFrontEnd& frontEnd,
                                            const bool& cancelled) {
    DayCopy out;
    if (!pg_) {
        out.Error = "Нет связи с архивом.";
        return out;
    }
    const DayProgress progress(frontEnd, frontEnd.ShortDate(day));
    DayCopier copier(*pg_, table, frontEnd, cancelled);
    try {
        // The day's file list and its rows come from one snapshot.
        PgTransaction transaction(*pg_);
        pg_->Exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ READ ONLY");
        const std::vector<DayFile> files = DayFiles(*pg_, filter.ExchangeNumber, day);
        std::int64_t bytes = 0;
        for (const DayFile& f : files) {
            bytes += f.Size;
            if (const auto damage = DamageOf(f)) out.Damaged.push_back(*damage);
        }
        out.Found = bytes > 0;
        frontEnd.Progress().SetMaximum(bytes);
        if (out.Found) copier.Copy(filter, files);
        transaction.Commit();
        frontEnd.Progress().SetPosition(bytes);
    } catch (const ArchiveError& e) {
        out.Error = e.what();
    }
    out.Rows = copier.Rows();
    return out;
}

} // namespace kestrom
