#include "load/LoadCommand.h"

#include "../db/ScratchDir.h"
#include "RecordingFrontEnd.h"
#include "db/Database.h"
#include "db/Query.h"
#include "load/ArchiveSource.h"
#include "load/DaySearch.h"
#include "load/PreFilter.h"
#include "tools/AmaGenerator.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <map>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using test::RecordingFrontEnd;
using test::ScratchDir;

TDateTime At(int y, int m, int d, int hour = 0, int minute = 0) {
    return EncodeDate({y, m, d}) + EncodeTime({hour, minute, 0, 0});
}

std::int64_t RowCount(Database& db) {
    Query q(db);
    q.SetLines({"SELECT COUNT(*) AS n FROM AMG"});
    q.Open();
    return q.AsInteger(0);
}

// Four days (1 to 4 October 2006) of two exchanges, two files a day each.
struct LoadFixture : ::testing::Test {
    LoadFixture() : db(dbDir.Path()), session(db) {
        gen::GeneratorOptions o;
        o.Exchanges = {"i3962", "i3963"};
        o.From = {2006, 10, 1};
        o.Days = 4;
        o.FilesPerDay = 2;
        o.RecordsPerFile = 150;
        manifest = gen::WriteFiles(o, amaDir.Path());
        request.RequireFilter = false;
        request.Filter.OnlySuccessful = false;
        request.AutoOpen = false;
        request.Period.AmaFolder = amaDir.Path().string() + "/";
        request.Period.Start = At(2006, 10, 1, 0, 0);
        request.Period.End = At(2006, 10, 3, 23, 59);
    }

    // Sound records of the files of the given days (and exchange, when given).
    std::uint64_t Sound(int firstDay, int lastDay, std::string_view exchange = {}) const {
        std::uint64_t n = 0;
        for (const auto& f : manifest.Files)
            if (f.Day.day >= firstDay && f.Day.day <= lastDay &&
                (exchange.empty() || f.Exchange == exchange))
                n += f.Counts.Sound;
        return n;
    }

    ScratchDir amaDir;
    ScratchDir dbDir;
    Database db;
    LoadSession session;
    gen::GenerationManifest manifest;
    LoadRequest request;
    RecordingFrontEnd fe;
};

TEST(DaySearch, MaskSelectsTheDayFilesWithoutRegardToCase) {
    const TDateTime day = At(2006, 10, 9);
    EXPECT_EQ(DayText(day), "20061009");
    const std::string all = DayPattern("", day);
    EXPECT_EQ(all, "*20061009*.ama");
    EXPECT_TRUE(NameMatches(all, "i396220061009_1.ama"));
    EXPECT_TRUE(NameMatches(all, "I396220061009.AMA"));
    EXPECT_TRUE(NameMatches(all, "20061009.ama"));
    EXPECT_FALSE(NameMatches(all, "i396220061010_1.ama"));
    EXPECT_FALSE(NameMatches(all, "i396220061009_1.ama.bak"));
    EXPECT_FALSE(NameMatches(all, "i396220061009_1.amx"));
    const std::string one = DayPattern("i3962", day);
    EXPECT_TRUE(NameMatches(one, "i396220061009_2.ama"));
    EXPECT_TRUE(NameMatches(one, "I396220061009X.Ama"));
    EXPECT_FALSE(NameMatches(one, "i396320061009_1.ama"));
    EXPECT_FALSE(NameMatches(one, "xi396220061009_1.ama"));
    EXPECT_TRUE(NameMatches("a?c*.ama", "abc.ama"));
    EXPECT_FALSE(NameMatches("a?c*.ama", "ac.ama"));
    EXPECT_EQ(FolderWithSeparator("/data/ama"), "/data/ama/");
    EXPECT_EQ(FolderWithSeparator("/data/ama/"), "/data/ama/");
    EXPECT_EQ(FolderWithSeparator(""), "");
}

