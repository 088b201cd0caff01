#include "results/ResultQuery.h"

#include "db/Database.h"
#include "db/Query.h"
#include "decode/CallRecord.h"
#include "load/CallTable.h"
#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrom {
namespace {

using test::ScratchDir;

// The query texts as the program must hold them, line by line, each line
// ended by CR LF.
const std::string GroupingQueryText =
    "SELECT Amg.Call_Proc_ID\r\n"
    ", MAX(Amg.Call_Durat) as MaxCallDurat\r\n"
    "FROM AMG Amg\r\n"
    "WHERE (Amg.Failure=16) AND (Amg.\"102_F1\"<=1) AND (Amg.Sequence>1)\r\n"
    "GROUP BY Amg.Call_Proc_ID\r\n";

const std::string MainQueryText =
    "SELECT failurestr.failurestr as Ошибка, AMG.\"121_Couse\" as EX_ош,Sequence as Тип_зап\r\n"
    ", AMG.In_Tr_Gr_ID as Вх_транк_гр, AMG.In_Tr_ID as Вх_транк, AMG.Out_Tr_Gr_ID as "
    "Исх_транк_гр,\r\n"
    " AMG.Out_Tr_ID as Исх_транк,\r\n"
    " AMG.Owner_N\r\n"
    " as Номер_А,AMG.\"119_OCPN\" as ОрНомер_A\r\n"
    " ,AMG.Partner_N as Номер_Б,AMG.\"109_Seq\" as Посл_сть,AMG.Start_D as Дата_иниц, AMG.Start_T "
    "as Время_иниц\r\n"
    " ,AMG.End_D as Дата_окон, AMG.End_T as Время_ок, AMG.Origin_Cat as Категория\r\n"
    " , usluga_a.description as Услуга_аб_А, usluga_b.description as Услуга_аб_Б\r\n"
    ", AMG.Call_Durat as Прод_мс,AMG.Call_Durat/60000 as Прод_Мин\r\n"
    "FROM AMG AMG,failurestr failurestr, usluga_a usluga_a,usluga_b usluga_b\r\n"
    "WHERE (AMG.Sequence=1) and (AMG.F10=1) AND (amg.failure=failurestr.FailureCod)\r\n"
    " and (AMG.\"106_Suppl_Serv\"=usluga_a.num) and (AMG.\"107_Suppl_Serv\"=usluga_b.num) \r\n"
    "UNION\r\n"
    "SELECT failurestr.failurestr as Ошибка, AMG.\"121_Couse\" as EX_ош,Amg.Sequence as Тип_зап\r\n"
    ", AMG.In_Tr_Gr_ID as Вх_транк_гр, AMG.In_Tr_ID as Вх_транк, AMG.Out_Tr_Gr_ID as "
    "Исх_транк_гр,\r\n"
    " AMG.Out_Tr_ID as Исх_транк,\r\n"
    " AMG.Owner_N\r\n"
    " as Номер_А, AMG.\"119_OCPN\" as ОрНомер_A,\r\n"
    " AMG.Partner_N as Номер_Б,AMG.\"109_Seq\" as Посл_сть,AMG.Start_D as Дата_иниц, AMG.Start_T "
    "as Время_иниц,\r\n"
    " AMG.End_D as Дата_окон, AMG.End_T as Время_ок, AMG.Origin_Cat as Категория\r\n"
    " , usluga_a.description as Услуга_аб_А, usluga_b.description as Услуга_аб_Б\r\n"
    ", AMG.Call_Durat as Прод_мс,AMG.Call_Durat/60000 as Прод_Мин\r\n"
    "FROM AMG AMG,\"servis.sql\" servis,failurestr failurestr, usluga_a usluga_a,usluga_b "
    "usluga_b\r\n"
    "WHERE (Amg.Failure=16) AND (Amg.Sequence>1) \r\n"
    " and (AMG.\"106_Suppl_Serv\"=usluga_a.num) and (AMG.\"107_Suppl_Serv\"=usluga_b.num) \r\n"
    " AND Amg.Call_Proc_ID=servis.Call_Proc_ID\r\n"
    " AND (Amg.Call_Durat=servis.MaxCallDurat)  AND (amg.failure=failurestr.FailureCod)\r\n";

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    return text;
}

