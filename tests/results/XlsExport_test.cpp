#include "results/ExportFile.h"
#include "tests/db/ScratchDir.h"
#include "tests/results/ExportSample.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kestrom {
namespace {

using test::SampleCells;
using test::SampleRows;
using test::SampleTable;
using test::ScratchDir;

// One record of an XLS stream, read back as the format defines it.
struct Record {
    std::uint16_t type = 0;
    std::string data;

    std::uint16_t U16(std::size_t at) const {
        return static_cast<std::uint16_t>(static_cast<std::uint8_t>(data.at(at)) |
                                          static_cast<std::uint8_t>(data.at(at + 1)) << 8);
    }
    std::uint16_t Row() const { return U16(0); }
    std::uint16_t Column() const { return U16(2); }
    std::int32_t RkInteger() const {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(data.at(6 + i))) << (8 * i);
        EXPECT_EQ(v & 3u, 2u) << "an integer RK with bit 1 set and bit 0 clear";
        return static_cast<std::int32_t>(v) >> 2;
    }
    double Number() const {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < 8; ++i)
            v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(data.at(6 + i))) << (8 * i);
        return std::bit_cast<double>(v);
    }
    std::string Label() const { return data.substr(8, U16(6)); }
};

std::vector<Record> Records(const std::string& bytes) {
    std::vector<Record> records;
    std::size_t at = 0;
    while (at + 4 <= bytes.size()) {
        Record r;
        r.type = static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                            static_cast<std::uint8_t>(bytes[at + 1]) << 8);
        const std::size_t length =
            static_cast<std::uint8_t>(bytes[at + 2]) |
            static_cast<std::size_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 8;
        EXPECT_LE(at + 4 + length, bytes.size()) << "record at " << at << " runs past the end";
        r.data = bytes.substr(at + 4, length);
        records.push_back(r);
        at += 4 + length;
    }
    EXPECT_EQ(at, bytes.size());
    return records;
}

std::string ExportXls(const ExportTable& table, SampleRows& rows,
                      ExportOutcome* outcome = nullptr) {
    ScratchDir dir;
    const ExportOutcome o =
        ExportFile((dir.Path() / "out.xls").string(), ExportFormat::Xls, table, rows);
    if (outcome != nullptr)
        *outcome = o;
    else
        EXPECT_TRUE(o.Ok()) << o.message;
    return dir.Read("out.xls");
}

std::string ExportXls(const ExportTable& table, std::vector<std::vector<ExportCell>> cells) {
    SampleRows rows(std::move(cells));
    return ExportXls(table, rows);
}

TEST(XlsExport, MatchesTheGoldenFiles) {
    EXPECT_EQ(ExportXls(SampleTable(), SampleCells()), test::GoldenFile("two_rows.xls"));
    EXPECT_EQ(ExportXls(SampleTable(), {}), test::GoldenFile("empty_result.xls"));
    EXPECT_EQ(ExportXls(ExportTable{}, {{}, {}}), test::GoldenFile("no_columns.xls"));
}