TEST(PeriodDays, RoundsTheSpanUpToWholeDays) {
    EXPECT_EQ(PeriodDays(At(2006, 10, 1), At(2006, 10, 3, 23, 59)), 3);
    EXPECT_EQ(PeriodDays(At(2006, 10, 1), At(2006, 10, 1, 23, 59)), 1);
    EXPECT_EQ(PeriodDays(At(2006, 10, 1), At(2006, 10, 3)), 2);
    EXPECT_EQ(PeriodDays(At(2006, 10, 5), At(2006, 10, 4, 23, 59)), 1);
    EXPECT_EQ(PeriodDays(At(2006, 10, 5), At(2006, 10, 3, 23, 59)), 2);
    EXPECT_EQ(PeriodDays(At(2006, 10, 1), At(2006, 10, 1)), 0);
}

TEST_F(LoadFixture, LoadsEveryFileOfEachDayOfThePeriod) {
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_TRUE(out.Ran);
    EXPECT_EQ(out.Days, 3);
    EXPECT_EQ(static_cast<std::uint64_t>(out.Loaded), Sound(1, 3));
    EXPECT_EQ(RowCount(db), out.Loaded);
    EXPECT_TRUE(fe.messages.empty()) << fe.messages.front();
    // The progress window lives for one day at a time.
    const std::vector<std::string> day1 = {
        "create", "show Поиск и загрузка файлов за 01.10.2006. Ожидайте...", "hide", "destroy"};
    ASSERT_EQ(fe.events.size(), 12u);
    EXPECT_EQ(std::vector<std::string>(fe.events.begin(), fe.events.begin() + 4), day1);
    EXPECT_EQ(fe.events[5], "show Поиск и загрузка файлов за 02.10.2006. Ожидайте...");
    // The bar runs over the bytes of the last day's four files, then back to 0.
    std::int64_t lastDayBytes = 0;
    for (const auto& f : manifest.Files)
        if (f.Day.day == 3) lastDayBytes += static_cast<std::int64_t>(f.Counts.Bytes);
    EXPECT_EQ(fe.maximum, lastDayBytes);
    ASSERT_GE(fe.positions.size(), 2u);
    EXPECT_EQ(fe.positions[fe.positions.size() - 2], lastDayBytes);
    EXPECT_EQ(fe.positions.back(), 0);
    EXPECT_EQ(fe.attachments, (std::vector<bool>{false, true}));
    EXPECT_EQ(fe.cursor.size(), 6u);
    EXPECT_FALSE(fe.cursor.back());
}

TEST_F(LoadFixture, PeriodArithmeticAndItsEdges) {
    request.Period.End = At(2006, 10, 3, 0, 0); // exactly two days: 1 and 2 October
    EXPECT_EQ(static_cast<std::uint64_t>(session.Run(request, fe).Loaded), Sound(1, 2));

    request.Period.End = At(2006, 10, 1, 0, 0); // the very same value: no day at all
    const LoadOutcome none = session.Run(request, fe);
    EXPECT_TRUE(none.Ran);
    EXPECT_EQ(none.Days, 0);
    EXPECT_EQ(RowCount(db), 0); // the table was emptied all the same

    request.Period.Start = At(2006, 10, 4, 10, 0); // end earlier on the same day: one day
    request.Period.End = At(2006, 10, 4, 9, 0);
    EXPECT_EQ(static_cast<std::uint64_t>(session.Run(request, fe).Loaded), Sound(4, 4));
}

