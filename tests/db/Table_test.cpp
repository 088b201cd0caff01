#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Table.h"
#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <string>

namespace kestrom {
namespace {

using test::ScratchDir;

std::int64_t Scalar(Database& db, const std::string& sql) {
    Query q(db);
    q.SetLines({sql});
    q.Open();
    return q.AsInteger(0);
}

void ExpectErrorMentions(const std::function<void()>& action,
                         std::initializer_list<std::string_view> parts) {
    try {
        action();
        ADD_FAILURE() << "no DbError raised";
    } catch (const DbError& e) {
        for (std::string_view part : parts)
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
                << "'" << e.what() << "' lacks '" << part << "'";
    }
}

TEST(Table, EmptyRemovesAllRowsGivesTheSpaceBackAndIsRefusedWhileOpen) {
    ScratchDir dir;
    Database db(dir.Path());
    Table t(db, "Big.db");
    t.CreateIfMissing("id INTEGER PRIMARY KEY, s TEXT");
    t.Open();
    const std::string text(200, 'x');
    for (int i = 1; i <= 3000; ++i) {
        t.Append();
        t.SetInt(0, i);
        t.SetText(1, text);
        t.Post();
    }
    ExpectErrorMentions([&] { t.Empty(); }, {"Empty table", "Big.db", "open"});
    t.Close();
    const auto fullSize = std::filesystem::file_size(dir.Path() / "Big.db");
    EXPECT_EQ(Scalar(db, "SELECT count(*) FROM big"), 3000);

    t.Empty();
    EXPECT_EQ(Scalar(db, "SELECT count(*) FROM big"), 0);
    EXPECT_LT(std::filesystem::file_size(dir.Path() / "Big.db"), fullSize / 10);

    // An open query does not stop the emptying.
    Query reader(db);
    reader.SetLines({"SELECT 1"});
    reader.Open();
    t.Open();
    t.Append();
    t.SetInt(0, 1);
    t.Post();
    t.Close();
    t.Empty();
    EXPECT_EQ(Scalar(db, "SELECT count(*) FROM big"), 0);
}

TEST(Table, FileAndTableNamesIgnoreLetterCase) {
    ScratchDir dir;
    {
        Database db(dir.Path());
        Table created(db, "AMG.db");
        created.CreateIfMissing("ID INTEGER PRIMARY KEY, x TEXT");
    }
    Database db(dir.Path());
    Table t(db, "Amg.db");
    t.SetIndexOrder("id");
    t.Open();
    t.Append();
    t.SetInt(0, 1);
    t.SetText(1, "one");
    t.Post();
    t.Close();
    Table again(db, "amg.DB");
    again.CreateIfMissing("other INTEGER"); // exists already: untouched
    again.Open();
    EXPECT_EQ(again.FieldCount(), 2);
    again.Close();

    EXPECT_EQ(Scalar(db, "SELECT count(*) FROM AMG Amg WHERE amg.X = 'one'"), 1);
    EXPECT_EQ(Scalar(db, "SELECT count(*) FROM amg"), 1);
    // One table file (beside it, while it is attached, only its log).
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = e.path().filename().string();
        if (name == "AMG.db-wal" || name == "AMG.db-shm") continue;
        ++files;
        EXPECT_EQ(name, "AMG.db");
    }
    EXPECT_EQ(files, 1u);
}

TEST(Table, ARefusedRowKeepsEveryRowPostedBefore) {
    ScratchDir dir;
    int stored = 0;
    {
        Database db(dir.Path());
        Table t(db, "Full.db");
        t.CreateIfMissing("id INTEGER PRIMARY KEY, s TEXT");
        t.Open();
        // Room for more than one commit interval of rows, not for a third.
        db.Execute("PRAGMA full.max_page_count = 60", "test");
        const std::string text(120, 'y');
        int refusals = 0;
        for (int i = 1; i <= 3000 && refusals < 3; ++i) {
            try {
                t.Append();
                t.SetInt(0, stored + 1);
                t.SetText(1, text);
                t.Post();
                ++stored;
            } catch (const DbError& e) {
                EXPECT_EQ(e.Code(), SQLITE_FULL);
                EXPECT_NE(std::string(e.what()).find("Post row: Full.db: database or disk is full"),
                          std::string::npos)
                    << e.what();
                ++refusals;
            }
        }
        ASSERT_EQ(refusals, 3);
        ASSERT_GT(stored, static_cast<int>(Table::CommitInterval));
        ASSERT_NE(stored % static_cast<int>(Table::CommitInterval), 0);
        t.Close();
    }
    Database db(dir.Path());
    EXPECT_EQ(Scalar(db, "SELECT count(*) FROM full"), stored);
    EXPECT_EQ(Scalar(db, "SELECT max(id) FROM full"), stored);
    Query check(db);
    check.SetLines({"PRAGMA full.integrity_check"});
    check.Open();
    EXPECT_EQ(check.AsText(0), "ok");
}

TEST(Table, ErrorsNameTheirCause) {
    ScratchDir dir;
    Database db(dir.Path());
    ExpectErrorMentions([&] { Table(db, "Missing.db").Open(); }, {"Missing.db", "no such file"});

    Table t(db, "T.db");
    t.CreateIfMissing("a INTEGER, b TEXT");
    t.SetIndexOrder("ID");
    ExpectErrorMentions([&] { t.Open(); }, {"Open table: T.db", "no field ID"});
    t.SetIndexOrder("b");
    ExpectErrorMentions([&] { t.Open(); }, {"Open table: T.db", "no index on b"});
    t.EnsureIndex("b");
    t.Open();
    ExpectErrorMentions([&] { t.Post(); }, {"Post row: T.db", "no row started"});
    t.Append();
    ExpectErrorMentions([&] { t.SetInt(2, 1); }, {"Set field 2: T.db", "2 fields"});
    t.Close();
    ExpectErrorMentions([&] { t.Append(); }, {"Append row: T.db", "not open"});

    dir.Write("Junk.db", std::string(4096, 'j'));
    ExpectErrorMentions([&] { Table(db, "junk.db").Open(); },
                        {"Junk.db", "file is not a database"});
}

} // namespace
} // namespace kestrom
