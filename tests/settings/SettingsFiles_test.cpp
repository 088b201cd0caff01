#include "settings/SettingsFiles.h"

#include "base/Cp1251.h"
#include "settings/SettingsError.h"

#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <sys/resource.h>

namespace kestrom {
namespace {

using test::ScratchDir;
using List = std::vector<std::string>;

std::string DirText(const ScratchDir& dir) {
    return dir.Path().string() + "/";
}

SettingsState StateIn(const std::string& programDir) {
    SettingsState s = DefaultState();
    s.ProgramDir = programDir;
    return s;
}

// "Путь к файлам  *.ама=" and "Путь экспорта=" in Windows-1251.
const std::string AmaLineBytes = "\xCF\xF3\xF2\xFC \xEA \xF4\xE0\xE9\xEB\xE0\xEC  *.\xE0\xEC\xE0=";
const std::string ExportLineBytes = "\xCF\xF3\xF2\xFC \xFD\xEA\xF1\xEF\xEE\xF0\xF2\xE0=";

TEST(FirstStart, CreatesThePathAndListFilesAndEveryKeyReadsItsDefault) {
    ScratchDir dir;
    const std::string programDir = DirText(dir);
    SettingsState s = StateIn(programDir);
    EXPECT_EQ(LoadSettingsFiles(s), List{});

    EXPECT_EQ(dir.Read("Kestrom.ini"),
              AmaLineBytes + programDir + "\r\n" + ExportLineBytes + programDir + "\r\n");
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "ListNode.ini"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "History.ini"));
    EXPECT_EQ(dir.Read("ListNode.ini"), "");
    EXPECT_EQ(dir.Read("History.ini"), "");
    EXPECT_EQ(s.AmaPath, programDir);
    EXPECT_EQ(s.ExportPath, programDir);
    EXPECT_EQ(s.AmaFolderText, "");
    EXPECT_EQ(s.Exchanges, List{});
    EXPECT_EQ(s.FolderHistory, List{});

    s.WindowState = 1; // whatever the window had; a missing key gives 0
    RestoreState(s);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "addpar.ini"));
    ASSERT_EQ(s.VisibleColumns.size(), 18u);
    EXPECT_EQ(s.VisibleColumns.front(), "Ошибка");
    EXPECT_EQ(s.VisibleColumns[8], "ОрНомер_A"); // Latin A at the end
    EXPECT_EQ(s.VisibleColumns.back(), "Прод_Мин");
    EXPECT_EQ(s.SortColumns, (List{"Дата_иниц[Up]", "Время_иниц[Up]"}));
    EXPECT_TRUE(s.Successful);
    EXPECT_TRUE(s.AutoOpen);
    EXPECT_FALSE(s.OptimizeColumns || s.AutoSaveExchanges || s.ColorRows || s.ExchangeFilterOn ||
                 s.SaveOnExit || s.Statistics);
    EXPECT_EQ(s.Presets, (DatePresets{false, true, false, true, false}));
    EXPECT_EQ((List{std::to_string(s.TypeA), std::to_string(s.TypeB), std::to_string(s.AtsNum),
                    std::to_string(s.Filter), std::to_string(s.WindowState)}),
              (List{"0", "0", "-1", "0", "0"}));
    EXPECT_EQ(s.PrintStr, "");
    EXPECT_EQ(s.PrintStr1, "");

    // 12 March 2024 10:15; the pickers hold 00:00 and 23:59 of some other day.
    const TDateTime today = EncodeDate({2024, 3, 12}) + 0.427;
    const TDateTime endTime = 23.0 / 24 + 59.0 / 1440;
    const Period p = ApplyDatePresets(
        s.Presets, today, {EncodeDate({2020, 1, 1}), EncodeDate({2020, 1, 1}) + endTime});
    EXPECT_EQ(p.Start, EncodeDate({2024, 3, 11}));
    EXPECT_DOUBLE_EQ(p.End, EncodeDate({2024, 3, 12}) + endTime);

    // The next start shows the stored folder in the AMA folder box.
    SettingsState next = StateIn(programDir);
    EXPECT_EQ(LoadSettingsFiles(next), List{});
    EXPECT_EQ(next.AmaFolderText, programDir);
    EXPECT_EQ(next.PathLines, s.PathLines);
}