TEST_F(LoadFixture, EndDateBeforeStartIsRefusedBeforeAnythingIsTouched) {
    const std::int64_t before = session.Run(request, fe).Loaded;
    fe.messages.clear();
    fe.savedHeaders.clear();
    EXPECT_EQ(fe.starts, 1);
    LoadRequest bad = request;
    bad.Period.Start = At(2006, 10, 5);
    bad.Period.End = At(2006, 10, 4, 23, 59);
    bad.AutoOpen = true;
    const LoadOutcome out = session.Run(bad, fe);
    EXPECT_FALSE(out.Ran);
    EXPECT_FALSE(out.OpenResult);
    EXPECT_EQ(fe.messages,
              (std::vector<std::string>{"Дата окончания периода раньше даты начала!"}));
    EXPECT_TRUE(fe.savedHeaders.empty());
    EXPECT_EQ(fe.starts, 1);
    EXPECT_EQ(RowCount(db), before);
}

TEST_F(LoadFixture, RefusalsBeforeTheLoad) {
    request.RequireFilter = true;
    request.Filter.OnlySuccessful = true; // not a filter button
    LoadOutcome out = session.Run(request, fe);
    EXPECT_FALSE(out.Ran);
    EXPECT_EQ(fe.messages, (std::vector<std::string>{"Не выбран фильтр!"}));

    request.RequireFilter = false;
    request.Period.AmaFolder.clear();
    request.AutoOpen = true;
    out = session.Run(request, fe);
    EXPECT_FALSE(out.Ran);
    EXPECT_TRUE(out.OpenResult); // the previous rows are shown again
    EXPECT_EQ(fe.messages.back(), "Не указан путь к файлам *.AMA!");
    EXPECT_EQ(fe.starts, 0); // neither refusal went ahead
}

TEST_F(LoadFixture, ExchangeChoiceAndFolderForms) {
    request.Filter.ExchangeNumber = "i3963";
    request.Period.AmaFolder = amaDir.Path().string(); // typed without the separator
    EXPECT_EQ(static_cast<std::uint64_t>(session.Run(request, fe).Loaded), Sound(1, 3, "i3963"));
    EXPECT_EQ(session.PrintStr(),
              "Выборка данных начиная с 01.10.2006 по 03.10.2006. АТС №: i3963.");

    request.Filter.ExchangeNumber.clear(); // pressed with an empty box: every exchange
    EXPECT_EQ(static_cast<std::uint64_t>(session.Run(request, fe).Loaded), Sound(1, 3));
    EXPECT_EQ(session.PrintStr(), "Выборка данных начиная с 01.10.2006 по 03.10.2006.");

    request.Filter.ExchangeNumber = "i3962ABCDEFG"; // 12 characters: the first 10 count
    EXPECT_EQ(session.Run(request, fe).Loaded, 0);
    EXPECT_EQ(session.PrintStr(),
              "Выборка данных начиная с 01.10.2006 по 03.10.2006. АТС №: i3962ABCDE.");

    // Letters of the names match without regard to case.
    for (const auto& f : manifest.Files) {
        if (f.Exchange != "i3962" || f.Day.day != 1) continue;
        std::string upper = f.Name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        fs::rename(amaDir.Path() / f.Name, amaDir.Path() / upper);
    }
    request.Filter.ExchangeNumber = "i3962";
    request.Period.End = At(2006, 10, 1, 23, 59);
    EXPECT_EQ(static_cast<std::uint64_t>(session.Run(request, fe).Loaded), Sound(1, 1, "i3962"));
}