struct NullSink : MessageSink {
    std::vector<std::string> messages;
    void Information(std::string_view text) override { messages.emplace_back(text); }
};

// One row of the call table, with the fields the result query looks at.
struct Call {
    const char* owner = "100";
    std::uint8_t sequence = 1;
    bool f10 = true;
    std::uint8_t failure = 2; // element 112; 16 is stored instead when successful
    bool successful = false;  // F4
    std::uint32_t callId = 0;
    std::uint32_t durationMs = 0;
    std::uint8_t f1_102 = 0;
    std::uint8_t serviceA = 0;
    std::uint8_t serviceB = 0;
    const char* partner = nullptr;
    TimeOfDay start{10, 0, 0, 0};
    TimeOfDay end{};
    bool hasEnd = false;
};

class ResultQueryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* lookup : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
            dir.CopyFromProgramDir(lookup);
    }

    void Store(const std::vector<Call>& calls) {
        EmptyCallTable(db);
        CallTable table(db, sink);
        table.OpenCallTable();
        for (const Call& c : calls) {
            TCallRecord r;
            r.Owner_N.assign(c.owner);
            r.Sequence = c.sequence;
            r.F10 = c.f10 ? 1 : 0;
            r.Code112 = 112;
            r.Failure = c.failure;
            r.F4 = c.successful ? 1 : 0;
            r.HeaderNumber7 = c.callId;
            r.Code115 = 115;
            r.Call_Durat = c.durationMs;
            r.Code102 = 102;
            r.Start_D = EncodeDate({2024, 3, 1});
            r.Start_T = EncodeTime(c.start);
            r.F1_102 = c.f1_102;
            if (c.hasEnd) {
                r.Code103 = 103;
                r.End_D = EncodeDate({2024, 3, 1});
                r.End_T = EncodeTime(c.end);
            }
            if (c.partner) {
                r.Code100 = 100;
                r.Partner_N.assign(c.partner);
            }
            r.Code106 = c.serviceA ? 106 : 0;
            r.Suppl_Serv_106 = c.serviceA;
            r.Code107 = c.serviceB ? 107 : 0;
            r.Suppl_Serv_107 = c.serviceB;
            ASSERT_TRUE(table.AppendCallRow(r));
        }
        table.CloseCallTable();
        ASSERT_TRUE(sink.messages.empty());
    }

    // The listed rows: the values of the given columns joined by "|".
    std::vector<std::string> Rows(const std::vector<std::string>& columns) {
        std::vector<std::string> rows;
        for (; !query.Eof(); query.Next()) {
            std::string row;
            for (const std::string& c : columns) {
                if (!row.empty()) row.push_back('|');
                row.append(query.IsNull(c) ? std::string("NULL") : query.AsText(c));
            }
            rows.push_back(row);
        }
        return rows;
    }

    std::vector<std::string> OwnersSorted() {
        std::vector<std::string> owners = Rows({"Номер_А"});
        std::sort(owners.begin(), owners.end());
        return owners;
    }

    void Open(const std::vector<std::string>& sort = {}) {
        const ResultOutcome r = OpenResultQuery(query, sort);
        ASSERT_TRUE(r.ok) << r.detail;
    }

    ScratchDir dir;
    Database db{dir.Path()};
    NullSink sink;
    Query query{db};
};

TEST(ResultQueryText, TheTwoQueriesAndTheColumnNamesAreExactBytes) {
    EXPECT_EQ(Joined(GroupingQueryLines()), GroupingQueryText);
    EXPECT_EQ(Joined(MainQueryLines()), MainQueryText);
    EXPECT_EQ(MainQueryLines().size(), 27u);

    const std::vector<std::string> names(ResultColumnNames().begin(), ResultColumnNames().end());
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Ошибка",       "EX_ош",       "Тип_зап",     "Вх_транк_гр", "Вх_транк",
                         "Исх_транк_гр", "Исх_транк",   "Номер_А",     "ОрНомер_A",   "Номер_Б",
                         "Посл_сть",     "Дата_иниц",   "Время_иниц",  "Дата_окон",   "Время_ок",
                         "Категория",    "Услуга_аб_А", "Услуга_аб_Б", "Прод_мс",     "Прод_Мин"}));
    // The names that mix alphabets, byte by byte.
    EXPECT_EQ(names[1], "EX_\xD0\xBE\xD1\x88");
    EXPECT_EQ(names[8].substr(names[8].size() - 2), "_A");
    EXPECT_EQ(names[7].substr(names[7].size() - 3), "_\xD0\x90");
    EXPECT_EQ(names[16].substr(names[16].size() - 3), "_\xD0\x90");
    EXPECT_EQ(names[17].substr(names[17].size() - 3), "_\xD0\x91");

    EXPECT_EQ(ResultColumnPosition("Ошибка"), 0);
    EXPECT_EQ(ResultColumnPosition("Прод_Мин"), 19);
    EXPECT_EQ(ResultColumnPosition("ОрНомер_А"), -1); // Cyrillic А: not a result column
    EXPECT_EQ(ResultColumnPosition("Номер_A"), -1);   // Latin A: neither
    EXPECT_EQ(ResultColumnPosition("ошибка"), -1);
}