TEST(FirstStart, AnUnwritableDirectoryIsReportedAndThePathsStayEmpty) {
    ScratchDir dir;
    dir.Write("file", "");
    SettingsState s = StateIn(DirText(dir) + "file/");
    const List problems = LoadSettingsFiles(s);
    ASSERT_EQ(problems.size(), 3u);
    const std::string reason = std::generic_category().message(ENOTDIR);
    EXPECT_EQ(problems[0], "Не удалось сохранить файл настроек. Cannot create file \"" +
                               s.ProgramDir + "Kestrom.ini\". " + reason);
    EXPECT_NE(problems[1].find(s.ProgramDir + "ListNode.ini"), std::string::npos);
    EXPECT_NE(problems[2].find(s.ProgramDir + "History.ini"), std::string::npos);
    EXPECT_EQ(s.AmaPath, "");
    EXPECT_EQ(s.ExportPath, "");
    EXPECT_EQ(s.AmaFolderText, "");
}

TEST(PathFile, LinesCountByPositionAndUnknownLinesAreWrittenBack) {
    ScratchDir dir;
    // The export line first, LF breaks, a third line of someone else's, no final break.
    dir.Write("Kestrom.ini", ExportLineBytes + "/exp/\n" + AmaLineBytes + "/ama/\nnote=a=b");
    SettingsState s = StateIn(DirText(dir));
    EXPECT_EQ(LoadSettingsFiles(s), List{});
    EXPECT_EQ(s.AmaPath, "/exp/");
    EXPECT_EQ(s.AmaFolderText, "/exp/");
    EXPECT_EQ(s.ExportPath, "/ama/");

    EditAmaFolder(s, "/typed");
    EXPECT_EQ(s.AmaPath, "/typed");
    EXPECT_EQ(dir.Read("Kestrom.ini"),
              ExportLineBytes + "/typed\r\n" + AmaLineBytes + "/ama/\r\nnote=a=b\r\n");
    EXPECT_EQ(dir.Read("History.ini"), ""); // typing leaves the history alone

    ChooseExportFolder(s, "/Экспорт");
    EXPECT_EQ(s.ExportPath, "/Экспорт/");
    EXPECT_EQ(dir.Read("Kestrom.ini"), ExportLineBytes + "/typed\r\n" + AmaLineBytes +
                                           "/\xDD\xEA\xF1\xEF\xEE\xF0\xF2/\r\nnote=a=b\r\n");
    EXPECT_EQ(s.FolderHistory, List{});
}

TEST(PathFile, ALineWithoutEqualsSignIsItsOwnValue) {
    ScratchDir dir;
    dir.Write("Kestrom.ini", "/just/a/folder/\r\n=\r\n");
    SettingsState s = StateIn(DirText(dir));
    EXPECT_EQ(LoadSettingsFiles(s), List{});
    EXPECT_EQ(s.AmaPath, "/just/a/folder/");
    EXPECT_EQ(s.ExportPath, "");
    EditAmaFolder(s, "/x/");
    EXPECT_EQ(dir.Read("Kestrom.ini"), "=/x/\r\n=\r\n");
}

TEST(PathFile, AnEmptyFileGivesTwoEmptyValuesAndOneLineIsReported) {
    ScratchDir dir;
    dir.Write("Kestrom.ini", "");
    dir.Write("ListNode.ini", "i3962\r\n");
    SettingsState empty = StateIn(DirText(dir));
    EXPECT_EQ(LoadSettingsFiles(empty), List{});
    EXPECT_EQ(empty.AmaPath, "");
    EXPECT_EQ(empty.ExportPath, "");
    EXPECT_EQ(dir.Read("Kestrom.ini"), "");

    dir.Write("Kestrom.ini", AmaLineBytes + "/ama/\r\n");
    SettingsState oneLine = StateIn(DirText(dir));
    const List problems = LoadSettingsFiles(oneLine);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(DirText(dir) + "Kestrom.ini"), std::string::npos);
    EXPECT_NE(problems[0].find("одну строку"), std::string::npos);
    EXPECT_EQ(oneLine.AmaPath, "");
    EXPECT_EQ(oneLine.ExportPath, "");
    EXPECT_EQ(oneLine.AmaFolderText, "");
    EXPECT_EQ(oneLine.Exchanges, List{"i3962"}); // the later files are read all the same
    EXPECT_EQ(dir.Read("Kestrom.ini"), AmaLineBytes + "/ama/\r\n");

    // Choosing the export folder then supplies the missing second line.
    ChooseExportFolder(oneLine, "/exp");
    EXPECT_EQ(dir.Read("Kestrom.ini"), AmaLineBytes + "/ama/\r\n" + ExportLineBytes + "/exp/\r\n");
}

