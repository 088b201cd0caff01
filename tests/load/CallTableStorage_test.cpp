// The call table under a hostile machine: a full disk, a killed process,
// readers in other processes, a damaged file.

#include "load/CallTable.h"

#include "../db/FaultyDisk.h"
#include "../db/ScratchDir.h"
#include "RecordingFrontEnd.h"
#include "db/Database.h"
#include "db/Query.h"
#include "decode/RecordWalk.h"
#include "load/LoadCommand.h"
#include "tools/AmaGenerator.h"

#include <gtest/gtest.h>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using test::RecordingFrontEnd;
using test::ScratchDir;

struct RecordingSink : MessageSink {
    std::vector<std::string> messages;
    void Information(std::string_view text) override { messages.emplace_back(text); }
};

// The sound call records of one generated file, decoded as a load decodes them.
std::vector<TCallRecord> GeneratedRecords(std::uint64_t count) {
    gen::GeneratorOptions o;
    o.RecordsPerFile = count;
    o.Seed = 7;
    const gen::GeneratedFile file = gen::GenerateFile(o, o.Exchanges.front(), o.From, 1);
    TLoadBuffer b;
    b.Data = file.Bytes.data();
    b.Size = static_cast<std::int64_t>(file.Bytes.size());
    TCallRecord rec;
    std::vector<TCallRecord> records;
    WalkRecords(b, rec, YieldHook{}, nullptr, [&](const TCallRecord& r, RecordDamage d, auto) {
        if (d == RecordDamage::None) records.push_back(r);
        return true;
    });
    return records;
}

std::int64_t Scalar(Database& db, const std::string& sql) {
    Query q(db);
    q.SetLines({sql});
    q.Open();
    return q.AsInteger(0);
}

std::string Integrity(Database& db) {
    db.AttachTable("AMG.db", false);
    Query q(db);
    q.SetLines({"PRAGMA amg.integrity_check"});
    q.Open();
    return q.AsText(0);
}

// Number A of every row in the order of ID, and whether the IDs run 1, 2, 3, ...
std::vector<std::string> OwnersInIdOrder(Database& db, bool& numberedFromOne) {
    Query q(db);
    q.SetLines({"SELECT ID, Owner_N FROM AMG ORDER BY ID"});
    q.Open();
    std::vector<std::string> owners;
    numberedFromOne = true;
    for (; !q.Eof(); q.Next()) {
        owners.push_back(q.AsText(1));
        numberedFromOne =
            numberedFromOne && q.AsInteger(0) == static_cast<std::int64_t>(owners.size());
    }
    return owners;
}

std::vector<std::string> OwnersOf(const std::vector<TCallRecord>& records, std::size_t n) {
    std::vector<std::string> owners;
    for (std::size_t i = 0; i < n; ++i)
        owners.emplace_back(records[i].Owner_N.view());
    return owners;
}

// A whole load of the first n records through the call table.
LoadEnd LoadRows(Database& db, MessageSink& sink, std::vector<TCallRecord> records, std::size_t n) {
    EmptyCallTable(db);
    CallTable table(db, sink);
    table.OpenCallTable();
    for (std::size_t i = 0; i < n; ++i)
        if (!table.AppendCallRow(records[i])) ADD_FAILURE() << "row " << i << " refused";
    return table.CloseCallTable();
}

// kestrom-cli query on the directory: its exit status and what it wrote to
// stderr; nothing when the program has not been built.
struct CliRun {
    int status = -1;
    std::string errors;
};
std::optional<CliRun> CliQuery(const ScratchDir& dir) {
    const fs::path cli = fs::path(KESTROM_BIN_DIR) / "kestrom-cli";
    if (!fs::exists(cli)) return std::nullopt;
    const std::string command = "'" + cli.string() + "' query --db-dir '" + dir.Path().string() +
                                "' --out '" + (dir.Path() / "result.csv").string() + "' 2> '" +
                                (dir.Path() / "stderr.txt").string() + "'";
    const int status = std::system(command.c_str());
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Read("stderr.txt")};
}

