#include "results/ExportFile.h"
#include "tests/db/ScratchDir.h"
#include "tests/results/ExportSample.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrom {
namespace {

using test::SampleCells;
using test::SampleRows;
using test::SampleTable;
using test::ScratchDir;

std::string ExportHtml(const ExportTable& table, std::vector<std::vector<ExportCell>> cells) {
    ScratchDir dir;
    SampleRows rows(std::move(cells));
    const ExportOutcome outcome =
        ExportFile((dir.Path() / "out.htm").string(), ExportFormat::Html, table, rows);
    EXPECT_TRUE(outcome.Ok()) << outcome.message;
    return dir.Read("out.htm");
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "text after the last CR LF";
    return lines;
}

TEST(HtmlExport, MatchesTheGoldenFiles) {
    const ExportTable noColumns;
    EXPECT_EQ(ExportHtml(SampleTable(), SampleCells()), test::GoldenFile("two_rows.htm"));
    EXPECT_EQ(ExportHtml(SampleTable(), {}), test::GoldenFile("empty_result.htm"));
    EXPECT_EQ(ExportHtml(noColumns, {{}, {}}), test::GoldenFile("no_columns.htm"));
}

TEST(HtmlExport, WritesLinesCellsAndTextsAsTheTableSays) {
    const std::vector<std::string> lines = Lines(ExportHtml(SampleTable(), SampleCells()));
    ASSERT_EQ(lines.size(), 10u + 1 + 9 + 2 * 9 + 3);
    EXPECT_EQ(lines[2], "<HEAD>");
    EXPECT_EQ(lines[3].substr(0, 6), "<META ");
    EXPECT_EQ(lines[10], "") << "the table line is followed by an empty line";
    // The example of the font pieces, and the captions in Windows-1251.
    EXPECT_NE(lines[21].find("><FONT STYLE=\"font-family: Tahoma; font-size: 8pt; color: "
                             "#000000\">A&ltB</FONT></TD>"),
              std::string::npos)
        << lines[21];
    EXPECT_NE(lines[12].find(">\xCD\xEE\xEC\xE5\xF0_\xC0</FONT>"), std::string::npos) << lines[12];
    for (std::size_t i = 21; i < 28; ++i) {
        EXPECT_EQ(lines[i].substr(0, 6), "  <TD ") << i;
        EXPECT_NE(lines[i].find(" BGCOLOR=#FFFF00>"), std::string::npos) << i;
    }
    for (std::size_t i = 12; i < 19; ++i)
        EXPECT_EQ(lines[i].find("BGCOLOR"), std::string::npos) << "title cell " << i;
}

TEST(HtmlExport, ReplacesMarkupCharactersAndUnknownLetters) {
    ExportTable table;
    table.columns.resize(1);
    table.columns[0].caption = "中";
    const std::string out = ExportHtml(table, {{test::TextCell("<&>\"Ё€中")}});
    EXPECT_NE(out.find(">?</FONT>"), std::string::npos);
    EXPECT_NE(out.find(">&lt&amp&gt&quot\xA8\x88?</FONT>"), std::string::npos);
}

} // namespace
} // namespace kestrom