TEST(PathFile, AFileThatCannotBeWrittenGivesTheSystemsReason) {
    ScratchDir dir;
    dir.Write("file", "");
    SettingsState s = StateIn(DirText(dir) + "file/");
    s.PathLines = {"a=b", "c=d"};
    const std::string reason = std::generic_category().message(ENOTDIR);
    const auto expectFailure = [&](auto&& operation, const std::string& name) {
        try {
            operation();
            ADD_FAILURE() << name << " was written";
        } catch (const SettingsError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot create file \"" + s.ProgramDir + name + "\". " + reason);
        }
    };
    expectFailure([&] { SavePathFile(s); }, "Kestrom.ini");
    expectFailure([&] { SaveExchangeList(s); }, "ListNode.ini");
    expectFailure([&] { SaveFolderHistory(s); }, "History.ini");
    // The choice itself stays made when its file cannot be written.
    expectFailure([&] { ChooseAmaFolder(s, "/new"); }, "Kestrom.ini");
    EXPECT_EQ(s.AmaPath, "/new/");
    EXPECT_EQ(s.FolderHistory, List{"/new/"});
}

TEST(FolderHistory, ThirteenChoicesKeepTheTwelveNewestFirstWithDuplicates) {
    ScratchDir dir;
    SettingsState s = StateIn(DirText(dir));
    LoadSettingsFiles(s);
    ChooseAmaFolder(s, "/same");
    for (int i = 1; i <= 11; ++i)
        ChooseAmaFolder(s, "/f" + std::to_string(i) + "/");
    ChooseAmaFolder(s, "/same/");
    ASSERT_EQ(s.FolderHistory.size(), 12u);
    EXPECT_EQ(s.FolderHistory.front(), "/same/");
    EXPECT_EQ(s.FolderHistory[1], "/f11/");
    EXPECT_EQ(s.FolderHistory.back(), "/f1/"); // the first "/same/" has gone
    EXPECT_EQ(s.AmaPath, "/same/");
    EXPECT_EQ(s.AmaFolderText, "/same/");

    SettingsState next = StateIn(DirText(dir));
    LoadSettingsFiles(next);
    EXPECT_EQ(next.FolderHistory, s.FolderHistory);
    EXPECT_EQ(next.AmaPath, "/same/");
    ChooseAmaFolder(next, "/f11/");
    EXPECT_EQ(next.FolderHistory[0], next.FolderHistory[2]); // listed twice
}

TEST(FolderHistory, FilesAreWindows1251WithCrLf) {
    ScratchDir dir;
    SettingsState s = StateIn(DirText(dir));
    LoadSettingsFiles(s);
    ChooseAmaFolder(s, "/мнт/АМА");
    s.Exchanges = {"i3962", "АТС"};
    SaveExchangeList(s);
    EXPECT_EQ(dir.Read("History.ini"), "/\xEC\xED\xF2/\xC0\xCC\xC0/\r\n");
    EXPECT_EQ(dir.Read("ListNode.ini"), "i3962\r\n\xC0\xD2\xD1\r\n");
    EXPECT_EQ(dir.Read("Kestrom.ini"), AmaLineBytes + "/\xEC\xED\xF2/\xC0\xCC\xC0/\r\n" +
                                           ExportLineBytes + DirText(dir) + "\r\n");
}

SettingsState EveryValueChanged(const std::string& programDir) {
    SettingsState s = StateIn(programDir);
    s.PathLines = {"Путь к файлам  *.ама=/ама/", "Путь экспорта=/exp/", "x=y"};
    s.Exchanges = {"i3962", "i3962", "АТС 5"};
    s.FolderHistory = {"/b/", "/a/"};
    s.VisibleColumns = {"Номер_Б", "Услуга_аб_А", "with blank"};
    s.SortColumns = {"Прод_мс[Down]"};
    s.Successful = false;
    s.OptimizeColumns = true;
    s.AutoOpen = false;
    s.AutoSaveExchanges = true;
    s.ColorRows = true;
    s.ExchangeFilterOn = true;
    s.Presets = {true, false, true, false, true};
    s.TypeA = 6;
    s.TypeB = 3;
    s.AtsNum = 2;
    s.Filter = 1;
    s.PrintStr = "Период: с 01.03.2024 по 12.03.2024";
    s.PrintStr1 = "Номер А равно 2345";
    s.WindowState = 2;
    s.SaveOnExit = true;
    s.Statistics = true;
    s.ArchiveSource = true;
    return s;
}