void CopyLookupTables(const ScratchDir& dir) {
    for (const char* lookup : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
        dir.CopyFromProgramDir(lookup);
}

// The disk fills up in the middle of a load: rows are refused with the
// size-limit message, the file stays sound and holds exactly the rows the
// last message counts, and the next load works.
TEST(CallTableStorage, AFullDiskRefusesRowsAndLeavesASoundTable) {
    ScratchDir dir;
    const std::vector<TCallRecord> records = GeneratedRecords(6000);
    ASSERT_GE(records.size(), 5000u);
    RecordingSink sink;
    std::int32_t held = 0;
    {
        test::FaultyDisk disk;
        Database db(dir.Path());
        EmptyCallTable(db);
        CallTable table(db, sink);
        table.OpenCallTable();
        std::vector<TCallRecord> work = records;
        std::size_t i = 0;
        for (; i < 2500; ++i)
            ASSERT_TRUE(table.AppendCallRow(work[i])) << i;
        disk.SetRoom(150 * 1024); // less than the next commit of rows needs
        int refused = 0;
        for (; i < work.size() && refused < 3; ++i)
            refused += table.AppendCallRow(work[i]) ? 0 : 1;
        ASSERT_EQ(refused, 3);
        EXPECT_EQ(table.CloseCallTable(), LoadEnd::Refused);
        held = table.RowCounter() - 1;
        EXPECT_GT(disk.Refusals(), 0);
    }
    ASSERT_FALSE(sink.messages.empty());
    for (const std::string& m : sink.messages)
        EXPECT_TRUE(m.starts_with(CallTable::TableFullMessage)) << m;
    EXPECT_EQ(sink.messages.back(),
              std::string(CallTable::TableFullMessage) + std::to_string(held));
    // The rows of the commits before the disk filled, and of the rows after
    // them what still fitted.
    EXPECT_GT(held, 2048);

    Database db(dir.Path());
    EXPECT_EQ(Integrity(db), "ok");
    bool numbered = false;
    EXPECT_EQ(OwnersInIdOrder(db, numbered), OwnersOf(records, static_cast<std::size_t>(held)));
    EXPECT_TRUE(numbered);
    EXPECT_EQ(LastLoadEnd(db), LoadEnd::Refused);

    RecordingSink next;
    EXPECT_EQ(LoadRows(db, next, records, 100), LoadEnd::Finished);
    EXPECT_TRUE(next.messages.empty());
    EXPECT_EQ(Scalar(db, "SELECT count(*) FROM AMG"), 100);
    EXPECT_EQ(Integrity(db), "ok");
}

// A forked process, killed and reaped when a failed assertion leaves the
// test early.
struct Child {
    pid_t pid = -1;
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    int Wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
};

// Loads until killed: the child of the kill tests. It says when it is
// ready to load, so that a kill after a delay falls within its loads; with
// killAtWrite it dies just before that write of its disk.
[[noreturn]] void LoadForever(const fs::path& dir, std::vector<TCallRecord> records, int ready,
                              std::int64_t killAtWrite) {
    try {
        test::FaultyDisk disk;
        disk.KillAtWrite(killAtWrite);
        Database db(dir);
        RecordingSink sink;
        if (write(ready, "r", 1) != 1) _exit(4);
        for (;;) {
            EmptyCallTable(db);
            CallTable table(db, sink);
            table.OpenCallTable();
            for (TCallRecord& r : records)
                table.AppendCallRow(r);
            table.CloseCallTable();
        }
    } catch (...) {
        _exit(3);
    }
}

// A process killed at any moment of a load (emptying, appending, committing,
// closing) leaves a file that passes the integrity check, opens and takes
// the next load; a table left with part of a load reads as broken off. The
// kills come after a random delay, and at a random write of the file.
class KilledLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        records = GeneratedRecords(2500);
        test::FaultyDisk disk;
        Database db(dir.Path());
        RecordingSink sink;
        ASSERT_EQ(LoadRows(db, sink, records, records.size()), LoadEnd::Finished);
        // The writes of a load that empties a full table first.
        const std::int64_t before = disk.Writes();
        ASSERT_EQ(LoadRows(db, sink, records, records.size()), LoadEnd::Finished);
        writesPerLoad = disk.Writes() - before;
        ASSERT_EQ(pipe(ready), 0);
    }
    void TearDown() override {
        close(ready[0]);
        close(ready[1]);
    }

    // Kills a loading child after delayUs, or at its write killAtWrite.
    void KillOnce(int k, std::int64_t delayUs, std::int64_t killAtWrite) {
        Child child{fork()};
        ASSERT_GE(child.pid, 0);
        if (child.pid == 0) LoadForever(dir.Path(), records, ready[1], killAtWrite);
        char c = 0;
        const bool started = read(ready[0], &c, 1) == 1;
        if (delayUs > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            kill(child.pid, SIGKILL);
        }
        const int status = child.Wait();
        ASSERT_TRUE(started && WIFSIGNALED(status)) << "the loading child failed: " << status;

        Database db(dir.Path());
        ASSERT_EQ(Integrity(db), "ok") << "after kill " << k;
        const std::int64_t rows = Scalar(db, "SELECT count(*) FROM AMG");
        if (rows != static_cast<std::int64_t>(records.size())) {
            ++partial;
            ASSERT_EQ(LastLoadEnd(db), LoadEnd::BrokeOff) << "after kill " << k << ": " << rows;
        }
        if (k % 10 == 0) {
            RecordingSink sink;
            ASSERT_EQ(LoadRows(db, sink, records, records.size()), LoadEnd::Finished)
                << "after kill " << k;
            ASSERT_EQ(Scalar(db, "SELECT count(*) FROM AMG"),
                      static_cast<std::int64_t>(records.size()));
        }
    }

    ScratchDir dir;
    std::vector<TCallRecord> records;
    std::int64_t writesPerLoad = 0;
    int ready[2] = {-1, -1};
    int partial = 0;
    std::mt19937 rng{20240611};
};