TEST(ResultQueryText, SortListsBecomeOrderByLines) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SortListOrderBy(V{"Дата_иниц[Up]", "Время_иниц[Up]"}),
              "ORDER BY Дата_иниц ASC,Время_иниц ASC");
    EXPECT_EQ(SortListOrderBy(V{"Время_ок[Down]", "Номер_А[Up]"}),
              "ORDER BY Время_ок DESC,Номер_А ASC");
    EXPECT_EQ(SortListOrderBy(V{}), "");
    EXPECT_EQ(SortListOrderBy(V{"Номер_Б"}), "ORDER BY Номер_Б");
    EXPECT_EQ(SortListOrderBy(V{"Номер_Б", "Прод_мс[Down]"}), "ORDER BY Номер_Б,Прод_мс DESC");
    // Only the exact suffixes are replaced.
    EXPECT_EQ(SortListOrderBy(V{"Номер_Б[up]"}), "ORDER BY Номер_Б[up]");
}

TEST(ResultQueryText, TitleClickMarksBecomePositions) {
    using D = SortDirection;
    EXPECT_EQ(TitleSortOrderBy(std::vector<SortMark>{{"Дата_иниц", D::Ascending}}), "ORDER BY 12");
    EXPECT_EQ(TitleSortOrderBy(std::vector<SortMark>{{"Дата_иниц", D::Descending}}),
              "ORDER BY 12 DESC");
    EXPECT_EQ(TitleSortOrderBy(
                  std::vector<SortMark>{{"Номер_А", D::Ascending}, {"Прод_мс", D::Ascending}}),
              "ORDER BY 8, 19");
    EXPECT_EQ(TitleSortOrderBy(
                  std::vector<SortMark>{{"Прод_Мин", D::Descending}, {"Ошибка", D::Ascending}}),
              "ORDER BY 20 DESC, 1");
    EXPECT_EQ(TitleSortOrderBy(std::vector<SortMark>{}), "");
    EXPECT_THROW(TitleSortOrderBy(std::vector<SortMark>{{"Номер_A", D::Ascending}}),
                 std::invalid_argument);

    std::vector<std::string> lines = {"SELECT 1", "order by x", "ORDER BY y", "ORDER"};
    ReplaceOrderByLine(lines, "ORDER BY 3");
    EXPECT_EQ(lines, (std::vector<std::string>{"SELECT 1", "ORDER BY 3", "ORDER BY y", "ORDER"}));
    lines = {"SELECT 1", "ORDER", " ORDER BY 2", "Order By"};
    ReplaceOrderByLine(lines, "ORDER BY 4");
    EXPECT_EQ(lines, (std::vector<std::string>{"SELECT 1", "ORDER", " ORDER BY 2", "ORDER BY 4"}));
    lines = {"SELECT 1", "ORDER BYE"};
    ReplaceOrderByLine(lines, ""); // no mark left: the line is emptied
    EXPECT_EQ(lines, (std::vector<std::string>{"SELECT 1", ""}));
    lines = {"SELECT 1"};
    ReplaceOrderByLine(lines, "ORDER BY 1");
    EXPECT_EQ(lines, (std::vector<std::string>{"SELECT 1", "ORDER BY 1"}));
}

