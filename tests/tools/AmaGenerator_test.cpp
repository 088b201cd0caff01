#include "tools/AmaGenerator.h"

#include "load/CallRowWriter.h"
#include "load/DecodeLoop.h"
#include "load/PreFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

using namespace kestrom;
using namespace kestrom::gen;

namespace {

class CollectingWriter : public CallRowWriter {
  public:
    bool AppendCallRow(TCallRecord& record) override {
        rows.push_back(record);
        return true;
    }
    std::vector<TCallRecord> rows;
};

struct Decoded {
    DecodeStats stats;
    std::vector<TCallRecord> rows;
};

// Walks a file's bytes with every load-time filter off.
Decoded DecodeAll(const std::vector<std::uint8_t>& bytes) {
    TPreFilter filter;
    PrepareFilter(filter);
    TLoadBuffer buf;
    buf.Data = bytes.data();
    buf.Size = static_cast<std::int64_t>(bytes.size());
    TCallRecord rec;
    CollectingWriter writer;
    DecodeContext ctx{buf, rec, filter, writer, {}, nullptr};
    Decoded d;
    d.stats = DecodeBuffer(ctx);
    d.rows = std::move(writer.rows);
    return d;
}

GeneratorOptions Options(std::uint64_t records, double badShare = 0.0, bool damage = false) {
    GeneratorOptions o;
    o.RecordsPerFile = records;
    o.BadChecksumShare = badShare;
    o.Damage = damage;
    o.KeepRecords = true;
    o.Seed = 20061009;
    return o;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempDir {
  public:
    TempDir() {
        path = std::filesystem::temp_directory_path() /
               ("amagen_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

const CivilDate Day{2006, 10, 9};

} // namespace

TEST(AmaGenerator, SameOptionsGiveTheSameBytesAndAnotherSeedOthers) {
    GeneratorOptions o = Options(3000, 0.05, true);
    const GeneratedFile a = GenerateFile(o, "i3962", Day, 1);
    const GeneratedFile b = GenerateFile(o, "i3962", Day, 1);
    EXPECT_EQ(a.Bytes, b.Bytes);
    EXPECT_FALSE(a.Bytes.empty());

    o.Seed += 1;
    EXPECT_NE(GenerateFile(o, "i3962", Day, 1).Bytes, a.Bytes);
    o.Seed -= 1;
    EXPECT_NE(GenerateFile(o, "i3962", Day, 2).Bytes, a.Bytes);
    EXPECT_NE(GenerateFile(o, "i3971", Day, 1).Bytes, a.Bytes);

    // A file's bytes do not depend on the other exchanges of the run, and the
    // written file holds the bytes generated in memory.
    TempDir dir;
    o.FilesPerDay = 2;
    const GeneratedFile alone = GenerateFile(o, "i3962", Day, 2);
    o.Exchanges = {"i3971", "i3962"};
    WriteFiles(o, dir.path);
    EXPECT_EQ(ReadFile(dir.path / "i396220061009_2.ama"), alone.Bytes);
}

TEST(AmaGenerator, NamesFilesPerExchangeAndDay) {
    EXPECT_EQ(AmaFileName("i3962", Day, 1), "i396220061009_1.ama");
    EXPECT_EQ(AmaFileName("x", {2010, 1, 2}, 12), "x20100102_12.ama");

    TempDir dir;
    GeneratorOptions o = Options(50);
    o.KeepRecords = false;
    o.Exchanges = {"i3962", "i40"};
    o.From = {2008, 2, 28}; // across a leap day and a month's end
    o.Days = 3;
    o.FilesPerDay = 2;
    const GenerationManifest m = WriteFiles(o, dir.path);
    ASSERT_EQ(m.Files.size(), 12u);
    EXPECT_EQ(FileCount(o), 12u);

    std::set<std::string> onDisk;
    for (const auto& e : std::filesystem::directory_iterator(dir.path))
        onDisk.insert(e.path().filename().string());
    std::set<std::string> expected;
    for (const char* date : {"20080228", "20080229", "20080301"})
        for (const char* ex : {"i3962", "i40"})
            for (const char* n : {"_1", "_2"})
                expected.insert(std::string(ex) + date + n + ".ama");
    EXPECT_EQ(onDisk, expected);

    GenerationCounts sum;
    for (const auto& f : m.Files) {
        EXPECT_TRUE(onDisk.count(f.Name)) << f.Name;
        EXPECT_EQ(f.Counts.CallRecords, 50u);
        EXPECT_EQ(std::filesystem::file_size(dir.path / f.Name), f.Counts.Bytes);
        sum += f.Counts;
    }
    EXPECT_EQ(m.Total.CallRecords, 600u);
    EXPECT_EQ(m.Total.Bytes, sum.Bytes);
}

TEST(AmaGenerator, SizeTargetFillsEachFileToItsShare) {
    GeneratorOptions o = Options(0);
    o.TotalBytes = 4 * 300000;
    o.Exchanges = {"a1", "b2"};
    o.FilesPerDay = 2;
    const GeneratedFile f = GenerateFile(o, "a1", Day, 2);
    EXPECT_GE(f.Bytes.size(), 300000u);
    EXPECT_LT(f.Bytes.size(), 300000u + 20 * 200); // at most the partial records still due
    const double average =
        static_cast<double>(f.Bytes.size()) / static_cast<double>(f.Counts.CallRecords);
    EXPECT_GT(average, 40.0);
    EXPECT_LT(average, 120.0);
}

TEST(AmaGenerator, DecodingGivesTheCountsOfTheManifest) {
    for (const bool damage : {false, true}) {
        const GeneratedFile f = GenerateFile(Options(20000, 0.1, damage), "i3962", Day, 1);
        const GenerationCounts& c = f.Counts;
        const Decoded d = DecodeAll(f.Bytes);
        SCOPED_TRACE(damage ? "with damage" : "without damage");

        EXPECT_EQ(c.CallRecords, 20000u);
        EXPECT_EQ(d.stats.Records, c.CallRecords);
        EXPECT_EQ(d.stats.BadChecksum, c.BadChecksum);
        EXPECT_EQ(d.stats.BadDateTime, c.BadDate);
        EXPECT_EQ(d.stats.CutOff, c.CutOff);
        EXPECT_EQ(d.stats.Stored, c.Sound);
        EXPECT_EQ(c.Sound + c.BadChecksum + c.BadDate + c.CutOff, c.CallRecords);
        EXPECT_EQ(c.BadDate, damage ? 1u : 0u);
        EXPECT_EQ(c.CutOff, damage ? 1u : 0u);
        const auto successful = std::count_if(d.rows.begin(), d.rows.end(),
                                              [](const TCallRecord& r) { return r.F4 == 1; });
        EXPECT_EQ(static_cast<std::uint64_t>(successful), c.Successful);

        // About the asked share of the records carries a wrong checksum.
        EXPECT_GT(c.BadChecksum, 1700u);
        EXPECT_LT(c.BadChecksum, 2300u);
        EXPECT_GT(c.FurtherRecords, 0u);
        EXPECT_GT(c.UnknownElements, 0u);
    }
}

TEST(AmaGenerator, DecodedFieldsAreTheOnesWritten) {
    const GeneratedFile f = GenerateFile(Options(20000, 0.02, true), "i3962", Day, 1);
    const Decoded d = DecodeAll(f.Bytes);

    std::vector<const RecordTruth*> sound;
    for (const RecordTruth& t : f.Records)
        if (t.Fault == RecordFault::None) sound.push_back(&t);
    ASSERT_EQ(d.rows.size(), sound.size());

    const double day = static_cast<double>(DaysFromCivil(Day));
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const RecordTruth& t = *sound[i];
        const TCallRecord& r = d.rows[i];
        SCOPED_TRACE("record at offset " + std::to_string(t.Offset));
        ASSERT_EQ(r.HeaderNumber3, t.Number3);
        EXPECT_EQ(r.HeaderNumber7, t.CallId);
        EXPECT_EQ(r.Sequence, t.Sequence);
        EXPECT_EQ(r.F4, t.Successful ? 1 : 0);
        EXPECT_EQ(r.F10, t.F10 ? 1 : 0);
        EXPECT_EQ(r.Owner_N, t.Owner);
        EXPECT_EQ(r.Code100 != 0, t.HasPartner);
        EXPECT_EQ(r.Partner_N, t.Partner);
        EXPECT_EQ(r.Code102 != 0, t.HasStart);
        if (t.HasStart) {
            EXPECT_EQ(r.Start_D, day);
            EXPECT_EQ(TimeOfDayMs(r.Start_T), t.StartMs);
        }
        EXPECT_EQ(r.Code103 != 0, t.HasEnd);
        if (t.HasEnd) {
            EXPECT_EQ(r.End_D, day);
            EXPECT_EQ(TimeOfDayMs(r.End_T), t.EndMs);
        }
        EXPECT_EQ(r.Code112 != 0 ? int(r.Failure) : -1, t.Failure);
        EXPECT_EQ(r.Code121 != 0 ? int(r.Couse_121) : -1, t.ErrorCode);
        EXPECT_EQ(r.Code115 != 0, t.HasDuration);
        EXPECT_EQ(r.Call_Durat, t.HasDuration ? t.DurationMs : 0u);
        EXPECT_EQ(r.Code113 != 0 ? int(r.In_Tr_Gr_ID) : -1, t.InGroup);
        EXPECT_EQ(r.Code114 != 0 ? int(r.Out_Tr_Gr_ID) : -1, t.OutGroup);
        EXPECT_EQ(r.Code106 != 0 ? int(r.Suppl_Serv_106) : -1, t.ServiceA);
        EXPECT_EQ(r.Code107 != 0 ? int(r.Suppl_Serv_107) : -1, t.ServiceB);
        EXPECT_EQ(r.Code110 != 0 ? int(r.Value110) : -1, t.OriginCategory);
        EXPECT_EQ(r.Code116 != 0, t.HasChecksum);
        if (::testing::Test::HasFailure()) break;
    }
}

TEST(AmaGenerator, ContentLooksLikeAnExchangesDay) {
    const GeneratedFile f = GenerateFile(Options(20000), "i3962", Day, 1);
    const Decoded d = DecodeAll(f.Bytes);
    ASSERT_EQ(d.rows.size(), 20000u);

    std::set<int> failures, present;
    std::map<std::uint32_t, std::vector<const TCallRecord*>> calls;
    std::size_t local = 0, withSymbols = 0, oddOwner = 0;
    for (const TCallRecord& r : d.rows) {
        for (int code : {r.Code100, r.Code101, r.Code102, r.Code103, r.Code104, r.Code105,
                         r.Code106, r.Code107, r.Code108, r.Code109, r.Code110, r.Code111,
                         r.Code112, r.Code113, r.Code114, r.Code115, r.Code116, r.Code117,
                         r.Code118, r.Code119, r.Code121, r.Code123})
            present.insert(code);
        if (r.F4 == 0) {
            EXPECT_EQ(r.Code112, 112);
            EXPECT_LE(r.Failure, 7);
            failures.insert(r.Failure);
            EXPECT_EQ(r.Sequence, 1);
        }
        if (r.Code102 && r.Code103) {
            EXPECT_GE(r.End_T, r.Start_T);
        }
        if (r.Owner_N.view().starts_with("396")) ++local; // this exchange's subscribers
        if (r.Partner_N.view().find_first_of("*#") != std::string_view::npos) ++withSymbols;
        if (r.Owner_N.size() % 2 == 1) ++oddOwner;
        calls[r.HeaderNumber7].push_back(&r);
    }
    // Every known element, and its absence (code 0), occurs.
    for (int code = 100; code <= 123; ++code)
        if (code != 120 && code != 122) {
            EXPECT_TRUE(present.count(code)) << code;
        }
    EXPECT_TRUE(present.count(0));
    EXPECT_EQ(failures, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_GT(local, 14000u);
    EXPECT_GT(withSymbols, 0u);
    EXPECT_GT(oddOwner, 0u);

    // Partial records of one call: sequence above 1, successful, one start,
    // ever longer; ordinary calls have an identifier of their own.
    std::size_t longCalls = 0;
    for (const auto& [id, recs] : calls) {
        if (recs.size() == 1 && recs[0]->Sequence == 1) continue;
        ++longCalls;
        ASSERT_GE(recs.size(), 2u) << id;
        for (std::size_t i = 0; i < recs.size(); ++i) {
            EXPECT_EQ(recs[i]->Sequence, i + 2);
            EXPECT_EQ(recs[i]->F4, 1);
            EXPECT_EQ(recs[i]->Start_T, recs[0]->Start_T);
            if (i > 0) {
                EXPECT_GT(recs[i]->Call_Durat, recs[i - 1]->Call_Durat);
            }
        }
    }
    EXPECT_EQ(longCalls, f.Counts.LongCalls);
    EXPECT_GT(longCalls, 0u);
}