TEST_F(KilledLoad, AfterARandomDelayNeverDamagesTheFileNorPassesForComplete) {
    constexpr int Kills = 200;
    for (int k = 0; k < Kills && !HasFatalFailure(); ++k)
        KillOnce(k, 1 + static_cast<std::int64_t>(rng() % 25000), 0); // about two loads long
    EXPECT_GT(partial, Kills / 4); // the kills did hit loads in their middle
}

TEST_F(KilledLoad, AtARandomWriteNeverDamagesTheFileNorPassesForComplete) {
    ASSERT_GT(writesPerLoad, 10);
    constexpr int Kills = 200;
    for (int k = 0; k < Kills && !HasFatalFailure(); ++k)
        KillOnce(
            k, 0,
            1 + static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(2 * writesPerLoad)));
    EXPECT_GT(partial, Kills / 4);
}

// Readers of the table, another connection and another process, each
// holding a read transaction open: the load neither waits for them nor is
// refused, and they go on reading the rows committed when they began.
TEST(CallTableStorage, ReadersNeitherStopALoadNorSeeItHalfDone) {
    ScratchDir dir;
    const std::vector<TCallRecord> records = GeneratedRecords(6000);
    ASSERT_GE(records.size(), 5000u);
    {
        Database first(dir.Path());
        RecordingSink sink;
        ASSERT_EQ(LoadRows(first, sink, records, 3000), LoadEnd::Finished);
    }

    // The other process reads one row, reports the count it sees, waits
    // for the load to end and reads to the end.
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    Child child{fork()};
    ASSERT_GE(child.pid, 0);
    if (child.pid == 0) {
        int code = 1;
        try {
            Database db(dir.Path());
            Query q(db);
            q.SetLines({"SELECT ID FROM AMG ORDER BY ID"});
            q.Open();
            char go = 0;
            if (write(toParent[1], "r", 1) == 1 && read(toChild[0], &go, 1) == 1) {
                std::int64_t n = 0;
                for (; !q.Eof(); q.Next())
                    ++n;
                code = n == 3000 ? 0 : 2;
            }
        } catch (...) {
            code = 3;
        }
        _exit(code);
    }
    char ready = 0;
    ASSERT_EQ(read(toParent[0], &ready, 1), 1);

    Database readerDb(dir.Path());
    Query reader(readerDb);
    reader.SetLines({"SELECT ID, Owner_N FROM AMG ORDER BY ID"});
    reader.Open();

    Database db(dir.Path());
    RecordingSink sink;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(LoadRows(db, sink, records, 5000), LoadEnd::Finished);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
    EXPECT_LT(seconds, Database::DefaultBusyTimeoutMs / 1000.0) << "the load waited for readers";

    // The readers still see the table of the load before.
    std::int64_t seen = 0;
    for (; !reader.Eof(); reader.Next())
        ++seen;
    EXPECT_EQ(seen, 3000);
    ASSERT_EQ(write(toChild[1], "g", 1), 1);
    const int status = child.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        close(fd);

    reader.Close();
    EXPECT_EQ(Scalar(readerDb, "SELECT count(*) FROM AMG"), 5000);
    EXPECT_EQ(Integrity(readerDb), "ok");
}