TEST(RoundTrip, SaveAllThenStartAgainBringsBackEveryValue) {
    ScratchDir dir;
    const SettingsState saved = EveryValueChanged(DirText(dir));
    SaveAllSettings(saved);
    SavePrintHeaders(saved);

    SettingsState s = StateIn(DirText(dir));
    EXPECT_EQ(LoadSettingsFiles(s), List{});
    RestoreState(s);
    EXPECT_EQ(s.PathLines, saved.PathLines);
    EXPECT_EQ(s.AmaPath, "/ама/");
    EXPECT_EQ(s.ExportPath, "/exp/");
    EXPECT_EQ(s.Exchanges, saved.Exchanges);
    EXPECT_EQ(s.FolderHistory, saved.FolderHistory);
    EXPECT_EQ(s.VisibleColumns, saved.VisibleColumns);
    EXPECT_EQ(s.SortColumns, saved.SortColumns);
    EXPECT_EQ((std::vector<bool>{s.Successful, s.OptimizeColumns, s.AutoOpen, s.AutoSaveExchanges,
                                 s.ColorRows, s.ExchangeFilterOn, s.SaveOnExit, s.Statistics,
                                 s.ArchiveSource}),
              (std::vector<bool>{false, true, false, true, true, true, true, true, true}));
    EXPECT_EQ(s.Presets, saved.Presets);
    EXPECT_EQ((std::vector<int>{s.TypeA, s.TypeB, s.AtsNum, s.Filter, s.WindowState}),
              (std::vector<int>{6, 3, 2, 1, 2}));
    EXPECT_EQ(s.PrintStr, saved.PrintStr);
    EXPECT_EQ(s.PrintStr1, saved.PrintStr1);
}

TEST(RoundTrip, TheStateFileHoldsTheKeysInTheirOrder) {
    ScratchDir dir;
    SettingsState s = StateIn(DirText(dir));
    SaveState(s);
    SaveDatePresets(s);
    SavePrintHeaders(s);
    const std::string expected =
        "[Sort]\r\n"
        "VisibleCol=Ошибка,EX_ош,Тип_зап,Вх_транк_гр,Вх_транк,Исх_транк_гр,Исх_транк,Номер_А,"
        "ОрНомер_A,Номер_Б,Посл_сть,Дата_иниц,Время_иниц,Дата_окон,Время_ок,Категория,Прод_мс,"
        "Прод_Мин\r\n"
        "SortCol=Дата_иниц[Up],Время_иниц[Up]\r\n\r\n"
        "[state]\r\nsuccessful=1\r\noptimizeCol=0\r\nAutoOpen=1\r\nAutoSave=0\r\n"
        "ColorRows=0\r\nAtsBootton=0\r\nTypeA=0\r\nTypeB=0\r\nAtsNum=-1\r\nfilter=0\r\n"
        "window=0\r\nSaveOnExit=0\r\nStatistics=0\r\nArchiveSource=0\r\n"
        "Date1_td=0\r\nDate1_yd=1\r\nDate1_mon=0\r\nDate2_td=1\r\nDate2_yt=0\r\n"
        "PrintStr=\r\nPrintStr1=\r\n";
    EXPECT_EQ(Cp1251ToUtf8(dir.Read("addpar.ini")), expected);
    EXPECT_EQ(dir.Read("addpar.ini").substr(0, 26),
              "[Sort]\r\nVisibleCol=\xCE\xF8\xE8\xE1\xEA\xE0,");
}

