#include "results/ExportFile.h"
#include "results/ResultExportRows.h"
#include "results/StoredCellTexts.h"
#include "tests/db/ScratchDir.h"
#include "tests/results/ExportSample.h"
#include "tests/results/FilterSample.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kestrom {
namespace {

using test::FolderNames;
using test::RecordedProgress;
using test::SampleCells;
using test::SampleRows;
using test::SampleTable;
using test::ScratchDir;

constexpr ExportFormat EveryFormat[] = {ExportFormat::Html, ExportFormat::Xls, ExportFormat::Xlsx,
                                        ExportFormat::Csv};

std::string Named(ExportFormat format) {
    return format == ExportFormat::Html   ? "html"
           : format == ExportFormat::Xls  ? "xls"
           : format == ExportFormat::Xlsx ? "xlsx"
                                          : "csv";
}

// Ten thousand rows of the sample, so the progress is asked midway.
SampleRows ManyRows() {
    return SampleRows(SampleCells(), 10000);
}

TEST(ExportFile, ReportsProgressEveryFewThousandRowsAndAtTheEnd) {
    for (const ExportFormat format : EveryFormat) {
        ScratchDir dir;
        SampleRows rows = ManyRows();
        RecordedProgress progress;
        const ExportOutcome outcome =
            ExportFile((dir.Path() / "out").string(), format, SampleTable(), rows, &progress);
        ASSERT_TRUE(outcome.Ok()) << Named(format) << ": " << outcome.message;
        EXPECT_EQ(progress.steps, (std::vector<std::size_t>{4096, 8192, 10000})) << Named(format);
        EXPECT_EQ(progress.total, 10000u);
        EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out"});
    }
}

TEST(ExportFile, CancelLeavesAnExistingFileAndNoTemporaryFile) {
    for (const ExportFormat format : EveryFormat) {
        for (const std::size_t cancelAt : {std::size_t{4096}, std::size_t{10000}}) {
            ScratchDir dir;
            dir.Write("out", "old contents");
            SampleRows rows = ManyRows();
            RecordedProgress progress([&](std::size_t n) { return n < cancelAt; });
            const ExportOutcome outcome =
                ExportFile((dir.Path() / "out").string(), format, SampleTable(), rows, &progress);
            EXPECT_EQ(outcome.end, ExportOutcome::End::Cancelled) << Named(format);
            EXPECT_EQ(dir.Read("out"), "old contents") << Named(format);
            EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out"}) << Named(format);
        }
    }
}

TEST(ExportFile, FailureNamesTheCauseAndLeavesNothingBehind) {
    for (const ExportFormat format : EveryFormat) {
        ScratchDir dir;
        SampleRows rows = ManyRows();
        const std::string missing = (dir.Path() / "no-such-folder" / "out").string();
        ExportOutcome outcome = ExportFile(missing, format, SampleTable(), rows);
        EXPECT_EQ(outcome.end, ExportOutcome::End::Failed) << Named(format);
        EXPECT_NE(outcome.message.find(missing), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find("папка не найдена"), std::string::npos) << outcome.message;

        // A folder where the file should go: written completely, not put in place.
        std::filesystem::create_directory(dir.Path() / "taken");
        SampleRows again = ManyRows();
        outcome = ExportFile((dir.Path() / "taken").string(), format, SampleTable(), again);
        EXPECT_EQ(outcome.end, ExportOutcome::End::Failed) << Named(format);
        EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "taken"));
        EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"taken"}) << Named(format);

        // The rows cannot be read any further.
        dir.Write("out", "old contents");
        SampleRows failing = ManyRows();
        failing.failAt = 5000;
        outcome = ExportFile((dir.Path() / "out").string(), format, SampleTable(), failing);
        EXPECT_EQ(outcome.end, ExportOutcome::End::Failed) << Named(format);
        EXPECT_NE(outcome.message.find("disk I/O error"), std::string::npos) << outcome.message;
        EXPECT_EQ(dir.Read("out"), "old contents");
        EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"out", "taken"}));
    }
}

TEST(ExportFile, FolderThatVanishesMidwayFailsTheExport) {
    // libxlsxwriter opens the file itself at the end; its failure is ours.
    for (const ExportFormat format : EveryFormat) {
        ScratchDir dir;
        const auto folder = dir.Path() / "gone";
        std::filesystem::create_directory(folder);
        SampleRows rows = ManyRows();
        RecordedProgress progress([&](std::size_t n) {
            if (n == 4096) std::filesystem::remove_all(folder);
            return true;
        });
        const ExportOutcome outcome =
            ExportFile((folder / "out").string(), format, SampleTable(), rows, &progress);
        EXPECT_EQ(outcome.end, ExportOutcome::End::Failed) << Named(format);
        EXPECT_NE(outcome.message.find("папка не найдена"), std::string::npos) << outcome.message;
        EXPECT_TRUE(FolderNames(dir.Path()).empty());
    }
}

TEST(ExportFile, ReadOnlyFolderFailsAndKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
    ScratchDir dir;
    dir.Write("out", "old contents");
    ::chmod(dir.Path().c_str(), 0500);
    SampleRows rows(SampleCells());
    const ExportOutcome outcome =
        ExportFile((dir.Path() / "out").string(), ExportFormat::Html, SampleTable(), rows);
    ::chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(outcome.end, ExportOutcome::End::Failed);
    EXPECT_NE(outcome.message.find("нет прав на запись"), std::string::npos) << outcome.message;
    EXPECT_EQ(dir.Read("out"), "old contents");
}