// Another writer holding the table's lock past the wait: the row is refused
// with that cause, not as a full table, and the rows before it stay.
TEST(CallTableStorage, ALockHeldByAnotherWriterIsReportedAsSuch) {
    ScratchDir dir;
    std::vector<TCallRecord> records = GeneratedRecords(3000);
    Database db(dir.Path());
    db.SetBusyTimeout(50);
    RecordingSink sink;
    EmptyCallTable(db);
    CallTable table(db, sink);
    table.OpenCallTable();
    const auto interval = static_cast<std::size_t>(Table::CommitInterval);
    for (std::size_t i = 0; i < interval; ++i)
        ASSERT_TRUE(table.AppendCallRow(records[i]));

    Database other(dir.Path());
    other.SetBusyTimeout(50);
    ASSERT_EQ(Scalar(other, "SELECT count(*) FROM AMG"), static_cast<std::int64_t>(interval));
    other.Execute("BEGIN IMMEDIATE", "test");
    EXPECT_FALSE(table.AppendCallRow(records[interval]));
    other.Execute("ROLLBACK", "test");
    for (std::size_t i = interval; i < interval + 10; ++i)
        ASSERT_TRUE(table.AppendCallRow(records[i]));
    EXPECT_EQ(table.CloseCallTable(), LoadEnd::BrokeOff);

    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "Ошибка! Строка не записана в таблицу: таблица занята другой "
                                "программой, которая пишет в неё! Записей : " +
                                    std::to_string(interval));
    EXPECT_EQ(Scalar(other, "SELECT count(*) FROM AMG"), static_cast<std::int64_t>(interval + 10));
    EXPECT_EQ(Scalar(other, "SELECT max(ID) FROM AMG"), static_cast<std::int64_t>(interval + 10));
    EXPECT_EQ(LastLoadEnd(other), LoadEnd::BrokeOff);
}

// A load through the load command records how it ended; the result, opened
// after a load that broke off, is told so.
struct LoadEndFixture : ::testing::Test {
    LoadEndFixture() {
        gen::GeneratorOptions o;
        o.Days = 2;
        o.FilesPerDay = 2;
        o.RecordsPerFile = 1500;
        gen::WriteFiles(o, amaDir.Path());
        request.RequireFilter = false;
        request.Filter.OnlySuccessful = false;
        request.AutoOpen = false;
        request.Period.AmaFolder = amaDir.Path().string();
        request.Period.Start = EncodeDate(o.From);
        request.Period.End = EncodeDate(o.From) + 1 + EncodeTime({23, 59, 0, 0});
        CopyLookupTables(dbDir);
    }

    // The end recorded in the table, read by a connection of its own.
    std::optional<LoadEnd> Recorded() {
        Database db(dbDir.Path());
        return LastLoadEnd(db);
    }

