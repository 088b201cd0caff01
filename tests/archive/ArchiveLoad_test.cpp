// Loads from the archive set against loads from the same files: every filter
// of the load, each time both ways, and the two call tables compared value by
// value. Runs against the throwaway cluster that with_cluster.sh starts.

#include "archive/ArchiveIngest.h"
#include "archive/ArchiveLoad.h"
#include "archive/ArchiveSchema.h"
#include "archive/PgConnection.h"

#include "../db/FaultyDisk.h"
#include "../db/ScratchDir.h"
#include "../load/RecordingFrontEnd.h"
#include "PgTestCluster.h"
#include "ShortLastRecordFile.h"
#include "db/Database.h"
#include "load/LoadCommand.h"
#include "tools/AmaGenerator.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>
#include <tuple>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using test::PgTestCluster;
using test::RecordingFrontEnd;
using test::ScratchDatabase;
using test::ScratchDir;

TDateTime At(int y, int m, int d, int hour = 0, int minute = 0) {
    return EncodeDate({y, m, d}) + EncodeTime({hour, minute, 0, 0});
}

// Every value of AMG in ID order: (type, text of the value) per cell.
using Cells = std::vector<std::vector<std::pair<int, std::string>>>;

Cells ReadAmg(const fs::path& dir) {
    sqlite3* db = nullptr;
    Cells rows;
    if (sqlite3_open_v2((dir / "AMG.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        ADD_FAILURE() << "cannot open " << dir;
        return rows;
    }
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM AMG ORDER BY ID", -1, &st, nullptr);
    while (st != nullptr && sqlite3_step(st) == SQLITE_ROW) {
        auto& row = rows.emplace_back();
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const int type = sqlite3_column_type(st, c);
            std::string value;
            if (type == SQLITE_FLOAT) {
                std::ostringstream s;
                s.precision(17);
                s << sqlite3_column_double(st, c);
                value = s.str();
            } else if (type != SQLITE_NULL) {
                const auto* text = sqlite3_column_blob(st, c);
                value.assign(static_cast<const char*>(text),
                             static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
            }
            row.emplace_back(type, std::move(value));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Two exchanges, three days (1 to 3 October 2006) of three files each, with
// bad checksums and damaged records; one ingest into a database of its own.
class ArchiveLoadEquality : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (PgTestCluster::Dir().empty()) return;
        shared_ = new Shared;
        gen::GeneratorOptions o;
        o.Exchanges = {"i3962", "i3963"};
        o.From = {2006, 10, 1};
        o.Days = 3;
        o.FilesPerDay = 3;
        o.RecordsPerFile = 300;
        o.BadChecksumShare = 0.02;
        o.Damage = true;
        o.KeepRecords = true;
        shared_->manifest = gen::WriteFiles(o, shared_->ama.Path());
        AddOddFiles(shared_->ama.Path());
        PgConnection pg(shared_->db.Conninfo("ingest"));
        const IngestReport report = IngestFolder(pg, shared_->ama.Path(), "*", KESTROM_BIN_DIR);
        shared_->ingested = report.Ingested;
    }
    static void TearDownTestSuite() {
        delete shared_;
        shared_ = nullptr;
    }
    void SetUp() override {
        if (shared_ == nullptr) GTEST_SKIP() << "no PostgreSQL cluster (KESTROM_PG_DIR)";
        ASSERT_EQ(shared_->ingested, 20);
    }

    // A file whose name holds the dates of two days (a load of either day
    // reads it) and a file whose last record was cut short.
    static void AddOddFiles(const fs::path& ama) {
        fs::copy_file(ama / "i396220061001_1.ama", ama / "i396220061001_20061002.ama");
        test::WriteShortLastRecordFile(ama / "i396320061003_9.ama", 2006, 10, 3);
    }

    LoadRequest Request(const TPreFilter& filter) const {
        LoadRequest r;
        r.Filter = filter;
        r.RequireFilter = false;
        r.AutoOpen = false;
        r.Period.Start = At(2006, 10, 1);
        r.Period.End = At(2006, 10, 4, 23, 59); // the 4th has no files
        return r;
    }

    // Loads the period with the filter from the folder and from the archive
    // and expects the same rows in both tables; gives the number of rows.
    std::size_t ExpectSameRows(const TPreFilter& filter, const std::string& what) {
        SCOPED_TRACE(what);
        ScratchDir folderDir, archiveDir;
        RecordingFrontEnd folderFe, archiveFe;
        LoadRequest fromFolder = Request(filter);
        fromFolder.Period.AmaFolder = shared_->ama.Path().string();
        Database folderDb(folderDir.Path());
        LoadSession folderSession(folderDb);
        const LoadOutcome a = folderSession.Run(fromFolder, folderFe);

        ArchiveLoad archive(shared_->db.Conninfo("reader"));
        LoadRequest fromArchive = Request(filter);
        fromArchive.Archive = &archive;
        Database archiveDb(archiveDir.Path());
        LoadSession archiveSession(archiveDb);
        const LoadOutcome b = archiveSession.Run(fromArchive, archiveFe);

        EXPECT_TRUE(a.Ran);
        EXPECT_TRUE(b.Ran);
        EXPECT_EQ(b.End, LoadEnd::Finished);
        EXPECT_EQ(a.Loaded, b.Loaded);
        EXPECT_EQ(b.Days, 4);
        EXPECT_EQ(archiveFe.daysWithoutFiles, folderFe.daysWithoutFiles);
        EXPECT_EQ(archiveFe.daysWithoutFiles, filter.ExchangeNumber == "nobody" ? 4 : 1);
        EXPECT_EQ(archiveSession.PrintStr1(), folderSession.PrintStr1());
        // The damaged records are reported as a load from the folder reports
        // them, file by file, a last record that looked cut included.
        using Damage = std::tuple<std::string, std::uint64_t, std::int64_t, bool>;
        std::vector<Damage> folderDamage, archiveDamage;
        for (const FileDamage& d : a.Damaged)
            folderDamage.emplace_back(d.Name, d.Count, d.ShortLastRecord, d.NotRegular);
        for (const FileDamage& d : b.Damaged)
            archiveDamage.emplace_back(d.Name, d.Count, d.ShortLastRecord, d.NotRegular);
        EXPECT_EQ(archiveDamage, folderDamage);
        if (filter.ExchangeNumber == "*") {
            EXPECT_TRUE(std::any_of(folderDamage.begin(), folderDamage.end(),
                                    [](const Damage& d) { return std::get<1>(d) > 0; }));
            EXPECT_TRUE(std::any_of(folderDamage.begin(), folderDamage.end(), [](const Damage& d) {
                return std::get<0>(d) == "i396320061003_9.ama" && std::get<2>(d) >= 0;
            }));
        }
        const Cells folderRows = ReadAmg(folderDir.Path());
        const Cells archiveRows = ReadAmg(archiveDir.Path());
        EXPECT_EQ(folderRows.size(), static_cast<std::size_t>(a.Loaded));
        EXPECT_EQ(archiveRows.size(), folderRows.size());
        for (std::size_t i = 0; i < std::min(folderRows.size(), archiveRows.size()); ++i) {
            EXPECT_EQ(archiveRows[i].size(), 88u);
            if (archiveRows[i] != folderRows[i]) {
                for (std::size_t c = 0; c < folderRows[i].size(); ++c)
                    EXPECT_EQ(archiveRows[i][c], folderRows[i][c])
                        << "row " << i + 1 << " column " << c;
                break;
            }
        }
        return folderRows.size();
    }

    // Sound records (no fault) of the generated files.
    static std::vector<const gen::RecordTruth*> Sound() {
        std::vector<const gen::RecordTruth*> records;
        for (const auto& f : shared_->manifest.Files)
            for (const auto& r : f.Records)
                if (r.Fault == gen::RecordFault::None) records.push_back(&r);
        return records;
    }

    struct Shared {
        ScratchDir ama;
        ScratchDatabase db;
        gen::GenerationManifest manifest;
        std::int64_t ingested = 0;
    };
    static Shared* shared_;
};

ArchiveLoadEquality::Shared* ArchiveLoadEquality::shared_ = nullptr;

// The list texts of one mode over numbers taken from the data: whole
// numbers, their beginnings, ends or middles, with blanks and an empty
// piece, so a list of several entries is always asked for.
std::string ListFor(int mode, const std::vector<std::string>& numbers) {
    const auto& x = numbers[0];
    const auto& y = numbers[numbers.size() / 2];
    const auto& z = numbers.back();
    switch (mode) {
    case nmEqual:
    case nmNotEqual:
        return x + ", " + y + ",, " + z;
    case nmLike:
        return x.substr(1, 3) + "," + y.substr(2, 2);
    case nmStartsWith:
    case nmNotStartsWith:
        return x.substr(0, 3) + ", " + y.substr(0, 2) + " ," + z;
    default: // the two ends modes
        return x.substr(x.size() - 2) + "," + y.substr(y.size() - 3);
    }
}

TEST_F(ArchiveLoadEquality, EveryNumberModeOnEitherSideWithListsAndEmptyTexts) {
    std::vector<std::string> owners, partners;
    for (const gen::RecordTruth* r : Sound()) {
        if (r->Owner.size() >= 5 && owners.size() < 400) owners.push_back(r->Owner);
        if (r->HasPartner && r->Partner.size() >= 5 && partners.size() < 400)
            partners.push_back(r->Partner);
    }
    ASSERT_GE(owners.size(), 3u);
    ASSERT_GE(partners.size(), 3u);
    const std::size_t all = ExpectSameRows({}, "no filter");
    for (int side = 0; side < 2; ++side) {
        for (int mode = nmEqual; mode <= nmNotEndsWith; ++mode) {
            for (bool empty : {false, true}) {
                TPreFilter f;
                const std::string text =
                    empty ? (side == 0 ? "" : " , ") : ListFor(mode, side == 0 ? owners : partners);
                (side == 0 ? f.NumberAOn : f.NumberBOn) = true;
                (side == 0 ? f.NumberAMatch : f.NumberBMatch) = mode;
                (side == 0 ? f.NumberAText : f.NumberBText) = text;
                const std::string what = std::string(side == 0 ? "A" : "B") + " mode " +
                                         std::to_string(mode) + " [" + text + "]";
                const std::size_t rows = ExpectSameRows(f, what);
                // Each list keeps some rows and drops others; the empty text
                // keeps all rows or none, except number B equal to nothing,
                // which keeps the records without a number B.
                if (!empty) {
                    EXPECT_GT(rows, 0u) << what;
                    EXPECT_LT(rows, all) << what;
                } else if (side == 1 && mode == nmEqual) {
                    EXPECT_GT(rows, 0u) << what;
                    EXPECT_LT(rows, all / 10) << what;
                } else if (side == 1 && mode == nmNotEqual) {
                    EXPECT_GT(rows, all - all / 10) << what;
                    EXPECT_LT(rows, all) << what;
                } else {
                    EXPECT_TRUE(rows == 0 || rows == all) << what << ": " << rows;
                }
            }
        }
    }
}

TEST_F(ArchiveLoadEquality, JoinsUnknownModesAndTextsThatLookLikeSql) {
    std::vector<const gen::RecordTruth*> sound = Sound();
    const gen::RecordTruth* r = nullptr;
    for (const gen::RecordTruth* s : sound)
        if (s->HasPartner && s->Partner.size() >= 4 && s->Owner.size() >= 4) r = s;
    ASSERT_NE(r, nullptr);
    TPreFilter f;
    f.NumberAOn = f.NumberBOn = true;
    f.NumberAMatch = nmStartsWith;
    f.NumberAText = r->Owner.substr(0, 2);
    f.NumberBMatch = nmStartsWith;
    f.NumberBText = r->Partner.substr(0, 2);
    f.NumberJoin = 0;
    const std::size_t both = ExpectSameRows(f, "A and B");
    f.NumberJoin = 1;
    const std::size_t either = ExpectSameRows(f, "A or B");
    EXPECT_GT(both, 0u);
    EXPECT_GT(either, both);
    f.NumberJoin = 2;
    EXPECT_EQ(ExpectSameRows(f, "an unknown join"), 0u);

    f.NumberJoin = 1;
    f.NumberBMatch = -1; // no mode chosen on one side: nothing, even with OR
    EXPECT_EQ(ExpectSameRows(f, "an unknown mode of B"), 0u);
    TPreFilter a;
    a.NumberAOn = true;
    a.NumberAMatch = -1;
    a.NumberAText = r->Owner;
    EXPECT_EQ(ExpectSameRows(a, "an unknown mode of A"), 0u);
    a.NumberAMatch = 9;
    EXPECT_EQ(ExpectSameRows(a, "mode 9"), 0u);

    // Quotes, SQL and LIKE's own characters are matched as they are.
    const std::size_t all = ExpectSameRows({}, "no filter");
    for (const auto& [mode, text, rows] : std::vector<std::tuple<int, std::string, std::size_t>>{
             {nmEqual, "1' OR '1'='1", 0},
             {nmLike, "'; DROP TABLE kestrom.calls; --", 0},
             {nmLike, "_", 0},
             {nmLike, "%", 0},
             {nmStartsWith, "%", 0},
             {nmEndsWith, "\\", 0},
             {nmStartsWith, r->Owner.substr(0, 1) + "_", 0},
             {nmNotStartsWith, "%", all},
             {nmNotEqual, "1' OR '1'='1", all},
             {nmLike, "\xff\xfe", 0},
             {nmNotEndsWith, "\xd0", all},
         }) {
        TPreFilter t;
        t.NumberAOn = true;
        t.NumberAMatch = mode;
        t.NumberAText = text;
        EXPECT_EQ(ExpectSameRows(t, "A mode " + std::to_string(mode) + " [" + text + "]"), rows);
    }
    // The archive is still whole.
    EXPECT_EQ(ExpectSameRows({}, "no filter again"), all);
}

TEST_F(ArchiveLoadEquality, TrunkGroupsErrorCodeTimeWindowSuccessAndExchange) {
    int inGroup = -1, outGroup = -1, errorCode = -1;
    std::int64_t startMs = -1;
    for (const gen::RecordTruth* r : Sound()) {
        if (inGroup < 0 && r->InGroup > 0) inGroup = r->InGroup;
        if (outGroup < 0 && r->OutGroup > 0) outGroup = r->OutGroup;
        if (errorCode < 0 && r->ErrorCode > 0) errorCode = r->ErrorCode;
        if (startMs < 0 && r->HasStart && r->StartMs % 1000 != 0) startMs = r->StartMs;
    }
    ASSERT_GT(inGroup, 0);
    ASSERT_GT(outGroup, 0);
    ASSERT_GT(errorCode, 0);
    ASSERT_GT(startMs, 0);
    const std::size_t all = ExpectSameRows({}, "no filter");
    const auto expectSome = [&](const TPreFilter& f, const std::string& what) {
        const std::size_t rows = ExpectSameRows(f, what);
        EXPECT_GT(rows, 0u) << what;
        EXPECT_LT(rows, all) << what;
    };

    TPreFilter f;
    f.InTrunkGroupOn = true;
    f.InTrunkGroup = inGroup;
    expectSome(f, "in group");
    f.InTrunkGroup = 0; // the records without element 113
    expectSome(f, "in group 0");
    f = {};
    f.OutTrunkGroupOn = true;
    f.OutTrunkGroup = outGroup;
    expectSome(f, "out group");
    f.OutTrunkGroup = 0;
    expectSome(f, "out group 0");
    f.InTrunkGroupOn = true;
    f.InTrunkGroup = 0;
    expectSome(f, "neither trunk");

    f = {};
    f.ErrorCodeOn = true;
    f.ErrorCode = errorCode;
    expectSome(f, "error code");
    f.ErrorCode = 0;
    expectSome(f, "error code 0");

    f = {};
    f.TimeFromOn = f.TimeToOn = true;
    f.TimeFrom = At(2001, 1, 1, 10, 0); // only the time of day counts
    f.TimeTo = EncodeTime({12, 0, 0, 0});
    expectSome(f, "10:00 to 12:00");
    f.TimeFrom = EncodeTime({22, 0, 0, 0});
    f.TimeTo = EncodeTime({2, 0, 0, 0});
    expectSome(f, "22:00 to 02:00");
    f.TimeToOn = false;
    expectSome(f, "from 22:00");
    f.TimeFromOn = false;
    f.TimeToOn = true;
    expectSome(f, "to 02:00");
    // Both bounds inclusive, to the millisecond.
    const TimeOfDay t = TimeFromMs(startMs);
    f.TimeFromOn = f.TimeToOn = true;
    f.TimeFrom = f.TimeTo = EncodeTime(t);
    expectSome(f, "exactly one moment");

    f = {};
    f.OnlySuccessful = true;
    expectSome(f, "only successful");
    f.OutTrunkGroupOn = true;
    f.OutTrunkGroup = 0;
    f.TimeFromOn = true;
    f.TimeFrom = EncodeTime({8, 0, 0, 0});
    expectSome(f, "successful, no outgoing trunk, from 08:00");

    f = {};
    f.ExchangeNumber = "i3963";
    expectSome(f, "one exchange");
    f.ExchangeNumber = "";
    EXPECT_EQ(ExpectSameRows(f, "an empty exchange: every one"), all);
    f.ExchangeNumber = "nobody";
    EXPECT_EQ(ExpectSameRows(f, "an exchange without files"), 0u);
}

// The disk fills up in the middle of the period: the table refuses the same
// rows with the same messages (one per refused file) both ways.
TEST_F(ArchiveLoadEquality, AFullDiskRefusesTheSameRowsBothWays) {
    struct Run {
        LoadOutcome out;
        std::vector<std::string> refusals;
        Cells rows;
    };
    const auto load = [&](bool fromArchive) {
        Run run;
        ScratchDir dir;
        test::FaultyDisk disk;
        Database db(dir.Path());
        LoadSession session(db);
        RecordingFrontEnd fe;
        // Set once the table is open, before the first row.
        fe.onYield = [&] {
            if (disk.Room() < 0) disk.SetRoom(400 * 1024);
        };
        ArchiveLoad archive(shared_->db.Conninfo("reader"));
        LoadRequest r = Request({});
        if (fromArchive)
            r.Archive = &archive;
        else
            r.Period.AmaFolder = shared_->ama.Path().string();
        run.out = session.Run(r, fe);
        for (const std::string& m : fe.messages)
            if (m.starts_with(CallTable::TableFullMessage)) run.refusals.push_back(m);
        run.rows = ReadAmg(dir.Path());
        return run;
    };
    const Run files = load(false);
    const Run archive = load(true);
    EXPECT_EQ(files.out.End, LoadEnd::Refused);
    EXPECT_EQ(archive.out.End, LoadEnd::Refused);
    EXPECT_GT(files.rows.size(), 100u);
    EXPECT_LT(files.rows.size(), ExpectSameRows({}, "no filter") / 2);
    EXPECT_GT(files.refusals.size(), 1u);
    EXPECT_EQ(archive.refusals, files.refusals);
    EXPECT_EQ(archive.out.Loaded, files.out.Loaded);
    EXPECT_TRUE(archive.rows == files.rows);
}

// A load that cannot reach the archive, or may not read it, leaves the call
// table exactly as it was.
class ArchiveLoadRefusals : public ::testing::Test {
  protected:
    void SetUp() override {
        if (PgTestCluster::Dir().empty()) GTEST_SKIP() << "no PostgreSQL cluster (KESTROM_PG_DIR)";
        // More rows than two batches of the copy (one is fetched ahead).
        gen::GeneratorOptions o;
        o.From = {2006, 10, 1};
        o.RecordsPerFile = 5000;
        o.FilesPerDay = 2;
        gen::WriteFiles(o, ama.Path());
        db.emplace();
        PgConnection pg(db->Conninfo("ingest"));
        IngestFolder(pg, ama.Path(), "*", KESTROM_BIN_DIR);
        // Rows of a load from the files, which every refused load must keep.
        LoadRequest r = Request();
        r.Period.AmaFolder = ama.Path().string();
        ASSERT_GT(session.Run(r, fe).Loaded, 0);
        before = ReadAmg(dbDir.Path());
        fe = RecordingFrontEnd();
    }

    LoadRequest Request() const {
        LoadRequest r;
        r.RequireFilter = false;
        r.AutoOpen = false;
        r.Period.Start = At(2006, 10, 1);
        r.Period.End = At(2006, 10, 1, 23, 59);
        return r;
    }

    // Runs a load from the archive and expects it refused with a message
    // that holds the part given, the table untouched.
    void ExpectRefused(const std::string& conninfo, const std::string& part) {
        SCOPED_TRACE(conninfo);
        ArchiveLoad archive(conninfo);
        LoadRequest r = Request();
        r.Archive = &archive;
        const LoadOutcome out = session.Run(r, fe);
        EXPECT_FALSE(out.Ran);
        ASSERT_EQ(fe.messages.size(), 1u);
        EXPECT_NE(fe.messages[0].find(part), std::string::npos) << fe.messages[0];
        EXPECT_EQ(fe.starts, 0);
        EXPECT_EQ(ReadAmg(dbDir.Path()), before);
        EXPECT_EQ(LastLoadEnd(database), LoadEnd::Finished);
        fe = RecordingFrontEnd();
    }

    ScratchDir ama, dbDir;
    std::optional<ScratchDatabase> db;
    Database database{dbDir.Path()};
    LoadSession session{database};
    RecordingFrontEnd fe;
    Cells before;
};

TEST_F(ArchiveLoadRefusals, UnreachableServerWrongPasswordNoArchiveOtherVersion) {
    // Nothing listens on port 1.
    ExpectRefused("host=127.0.0.1 port=1 dbname=kestrom user=kestrom_reader connect_timeout=5",
                  "Сервер архива недоступен");
    ExpectRefused(db->Conninfo("reader") + " password=not-the-password", "отказал во входе");

    // A database without the archive.
    ScratchDatabase empty;
    ExpectRefused(empty.Conninfo("reader"), "На сервере нет архива Kestrom");

    // An archive of another schema version, newer or older.
    PgConnection admin(db->Conninfo("admin"));
    admin.Exec("UPDATE kestrom.schema_version SET version = 7");
    ExpectRefused(db->Conninfo("reader"),
                  "Архив на сервере имеет схему версии 7, а программа работает с "
                  "версией " +
                      std::to_string(ArchiveSchemaVersion) +
                      ". Установите новую версию программы.");
    admin.Exec("UPDATE kestrom.schema_version SET version = -1");
    ExpectRefused(db->Conninfo("reader"), "версии -1");
    admin.Exec("UPDATE kestrom.schema_version SET version = " +
               std::to_string(ArchiveSchemaVersion));

    // A reader without the rights to read: the server's refusal is told.
    admin.Exec("REVOKE USAGE ON SCHEMA kestrom FROM kestrom_reader");
    ExpectRefused(db->Conninfo("reader"), "не разрешает");
}

TEST_F(ArchiveLoadRefusals, CancelAndALostConnectionInTheMiddleOfACopy) {
    // Cancel: the copy stops at the next row and the connection stays usable.
    {
        ArchiveLoad archive(db->Conninfo("reader"));
        LoadRequest r = Request();
        r.Archive = &archive;
        fe.onYield = [&] {
            if (fe.yields == 100) session.Cancel();
        };
        const LoadOutcome out = session.Run(r, fe);
        EXPECT_TRUE(out.Cancelled);
        EXPECT_EQ(out.End, LoadEnd::Cancelled);
        EXPECT_GT(out.Loaded, 10);
        EXPECT_LT(out.Loaded, 100);
        EXPECT_EQ(ReadAmg(dbDir.Path()).size(), static_cast<std::size_t>(out.Loaded));
        EXPECT_EQ(LastLoadEnd(database), LoadEnd::Cancelled);
        EXPECT_TRUE(fe.messages.empty());
        fe = RecordingFrontEnd();
        const LoadOutcome again = session.Run(r, fe);
        EXPECT_EQ(again.End, LoadEnd::Finished);
        EXPECT_EQ(again.Loaded, static_cast<std::int64_t>(before.size()));
        EXPECT_EQ(ReadAmg(dbDir.Path()), before);
    }
    // The server ends the reader's session: the load breaks off with the
    // rows it had, and says why.
    {
        ArchiveLoad archive(db->Conninfo("reader"));
        LoadRequest r = Request();
        r.Archive = &archive;
        fe = RecordingFrontEnd();
        PgConnection admin(db->Conninfo("admin"));
        fe.onYield = [&] {
            if (fe.yields != 50) return;
            admin.Exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                       "WHERE usename = 'kestrom_reader' AND datname = $1",
                       {db->Name()});
        };
        const LoadOutcome out = session.Run(r, fe);
        EXPECT_TRUE(out.Ran);
        EXPECT_EQ(out.End, LoadEnd::BrokeOff);
        EXPECT_GT(out.Loaded, 0);
        EXPECT_LT(out.Loaded, static_cast<std::int64_t>(before.size()));
        ASSERT_EQ(fe.messages.size(), 1u);
        EXPECT_NE(fe.messages[0].find("Связь с сервером архива потеряна"), std::string::npos)
            << fe.messages[0];
        const Cells rows = ReadAmg(dbDir.Path());
        EXPECT_EQ(rows.size(), static_cast<std::size_t>(out.Loaded));
        EXPECT_TRUE(std::equal(rows.begin(), rows.end(), before.begin()));
        EXPECT_EQ(LastLoadEnd(database), LoadEnd::BrokeOff);
    }
}

// kestrom-cli load --server as a user runs it.
TEST_F(ArchiveLoadRefusals, ConsoleLoadsFromTheServer) {
    const fs::path cli = fs::path(KESTROM_BIN_DIR) / "kestrom-cli";
    if (!fs::exists(cli)) GTEST_SKIP() << "kestrom-cli is not built";
    ScratchDir out;
    const auto run = [&](const std::string& source) {
        const std::string command = "'" + cli.string() + "' load " + source +
                                    " --from 2006-10-01 --to 2006-10-01 --all-calls --db-dir '" +
                                    dbDir.Path().string() + "' >'" + (out.Path() / "out").string() +
                                    "' 2>'" + (out.Path() / "err").string() + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("--server '" + db->Conninfo("reader") + "'"), 0) << out.Read("err");
    EXPECT_EQ(out.Read("out"), "Загружено: " + std::to_string(before.size()) + " записей.\n");
    EXPECT_EQ(ReadAmg(dbDir.Path()), before);

    EXPECT_EQ(run("--server 'host=127.0.0.1 port=1 dbname=kestrom'"), 1);
    EXPECT_NE(out.Read("err").find("Сервер архива недоступен"), std::string::npos);
    EXPECT_EQ(ReadAmg(dbDir.Path()), before);

    EXPECT_EQ(
        run("--server '" + db->Conninfo("reader") + "' --ama-dir '" + ama.Path().string() + "'"),
        2);
    EXPECT_NE(out.Read("err").find("укажите что-то одно"), std::string::npos) << out.Read("err");
    EXPECT_EQ(run(""), 2);
    EXPECT_NE(out.Read("err").find("не указан источник"), std::string::npos) << out.Read("err");
}

} // namespace
} // namespace kestrom