TEST_F(LoadFixture, MissingEmptyAndShortFiles) {
    // Day 2 loses its files, day 3 keeps only empty ones, an empty file joins day 1.
    for (const auto& f : manifest.Files) {
        if (f.Day.day == 2) fs::remove(amaDir.Path() / f.Name);
        if (f.Day.day == 3) fs::resize_file(amaDir.Path() / f.Name, 0);
    }
    ScratchDir& ama = amaDir;
    ama.Write("i396220061001_9.ama", "");
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_EQ(static_cast<std::uint64_t>(out.Loaded), Sound(1, 1));
    EXPECT_EQ(fe.messages, (std::vector<std::string>{"Файлы за 02.10.2006 не найдены!",
                                                     "Файлы за 03.10.2006 не найдены!"}));

    // A file cut short between the two passes: decoded as far as it was read.
    fe.messages.clear();
    const gen::GeneratedFile* victim = nullptr;
    for (const auto& f : manifest.Files)
        if (f.Day.day == 4 && !victim) victim = &f;
    ASSERT_NE(victim, nullptr);
    bool cut = false;
    fe.onYield = [&] {
        if (!cut && fe.maximum > 0 && fe.positions.empty()) {
            fs::resize_file(amaDir.Path() / victim->Name, 100);
            cut = true;
        }
    };
    fe.positions.clear();
    fe.maximum = 0;
    request.Period.Start = At(2006, 10, 4);
    request.Period.End = At(2006, 10, 4, 23, 59);
    session.Run(request, fe);
    std::int64_t found = 0;
    for (const auto& f : manifest.Files)
        if (f.Day.day == 4) found += static_cast<std::int64_t>(f.Counts.Bytes);
    const std::int64_t loaded = found - static_cast<std::int64_t>(victim->Counts.Bytes) + 100;
    ASSERT_TRUE(cut);
    ASSERT_FALSE(fe.messages.empty());
    EXPECT_EQ(fe.messages.front(), "Ошибка!\rНайдено:" + std::to_string(found) +
                                       "байт.\rЗагружено: " + std::to_string(loaded) + "байт.");
}

TEST_F(LoadFixture, CancelStopsAtTheNextRecordAndNoFurtherDayLoads) {
    bool pressed = false;
    std::int64_t refusedWhileBusy = 0;
    fe.onYield = [&] {
        if (!pressed && fe.yields == 50) {
            // A second start while the load runs is refused.
            RecordingFrontEnd other;
            const LoadOutcome second = session.Run(request, other);
            if (!second.Ran &&
                other.messages == std::vector<std::string>{std::string(LoadSession::BusyMessage)})
                ++refusedWhileBusy;
            session.Cancel();
            session.Cancel(); // twice is the same as once
            pressed = true;
        }
    };
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(refusedWhileBusy, 1);
    EXPECT_TRUE(out.Cancelled);
    EXPECT_EQ(out.Days, 1);
    EXPECT_LT(out.Loaded, 25); // what was stored before the press, and the record in hand
    // The remaining files of the day are still read, so the counts agree.
    EXPECT_TRUE(fe.messages.empty());
    EXPECT_FALSE(session.Busy());

    // The next load runs normally.
    fe.onYield = nullptr;
    EXPECT_EQ(static_cast<std::uint64_t>(session.Run(request, fe).Loaded), Sound(1, 3));
}

TEST_F(LoadFixture, DamagedRecordsAreReportedOnceAtTheEnd) {
    ScratchDir damaged;
    gen::GeneratorOptions o;
    o.From = {2006, 10, 1};
    o.FilesPerDay = 2;
    o.RecordsPerFile = 100;
    o.Damage = true;
    const auto m = gen::WriteFiles(o, damaged.Path());
    request.Period.AmaFolder = damaged.Path().string();
    request.Period.End = At(2006, 10, 1, 23, 59);
    const LoadOutcome out = session.Run(request, fe);
    ASSERT_EQ(fe.messages.size(), 1u);
    std::string expected =
        "Пропущено повреждённых записей: " + std::to_string(m.Total.BadDate + m.Total.CutOff) + ".";
    for (const auto& f : m.Files)
        expected += "\n" + f.Name + ": " + std::to_string(f.Counts.BadDate + f.Counts.CutOff);
    EXPECT_EQ(fe.messages[0], expected);
    EXPECT_EQ(static_cast<std::uint64_t>(out.Loaded), m.Total.Sound);
}

// An archive that the test scripts: Connect's answer, and for each day (its
// day of the month) the rows it stores (numbers A "d-n"), whether it holds
// files, and a failure after the rows.
class ScriptedArchive : public ArchiveSource {
  public:
    struct Day {
        int Rows = 0;
        bool Found = true;
        std::string Error;
    };

