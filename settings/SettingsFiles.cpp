#include "settings/SettingsFiles.h"

#include "settings/IniFile.h"
#include "settings/LineFile.h"
#include "settings/SettingsError.h"

#include <optional>
#include <utility>

namespace kestrom {

namespace {

#ifdef _WIN32
constexpr char PathDelimiter = '\\';
constexpr std::string_view FolderDelimiters = "\\/:";
#else
constexpr char PathDelimiter = '/';
constexpr std::string_view FolderDelimiters = "/";
#endif

constexpr std::string_view SortSection = "Sort";
constexpr std::string_view StateSection = "state";

IniFile StateFile(const SettingsState& s) {
    return IniFile(SettingsFileName(s, StateFileName));
}

std::vector<std::string> DefaultPathLines(const std::string& programDir) {
    std::string ama(AmaPathLineName);
    std::string exported(ExportPathLineName);
    ama.append("=").append(programDir);
    exported.append("=").append(programDir);
    return {ama, exported};
}

std::string CouldNotSave(const SettingsError& error) {
    std::string message = "Не удалось сохранить файл настроек. ";
    message.append(error.what());
    return message;
}

// Kestrom.ini at start; returns a message when the paths could not be set.
std::optional<std::string> LoadPathFile(SettingsState& s) {
    s.AmaPath.clear();
    s.ExportPath.clear();
    s.AmaFolderText.clear();
    const std::string fileName = SettingsFileName(s, PathFileName);
    if (std::optional<std::vector<std::string>> lines = ReadLineFile(fileName)) {
        s.PathLines = std::move(*lines);
        s.AmaFolderText = PathLineValue(s, 0);
        if (s.PathLines.size() == 1) {
            s.AmaFolderText.clear();
            std::string message = "Файл настроек \"";
            message.append(fileName).append(
                "\" содержит одну строку вместо двух; пути к файлам АМА и экспорта не заданы.");
            return message;
        }
    } else {
        s.PathLines = DefaultPathLines(s.ProgramDir);
        try {
            SavePathFile(s);
        } catch (const SettingsError& error) {
            return CouldNotSave(error);
        }
    }
    s.AmaPath = PathLineValue(s, 0);
    s.ExportPath = PathLineValue(s, 1);
    return std::nullopt;
}

// ListNode.ini or History.ini at start.
std::optional<std::string> LoadList(const SettingsState& s, std::string_view name,
                                    std::vector<std::string>& items) {
    const std::string fileName = SettingsFileName(s, name);
    if (std::optional<std::vector<std::string>> lines = ReadLineFile(fileName)) {
        items = std::move(*lines);
        return std::nullopt;
    }
    items.clear();
    try {
        WriteLineFile(fileName, items);
    } catch (const SettingsError& error) {
        return CouldNotSave(error);
    }
    return std::nullopt;
}

void ReadSortKeys(const IniFile& ini, const SettingsState& d, SettingsState& s) {
    s.VisibleColumns = ini.ReadList(SortSection, "VisibleCol", d.VisibleColumns);
    s.SortColumns = ini.ReadList(SortSection, "SortCol", d.SortColumns);
}

void ReadOptionKeys(const IniFile& ini, const SettingsState& d, SettingsState& s) {
    s.Successful = ini.ReadBool(StateSection, "successful", d.Successful);
    s.OptimizeColumns = ini.ReadBool(StateSection, "optimizeCol", d.OptimizeColumns);
    s.AutoOpen = ini.ReadBool(StateSection, "AutoOpen", d.AutoOpen);
    s.AutoSaveExchanges = ini.ReadBool(StateSection, "AutoSave", d.AutoSaveExchanges);
    s.ColorRows = ini.ReadBool(StateSection, "ColorRows", d.ColorRows);
    s.ExchangeFilterOn = ini.ReadBool(StateSection, "AtsBootton", d.ExchangeFilterOn);
}

void ReadPresetKeys(const IniFile& ini, const DatePresets& d, DatePresets& p) {
    p.StartToday = ini.ReadBool(StateSection, "Date1_td", d.StartToday);
    p.StartYesterday = ini.ReadBool(StateSection, "Date1_yd", d.StartYesterday);
    p.StartWeekAgo = ini.ReadBool(StateSection, "Date1_mon", d.StartWeekAgo);
    p.EndToday = ini.ReadBool(StateSection, "Date2_td", d.EndToday);
    p.EndYesterday = ini.ReadBool(StateSection, "Date2_yt", d.EndYesterday);
}

void ReadRemainingKeys(const IniFile& ini, const SettingsState& d, SettingsState& s) {
    s.TypeA = ini.ReadInteger(StateSection, "TypeA", d.TypeA);
    s.TypeB = ini.ReadInteger(StateSection, "TypeB", d.TypeB);
    s.AtsNum = ini.ReadInteger(StateSection, "AtsNum", d.AtsNum);
    s.Filter = ini.ReadInteger(StateSection, "filter", d.Filter);
    s.PrintStr = ini.ReadString(StateSection, "PrintStr", d.PrintStr);
    s.PrintStr1 = ini.ReadString(StateSection, "PrintStr1", d.PrintStr1);
    const int window = ini.ReadInteger(StateSection, "window", d.WindowState);
    if (window >= 0 && window <= 2) s.WindowState = window;
    s.SaveOnExit = ini.ReadBool(StateSection, "SaveOnExit", d.SaveOnExit);
    s.Statistics = ini.ReadBool(StateSection, "Statistics", d.Statistics);
    s.ArchiveSource = ini.ReadBool(StateSection, "ArchiveSource", d.ArchiveSource);
}

} // namespace

std::string SettingsFileName(const SettingsState& s, std::string_view name) {
    std::string fileName = s.ProgramDir;
    fileName.append(name);
    return fileName;
}

std::string WithTrailingDelimiter(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && FolderDelimiters.find(out.back()) == std::string_view::npos)
        out.push_back(PathDelimiter);
    return out;
}