TEST(RoundTrip, SavingKeepsForeignSectionsKeysAndCommentsAsTheyWere) {
    ScratchDir dir;
    const std::string before = "; Kestrom window state\r\n"
                               "[sort]\r\n"
                               "VISIBLECOL=Ошибка\r\n"
                               "Width=120\r\n"
                               "\r\n"
                               "[Printer]\r\n"
                               "Name=Epson\r\n"
                               "\r\n"
                               "[STATE]\r\n"
                               "window=1\r\n"
                               "; comment inside\r\n";
    dir.Write("addpar.ini", Utf8ToCp1251(before));
    SettingsState s = StateIn(DirText(dir));
    s.VisibleColumns = {"Номер_А", "Номер_Б"};
    s.PrintStr = "П";
    s.PrintStr1 = "";
    SavePrintHeaders(s);
    s.SortColumns = {};
    s.WindowState = 2;
    SaveState(s);
    const std::string after =
        "; Kestrom window state\r\n"
        "[sort]\r\nVISIBLECOL=Номер_А,Номер_Б\r\nWidth=120\r\nSortCol=\r\n\r\n"
        "[Printer]\r\nName=Epson\r\n\r\n"
        "[STATE]\r\nwindow=2\r\n; comment inside\r\nPrintStr=П\r\nPrintStr1=\r\n"
        "successful=1\r\noptimizeCol=0\r\nAutoOpen=1\r\nAutoSave=0\r\nColorRows=0\r\n"
        "AtsBootton=0\r\nTypeA=0\r\nTypeB=0\r\nAtsNum=-1\r\nfilter=0\r\nSaveOnExit=0\r\n"
        "Statistics=0\r\nArchiveSource=0\r\n";
    EXPECT_EQ(Cp1251ToUtf8(dir.Read("addpar.ini")), after);

    SettingsState back = StateIn(DirText(dir));
    RestoreState(back);
    EXPECT_EQ(back.SortColumns, List{}); // present and empty: an empty list, not the default
    EXPECT_EQ(back.VisibleColumns, s.VisibleColumns);
    EXPECT_EQ(back.PrintStr, "П");
}

TEST(RestoreState, AbsentEmptyAndOutOfRangeValues) {
    ScratchDir dir;
    dir.Write("addpar.ini", "[Sort]\r\n"
                            "VisibleCol=\r\n"
                            "[state]\r\n"
                            "successful=\r\n"
                            "AutoOpen=0x0\r\n"
                            "ColorRows=yes\r\n"
                            "AtsBootton=-3\r\n"
                            "TypeA=0x6\r\n"
                            "TypeB=\r\n"
                            "AtsNum=5\r\n"
                            "filter=one\r\n"
                            "window=7\r\n"
                            "PrintStr=\r\n");
    SettingsState s = StateIn(DirText(dir));
    s.Exchanges = {"i1", "i2", "i3"};
    s.WindowState = 1;
    s.PrintStr = "old";
    RestoreState(s);
    EXPECT_EQ(s.VisibleColumns, List{});
    EXPECT_EQ(s.SortColumns, DefaultSortColumns());
    EXPECT_TRUE(s.Successful);       // empty boolean: its default
    EXPECT_FALSE(s.AutoOpen);        // hexadecimal zero
    EXPECT_FALSE(s.ColorRows);       // not an integer: its default
    EXPECT_TRUE(s.ExchangeFilterOn); // any nonzero integer
    EXPECT_EQ(s.TypeA, 6);
    EXPECT_EQ(s.TypeB, 0);
    EXPECT_EQ(s.Filter, 0);
    EXPECT_EQ(s.WindowState, 1); // 7 leaves the window state as it was
    EXPECT_EQ(s.PrintStr, "");
    EXPECT_EQ(s.AtsNum, 5);
    EXPECT_EQ(ItemIndexOrNone(s.AtsNum, s.Exchanges.size()), -1);
    EXPECT_EQ(ItemIndexOrNone(2, s.Exchanges.size()), 2);
    EXPECT_EQ(ItemIndexOrNone(-1, s.Exchanges.size()), -1);
    EXPECT_EQ(ItemIndexOrNone(0, 0), -1);

    dir.Write("addpar.ini", "[state]\r\nwindow=1\r\n");
    RestoreState(s);
    EXPECT_EQ(s.WindowState, 1);
    EXPECT_EQ(s.VisibleColumns, DefaultVisibleColumns()); // now absent
}

// Lets files grow to a given size only, for the lifetime of the object.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Ok() const { return ok_; }

  private:
    rlimit old_{};
    bool ok_ = false;
};

TEST(RestoreState, TheStatisticsPageKeyAndTheDefaultCommand) {
    ScratchDir dir;
    dir.Write("addpar.ini", "[state]\r\nStatistics=1\r\n");
    SettingsState s = StateIn(DirText(dir));
    RestoreState(s);
    EXPECT_TRUE(s.Statistics);
    // "По умолчанию" hides the page as it resets the options; the window
    // state stays.
    s.WindowState = 2;
    const SettingsState d = WithDefaultCommand(s);
    EXPECT_FALSE(d.Statistics);
    EXPECT_EQ(d.WindowState, 2);

    dir.Write("addpar.ini", "[state]\r\nStatistics=no\r\n");
    RestoreState(s);
    EXPECT_FALSE(s.Statistics); // not an integer: the default, hidden
    s.Statistics = true;
    SaveState(s);
    EXPECT_NE(dir.Read("addpar.ini").find("\r\nStatistics=1\r\n"), std::string::npos);
}