    std::string Connect() override {
        ++connects;
        return connectAnswer;
    }

    DayCopy CopyDay(const TPreFilter& filter, TDateTime day, CallTable& table,
                    LoadFrontEnd& frontEnd, const bool& cancelled) override {
        const int dom = CivilFromDays(DatePart(day)).day;
        calls.push_back(dom);
        filters.push_back(filter);
        const Day script = days.count(dom) ? days[dom] : Day{};
        DayCopy out;
        out.Found = script.Found;
        for (int i = 1; i <= script.Rows && !cancelled; ++i) {
            TCallRecord r;
            r.Owner_N.assign(std::to_string(dom) + "-" + std::to_string(i));
            if (table.AppendCallRow(r)) ++out.Rows;
            frontEnd.Yield()();
            if (onRow) onRow();
        }
        out.Error = script.Error;
        return out;
    }

    std::string connectAnswer;
    std::map<int, Day> days;
    std::function<void()> onRow;
    int connects = 0;
    std::vector<int> calls; ///< the days asked for, by day of the month
    std::vector<TPreFilter> filters;
};

std::vector<std::string> NumbersA(Database& db) {
    Query q(db);
    q.SetLines({"SELECT Owner_N FROM AMG ORDER BY ID"});
    q.Open();
    std::vector<std::string> numbers;
    for (; !q.Eof(); q.Next())
        numbers.push_back(q.AsText(0));
    return numbers;
}

struct ArchiveLoadFixture : LoadFixture {
    ArchiveLoadFixture() {
        request.Period.AmaFolder.clear(); // the archive needs no folder
        request.Archive = &archive;
        archive.days[1] = {2, true, {}};
        archive.days[2] = {0, false, {}};
        archive.days[3] = {3, true, {}};
    }
    ScriptedArchive archive;
};

TEST_F(ArchiveLoadFixture, RowsComeFromTheArchiveDayByDayWithThePreparedFilter) {
    request.Filter.ExchangeNumber = "i3962ABCDEFG";
    request.Filter.NumberAOn = true;
    request.Filter.NumberAMatch = nmStartsWith;
    request.Filter.NumberAText = "1, 2";
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_TRUE(out.Ran);
    EXPECT_EQ(out.Days, 3);
    EXPECT_EQ(out.End, LoadEnd::Finished);
    EXPECT_EQ(out.Loaded, 5);
    EXPECT_EQ(NumbersA(db), (std::vector<std::string>{"1-1", "1-2", "3-1", "3-2", "3-3"}));
    EXPECT_EQ(archive.connects, 1);
    EXPECT_EQ(archive.calls, (std::vector<int>{1, 2, 3}));
    ASSERT_FALSE(archive.filters.empty());
    EXPECT_EQ(archive.filters[0].ExchangeNumber, "i3962ABCDE");
    EXPECT_EQ(archive.filters[0].NumberAList, (std::vector<std::string>{"1", "2"}));
    // A day without files says so as the folder load does, through the hook
    // that lets the window silence it.
    EXPECT_EQ(fe.messages, (std::vector<std::string>{"Файлы за 02.10.2006 не найдены!"}));
    EXPECT_EQ(fe.daysWithoutFiles, 1);
    EXPECT_EQ(fe.savedHeaders.size(), 1u);
    EXPECT_EQ(LastLoadEnd(db), LoadEnd::Finished);
}