    ScratchDir amaDir;
    ScratchDir dbDir;
    LoadRequest request;
    RecordingFrontEnd fe;
};

struct PowerCut {}; // not a std::exception: nothing on the way catches it

TEST_F(LoadEndFixture, EachWayALoadEndsIsRecordedAndABrokenOneIsToldAtTheQuery) {
    std::optional<Database> db(std::in_place, dbDir.Path());
    LoadSession session(*db);
    EXPECT_EQ(LastLoadEnd(*db), std::nullopt); // no table yet

    LoadOutcome out = session.Run(request, fe);
    ASSERT_TRUE(out.Ran);
    EXPECT_EQ(out.End, LoadEnd::Finished);
    EXPECT_EQ(LastLoadEnd(*db), LoadEnd::Finished);
    const std::int64_t all = out.Loaded;
    if (const auto cli = CliQuery(dbDir)) {
        EXPECT_EQ(cli->status, 0) << cli->errors;
        EXPECT_EQ(cli->errors.find(IncompleteLoadMessage), std::string::npos) << cli->errors;
    }

    std::uint64_t yields = 0;
    fe.onYield = [&] {
        if (++yields == 3000) session.Cancel();
    };
    out = session.Run(request, fe);
    EXPECT_TRUE(out.Cancelled);
    EXPECT_EQ(out.End, LoadEnd::Cancelled);
    EXPECT_EQ(LastLoadEnd(*db), LoadEnd::Cancelled);
    EXPECT_LT(out.Loaded, all);

    yields = 0;
    fe.onYield = [&] {
        if (++yields == 3000)
            db->Execute("PRAGMA amg.max_page_count = " +
                            std::to_string(Scalar(*db, "PRAGMA amg.page_count")),
                        "test");
    };
    fe.messages.clear();
    out = session.Run(request, fe);
    EXPECT_EQ(out.End, LoadEnd::Refused);
    EXPECT_EQ(LastLoadEnd(*db), LoadEnd::Refused);
    ASSERT_FALSE(fe.messages.empty());
    for (const std::string& m : fe.messages)
        EXPECT_TRUE(m.starts_with(CallTable::TableFullMessage)) << m;
    EXPECT_EQ(fe.messages.back(),
              std::string(CallTable::TableFullMessage) + std::to_string(out.Loaded));
    db->Execute("PRAGMA amg.max_page_count = 1073741823", "test");

    yields = 0;
    fe.onYield = [&] {
        if (++yields == 3000) throw PowerCut{};
    };
    EXPECT_THROW(session.Run(request, fe), PowerCut);
    fe.onYield = nullptr;
    db.reset();
    EXPECT_EQ(Recorded(), LoadEnd::BrokeOff);
    {
        Database after(dbDir.Path());
        const std::int64_t kept = Scalar(after, "SELECT count(*) FROM AMG");
        EXPECT_GT(kept, 0);
        EXPECT_LT(kept, all);
    }
    if (const auto cli = CliQuery(dbDir)) {
        EXPECT_EQ(cli->status, 0) << cli->errors;
        EXPECT_EQ(cli->errors, std::string(IncompleteLoadMessage) + "\n");
    } else {
        GTEST_SKIP() << "kestrom-cli is not built: its message after a broken load is not checked";
    }
}

