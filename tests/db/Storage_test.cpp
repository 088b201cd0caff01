#include "db/Database.h"
#include "db/Query.h"
#include "db/Table.h"
#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kestrom {
namespace {

using test::ScratchDir;

std::string Text(Database& db, const std::string& sql) {
    Query q(db);
    q.SetLines({sql});
    q.Open();
    return q.AsText(0);
}

void WriteOneRow(Table& t) {
    t.Open();
    t.Append();
    t.SetInt(0, 1);
    t.Post();
    t.Close();
}

// A table that is written takes the storage settings; a table that is only
// read (the lookup tables) keeps its own file as it is, so a program
// directory that holds them read-only still works.
TEST(Storage, WrittenTablesTakeTheSettingsAndReadOnesKeepTheirOwn) {
    ScratchDir dir;
    {
        Database db(dir.Path());
        db.SetStorage({JournalMode::Delete, SyncMode::Normal});
        Table lookup(db, "Lookup.db");
        lookup.CreateIfMissing("id INTEGER PRIMARY KEY");
        WriteOneRow(lookup);
    }
    Database db(dir.Path());
    EXPECT_EQ(db.Storage().journal, JournalMode::Wal);
    EXPECT_EQ(db.Storage().sync, SyncMode::Off);
    Table amg(db, "AMG.db");
    amg.CreateIfMissing("id INTEGER PRIMARY KEY");
    WriteOneRow(amg);
    EXPECT_EQ(Text(db, "SELECT count(*) FROM lookup"), "1");

    EXPECT_EQ(Text(db, "PRAGMA amg.journal_mode"), "wal");
    EXPECT_EQ(Text(db, "PRAGMA amg.synchronous"), "0");
    EXPECT_EQ(Text(db, "PRAGMA lookup.journal_mode"), "delete");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Lookup.db-wal"));

    // Settings changed later apply to the next write.
    db.SetStorage({JournalMode::Truncate, SyncMode::Normal});
    amg.Empty();
    EXPECT_EQ(Text(db, "PRAGMA amg.journal_mode"), "truncate");
    EXPECT_EQ(Text(db, "PRAGMA amg.synchronous"), "1");
}

} // namespace
} // namespace kestrom
