#include "load/CallTable.h"

#include "db/Database.h"
#include "db/Query.h"
#include "decode/CallRecord.h"
#include "results/ResultQuery.h"
#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kestrom {
namespace {

using test::ScratchDir;

struct RecordingSink : MessageSink {
    std::vector<std::string> messages;
    void Information(std::string_view text) override { messages.emplace_back(text); }
};

std::int64_t Scalar(Database& db, const std::string& sql) {
    Query q(db);
    q.SetLines({sql});
    q.Open();
    return q.AsInteger(0);
}

// A record that carries every element, every field with a value of its own.
TCallRecord FullRecord() {
    TCallRecord r;
    r.RecordType = 200;
    r.RecordLength = 65535;
    r.HeaderNumber3 = 4294967295u;
    r.HeaderNumber7 = 4294967294u;
    r.F1 = 1, r.F2 = 2, r.F3 = 3, r.F4 = 1, r.F5 = 5, r.F6 = 6, r.F7 = 7, r.F8 = 8;
    r.F9 = 9, r.F10 = 10, r.F11 = 11, r.F12 = 12, r.F13 = 13, r.F14 = 14;
    r.Sequence = 21;
    r.OwnerDigitsHigh = 31;
    r.OwnerDigitsLow = 32;
    r.Owner_N.assign("0123456789*#0123456789*#01234567");
    r.Code100 = 100, r.DigitCount100 = 32;
    r.Partner_N.assign("79001234567#79001234567*7900123");
    r.Code101 = 101, r.Flag101 = 41, r.DigitCount101 = 42;
    r.Digits101.assign("55555555555555555555555555555555");
    r.Code102 = 102;
    r.Start_D = EncodeDate({2024, 3, 1});
    r.Start_T = EncodeTime({13, 5, 7, 89});
    r.F1_102 = 43;
    r.Code103 = 103;
    r.End_D = EncodeDate({2024, 3, 2});
    r.End_T = EncodeTime({0, 0, 1, 500});
    r.F1_103 = 44;
    r.Code104 = 104, r.Value104 = 0xFFFFFFFFu;
    r.Code105 = 105, r.Byte1_105 = 45, r.Byte2_105 = 46;
    r.Code106 = 106, r.Suppl_Serv_106 = 47;
    r.Code107 = 107, r.Suppl_Serv_107 = 48;
    r.Code108 = 108, r.Byte1_108 = 49, r.Byte2_108 = 50;
    r.Code109 = 109, r.DigitCount109 = 40;
    r.Seq_109.assign("1234567890123456789012345678901234567890");
    r.Code110 = 110, r.Value110 = 52;
    r.Code111 = 111, r.Value111 = 53;
    r.Code112 = 112, r.Failure = 2;
    r.Code113 = 113, r.In_Tr_Gr_ID = 65535, r.In_Tr_ID = 1234;
    r.Byte5_113 = 54, r.Word6_113 = 40000, r.Byte8_113 = 55;
    r.Code114 = 114, r.Out_Tr_Gr_ID = 4321, r.Out_Tr_ID = 65534;
    r.Byte5_114 = 56, r.Word6_114 = 41000, r.Byte8_114 = 57;
    r.Code115 = 115, r.Call_Durat = 4294967295u;
    r.Code116 = 116, r.Byte1_116 = 58, r.Checksum = 65533;
    r.Code117 = 117, r.Number1_117 = 0x80000000u, r.Number2_117 = 0x7FFFFFFFu;
    r.Code118 = 118, r.Reserved118 = 59;
    r.ReservedText118.assign("abcdefghijklmnopqrstuv");
    r.Code119 = 119;
    r.OCPN_119.assign("8800111223388001112233880011122");
    r.Code121 = 121, r.Couse_121 = 65000;
    r.Code123 = 123, r.Reserved123 = 0xFFFFFFFEu;
    return r;
}

// "name=value" for the given columns of the current row (all when none are
// given), separated by blanks; NULL for a NULL value.
std::string Row(const Query& q, std::vector<std::string> names = {}) {
    if (names.empty())
        for (const QueryColumn& c : q.Columns())
            names.push_back(c.name);
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += ' ';
        text += name + "=" + (q.IsNull(name) ? "NULL" : q.AsText(name));
    }
    return text;
}

// A text written over several lines, its line breaks read as blanks.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

class CallTableTest : public ::testing::Test {
  protected:
    ScratchDir dir;
    Database db{dir.Path()};
    RecordingSink sink;
};

