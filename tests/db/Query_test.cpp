#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Table.h"
#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrom {
namespace {

using test::ScratchDir;

// A small table "Calls" with an id, a call number, a duration and a text.
void MakeCalls(Database& db, const std::vector<std::tuple<int, int, double, const char*>>& rows) {
    Table t(db, "Calls.db");
    t.CreateIfMissing("id INTEGER PRIMARY KEY, call INTEGER, dur REAL, who VARCHAR(20)");
    t.Open();
    for (const auto& [id, call, dur, who] : rows) {
        t.Append();
        t.SetInt(0, id);
        t.SetInt(1, call);
        t.SetReal(2, dur);
        if (who) t.SetText(3, who);
        t.Post();
    }
    t.Close();
}

std::vector<std::string> Column(Query& q, std::string_view name) {
    std::vector<std::string> values;
    for (q.First(); !q.Eof(); q.Next())
        values.push_back(q.AsText(name));
    return values;
}

TEST(Query, LinesAreJoinedWithCrLfAndSavedByteForByte) {
    ScratchDir dir;
    Database db(dir.Path());
    Query q(db);
    q.SetLines({"SELECT 'a", "b' AS Поле, 1 AS ОрНомер_A"});
    EXPECT_EQ(q.Text(), "SELECT 'a\r\nb' AS Поле, 1 AS ОрНомер_A");
    q.Open();
    EXPECT_EQ(q.AsText("Поле"), "a\r\nb");
    EXPECT_EQ(q.Columns()[1].name, "ОрНомер_A");

    q.SaveToFile("Saved.sql");
    EXPECT_EQ(dir.Read("Saved.sql"), "SELECT 'a\r\nb' AS \xCF\xEE\xEB\xE5, 1 AS "
                                     "\xCE\xF0\xCD\xEE\xEC\xE5\xF0_A\r\n");

    // Saving again overwrites, with the same bytes for the same text.
    q.SetLines({"SELECT 1", ""});
    q.SaveToFile("Saved.sql");
    EXPECT_EQ(dir.Read("Saved.sql"), "SELECT 1\r\n\r\n");
}

TEST(Query, ASavedQueryFileIsATableOfItsOwnName) {
    ScratchDir dir;
    Database db(dir.Path());
    MakeCalls(db, {{1, 10, 500, "a"}, {2, 10, 900, "b"}, {3, 20, 300, "c"}, {4, 20, 100, "d"}});

    Query saved(db);
    saved.SetLines({"SELECT Calls.call", ", MAX(Calls.dur) as Longest", "FROM CALLS Calls",
                    "GROUP BY Calls.call"});
    saved.SaveToFile("longest.sql");

    Query q(db);
    q.SetLines({"SELECT c.who as Кто FROM calls c, \"longest.sql\" l",
                "WHERE c.call = l.call AND c.dur = l.Longest", "ORDER BY 1"});
    q.Open();
    EXPECT_EQ(Column(q, "Кто"), (std::vector<std::string>{"b", "c"}));

    // The file is read at every opening; its name is found whatever its case.
    std::filesystem::remove(dir.Path() / "longest.sql");
    saved.Lines()[1] = ", MIN(Calls.dur) as Longest";
    saved.SaveToFile("LONGEST.SQL");
    q.Open();
    EXPECT_EQ(Column(q, "Кто"), (std::vector<std::string>{"a", "d"}));

    std::filesystem::remove(dir.Path() / "LONGEST.SQL");
    try {
        q.Open();
        FAIL() << "opened without its query file";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("longest.sql: no such file"), std::string::npos)
            << e.what();
    }
}

TEST(Query, ResultColumnsValuesFilterAndOrder) {
    ScratchDir dir;
    Database db(dir.Path());
    MakeCalls(db, {{1, 10, 120000, "a"}, {2, 10, 90000, nullptr}, {3, 20, 30000, "c"}});

    Query q(db);
    q.SetLines({"SELECT who as Кто, dur as Прод_мс, dur/60000 as Прод_Мин, call FROM calls",
                "UNION", "SELECT who, dur, dur/60000, call FROM Calls WHERE id = 1",
                "ORDER BY Кто"});
    q.Open();
    ASSERT_EQ(q.Columns().size(), 4u);
    EXPECT_EQ(q.Columns()[0].name, "Кто");
    EXPECT_EQ(q.Columns()[0].type, FieldType::Text);
    EXPECT_EQ(q.Columns()[1].type, FieldType::Float);
    EXPECT_EQ(q.Columns()[2].type, FieldType::Float);
    EXPECT_EQ(q.Columns()[3].type, FieldType::Integer);
    EXPECT_EQ(q.ColumnIndex("Прод_Мин"), 2);
    EXPECT_EQ(q.ColumnIndex("прод_мин"), -1); // names are exact byte strings
    // UNION removed the repeated row 1; NULL comes first.
    EXPECT_EQ(Column(q, "Прод_мс"), (std::vector<std::string>{"90000", "120000", "30000"}));
    EXPECT_EQ(Column(q, "Прод_Мин"), (std::vector<std::string>{"1.5", "2", "0.5"}));
    q.First();
    EXPECT_TRUE(q.IsNull("Кто"));
    EXPECT_DOUBLE_EQ(q.AsFloat("Прод_Мин"), 1.5);

    q.Lines().back() = "ORDER BY Прод_мс DESC";
    q.Open();
    EXPECT_EQ(Column(q, "Кто"), (std::vector<std::string>{"a", "", "c"}));
    q.SetFilter("Прод_Мин < 2"); // reopens the open query
    EXPECT_EQ(Column(q, "Кто"), (std::vector<std::string>{"", "c"}));
    q.Lines().back() = "ORDER BY 2 ASC";
    q.Open();
    EXPECT_EQ(Column(q, "Кто"), (std::vector<std::string>{"c", ""}));
    q.SetFilter("");
    EXPECT_EQ(Column(q, "Кто").size(), 3u);

    q.SetLines({"SELECT who FROM calls WHERE id = 99"});
    q.Open();
    EXPECT_TRUE(q.Eof());
}

TEST(Query, ErrorsNameTheirCause) {
    ScratchDir dir;
    Database db(dir.Path());
    MakeCalls(db, {{1, 10, 1, "a"}});
    const auto expectError = [&](const std::vector<std::string>& lines, const std::string& filter,
                                 std::string_view part) {
        Query q(db);
        q.SetLines(lines);
        try {
            q.SetFilter(filter);
            q.Open();
            ADD_FAILURE() << "opened: " << q.Text();
        } catch (const DbError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
            EXPECT_FALSE(q.IsOpen());
        }
    };
    expectError({"SELECT * FROM nowhere"}, "", "Open query: no such table: nowhere");
    expectError({"SELECT nocolumn FROM calls"}, "", "no such column: nocolumn");
    expectError({"SELECT who FROM calls"}, "Кто = 1", "no such column: Кто");
    expectError({"SELECT 1; SELECT 2"}, "", "exactly one statement");

    Query q(db);
    q.SetLines({"SELECT who FROM calls"});
    q.Open();
    EXPECT_THROW(q.AsText("Кто"), DbError);
    q.Next();
    EXPECT_THROW(q.AsText(0), DbError); // past the last row
}

} // namespace
} // namespace kestrom
