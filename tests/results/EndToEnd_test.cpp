#include "results/ResultQuery.h"
#include "results/ResultSet.h"

#include "db/Database.h"
#include "db/Query.h"
#include "load/CallTable.h"
#include "load/DecodeLoop.h"
#include "load/PreFilter.h"
#include "tests/db/ScratchDir.h"
#include "tools/AmaGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kestrom {
namespace {

using test::ScratchDir;

struct NoMessages : MessageSink {
    int count = 0;
    void Information(std::string_view) override { ++count; }
};

// Generated AMA bytes, decoded with every load-time filter off into the call
// table, come out of the result query one row per call.
TEST(ResultEndToEnd, GeneratedCallsComeOutOnceEach) {
    gen::GeneratorOptions o;
    o.RecordsPerFile = 4000;
    o.KeepRecords = true;
    o.Seed = 77;
    const gen::GeneratedFile file = gen::GenerateFile(o, "i3962", {2006, 10, 9}, 1);
    ASSERT_GT(file.Counts.LongCalls, 10u);

    ScratchDir dir;
    for (const char* lookup : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
        dir.CopyFromProgramDir(lookup);
    Database db(dir.Path());
    NoMessages messages;
    EmptyCallTable(db);
    CallTable table(db, messages);
    table.OpenCallTable();
    TPreFilter filter;
    PrepareFilter(filter);
    TLoadBuffer buf;
    buf.Data = file.Bytes.data();
    buf.Size = static_cast<std::int64_t>(file.Bytes.size());
    TCallRecord record;
    DecodeContext ctx{buf, record, filter, table, YieldHook{}, nullptr};
    const DecodeStats stats = DecodeBuffer(ctx);
    table.CloseCallTable();
    ASSERT_EQ(stats.Stored, file.Counts.Sound);
    ASSERT_EQ(messages.count, 0);

    // What the generator wrote: whole calls with F10, and for each long call
    // the duration of its longest record.
    std::uint64_t wholeCalls = 0, wholeSuccessful = 0;
    double wholeDuration = 0;
    std::map<std::uint32_t, std::uint32_t> longest; // call id -> duration
    for (const gen::RecordTruth& t : file.Records) {
        if (t.Sequence == 1 && t.F10) {
            ++wholeCalls;
            if (t.Successful) ++wholeSuccessful;
            if (t.HasDuration) wholeDuration += t.DurationMs;
        } else if (t.Sequence > 1) {
            std::uint32_t& d = longest[t.CallId];
            d = std::max(d, t.DurationMs);
        }
    }
    ASSERT_EQ(longest.size(), file.Counts.LongCalls);
    std::vector<double> expectedLong;
    for (const auto& [id, d] : longest)
        expectedLong.push_back(d);
    std::sort(expectedLong.begin(), expectedLong.end());

    Query query(db);
    const std::vector<std::string> sort = {"Дата_иниц[Up]", "Время_иниц[Up]"};
    const ResultOutcome opened = OpenResultQuery(query, sort);
    ASSERT_TRUE(opened.ok) << opened.detail;
    ResultSet rows;
    rows.Reset(query);
    rows.ReadRows(query);

    EXPECT_EQ(rows.RowCount(), wholeCalls + file.Counts.LongCalls);
    const auto col = [&](const char* name) {
        const int c = rows.ColumnIndex(name);
        EXPECT_GE(c, 0) << name;
        return static_cast<std::size_t>(c);
    };
    const std::size_t type = col("Тип_зап"), failure = col("Ошибка"), ms = col("Прод_мс"),
                      minutes = col("Прод_Мин"), date = col("Дата_иниц"), time = col("Время_иниц");
    std::uint64_t successful = 0;
    double duration = 0;
    std::vector<double> longRows;
    std::pair<std::string_view, std::string_view> previous;
    for (std::size_t r = 0; r < rows.RowCount(); ++r) {
        const std::pair<std::string_view, std::string_view> start{rows.TextView(r, date),
                                                                  rows.TextView(r, time)};
        EXPECT_LE(previous, start) << "row " << r;
        previous = start;
        EXPECT_DOUBLE_EQ(rows.AsFloat(r, minutes), rows.AsFloat(r, ms) / 60000);
        if (rows.AsInteger(r, type) == 1) {
            if (rows.TextView(r, failure) == "Успешный") ++successful;
            duration += rows.AsFloat(r, ms);
        } else {
            EXPECT_EQ(rows.TextView(r, failure), "Успешный");
            longRows.push_back(rows.AsFloat(r, ms));
        }
    }
    EXPECT_EQ(successful, wholeSuccessful);
    EXPECT_EQ(duration, wholeDuration);
    std::sort(longRows.begin(), longRows.end());
    EXPECT_EQ(longRows, expectedLong);
}

} // namespace
} // namespace kestrom