TEST_F(ResultQueryTest, OpeningSavesTheGroupingQueryAndOpensTheMainQuery) {
    Store({{.owner = "1"}});
    dir.Write("servis.sql", "SELECT 1 AS stale");
    query.SetLines({"SELECT 2"});
    query.SetFilter("Номер_А = 'nobody'");

    const std::vector<std::string> sort = {"Дата_иниц[Up]", "Время_иниц[Up]"};
    const ResultOutcome first = OpenResultQuery(query, sort);
    ASSERT_TRUE(first.ok) << first.detail;
    const std::string saved = dir.Read("servis.sql");
    EXPECT_EQ(saved, GroupingQueryText);
    EXPECT_EQ(query.Text(), MainQueryText + "ORDER BY Дата_иниц ASC,Время_иниц ASC");
    EXPECT_TRUE(query.Filter().empty());
    ASSERT_TRUE(query.IsOpen());
    ASSERT_EQ(query.Columns().size(), 20u);
    for (std::size_t i = 0; i < 20; ++i)
        EXPECT_EQ(query.Columns()[i].name, ResultColumnNames()[i]);
    EXPECT_EQ(Rows({"Номер_А"}), (std::vector<std::string>{"1"}));

    // Again, with no sort list: no ORDER BY line, the same rows, the same file.
    const ResultOutcome second = OpenResultQuery(query, {});
    ASSERT_TRUE(second.ok) << second.detail;
    EXPECT_EQ(dir.Read("servis.sql"), saved);
    EXPECT_EQ(query.Text(), MainQueryText.substr(0, MainQueryText.size() - 2));
    EXPECT_EQ(Rows({"Номер_А"}), (std::vector<std::string>{"1"}));
}

TEST_F(ResultQueryTest, TheSortListAndTitleClicksOrderTheRows) {
    Store({
        {.owner = "30",
         .durationMs = 3000,
         .start = {9, 0, 0, 0},
         .end = {9, 5, 0, 0},
         .hasEnd = true},
        {.owner = "10",
         .durationMs = 1000,
         .start = {9, 0, 0, 0},
         .end = {9, 7, 0, 0},
         .hasEnd = true},
        {.owner = "20",
         .durationMs = 2000,
         .start = {8, 0, 0, 0},
         .end = {9, 5, 0, 0},
         .hasEnd = true},
        {.owner = "40",
         .durationMs = 4000,
         .start = {7, 0, 0, 0},
         .end = {9, 7, 0, 0},
         .hasEnd = true},
    });
    Open({"Время_ок[Down]", "Номер_А[Up]"});
    EXPECT_EQ(query.Lines().back(), "ORDER BY Время_ок DESC,Номер_А ASC");
    EXPECT_EQ(Rows({"Номер_А", "Время_ок"}),
              (std::vector<std::string>{"10|09:07:00.000", "40|09:07:00.000", "20|09:05:00.000",
                                        "30|09:05:00.000"}));

    Open({"Дата_иниц[Up]", "Время_иниц[Up]", "Номер_А[Down]"});
    EXPECT_EQ(Rows({"Номер_А"}), (std::vector<std::string>{"40", "20", "30", "10"}));

    using D = SortDirection;
    // A click on "Прод_мс" (position 19): ascending, then descending.
    ResultOutcome r = ReorderResultQuery(query, std::vector<SortMark>{{"Прод_мс", D::Ascending}});
    ASSERT_TRUE(r.ok) << r.detail;
    EXPECT_EQ(query.Lines().back(), "ORDER BY 19");
    EXPECT_EQ(query.Lines().size(), 28u); // the sort list's line was replaced
    EXPECT_EQ(Rows({"Номер_А"}), (std::vector<std::string>{"10", "20", "30", "40"}));

    r = ReorderResultQuery(query, std::vector<SortMark>{{"Прод_мс", D::Descending}});
    ASSERT_TRUE(r.ok) << r.detail;
    EXPECT_EQ(query.Lines().back(), "ORDER BY 19 DESC");
    EXPECT_EQ(Rows({"Номер_А"}), (std::vector<std::string>{"40", "30", "20", "10"}));

    // Ctrl+clicks: end time ascending, then number A descending.
    r = ReorderResultQuery(
        query, std::vector<SortMark>{{"Время_ок", D::Ascending}, {"Номер_А", D::Descending}});
    ASSERT_TRUE(r.ok) << r.detail;
    EXPECT_EQ(query.Lines().back(), "ORDER BY 15, 8 DESC");
    EXPECT_EQ(Rows({"Номер_А"}), (std::vector<std::string>{"30", "20", "40", "10"}));

    // No mark left: the line is emptied and every row is still there.
    r = ReorderResultQuery(query, std::vector<SortMark>{});
    ASSERT_TRUE(r.ok) << r.detail;
    EXPECT_EQ(query.Lines().back(), "");
    EXPECT_EQ(OwnersSorted(), (std::vector<std::string>{"10", "20", "30", "40"}));

    // A fresh opening starts again from the sort list.
    Open({"Номер_А[Down]"});
    EXPECT_EQ(query.Lines().size(), 28u);
    EXPECT_EQ(Rows({"Номер_А"}), (std::vector<std::string>{"40", "30", "20", "10"}));
}