TEST(XlsExport, RecordsReadBackAsTheCellsOfRowsZeroToTwo) {
    const std::vector<Record> r = Records(ExportXls(SampleTable(), SampleCells()));
    ASSERT_EQ(r.size(), 2u + 7 * 3 + 1);
    EXPECT_EQ(r[0].type, 0x0809);
    EXPECT_EQ(r[0].data, std::string("\x00\x00\x10\x00\x00\x00\x00\x00", 8));
    EXPECT_EQ(r[1].type, 0x0042);
    EXPECT_EQ(r[1].U16(0), 1251);
    EXPECT_EQ(r.back().type, 0x000A);
    EXPECT_TRUE(r.back().data.empty());
    for (std::size_t i = 0; i < 21; ++i) {
        EXPECT_EQ(r[2 + i].Row(), i / 7) << i;
        EXPECT_EQ(r[2 + i].Column(), i % 7) << i;
    }
    EXPECT_EQ(r[2].Label(), "\xCD\xEE\xEC\xE5\xF0_\xC0"); // Номер_А
    EXPECT_EQ(r[2 + 7].Label(), "A<B");
    EXPECT_EQ(r[2 + 9].type, 0x027E);
    EXPECT_EQ(r[2 + 9].RkInteger(), 1);
    EXPECT_EQ(r[2 + 10].RkInteger(), -5);
    EXPECT_EQ(r[2 + 11].type, 0x0203);
    EXPECT_EQ(r[2 + 11].Number(), 0.5) << "Прод_Мин holds its value, not its text";
    EXPECT_EQ(r[2 + 12].Label(), "01.03.2026");
    EXPECT_EQ(r[2 + 15].Label(), "") << "an empty text is a LABEL, not a BLANK";
    EXPECT_EQ(r[2 + 16].type, 0x0201);
    EXPECT_EQ(r[2 + 16].U16(4), 0x17);
    EXPECT_EQ(r[2 + 17].type, 0x0203) << "beyond the RK range";
    EXPECT_EQ(r[2 + 17].Number(), 600000000.0);
}

TEST(XlsExport, CutsLongTextsToTheLabelLimit) {
    ExportTable table;
    table.columns.resize(1);
    table.columns[0].caption = std::string(300, 'T');
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "Щ";
    const std::vector<Record> r = Records(ExportXls(table, {{test::TextCell(text)}}));
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[2].Label(), std::string(255, 'T'));
    EXPECT_EQ(r[2].data.size(), 8u + 255);
    EXPECT_EQ(r[3].Label(), std::string(200, '\xD9'));
}

TEST(XlsExport, HoldsAtMost65535DataRows) {
    ExportTable table;
    table.columns.resize(1);
    table.columns[0].kind = ExportKind::Integer;
    ScratchDir dir;
    const std::string path = (dir.Path() / "big.xls").string();

    SampleRows tooMany({{test::IntegerCell(7, "7")}}, 65536);
    ExportOutcome outcome = ExportFile(path, ExportFormat::Xls, table, tooMany);
    EXPECT_EQ(outcome.end, ExportOutcome::End::Refused);
    EXPECT_NE(outcome.message.find("65536"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("65535"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("XLSX"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("CSV"), std::string::npos) << outcome.message;
    EXPECT_TRUE(test::FolderNames(dir.Path()).empty()) << "nothing created";

    dir.Write("big.xls", "old");
    SampleRows tooManyAgain({{test::IntegerCell(7, "7")}}, 65536);
    EXPECT_EQ(ExportFile(path, ExportFormat::Xls, table, tooManyAgain).end,
              ExportOutcome::End::Refused);
    EXPECT_EQ(dir.Read("big.xls"), "old");
    EXPECT_EQ(test::FolderNames(dir.Path()), std::vector<std::string>{"big.xls"});

    SampleRows fits({{test::IntegerCell(7, "7")}}, 65535);
    ASSERT_TRUE(ExportFile(path, ExportFormat::Xls, table, fits).Ok());
    const std::vector<Record> r = Records(dir.Read("big.xls"));
    ASSERT_EQ(r.size(), 2u + 1 + 65535 + 1);
    EXPECT_EQ(r[r.size() - 2].Row(), 65535);
    EXPECT_EQ(r[r.size() - 2].RkInteger(), 7);
}

TEST(XlsExport, FailsRatherThanWrapWhenRowsOutrunTheirCount) {
    ExportTable table;
    table.columns.resize(1);
    // Claims 65535 rows but gives one more.
    class Outrunning : public SampleRows {
      public:
        Outrunning() : SampleRows({{test::TextCell("x")}}, 65536) {}
        std::size_t RowCount() const override { return 65535; }
    } rows;
    ExportOutcome outcome;
    ExportXls(table, rows, &outcome);
    EXPECT_EQ(outcome.end, ExportOutcome::End::Failed);
}

} // namespace
} // namespace kestrom
