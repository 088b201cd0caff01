// The ingest into the shared archive against a real server: the schema, the
// rows against those of a load into AMG, files unchanged, changed, damaged
// and killed half way, two ingests at once, the reader role, and the
// console command with its failures and its watch.

#include "archive/ArchiveIngest.h"
#include "archive/ArchiveLoad.h"
#include "archive/ArchiveSchema.h"
#include "archive/ContentHash.h"
#include "archive/CopyBinaryWriter.h"

#include "PgTestCluster.h"
#include "ShortLastRecordFile.h"
#include "db/Database.h"
#include "db/Query.h"
#include "load/CallTable.h"
#include "load/DecodeLoop.h"
#include "load/LoadCommand.h"
#include "tests/db/ScratchDir.h"
#include "tests/decode/RecordBytes.h"
#include "tests/load/RecordingFrontEnd.h"
#include "tools/AmaGenerator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ScratchDatabase;
using test::ScratchDir;

const fs::path BinDir = KESTROM_BIN_DIR;
constexpr CivilDate Day{2006, 10, 9};

long long Scalar(PgConnection& pg, const std::string& sql) {
    return pg.Exec(sql).Integer(0, 0);
}

gen::GeneratorOptions Files(int files, std::uint64_t records) {
    gen::GeneratorOptions o;
    o.From = Day;
    o.FilesPerDay = files;
    o.RecordsPerFile = records;
    return o;
}