TEST_F(ArchiveLoadFixture, AnArchiveThatCannotBeUsedLeavesTheTableAsItWas) {
    archive.days[1].Rows = 7;
    ASSERT_EQ(session.Run(request, fe).Loaded, 10);
    const std::vector<std::string> before = NumbersA(db);
    fe = RecordingFrontEnd();
    archive.calls.clear();
    archive.connectAnswer = "Сервер архива недоступен (тест).";
    request.AutoOpen = true;
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_FALSE(out.Ran);
    EXPECT_FALSE(out.OpenResult);
    EXPECT_EQ(fe.messages, (std::vector<std::string>{"Сервер архива недоступен (тест)."}));
    EXPECT_EQ(fe.starts, 0);
    EXPECT_TRUE(fe.savedHeaders.empty());
    EXPECT_TRUE(archive.calls.empty());
    EXPECT_EQ(NumbersA(db), before);
    EXPECT_EQ(LastLoadEnd(db), LoadEnd::Finished);
}

TEST_F(ArchiveLoadFixture, AFailureOfTheArchiveEndsTheLoadAsBrokenOff) {
    archive.days[2] = {4, true, "Связь с сервером архива потеряна (тест)."};
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_TRUE(out.Ran);
    EXPECT_EQ(out.End, LoadEnd::BrokeOff);
    EXPECT_EQ(out.Days, 1);
    EXPECT_EQ(out.Loaded, 6);
    EXPECT_EQ(archive.calls, (std::vector<int>{1, 2})); // no day after the failure
    EXPECT_EQ(fe.messages, (std::vector<std::string>{"Связь с сервером архива потеряна (тест)."}));
    // The rows stored before stay, and the table tells that the load broke off.
    EXPECT_EQ(NumbersA(db), (std::vector<std::string>{"1-1", "1-2", "2-1", "2-2", "2-3", "2-4"}));
    EXPECT_EQ(LastLoadEnd(db), LoadEnd::BrokeOff);
    EXPECT_FALSE(session.Busy());

    // The next load runs normally.
    archive.days[2] = {};
    EXPECT_EQ(session.Run(request, fe).End, LoadEnd::Finished);
    EXPECT_EQ(LastLoadEnd(db), LoadEnd::Finished);
}

TEST_F(ArchiveLoadFixture, CancelStopsTheCopyAndNoFurtherDayIsAskedFor) {
    archive.days[1].Rows = 10;
    archive.onRow = [&] { session.Cancel(); };
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_TRUE(out.Cancelled);
    EXPECT_EQ(out.End, LoadEnd::Cancelled);
    EXPECT_EQ(out.Days, 1);
    EXPECT_EQ(out.Loaded, 1);
    EXPECT_EQ(archive.calls, (std::vector<int>{1}));
    EXPECT_EQ(LastLoadEnd(db), LoadEnd::Cancelled);
}

TEST_F(LoadFixture, PrintHeadersNameThePeriodAndTheFilters) {
    request.Filter.NumberAOn = true;
    request.Filter.NumberAMatch = nmEqual;
    request.Filter.NumberAText = "100";
    request.Filter.NumberJoin = 0;
    request.Filter.NumberBOn = true;
    request.Filter.NumberBMatch = nmStartsWith;
    request.Filter.NumberBText = "8";
    session.Run(request, fe);
    EXPECT_EQ(session.PrintStr1(), "Фильтры:  Номер_А:равно 100. AND  Номер_Б:начинается с 8.");
    EXPECT_EQ(fe.savedHeaders.back(),
              "Выборка данных начиная с 01.10.2006 по 03.10.2006.|" + session.PrintStr1());

    LoadRequest r;
    r.RequireFilter = true;
    r.Period.AmaFolder = request.Period.AmaFolder;
    r.Period.Start = request.Period.Start;
    r.Period.End = request.Period.End;
    r.Filter.TimeToOn = true;
    r.Filter.TimeTo = EncodeTime({14, 5, 30, 0});
    r.Filter.InTrunkGroupOn = true;
    r.Filter.InTrunkGroup = 12;
    r.Filter.ErrorCodeOn = true;
    r.Filter.ErrorCode = 31;
    session.Run(r, fe);
    EXPECT_EQ(session.PrintStr1(), "Фильтры:  Вх.ТГ:12. Код ош.:31. Время до:14:05:30.");
}

} // namespace
} // namespace kestrom