TEST_F(ResultQueryTest, PartialRecordsOfALongCallFoldIntoTheLongest) {
    Store({
        // Whole calls: listed whatever their failure, unless F10 is 0.
        {.owner = "1001", .failure = 2, .callId = 1},
        {.owner = "1002", .successful = true, .callId = 2, .durationMs = 60000},
        {.owner = "1003", .f10 = false, .successful = true, .callId = 3, .durationMs = 5000},
        {.owner = "1004", .sequence = 0, .successful = true, .callId = 4, .durationMs = 5000},
        // Call 10: three partial records, the longest stands for the call.
        {.owner = "1010",
         .sequence = 2,
         .f10 = false,
         .successful = true,
         .callId = 10,
         .durationMs = 1000},
        {.owner = "1011",
         .sequence = 3,
         .f10 = false,
         .successful = true,
         .callId = 10,
         .durationMs = 5000},
        {.owner = "1012",
         .sequence = 4,
         .f10 = false,
         .successful = true,
         .callId = 10,
         .durationMs = 3000},
        // Call 11: a 102_F1 above 1 takes no part in finding the longest.
        {.owner = "1110",
         .sequence = 2,
         .successful = true,
         .callId = 11,
         .durationMs = 7000,
         .f1_102 = 2},
        {.owner = "1111",
         .sequence = 3,
         .successful = true,
         .callId = 11,
         .durationMs = 2000,
         .f1_102 = 1},
        // ... though a row of that duration is listed whatever its 102_F1.
        {.owner = "1112",
         .sequence = 4,
         .successful = true,
         .callId = 11,
         .durationMs = 2000,
         .f1_102 = 5},
        // Call 12: a failed partial record neither counts nor is listed.
        {.owner = "1210", .sequence = 2, .failure = 3, .callId = 12, .durationMs = 9000},
        {.owner = "1211", .sequence = 3, .successful = true, .callId = 12, .durationMs = 3000},
        // Call 13: only failed partial records: nothing listed.
        {.owner = "1310", .sequence = 2, .failure = 3, .callId = 13, .durationMs = 9000},
        // Call 14: two equal longest records appear once ...
        {.owner = "1410", .sequence = 2, .successful = true, .callId = 14, .durationMs = 4000},
        {.owner = "1410", .sequence = 2, .successful = true, .callId = 14, .durationMs = 4000},
        // ... call 15: two longest records that differ appear both.
        {.owner = "1510", .sequence = 2, .successful = true, .callId = 15, .durationMs = 4000},
        {.owner = "1511", .sequence = 3, .successful = true, .callId = 15, .durationMs = 4000},
        {.owner = "1512", .sequence = 4, .successful = true, .callId = 15, .durationMs = 100},
        // Two whole calls equal in all columns collapse too.
        {.owner = "1600", .callId = 16},
        {.owner = "1600", .callId = 17},
    });
    Open({"Номер_А[Up]"});
    EXPECT_EQ(Rows({"Номер_А", "Тип_зап", "Ошибка", "Прод_мс", "Прод_Мин"}),
              (std::vector<std::string>{
                  "1001|1|Неответ аб.|0|0",
                  "1002|1|Успешный|60000|1",
                  "1011|3|Успешный|5000|0.08333333333333333",
                  "1111|3|Успешный|2000|0.03333333333333333",
                  "1112|4|Успешный|2000|0.03333333333333333",
                  "1211|3|Успешный|3000|0.05",
                  "1410|2|Успешный|4000|0.06666666666666667",
                  "1510|2|Успешный|4000|0.06666666666666667",
                  "1511|3|Успешный|4000|0.06666666666666667",
                  "1600|1|Неответ аб.|0|0",
              }));
}