TEST(RestoreState, TheArchiveSourceIsKeptLikeAPathByTheDefaultCommand) {
    ScratchDir dir;
    SettingsState s = StateIn(DirText(dir));
    RestoreState(s);
    EXPECT_FALSE(s.ArchiveSource); // a first start loads from the AMA folder
    dir.Write("addpar.ini", "[state]\r\nArchiveSource=1\r\n");
    RestoreState(s);
    EXPECT_TRUE(s.ArchiveSource);
    EXPECT_TRUE(WithDefaultCommand(s).ArchiveSource);
    s.ArchiveSource = false;
    SaveState(s);
    EXPECT_NE(dir.Read("addpar.ini").find("\r\nArchiveSource=0\r\n"), std::string::npos);
}

TEST(StateFileFailure, KeysBeforeTheFailingOneKeepTheirNewValuesAndTheRestTheirOld) {
    ScratchDir dir;
    const std::string before = "[Sort]\r\nVisibleCol=A\r\nSortCol=B\r\n\r\n[state]\r\n"
                               "successful=0\r\noptimizeCol=0\r\nAutoOpen=0\r\nAutoSave=0\r\n"
                               "ColorRows=0\r\nAtsBootton=0\r\nTypeA=0\r\nTypeB=0\r\nAtsNum=0\r\n"
                               "filter=0\r\nwindow=0\r\nSaveOnExit=0\r\n";
    dir.Write("addpar.ini", before);
    SettingsState s = StateIn(DirText(dir));
    s.VisibleColumns = {"C"};
    s.SortColumns = {"D"};
    s.OptimizeColumns = s.AutoSaveExchanges = s.ColorRows = s.ExchangeFilterOn = true;
    s.TypeA = 1234567; // the first key that makes the file grow
    s.SaveOnExit = true;

    std::string message;
    {
        FileSizeLimit limit(before.size());
        if (!limit.Ok()) GTEST_SKIP() << "cannot limit the file size";
        try {
            SaveState(s);
        } catch (const SettingsError& e) {
            message = e.what();
        }
    }
    EXPECT_EQ(message, "Unable to write to " + DirText(dir) + "addpar.ini");
    EXPECT_EQ(dir.Read("addpar.ini"),
              "[Sort]\r\nVisibleCol=C\r\nSortCol=D\r\n\r\n[state]\r\n"
              "successful=1\r\noptimizeCol=1\r\nAutoOpen=1\r\nAutoSave=1\r\n"
              "ColorRows=1\r\nAtsBootton=1\r\nTypeA=0\r\nTypeB=0\r\nAtsNum=0\r\n"
              "filter=0\r\nwindow=0\r\nSaveOnExit=0\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "addpar.ini.tmp"));
}

TEST(DatePresets, LastCheckedWinsAndOnlyTheDateChanges) {
    const TDateTime today = EncodeDate({2024, 3, 8}) + 0.75;
    const TDateTime start = EncodeDate({2023, 12, 31});
    const TDateTime end = EncodeDate({2023, 12, 31}) + 0.5;
    const auto apply = [&](DatePresets p) { return ApplyDatePresets(p, today, {start, end}); };

    EXPECT_EQ(apply({false, false, true, false, false}), (Period{EncodeDate({2024, 3, 1}), end}));
    EXPECT_EQ(apply({true, false, false, false, true}),
              (Period{EncodeDate({2024, 3, 8}), EncodeDate({2024, 3, 7}) + 0.5}));
    EXPECT_EQ(apply({true, true, true, true, true}),
              (Period{EncodeDate({2024, 3, 1}), EncodeDate({2024, 3, 7}) + 0.5}));
    EXPECT_EQ(apply({true, true, false, true, false}),
              (Period{EncodeDate({2024, 3, 7}), EncodeDate({2024, 3, 8}) + 0.5}));
    EXPECT_EQ(apply({false, false, false, false, false}), (Period{start, end}));
}

TEST(Folders, ChosenFoldersEndInADelimiter) {
    EXPECT_EQ(FolderOfFile("/data/ama/i396220240312_1.ama"), "/data/ama/");
    EXPECT_EQ(FolderOfFile("name.ama"), "");
    EXPECT_EQ(WithTrailingDelimiter("/data"), "/data/");
    EXPECT_EQ(WithTrailingDelimiter("/data/"), "/data/");
    EXPECT_EQ(WithTrailingDelimiter(""), "");
}

} // namespace
} // namespace kestrom