// Waits up to thirty seconds for the condition.
template <class F> bool Eventually(F condition) {
    for (int i = 0; i < 600; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

// kestrom-cli of the program directory, started with its output into a file.
pid_t StartCli(const std::vector<std::string>& args, const fs::path& output) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<char*> argv;
        const std::string program = (BinDir / "kestrom-cli").string();
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// The exit status of a child, or minus the signal that ended it; a child
// still running after thirty seconds is killed.
int ExitStatus(pid_t pid) {
    int status = 0;
    if (!Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// A port on 127.0.0.1 that nobody listens on.
int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), len);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ArchiveIngest : ::testing::Test {
    void SetUp() override {
        if (test::PgTestCluster::Dir().empty())
            GTEST_SKIP() << "no PostgreSQL cluster (run through tests/archive/with_cluster.sh)";
        db.emplace();
        pg.emplace(db->Conninfo("ingest"));
    }
    IngestReport Ingest(const IngestOptions& options = {}) {
        return IngestFolder(*pg, ama.Path(), "*", BinDir, options);
    }
    // Rows stored per file against the files rows: what a half file breaks.
    void ExpectEveryFileWhole() {
        EXPECT_EQ(0, Scalar(*pg, "SELECT count(*) FROM kestrom.calls c WHERE NOT EXISTS "
                                 "(SELECT 1 FROM kestrom.files f WHERE f.id = c.file_id)"));
        EXPECT_EQ(0, Scalar(*pg, "SELECT count(*) FROM kestrom.files f WHERE rows IS DISTINCT "
                                 "FROM (SELECT count(*) FROM kestrom.calls c "
                                 "WHERE c.file_id = f.id)"));
    }
    std::optional<ScratchDatabase> db;
    std::optional<PgConnection> pg;
    ScratchDir ama;
};

TEST(ArchiveNames, ExchangeAndDayComeFromTheFileName) {
    const auto parsed = [](std::string_view name) {
        const std::optional<AmaFileName> n = ParseAmaFileName(name);
        return n ? n->Exchange + "|" + IsoDate(EncodeDate(n->Day)) : std::string("none");
    };
    EXPECT_EQ("i3962|2006-10-09", parsed("i396220061009_1.ama"));
    EXPECT_EQ("I3962|2006-10-09", parsed("I396220061009.AMA"));
    EXPECT_EQ("|2024-02-29", parsed("20240229_x.ama"));
    EXPECT_EQ("ab12_|2006-10-09", parsed("ab12_20061009.ama"));
    EXPECT_EQ("none", parsed("i396220061309_1.ama")); // month 13
    EXPECT_EQ("none", parsed("notes.ama"));
    EXPECT_EQ("none", parsed("x00000101.ama")); // no year 0
}

TEST(ArchiveHash, IsXxh64AndSeesEveryByte) {
    const auto hash = [](std::string_view s) {
        return ContentHash(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    EXPECT_EQ("xxh64:ef46db3751d8e999", hash(""));
    EXPECT_EQ("xxh64:d24ec4f1a98c6e5b", hash("a"));
    EXPECT_EQ("xxh64:44bc2cf5ad770999", hash("abc"));
    std::string data(1000, 'x');
    const std::string before = hash(data);
    for (std::size_t at : {0u, 31u, 32u, 500u, 996u, 999u}) {
        std::string changed = data;
        changed[at] = 'y';
        EXPECT_NE(before, hash(changed)) << at;
    }
}

TEST_F(ArchiveIngest, SchemaIsCreatedOnceAndANewerOneIsRefused) {
    // Two ingests starting on an empty server.
    std::vector<std::string> errors(2);
    std::vector<std::thread> starts;
    for (int i = 0; i < 2; ++i)
        starts.emplace_back([&, i] {
            try {
                PgConnection own(db->Conninfo("ingest"));
                EnsureArchiveSchema(own, BinDir);
            } catch (const std::exception& e) {
                errors[static_cast<std::size_t>(i)] = e.what();
            }
        });
    for (std::thread& t : starts)
        t.join();
    EXPECT_EQ("", errors[0]);
    EXPECT_EQ("", errors[1]);
    EXPECT_EQ(ArchiveSchemaVersion, ArchiveVersion(*pg));
    EXPECT_EQ(1, Scalar(*pg, "SELECT count(*) FROM kestrom.schema_version"));
    EXPECT_EQ(
        "Неполный номер",
        pg->Exec("SELECT failurestr FROM kestrom.failurestr WHERE \"FailureCod\" = 1").Value(0, 0));
    Database local(BinDir);
    Query q(local);
    q.SetLines({"SELECT count(*) FROM usluga_b"});
    q.Open();
    EXPECT_EQ(q.AsInteger(0), Scalar(*pg, "SELECT count(*) FROM kestrom.usluga_b"));

    PgConnection admin(db->Conninfo("admin"));
    admin.Exec("UPDATE kestrom.schema_version SET version = version + 1");
    try {
        EnsureArchiveSchema(*pg, BinDir);
        FAIL() << "a newer schema was accepted";
    } catch (const ArchiveError& e) {
        EXPECT_NE(std::string(e.what()).find("более новой версией программы"), std::string::npos)
            << e.what();
    }
    EXPECT_THROW(Ingest(), ArchiveError);
}

// Every column of every row as AMG holds it after a load of the same folder
// without a filter, in the same order; "ID" counts the rows of each file.
TEST_F(ArchiveIngest, ArchivedRowsEqualTheRowsOfALoadWithoutFilter) {
    gen::GeneratorOptions o = Files(3, 2500);
    o.Exchanges = {"i3962", "i3970"};
    o.BadChecksumShare = 0.01;
    const gen::GenerationManifest m = gen::WriteFiles(o, ama.Path());
    const IngestReport r = Ingest({.Connections = 2});
    EXPECT_EQ(6, r.Ingested);
    EXPECT_EQ(static_cast<std::int64_t>(m.Total.Sound), r.Rows);

    ScratchDir dbDir;
    for (const char* t : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
        dbDir.CopyFromProgramDir(t);
    Database local(dbDir.Path());
    LoadSession session(local);
    LoadRequest request;
    request.RequireFilter = false;
    request.AutoOpen = false;
    request.Period.AmaFolder = ama.Path().string();
    request.Period.Start = EncodeDate(Day);
    request.Period.End = EncodeDate(Day) + EncodeTime({23, 59, 0, 0});
    test::RecordingFrontEnd fe;
    ASSERT_EQ(r.Rows, session.Run(request, fe).Loaded);

    std::string amgList, pgList;
    for (const CallTableColumn& c : CallTableColumns()) {
        if (std::string_view(c.name) == "ID") continue;
        const std::string q = QuoteIdentifier(c.name);
        amgList += (amgList.empty() ? "" : ", ") + q;
        pgList += (pgList.empty() ? "" : ", ") + (std::string_view(c.type) == "TIME"
                                                      ? "to_char(c." + q + ", 'HH24:MI:SS.MS')"
                                                      : "c." + q + "::text");
    }
    Query amg(local);
    amg.SetLines({"SELECT " + amgList + " FROM AMG ORDER BY ID"});
    amg.Open();
    const PgResult archived =
        pg->Exec("SELECT " + pgList +
                 " FROM kestrom.calls c JOIN kestrom.files f ON f.id = c.file_id "
                 "ORDER BY f.listing_order, f.name, c.\"ID\"");
    ASSERT_EQ(r.Rows, archived.Rows());
    int differences = 0;
    for (int row = 0; row < archived.Rows() && !amg.Eof() && differences < 5; ++row, amg.Next())
        for (int col = 0; col < archived.Columns(); ++col)
            if (amg.IsNull(col) != archived.IsNull(row, col) ||
                amg.AsText(col) != archived.Value(row, col)) {
                ADD_FAILURE() << "row " << row << " column "
                              << CallTableColumns()[static_cast<std::size_t>(col) + 1].name
                              << ": AMG " << amg.AsText(col) << ", archive "
                              << archived.Value(row, col);
                ++differences;
            }
    EXPECT_EQ(0, Scalar(*pg, "SELECT count(*) FROM (SELECT \"ID\", row_number() OVER "
                             "(PARTITION BY file_id ORDER BY \"ID\") AS n FROM kestrom.calls) x "
                             "WHERE \"ID\" <> n"));
    EXPECT_EQ(0, Scalar(*pg, "SELECT count(*) FROM kestrom.calls c JOIN kestrom.files f ON "
                             "f.id = c.file_id WHERE c.day <> f.day OR c.exchange <> f.exchange "
                             "OR f.day <> '2006-10-09' OR f.name NOT LIKE f.exchange || '%'"));
}

TEST_F(ArchiveIngest, UnchangedFilesAreSkippedAndAChangedOneIsReplaced) {
    const gen::GeneratorOptions o = Files(2, 1500);
    const gen::GenerationManifest m = gen::WriteFiles(o, ama.Path());
    const IngestReport first = Ingest();
    EXPECT_EQ(2, first.Ingested);
    const std::string stamps = "SELECT string_agg(id || ':' || ingested_at, ',' ORDER BY id) "
                               "FROM kestrom.files";
    const std::string stamped(pg->Exec(stamps).Value(0, 0));

    const IngestReport again = Ingest();
    EXPECT_EQ(0, again.Ingested + again.Replaced + again.Rows);
    EXPECT_EQ(2, again.Unchanged);
    // The same size and time of change: trusted without reading the file.
    const fs::path second = ama.Path() / m.Files[1].Name;
    const std::string original = ama.Read(m.Files[1].Name);
    const auto mtime = fs::last_write_time(second);
    std::string rewritten = original;
    rewritten[100] = static_cast<char>(rewritten[100] ^ 0x55);
    ama.Write(m.Files[1].Name, rewritten);
    fs::last_write_time(second, mtime);
    EXPECT_EQ(2, Ingest().Unchanged);
    ama.Write(m.Files[1].Name, original);
    fs::last_write_time(second, mtime);
    // Touched, not changed: read and hashed again, nothing stored.
    const fs::path changed = ama.Path() / m.Files[0].Name;
    fs::last_write_time(changed, fs::last_write_time(changed) + 5s);
    const IngestReport touched = Ingest();
    EXPECT_EQ(2, touched.Unchanged);
    EXPECT_EQ(0, touched.Rows);
    EXPECT_EQ(stamped, pg->Exec(stamps).Value(0, 0));
    EXPECT_EQ(first.Rows, Scalar(*pg, "SELECT count(*) FROM kestrom.calls"));

    gen::GeneratorOptions other = Files(1, 700);
    other.KeepRecords = true;
    other.Seed = 99;
    const gen::GeneratedFile g = gen::GenerateFile(other, "i3962", Day, 1);
    ScratchDir tmp;
    tmp.Write("x", std::string_view(reinterpret_cast<const char*>(g.Bytes.data()), g.Bytes.size()));
    fs::rename(tmp.Path() / "x", changed);
    const IngestReport replaced = Ingest();
    EXPECT_EQ(1, replaced.Replaced);
    EXPECT_EQ(1, replaced.Unchanged);
    EXPECT_EQ(static_cast<std::int64_t>(g.Counts.Sound), replaced.Rows);
    const PgResult owners =
        pg->Exec("SELECT c.\"Owner_N\" FROM kestrom.calls c JOIN kestrom.files f ON "
                 "f.id = c.file_id WHERE f.name = $1 ORDER BY c.\"ID\"",
                 {m.Files[0].Name});
    std::vector<std::string> expected, stored;
    for (const gen::RecordTruth& t : g.Records)
        if (t.Fault == gen::RecordFault::None) expected.push_back(t.Owner);
    for (int i = 0; i < owners.Rows(); ++i)
        stored.emplace_back(owners.Value(i, 0));
    EXPECT_EQ(expected, stored);
    EXPECT_EQ(static_cast<long long>(m.Files[1].Counts.Sound + g.Counts.Sound),
              Scalar(*pg, "SELECT count(*) FROM kestrom.calls"));
    EXPECT_EQ(2, Scalar(*pg, "SELECT count(*) FROM kestrom.files"));
    ExpectEveryFileWhole();
}

TEST_F(ArchiveIngest, KilledIngestLeavesNoHalfFile) {
    const gen::GenerationManifest m = gen::WriteFiles(Files(6, 40000), ama.Path());
    EnsureArchiveSchema(*pg, BinDir);
    PgConnection admin(db->Conninfo("admin"));
    ScratchDir out;
    const pid_t child = StartCli({"archive", "--server", db->Conninfo("ingest"), "--ama-dir",
                                  ama.Path().string(), "--jobs", "1"},
                                 out.Path() / "out.txt");
    const std::string copying = "SELECT count(*) FROM pg_stat_progress_copy p JOIN pg_database "
                                "d ON d.oid = p.datid WHERE d.datname = '" +
                                db->Name() + "' AND p.tuples_processed > 1000";
    // Killed during the COPY of a file that is not the first.
    const bool midway = Eventually([&] {
        return Scalar(admin, "SELECT count(*) FROM kestrom.files WHERE rows IS NOT NULL") >= 1 &&
               Scalar(admin, copying) > 0;
    });
    kill(child, SIGKILL);
    EXPECT_EQ(-SIGKILL, ExitStatus(child));
    ASSERT_TRUE(midway) << ReadAll(out.Path() / "out.txt");
    // The killed program's server process ends its transaction and goes.
    const std::string ours = std::to_string(Scalar(*pg, "SELECT pg_backend_pid()"));
    EXPECT_TRUE(Eventually([&] {
        return Scalar(admin, "SELECT count(*) FROM pg_stat_activity WHERE datname = '" +
                                 db->Name() + "' AND usename = 'kestrom_ingest' AND pid <> " +
                                 ours) == 0;
    }));
    const long long filesHeld = Scalar(*pg, "SELECT count(*) FROM kestrom.files");
    EXPECT_GE(filesHeld, 1);
    EXPECT_LT(filesHeld, 6);
    ExpectEveryFileWhole();

    const IngestReport rest = Ingest();
    EXPECT_EQ(6 - filesHeld, rest.Ingested);
    EXPECT_EQ(static_cast<long long>(m.Total.Sound),
              Scalar(*pg, "SELECT count(*) FROM kestrom.calls"));
    ExpectEveryFileWhole();
}

TEST_F(ArchiveIngest, TwoIngestsAtOnceStoreEachFileOnce) {
    const gen::GenerationManifest m = gen::WriteFiles(Files(6, 3000), ama.Path());
    std::vector<IngestReport> reports(2);
    std::vector<std::string> errors(2);
    std::vector<std::thread> ingests;
    for (int i = 0; i < 2; ++i)
        ingests.emplace_back([&, i] {
            try {
                PgConnection own(db->Conninfo("ingest"));
                reports[static_cast<std::size_t>(i)] =
                    IngestFolder(own, ama.Path(), "*", BinDir, {.Connections = 2 - i});
            } catch (const std::exception& e) {
                errors[static_cast<std::size_t>(i)] = e.what();
            }
        });
    for (std::thread& t : ingests)
        t.join();
    EXPECT_EQ("", errors[0]);
    EXPECT_EQ("", errors[1]);
    EXPECT_EQ(6, reports[0].Ingested + reports[1].Ingested);
    EXPECT_EQ(static_cast<std::int64_t>(m.Total.Sound), reports[0].Rows + reports[1].Rows);
    EXPECT_EQ(static_cast<long long>(m.Total.Sound),
              Scalar(*pg, "SELECT count(*) FROM kestrom.calls"));
    ExpectEveryFileWhole();
}

// A window in the middle of reading the archive does not hold up the ingest
// of a new day, and the new day's partition takes nothing from it: it sees
// what its snapshot saw, then the new day.
TEST_F(ArchiveIngest, ANewDayIsAddedWhileAWindowReads) {
    gen::WriteFiles(Files(1, 400), ama.Path());
    Ingest();
    PgConnection window(db->Conninfo("reader"));
    window.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ");
    EXPECT_EQ(400, Scalar(window, "SELECT count(*) FROM kestrom.calls"));

    gen::GeneratorOptions next = Files(2, 300);
    next.From = {2006, 10, 10};
    gen::WriteFiles(next, ama.Path());
    // Waiting for the window would run into the lock timeout and fail.
    PgConnection impatient(db->Conninfo("ingest") + " options='-c lock_timeout=3s'");
    const IngestReport r =
        IngestFolder(impatient, ama.Path(), "*", BinDir, IngestOptions{.Connections = 2});
    EXPECT_EQ(2, r.Ingested);
    EXPECT_EQ(400, Scalar(window, "SELECT count(*) FROM kestrom.calls"));
    window.Exec("COMMIT");
    EXPECT_EQ(1000, Scalar(window, "SELECT count(*) FROM kestrom.calls"));
    EXPECT_EQ(600, Scalar(window, "SELECT count(*) FROM kestrom.calls_20061010"));
}

TEST_F(ArchiveIngest, ReaderRoleMayOnlyRead) {
    gen::WriteFiles(Files(1, 500), ama.Path());
    Ingest();
    PgConnection reader(db->Conninfo("reader"));
    EXPECT_EQ(500, Scalar(reader, "SELECT count(*) FROM kestrom.calls"));
    // A partition made after the grants is readable too.
    EXPECT_EQ(500, Scalar(reader, "SELECT count(*) FROM kestrom.calls_20061009"));
    EXPECT_EQ(1, Scalar(reader, "SELECT count(*) FROM kestrom.files"));
    for (const char* refused :
         {"INSERT INTO kestrom.files (name, exchange, day, listing_order) "
          "VALUES ('x', 'x', '2006-10-09', 1)",
          "DELETE FROM kestrom.calls", "UPDATE kestrom.failurestr SET failurestr = 'x'",
          "CREATE TABLE kestrom.mine (x integer)"}) {
        try {
            reader.Exec(refused);
            ADD_FAILURE() << "the reader may: " << refused;
        } catch (const ArchiveError& e) {
            EXPECT_EQ("42501", e.SqlState()) << refused;
            EXPECT_NE(std::string(e.what()).find("не разрешает"), std::string::npos);
        }
    }
}

TEST_F(ArchiveIngest, DamagedRecordsAreCountedAndProblemFilesNamed) {
    gen::GeneratorOptions o = Files(2, 800);
    o.Damage = true;
    const gen::GenerationManifest m = gen::WriteFiles(o, ama.Path());
    fs::create_directory(ama.Path() / "i396220061009_9.ama");
    std::ofstream(ama.Path() / "readme.ama") << "x";
    const IngestReport r = Ingest();
    EXPECT_EQ(2, r.Ingested);
    EXPECT_EQ(static_cast<std::int64_t>(m.Total.Sound), r.Rows);
    EXPECT_EQ(static_cast<std::int64_t>(m.Total.BadDate + m.Total.CutOff), r.Damaged);
    EXPECT_GT(r.Damaged, 0);
    EXPECT_EQ(static_cast<long long>(m.Total.BadDate + m.Total.CutOff),
              Scalar(*pg, "SELECT sum(damaged) FROM kestrom.files"));
    std::string all;
    for (const std::string& message : r.Messages)
        all += message + "\n";
    EXPECT_EQ(4u, r.Messages.size()) << all;
    for (const gen::GeneratedFile& f : m.Files)
        EXPECT_NE(all.find(f.Name + ": пропущено повреждённых записей: "), std::string::npos);
    EXPECT_NE(all.find("i396220061009_9.ama: не обычный файл, пропущен"), std::string::npos);
    EXPECT_NE(all.find("readme.ama: в имени файла нет даты"), std::string::npos);
}

// An archive of the first version (no mark of a cut last record) is taken
// to the current one in place by the next ingest: nothing it held is lost,
// the files it had are not read again, and files stored from then on carry
// the mark. Until then a window refuses to read it and says why.
TEST_F(ArchiveIngest, AFirstVersionArchiveIsUpgradedInPlaceByTheNextIngest) {
    gen::WriteFiles(Files(2, 500), ama.Path());
    ASSERT_EQ(2, Ingest().Ingested);
    PgConnection admin(db->Conninfo("admin"));
    admin.Exec("ALTER TABLE kestrom.files DROP COLUMN short_last_record");
    admin.Exec("UPDATE kestrom.schema_version SET version = 1");
    const long long rows = Scalar(*pg, "SELECT count(*) FROM kestrom.calls");
    ASSERT_GT(rows, 0);

    ArchiveLoad window(db->Conninfo("reader"));
    EXPECT_NE(window.Connect().find("обновится при следующем пополнении"), std::string::npos);

    const std::int64_t last =
        test::WriteShortLastRecordFile(ama.Path() / "i396220061009_7.ama", 2006, 10, 9);
    const IngestReport r = Ingest();
    EXPECT_EQ(1, r.Ingested);
    EXPECT_EQ(0, r.Replaced);
    EXPECT_EQ(ArchiveSchemaVersion, ArchiveVersion(*pg));
    EXPECT_EQ("", window.Connect());
    EXPECT_EQ(rows + r.Rows, Scalar(*pg, "SELECT count(*) FROM kestrom.calls"));
    ExpectEveryFileWhole();
    EXPECT_EQ(2, Scalar(*pg, "SELECT count(*) FROM kestrom.files WHERE short_last_record IS NULL"));
    EXPECT_EQ(last, Scalar(*pg, "SELECT short_last_record FROM kestrom.files "
                                "WHERE name = 'i396220061009_7.ama'"));
}

// Texts carry whatever bytes a record gives: a COPY never fails on them.
TEST_F(ArchiveIngest, OddTextBytesNeverBreakACopy) {
    EnsureArchiveSchema(*pg, BinDir);
    EnsureDayPartition(*pg, Day);
    std::vector<TCallRecord> records(9);
    // Filler and sign nibbles (a to f) in number A, as the decoder reads them.
    test::Bytes bytes = test::Header(200, 0, 0, 1, 0, 8, test::Hex("1a bc de f9"));
    test::AppendChecksum(bytes);
    test::OwnedBuffer ob(bytes);
    struct Keep : CallRowWriter {
        std::vector<TCallRecord> kept;
        bool AppendCallRow(TCallRecord& r) override {
            kept.push_back(r);
            return true;
        }
    } keep;
    TCallRecord walked;
    const TPreFilter none;
    DecodeContext ctx{ob.buf, walked, none, keep, {}, nullptr};
    ASSERT_EQ(1u, DecodeBuffer(ctx).Stored);
    records[0] = keep.kept.at(0);
    for (int k = 0; k < 8; ++k) {
        std::string text;
        for (int b = 0; b < 32; ++b)
            text += static_cast<char>(k * 32 + b);
        records[static_cast<std::size_t>(k + 1)].Owner_N.assign(text);
        records[static_cast<std::size_t>(k + 1)].OCPN_119.assign(text.substr(0, 31));
    }
    pg->BeginCopy("COPY kestrom.calls (" + ArchiveCallColumnList() +
                  ") FROM STDIN (FORMAT binary)");
    CopyBinaryWriter w([&](std::string_view b) { pg->PutCopyData(b); }, 1, PgDate(EncodeDate(Day)),
                       "i3962");
    for (TCallRecord& r : records)
        w.AppendCallRow(r);
    w.Finish();
    ASSERT_NO_THROW(pg->EndCopy());
    const PgResult back = pg->Exec("SELECT \"Owner_N\", char_length(\"Owner_N\"), "
                                   "char_length(\"119_OCPN\") FROM kestrom.calls ORDER BY \"ID\"");
    ASSERT_EQ(9, back.Rows());
    EXPECT_EQ("1*#9", back.Value(0, 0));
    for (int row = 1; row < 9; ++row) {
        EXPECT_EQ("32", back.Value(row, 1));
        EXPECT_EQ("31", back.Value(row, 2));
    }
    EXPECT_EQ("?", std::string(back.Value(1, 0).substr(0, 1))); // NUL
    EXPECT_EQ(" !\"#", std::string(back.Value(2, 0).substr(0, 4)));
    EXPECT_EQ("АБВГ", std::string(back.Value(7, 0).substr(0, 8)));        // 0xC0...
    EXPECT_TRUE(back.Value(8, 0).starts_with("абв")) << back.Value(8, 0); // 0xE0...
    EXPECT_TRUE(back.Value(8, 0).ends_with("эюя")) << back.Value(8, 0);   // ...0xFF
}

// "service=NAME" finds its service in pg_service.conf of the program
// directory: no password on a command line.
TEST_F(ArchiveIngest, ServiceFileOfTheProgramDirectory) {
    ScratchDir programDir;
    std::string service = "[archive]\n";
    std::istringstream conninfo(db->Conninfo("ingest"));
    for (std::string item; conninfo >> item;)
        service += item + "\n";
    programDir.Write("pg_service.conf", service);
    unsetenv("PGSERVICEFILE");
    UseProgramServiceFile(programDir.Path());
    PgConnection viaService("service=archive");
    unsetenv("PGSERVICEFILE");
    EXPECT_EQ("kestrom_ingest", viaService.Exec("SELECT current_user").Value(0, 0));
    EXPECT_EQ(db->Name(), viaService.Exec("SELECT current_database()").Value(0, 0));
}

struct ArchiveCommand : ArchiveIngest {
    // Runs kestrom-cli archive to its end: its exit status and its output.
    std::pair<int, std::string> Run(std::vector<std::string> args) {
        args.insert(args.begin(), "archive");
        const fs::path output = ama.Path() / "out.txt";
        const int status = ExitStatus(StartCli(args, output));
        return {status, ReadAll(output)};
    }
};

TEST_F(ArchiveCommand, FailuresAreToldApart) {
    gen::WriteFiles(Files(1, 200), ama.Path());
    const std::string dir = ama.Path().string();
    auto [status, out] = Run({"--server", db->Conninfo("ingest"), "--ama-dir", dir});
    EXPECT_EQ(0, status) << out;
    EXPECT_NE(out.find("Принято файлов: 1, заменено: 0, без изменений: 0, записей: 200, "
                       "повреждённых записей: 0."),
              std::string::npos)
        << out;

    const std::string unreachable = "host=127.0.0.1 port=" + std::to_string(FreePort()) +
                                    " dbname=kestrom user=kestrom_ingest connect_timeout=5";
    std::tie(status, out) = Run({"--server", unreachable, "--ama-dir", dir});
    EXPECT_EQ(1, status);
    EXPECT_NE(out.find("Сервер архива недоступен"), std::string::npos) << out;

    std::string wrong = "password=wrong";
    std::istringstream ingest(db->Conninfo("ingest"));
    for (std::string item; ingest >> item;)
        if (!item.starts_with("passfile=")) wrong += " " + item;
    std::tie(status, out) = Run({"--server", wrong, "--ama-dir", dir});
    EXPECT_EQ(1, status);
    EXPECT_NE(out.find("неверное имя пользователя или пароль"), std::string::npos) << out;

    PgConnection admin(db->Conninfo("admin"));
    admin.Exec("UPDATE kestrom.schema_version SET version = version + 1");
    std::tie(status, out) = Run({"--server", db->Conninfo("ingest"), "--ama-dir", dir});
    EXPECT_EQ(1, status);
    EXPECT_NE(out.find("более новой версией программы"), std::string::npos) << out;

    EXPECT_EQ(2, Run({"--ama-dir", dir}).first);
    EXPECT_EQ(2, Run({"--server", db->Conninfo("ingest"), "--ama-dir", dir + "/none"}).first);
}

TEST_F(ArchiveCommand, WatchTakesNewFilesUntilStopped) {
    gen::GeneratorOptions o = Files(2, 300);
    const gen::GeneratedFile second = gen::GenerateFile(o, "i3962", Day, 2);
    o.FilesPerDay = 1;
    gen::WriteFiles(o, ama.Path());
    ScratchDir out;
    const pid_t child = StartCli({"archive", "--server", db->Conninfo("ingest"), "--ama-dir",
                                  ama.Path().string(), "--watch", "--interval", "1"},
                                 out.Path() / "out.txt");
    const auto files = [&] {
        try {
            return Scalar(*pg, "SELECT count(*) FROM kestrom.files");
        } catch (const ArchiveError&) {
            return -1LL; // the schema is not there yet
        }
    };
    EXPECT_TRUE(Eventually([&] { return files() == 1; }));
    ScratchDir tmp;
    tmp.Write("x", std::string_view(reinterpret_cast<const char*>(second.Bytes.data()),
                                    second.Bytes.size()));
    fs::rename(tmp.Path() / "x", ama.Path() / second.Name);
    EXPECT_TRUE(Eventually([&] { return files() == 2; }));
    kill(child, SIGTERM);
    EXPECT_EQ(0, ExitStatus(child));
    const std::string text = ReadAll(out.Path() / "out.txt");
    EXPECT_NE(text.find("Принято файлов: 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Наблюдение за папкой остановлено."), std::string::npos) << text;
    EXPECT_EQ(600, Scalar(*pg, "SELECT count(*) FROM kestrom.calls"));
}

} // namespace
} // namespace kestrom