TEST_F(ResultQueryTest, ARowWithoutItsLookupTextIsDropped) {
    db.Execute("DELETE FROM failurestr WHERE FailureCod = 5; DELETE FROM usluga_a WHERE num = 9; "
               "DELETE FROM usluga_b WHERE num = 7",
               "test");
    Store({
        {.owner = "1"},
        {.owner = "2", .failure = 5},
        {.owner = "3", .serviceA = 9},
        {.owner = "4", .serviceB = 7},
        {.owner = "5", .serviceA = 3, .serviceB = 4, .partner = "777"},
        // The same for the partial records of long calls.
        {.owner = "6",
         .sequence = 2,
         .successful = true,
         .callId = 6,
         .durationMs = 10,
         .serviceA = 9},
        {.owner = "7",
         .sequence = 2,
         .successful = true,
         .callId = 7,
         .durationMs = 10,
         .serviceB = 7},
        {.owner = "8",
         .sequence = 2,
         .successful = true,
         .callId = 8,
         .durationMs = 10,
         .serviceB = 1},
    });
    Open({"Номер_А[Up]"});
    EXPECT_EQ(Rows({"Номер_А", "Ошибка", "Услуга_аб_А", "Услуга_аб_Б", "Номер_Б"}),
              (std::vector<std::string>{"1|Неответ аб.|Нет|Нет|NULL",
                                        "5|Неответ аб.|Услуга 3|Услуга 4|777",
                                        "8|Успешный|Нет|Услуга 1|NULL"}));
}

TEST_F(ResultQueryTest, AFailedOpeningGivesError100AndClosesTheQuery) {
    // No call table at all.
    ResultOutcome r = OpenResultQuery(query, {});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Ошибка #100");
    EXPECT_EQ(r.title, "Error");
    EXPECT_NE(r.detail.find("AMG"), std::string::npos) << r.detail;
    EXPECT_FALSE(query.IsOpen());

    Store({{.owner = "1"}});
    // A sort item that names no result column.
    for (const std::vector<std::string>& sort :
         {std::vector<std::string>{"Номер_A[Up]"}, std::vector<std::string>{"Owner_N[Down]"},
          std::vector<std::string>{"Номер_А[up]"}}) {
        r = OpenResultQuery(query, sort);
        EXPECT_FALSE(r.ok) << sort[0];
        EXPECT_EQ(r.message, "Ошибка #100");
        EXPECT_FALSE(r.detail.empty());
        EXPECT_FALSE(query.IsOpen());
    }

    // A lookup table missing.
    std::filesystem::remove(dir.Path() / "usluga_a.db");
    Database fresh(dir.Path());
    Query other(fresh);
    r = OpenResultQuery(other, {});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.detail.find("usluga_a"), std::string::npos) << r.detail;
    EXPECT_FALSE(other.IsOpen());
    dir.CopyFromProgramDir("usluga_a.db");

    // The query file cannot be written.
    std::filesystem::remove(dir.Path() / "servis.sql");
    std::filesystem::create_directory(dir.Path() / "servis.sql");
    r = OpenResultQuery(query, {});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Ошибка #100");
    EXPECT_FALSE(query.IsOpen());
    std::filesystem::remove(dir.Path() / "servis.sql");

    // The next run that can open the query succeeds.
    r = OpenResultQuery(query, std::vector<std::string>{"Номер_А[Up]"});
    EXPECT_TRUE(r.ok) << r.detail;
    EXPECT_EQ(Rows({"Номер_А"}), (std::vector<std::string>{"1"}));
}

TEST_F(ResultQueryTest, AFailedReorderLeavesTheQueryClosedWithTheEngineError) {
    Store({{.owner = "1"}});
    Open();
    // The saved query is spoilt behind the open result's back.
    dir.Write("servis.sql", "SELECT nonsense FROM nowhere");
    const ResultOutcome r =
        ReorderResultQuery(query, std::vector<SortMark>{{"Номер_А", SortDirection::Ascending}});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("nowhere"), std::string::npos) << r.message;
    EXPECT_EQ(r.detail, r.message);
    EXPECT_FALSE(query.IsOpen());
    EXPECT_EQ(query.Lines().back(), "ORDER BY 8");
}

} // namespace
} // namespace kestrom