// A file that is no database, or one whose pages are damaged, does not
// block the program: the query says what is wrong, and the next load moves
// the file aside (an older copy replaced), says so once and loads into a
// new table.
TEST_F(LoadEndFixture, ADamagedTableFileIsMovedAsideAndMadeAnew) {
    {
        Database db(dbDir.Path());
        LoadSession session(db);
        ASSERT_TRUE(session.Run(request, fe).Ran);
    }
    const std::string table = (dbDir.Path() / "AMG.db").string();
    std::string damagedPages = dbDir.Read("AMG.db");
    ASSERT_GT(damagedPages.size(), 40000u);
    for (std::size_t at = 4096; at < 3 * 4096; ++at) // the pages after the header page
        damagedPages[at] = static_cast<char>(at * 7);
    const std::string garbage(8192, 'G');

    for (const bool noDatabase : {true, false}) {
        const std::string& bytes = noDatabase ? garbage : damagedPages;
        const std::string reason =
            noDatabase ? "файл не является базой данных" : "нарушена структура файла";
        dbDir.Write("AMG.db", bytes);
        {
            Database db(dbDir.Path());
            EXPECT_EQ(CallTableDamage(db), "Таблица вызовов повреждена (" + reason + "): " + table +
                                               ". Её нельзя прочитать; следующая загрузка "
                                               "создаст таблицу заново.");
        }
        if (const auto cli = CliQuery(dbDir)) {
            EXPECT_EQ(cli->status, 1);
            EXPECT_NE(cli->errors.find("Таблица вызовов повреждена (" + reason + ")"),
                      std::string::npos)
                << cli->errors;
        }

        dbDir.Write("AMG.db.damaged", "an older damaged copy");
        fe.messages.clear();
        Database db(dbDir.Path());
        LoadSession session(db);
        const LoadOutcome out = session.Run(request, fe);
        ASSERT_TRUE(out.Ran);
        EXPECT_TRUE(out.TableRecreated);
        EXPECT_EQ(fe.messages,
                  (std::vector<std::string>{"Файл таблицы " + table + " был повреждён (" + reason +
                                            "). Он переименован в AMG.db.damaged, таблица создана "
                                            "заново."}));
        EXPECT_TRUE(dbDir.Read("AMG.db.damaged") == bytes)
            << "the damaged copy is not the file moved aside";
        EXPECT_GT(out.Loaded, 0);
        EXPECT_EQ(Scalar(db, "SELECT count(*) FROM AMG"), out.Loaded);
        EXPECT_EQ(CallTableDamage(db), "");
        EXPECT_EQ(LastLoadEnd(db), LoadEnd::Finished);
    }
}

// Other windows that had the damaged file open while one window's load
// recreated it: the log their open file keeps goes aside with it, a load
// of theirs empties the new table instead of taking it for the damaged
// one, and their next look at the table reads the new one.
TEST_F(LoadEndFixture, WindowsThatHeldTheDamagedFileMoveOnToTheNewOne) {
    {
        Database db(dbDir.Path());
        LoadSession session(db);
        ASSERT_TRUE(session.Run(request, fe).Ran);
    }
    std::string bytes = dbDir.Read("AMG.db");
    for (std::size_t at = 4096; at < 3 * 4096; ++at)
        bytes[at] = static_cast<char>(at * 7);
    dbDir.Write("AMG.db", bytes);
    dbDir.Write("AMG.db-wal", "a log left behind");
    Database reader(dbDir.Path());
    Database loader(dbDir.Path());
    reader.AttachTable("AMG.db", false);
    loader.AttachTable("AMG.db", false);

    Database db(dbDir.Path());
    LoadSession session(db);
    const LoadOutcome first = session.Run(request, fe);
    ASSERT_TRUE(first.TableRecreated);
    EXPECT_TRUE(dbDir.Read("AMG.db.damaged") == bytes)
        << "the damaged copy is not the file moved aside";
    EXPECT_EQ(dbDir.Read("AMG.db.damaged-wal"), "a log left behind");

    fe.messages.clear();
    LoadSession other(loader);
    const LoadOutcome second = other.Run(request, fe);
    ASSERT_TRUE(second.Ran);
    EXPECT_FALSE(second.TableRecreated);
    EXPECT_TRUE(fe.messages.empty()) << fe.messages.front();
    EXPECT_TRUE(dbDir.Read("AMG.db.damaged") == bytes)
        << "the damaged copy is not the file moved aside";
    EXPECT_EQ(second.Loaded, first.Loaded);

    EXPECT_EQ(CallTableDamage(reader), "");
    EXPECT_EQ(Scalar(reader, "SELECT count(*) FROM AMG"), second.Loaded);
    EXPECT_EQ(LastLoadEnd(reader), LoadEnd::Finished);
}

} // namespace
} // namespace kestrom