std::vector<std::string> LoadSettingsFiles(SettingsState& s) {
    std::vector<std::string> problems;
    if (auto problem = LoadPathFile(s)) problems.push_back(std::move(*problem));
    if (auto problem = LoadList(s, ExchangeListFileName, s.Exchanges))
        problems.push_back(std::move(*problem));
    if (auto problem = LoadList(s, FolderHistoryFileName, s.FolderHistory))
        problems.push_back(std::move(*problem));
    return problems;
}

void RestoreState(SettingsState& s) {
    const IniFile ini = StateFile(s);
    const SettingsState d = DefaultState();
    ReadSortKeys(ini, d, s);
    ReadOptionKeys(ini, d, s);
    ReadPresetKeys(ini, d.Presets, s.Presets);
    ReadRemainingKeys(ini, d, s);
}

void SaveState(const SettingsState& s) {
    const IniFile ini = StateFile(s);
    ini.WriteList(SortSection, "VisibleCol", s.VisibleColumns);
    ini.WriteList(SortSection, "SortCol", s.SortColumns);
    ini.WriteBool(StateSection, "successful", s.Successful);
    ini.WriteBool(StateSection, "optimizeCol", s.OptimizeColumns);
    ini.WriteBool(StateSection, "AutoOpen", s.AutoOpen);
    ini.WriteBool(StateSection, "AutoSave", s.AutoSaveExchanges);
    ini.WriteBool(StateSection, "ColorRows", s.ColorRows);
    ini.WriteBool(StateSection, "AtsBootton", s.ExchangeFilterOn);
    ini.WriteInteger(StateSection, "TypeA", s.TypeA);
    ini.WriteInteger(StateSection, "TypeB", s.TypeB);
    ini.WriteInteger(StateSection, "AtsNum", s.AtsNum);
    ini.WriteInteger(StateSection, "filter", s.Filter);
    ini.WriteInteger(StateSection, "window", s.WindowState);
    ini.WriteBool(StateSection, "SaveOnExit", s.SaveOnExit);
    ini.WriteBool(StateSection, "Statistics", s.Statistics);
    ini.WriteBool(StateSection, "ArchiveSource", s.ArchiveSource);
}

void SaveDatePresets(const SettingsState& s) {
    const IniFile ini = StateFile(s);
    ini.WriteBool(StateSection, "Date1_td", s.Presets.StartToday);
    ini.WriteBool(StateSection, "Date1_yd", s.Presets.StartYesterday);
    ini.WriteBool(StateSection, "Date1_mon", s.Presets.StartWeekAgo);
    ini.WriteBool(StateSection, "Date2_td", s.Presets.EndToday);
    ini.WriteBool(StateSection, "Date2_yt", s.Presets.EndYesterday);
}

void SavePrintHeaders(const SettingsState& s) {
    const IniFile ini = StateFile(s);
    ini.WriteString(StateSection, "PrintStr", s.PrintStr);
    ini.WriteString(StateSection, "PrintStr1", s.PrintStr1);
}

void SavePathFile(const SettingsState& s) {
    WriteLineFile(SettingsFileName(s, PathFileName), s.PathLines);
}

void SaveExchangeList(const SettingsState& s) {
    WriteLineFile(SettingsFileName(s, ExchangeListFileName), s.Exchanges);
}

void SaveFolderHistory(const SettingsState& s) {
    WriteLineFile(SettingsFileName(s, FolderHistoryFileName), s.FolderHistory);
}

std::string PathLineValue(const SettingsState& s, std::size_t index) {
    return index < s.PathLines.size() ? LineValue(s.PathLines[index]) : std::string();
}

void SetPathLineValue(SettingsState& s, std::size_t index, std::string_view value) {
    const std::vector<std::string> builtIn = DefaultPathLines("");
    while (s.PathLines.size() <= index)
        s.PathLines.push_back(s.PathLines.size() < builtIn.size() ? builtIn[s.PathLines.size()]
                                                                  : std::string("="));
    s.PathLines[index] = WithLineValue(s.PathLines[index], value);
}

std::string FolderOfFile(std::string_view fileName) {
    const std::size_t last = fileName.find_last_of(FolderDelimiters);
    return std::string(last == std::string_view::npos ? std::string_view()
                                                      : fileName.substr(0, last + 1));
}

void ChooseAmaFolder(SettingsState& s, std::string_view folder) {
    s.AmaPath = WithTrailingDelimiter(folder);
    SetPathLineValue(s, 0, s.AmaPath);
    s.AmaFolderText = s.AmaPath;
    s.FolderHistory.insert(s.FolderHistory.begin(), s.AmaFolderText);
    if (s.FolderHistory.size() > FolderHistoryLimit) s.FolderHistory.resize(FolderHistoryLimit);
    SavePathFile(s);
    SaveFolderHistory(s);
}

void ChooseExportFolder(SettingsState& s, std::string_view folder) {
    s.ExportPath = WithTrailingDelimiter(folder);
    SetPathLineValue(s, 1, s.ExportPath);
    SavePathFile(s);
}

void EditAmaFolder(SettingsState& s, std::string_view text) {
    s.AmaPath = std::string(text);
    s.AmaFolderText = s.AmaPath;
    SetPathLineValue(s, 0, s.AmaPath);
    SavePathFile(s);
}

void SaveAllSettings(const SettingsState& s) {
    SaveState(s);
    SaveDatePresets(s);
    SavePathFile(s);
    SaveExchangeList(s);
    SaveFolderHistory(s);
}

} // namespace kestrom