TEST(ExportFile, ReplacesAnExistingFileKeepingItsRights) {
    ScratchDir dir;
    dir.Write("out.htm", "old contents");
    ::chmod((dir.Path() / "out.htm").c_str(), 0640);
    SampleRows rows(SampleCells());
    ASSERT_TRUE(
        ExportFile((dir.Path() / "out.htm").string(), ExportFormat::Html, SampleTable(), rows)
            .Ok());
    EXPECT_EQ(dir.Read("out.htm"), test::GoldenFile("two_rows.htm"));
    struct stat st {};
    ASSERT_EQ(::stat((dir.Path() / "out.htm").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ExportFile, CsvIsUtf8WithByteOrderMarkAndQuotedFields) {
    ScratchDir dir;
    SampleRows rows(SampleCells());
    ASSERT_TRUE(
        ExportFile((dir.Path() / "out.csv").string(), ExportFormat::Csv, SampleTable(), rows).Ok());
    EXPECT_EQ(dir.Read("out.csv"), "\xEF\xBB\xBF"
                                   "Номер_А,Номер_B,Тип_зап,Прод_мс,Прод_Мин,Дата_иниц,Ошибка\r\n"
                                   "A<B,\"\"\"7\"\" > 6\",1,-5,0.50,01.03.2026,Успешный\r\n"
                                   "a&b,,,600000000,2.25,,Занятость аб.\r\n");
}

TEST(ExportFile, XlsxIsAZipWorkbook) {
    ScratchDir dir;
    SampleRows rows = ManyRows();
    const std::string path = (dir.Path() / "out.xlsx").string();
    const ExportOutcome outcome = ExportFile(path, ExportFormat::Xlsx, SampleTable(), rows);
    ASSERT_TRUE(outcome.Ok()) << outcome.message;
    const std::string bytes = dir.Read("out.xlsx");
    EXPECT_EQ(bytes.substr(0, 4), "PK\x03\x04");
    // The end of central directory record closes every zip file.
    EXPECT_NE(bytes.rfind("PK\x05\x06"), std::string::npos);
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.xlsx"});

    SampleRows none({});
    ASSERT_TRUE(ExportFile(path, ExportFormat::Xlsx, ExportTable{}, none).Ok());
    EXPECT_EQ(dir.Read("out.xlsx").substr(0, 2), "PK");
}

TEST(ExportFile, XlsxRefusesMoreRowsThanASheetHolds) {
    ScratchDir dir;
    SampleRows rows(SampleCells(), 1048576);
    const ExportOutcome outcome =
        ExportFile((dir.Path() / "out.xlsx").string(), ExportFormat::Xlsx, SampleTable(), rows);
    EXPECT_EQ(outcome.end, ExportOutcome::End::Refused);
    EXPECT_NE(outcome.message.find("1048576"), std::string::npos) << outcome.message;
    EXPECT_TRUE(FolderNames(dir.Path()).empty());
}

// The result rows as the window and the console hand them to the export.
TEST(ResultExportRows, GivesTheChosenRowsAndColumnsWithValuesTextsAndColours) {
    const test::FilterSample sample;
    const ResultSet& result = sample.Rows();
    const StoredCellTexts texts(result);
    const std::vector<std::uint32_t> shown = {7, 2, 0};
    ResultExportRows rows(
        result, shown, {1, 0, 3, 4, 2}, texts, [](std::size_t row) { return row == 0; }, 0xF8F8F8);
    EXPECT_EQ(ResultExportRows::KindOf(result, 1), ExportKind::Float);
    EXPECT_EQ(ResultExportRows::KindOf(result, 0), ExportKind::Text);
    EXPECT_EQ(ResultExportRows::KindOf(result, 3), ExportKind::Date);
    EXPECT_EQ(ResultExportRows::KindOf(result, 4), ExportKind::Time);
    EXPECT_EQ(ResultExportRows::KindOf(result, 2), ExportKind::Integer);
    ASSERT_EQ(rows.RowCount(), 3u);

    std::vector<ExportCell> cells;
    ASSERT_TRUE(rows.Next(cells));
    ASSERT_EQ(cells.size(), 5u);
    EXPECT_EQ(cells[0].number, 0.5);
    EXPECT_EQ(cells[0].text, "0.5");
    EXPECT_EQ(cells[1].text, "ЁЛКА и Quick fox");
    EXPECT_EQ(cells[2].stored, "2026-01-15");
    EXPECT_EQ(cells[3].stored, "09:00:00.000");
    EXPECT_EQ(cells[4].integer, 100);
    EXPECT_EQ(cells[4].text, "100");
    for (const ExportCell& c : cells)
        EXPECT_EQ(c.background, 0xF8F8F8u);

    ASSERT_TRUE(rows.Next(cells));
    for (const ExportCell& c : cells) {
        EXPECT_TRUE(c.null);
        EXPECT_TRUE(c.text.empty());
    }
    ASSERT_TRUE(rows.Next(cells));
    EXPECT_EQ(cells[1].text, "Успешный");
    for (const ExportCell& c : cells)
        EXPECT_EQ(c.background, ResultExportRows::Highlight);
    EXPECT_FALSE(rows.Next(cells));

    ResultExportRows all(result, {0}, texts, {}, 0xFFFFFF);
    EXPECT_EQ(all.RowCount(), 9u);
}

} // namespace
} // namespace kestrom