TEST_F(CallTableTest, RecordsWithAndWithoutElementsReadBackByColumnName) {
    int yields = 0;
    CallTable table(db, sink, YieldHook{[](void* n) { ++*static_cast<int*>(n); }, &yields});
    EmptyCallTable(db);
    table.OpenCallTable();

    TCallRecord full = FullRecord();
    ASSERT_TRUE(table.AppendCallRow(full));
    EXPECT_EQ(full.Failure, 16); // F4 = 1 marks the call successful

    TCallRecord bare; // no elements at all
    bare.RecordType = 200;
    bare.RecordLength = 20;
    bare.Sequence = 1;
    bare.F10 = 1;
    bare.Owner_N.assign("3852111");
    ASSERT_TRUE(table.AppendCallRow(bare));

    TCallRecord f4zero = FullRecord();
    f4zero.F4 = 0;
    ASSERT_TRUE(table.AppendCallRow(f4zero));
    table.CloseCallTable();
    EXPECT_EQ(yields, 3);
    EXPECT_TRUE(sink.messages.empty());

    Query q(db);
    q.SetLines({"SELECT *, Call_Durat/60000 AS Minutes FROM amg ORDER BY ID"});
    q.Open();
    ASSERT_FALSE(q.Eof());
    // Every column in table order, with the value it must hold.
    EXPECT_EQ(Row(q),
              OneLine("ID=1 Owner_N=0123456789*#0123456789*#01234567 "
                      "Partner_N=79001234567#79001234567*7900123 "
                      "109_Seq=1234567890123456789012345678901234567890 " +
                      std::string(R"(Sequence=21 F10=10 Failure=16 In_Tr_Gr_ID=65535 In_Tr_ID=1234
Out_Tr_Gr_ID=4321 Out_Tr_ID=65534 Start_D=2024-03-01 Start_T=13:05:07.089 End_D=2024-03-02
End_T=00:00:01.500 Call_Proc_ID=4294967294 Hdr_Number3=4294967295 Rec_Type=200 Rec_Length=65535
F1=1 F2=2 F3=3 F4=1 F5=5 F6=6 F7=7 F8=8 F9=9 F11=11 F12=12 F13=13 F14=14 Owner_Dig_H=31
Owner_Dig_L=32 100_Code=100 100_Digits=32 101_Code=101 101_F1=41 101_Digits=42
101_Number=55555555555555555555555555555555 102_Code=102 102_F1=43 103_Code=103 103_F1=44
104_Code=104 104_Value=-1 105_Code=105 105_B1=45 105_B2=46 106_Code=106 106_Suppl_Serv=47
107_Code=107 107_Suppl_Serv=48 108_Code=108 108_B1=49 108_B2=50 109_Code=109 109_Digits=40
110_Code=110 Origin_Cat=52 111_Code=111 111_Value=53 112_Code=112 113_Code=113 113_B5=54
113_W6=40000 113_B8=55 114_Code=114 114_B5=56 114_W6=41000 114_B8=57 115_Code=115
Call_Durat=4294967295 116_Code=116 116_B1=58 116_Checksum=65533 117_Code=117 117_N1=-2147483648
117_N2=2147483647 118_Code=118 118_Reserved=59 118_Text=abcdefghijklmnopqrstuv 119_Code=119
119_OCPN=8800111223388001112233880011122 121_Code=121 121_Couse=65000 123_Code=123
123_Reserved=-2 Minutes=71582.78825)")));
    EXPECT_DOUBLE_EQ(q.AsFloat("Call_Durat"), 4294967295.0);
    EXPECT_DOUBLE_EQ(q.AsFloat("Minutes"), 4294967295.0 / 60000);

    q.Next();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(
        Row(q, {"ID",           "Owner_N",    "Partner_N",    "100_Code",  "109_Seq",   "Failure",
                "In_Tr_Gr_ID",  "In_Tr_ID",   "Out_Tr_Gr_ID", "Out_Tr_ID", "113_Code",  "114_Code",
                "113_W6",       "Start_D",    "Start_T",      "End_D",     "End_T",     "103_Code",
                "Call_Proc_ID", "Call_Durat", "119_OCPN",     "118_Text",  "Origin_Cat"}),
        "ID=2 Owner_N=3852111 Partner_N=NULL 100_Code=0 109_Seq= Failure=0 "
        "In_Tr_Gr_ID=NULL In_Tr_ID=NULL Out_Tr_Gr_ID=NULL Out_Tr_ID=NULL 113_Code=0 "
        "114_Code=0 113_W6=0 Start_D=1899-12-30 Start_T=00:00:00.000 End_D=NULL "
        "End_T=NULL 103_Code=0 Call_Proc_ID=0 Call_Durat=0 119_OCPN= 118_Text= "
        "Origin_Cat=0");

    q.Next();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(Row(q, {"ID", "F4", "Failure"}), "ID=3 F4=0 Failure=2");
    q.Next();
    EXPECT_TRUE(q.Eof());
}

TEST_F(CallTableTest, RowsAreNumberedFromOneInEveryLoad) {
    CallTable table(db, sink);
    TCallRecord r;
    for (const char* owner : {"a", "b", "c"}) {
        r.Owner_N.assign(owner);
        EmptyCallTable(db);
        table.OpenCallTable();
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(table.AppendCallRow(r));
        EXPECT_EQ(table.RowCounter(), 4);
        table.CloseCallTable();
        EXPECT_FALSE(table.IsOpen());
        table.CloseCallTable(); // nothing open: nothing happens

        Query q(db);
        q.SetLines({"SELECT ID, Owner_N FROM AMG"});
        q.Open();
        std::vector<std::string> rows;
        for (; !q.Eof(); q.Next())
            rows.push_back(q.AsText(0) + q.AsText(1));
        const std::string o = owner;
        EXPECT_EQ(rows, (std::vector<std::string>{"1" + o, "2" + o, "3" + o}));
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CallTableTest, TheTableRefusingRow1001KeepsTheThousandBefore) {
    EmptyCallTable(db);
    // Small pages: every row of a full record needs a page of its own, so
    // a page limit set after 1000 rows refuses exactly the next one.
    // (A page size changes only outside the log mode; opening the table for
    // writing puts it back in its own mode.)
    db.Execute("PRAGMA amg.journal_mode = DELETE; PRAGMA amg.page_size = 512; VACUUM amg", "test");
    CallTable table(db, sink);
    table.OpenCallTable();
    TCallRecord r = FullRecord();
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(table.AppendCallRow(r)) << i;
    const std::int64_t pages = Scalar(db, "PRAGMA amg.page_count");
    db.Execute("PRAGMA amg.max_page_count = " + std::to_string(pages), "test");

    const std::string message = "Ошибка! Достигнут максимальный размер таблицы! Записей : 1000";
    EXPECT_FALSE(table.AppendCallRow(r));
    EXPECT_EQ(table.RowCounter(), 1001);
    EXPECT_FALSE(table.AppendCallRow(r)); // a later file: the same message again
    EXPECT_EQ(sink.messages, (std::vector<std::string>{message, message}));
    table.CloseCallTable();

    Database reopened(dir.Path());
    EXPECT_EQ(Scalar(reopened, "SELECT count(*) FROM AMG"), 1000);
    EXPECT_EQ(Scalar(reopened, "SELECT count(DISTINCT ID) FROM AMG WHERE ID BETWEEN 1 AND 1000"),
              1000);
    EXPECT_EQ(Scalar(reopened, "SELECT count(*) FROM AMG WHERE Owner_N = "
                               "'0123456789*#0123456789*#01234567' AND \"117_N1\" = -2147483648"),
              1000);
    Query check(reopened);
    check.SetLines({"PRAGMA amg.integrity_check"});
    check.Open();
    EXPECT_EQ(check.AsText(0), "ok");
}

TEST_F(CallTableTest, TheMainQueryFoldsTheRecordsOfACallIntoOneRow) {
    for (const char* lookup : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
        dir.CopyFromProgramDir(lookup);
    // A service code the lookup table lacks keeps its row out of the result.
    db.Execute("DELETE FROM usluga_b WHERE num = 7", "test");

    EmptyCallTable(db);
    CallTable table(db, sink);
    table.OpenCallTable();
    const auto add = [&](const char* owner, std::uint8_t sequence, std::uint8_t f10,
                         std::uint8_t failure, std::uint8_t f4, std::uint32_t call,
                         std::uint32_t duration, std::uint8_t f1_102 = 0,
                         std::uint8_t service_a = 0, std::uint8_t service_b = 0) {
        TCallRecord r;
        r.Owner_N.assign(owner);
        r.Sequence = sequence;
        r.F10 = f10;
        r.Failure = failure;
        r.F4 = f4;
        r.HeaderNumber7 = call;
        r.Code115 = 115;
        r.Call_Durat = duration;
        r.Code102 = 102;
        r.Start_D = EncodeDate({2024, 3, 1});
        r.Start_T = EncodeTime({10, 0, 0, 0});
        r.F1_102 = f1_102;
        r.Code106 = service_a ? 106 : 0;
        r.Suppl_Serv_106 = service_a;
        r.Code107 = service_b ? 107 : 0;
        r.Suppl_Serv_107 = service_b;
        r.Code110 = 110;
        r.Value110 = 10;
        ASSERT_TRUE(table.AppendCallRow(r));
    };
    add("1001", 1, 1, 2, 0, 1, 0);    // whole call, not answered: listed
    add("2001", 1, 0, 0, 1, 2, 4000); // F10 = 0: never listed
    add("3001", 2, 0, 0, 1, 3, 1000); // call 3: three partial records,
    add("3002", 3, 0, 0, 1, 3, 5000); //   the longest stands for it
    add("3003", 4, 0, 0, 1, 3, 3000);
    add("4001", 2, 0, 0, 1, 4, 7000, 2);         // call 4: 102_F1 above 1 does not count,
    add("4002", 2, 0, 0, 1, 4, 2000, 1);         //   so the shorter one is the longest
    add("5001", 2, 0, 3, 0, 5, 9000);            // partial, not successful: not listed
    add("6001", 1, 1, 16, 0, 6, 90000, 0, 5);    // service of A shown as its text
    add("7001", 1, 1, 16, 0, 7, 60000, 0, 0, 7); // service of B unknown: dropped
    add("8001", 2, 0, 0, 1, 8, 4000);            // call 8: two equal partial records
    add("8001", 2, 0, 0, 1, 8, 4000);            //   appear once
    table.CloseCallTable();

    // The result query as the command "Открыть таблицу" opens it: the
    // grouping query saved as servis.sql, the main query over AMG and the
    // lookup tables, ordered by number A.
    Query q(db);
    const std::vector<std::string> sort = {"Номер_А[Up]"};
    const ResultOutcome opened = OpenResultQuery(q, sort);
    ASSERT_TRUE(opened.ok) << opened.detail;
    EXPECT_EQ(dir.Read("servis.sql"),
              "SELECT Amg.Call_Proc_ID\r\n, MAX(Amg.Call_Durat) as MaxCallDurat\r\nFROM AMG "
              "Amg\r\nWHERE (Amg.Failure=16) AND (Amg.\"102_F1\"<=1) AND "
              "(Amg.Sequence>1)\r\nGROUP BY Amg.Call_Proc_ID\r\n");
    const std::vector<std::string> columns = {
        "Ошибка",       "EX_ош",       "Тип_зап",     "Вх_транк_гр", "Вх_транк",
        "Исх_транк_гр", "Исх_транк",   "Номер_А",     "ОрНомер_A",   "Номер_Б",
        "Посл_сть",     "Дата_иниц",   "Время_иниц",  "Дата_окон",   "Время_ок",
        "Категория",    "Услуга_аб_А", "Услуга_аб_Б", "Прод_мс",     "Прод_Мин"};
    ASSERT_EQ(q.Columns().size(), columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i)
        EXPECT_EQ(q.Columns()[i].name, columns[i]);
    EXPECT_EQ(q.Columns()[11].type, FieldType::Date);
    EXPECT_EQ(q.Columns()[12].type, FieldType::Time);

    std::vector<std::string> listed;
    for (; !q.Eof(); q.Next()) {
        const std::string owner = q.AsText("Номер_А");
        listed.push_back(owner);
        EXPECT_EQ(q.AsText("Дата_иниц"), "2024-03-01");
        EXPECT_EQ(q.AsText("Время_иниц"), "10:00:00.000");
        EXPECT_TRUE(q.IsNull("Номер_Б"));
        EXPECT_TRUE(q.IsNull("Дата_окон"));
        EXPECT_TRUE(q.IsNull("Вх_транк_гр"));
        EXPECT_EQ(q.AsText("Категория"), "10");
        EXPECT_EQ(q.AsText("Услуга_аб_Б"), "Нет");
        if (owner == "1001") {
            EXPECT_EQ(q.AsText("Ошибка"), "Неответ аб.");
            EXPECT_EQ(q.AsText("Тип_зап"), "1");
        } else {
            EXPECT_EQ(q.AsText("Ошибка"), "Успешный") << owner;
        }
        if (owner == "3002") {
            EXPECT_EQ(q.AsText("Прод_мс"), "5000");
            EXPECT_DOUBLE_EQ(q.AsFloat("Прод_Мин"), 5000.0 / 60000);
        }
        if (owner == "6001") {
            EXPECT_EQ(q.AsText("Услуга_аб_А"), "Услуга 5");
            EXPECT_EQ(q.AsText("Прод_Мин"), "1.5");
        } else {
            EXPECT_EQ(q.AsText("Услуга_аб_А"), "Нет") << owner;
        }
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"1001", "3002", "4002", "6001", "8001"}));

    // The same command run again rewrites servis.sql with the same bytes
    // and lists the same rows.
    const std::string saved = dir.Read("servis.sql");
    ASSERT_TRUE(OpenResultQuery(q, sort).ok);
    EXPECT_EQ(dir.Read("servis.sql"), saved);
    std::vector<std::string> again;
    for (; !q.Eof(); q.Next())
        again.push_back(q.AsText("Номер_А"));
    EXPECT_EQ(again, listed);
}

} // namespace
} // namespace kestrom
