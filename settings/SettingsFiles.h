#pragma once

#include "settings/SettingsState.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

// The four settings files in the program directory. Every operation opens its
// file, reads or writes it and closes it again; nothing is kept between
// operations. A list or paths file that cannot be written throws SettingsError
// `Cannot create file "<full file name>". <reason>`; a key of addpar.ini that
// cannot be written throws `Unable to write to <full file name>`. Whatever an
// operation wrote before its failure stays written.

inline constexpr std::string_view PathFileName = "Kestrom.ini";
inline constexpr std::string_view ExchangeListFileName = "ListNode.ini";
inline constexpr std::string_view FolderHistoryFileName = "History.ini";
inline constexpr std::string_view StateFileName = "addpar.ini";

/// The built-in names of the two lines of Kestrom.ini (two blanks before "*").
inline constexpr std::string_view AmaPathLineName = "Путь к файлам  *.ама";
inline constexpr std::string_view ExportPathLineName = "Путь экспорта";

/// The full name of a settings file: the program directory and the name.
std::string SettingsFileName(const SettingsState& s, std::string_view name);

/// The folder with a path delimiter at its end (an empty text stays empty).
std::string WithTrailingDelimiter(std::string_view folder);

/// Reads Kestrom.ini, ListNode.ini and History.ini at start, in this order.
/// An unreadable file is replaced by its default content and written, without
/// a message: Kestrom.ini gets both values equal to the program directory and
/// leaves AmaFolderText empty; the two lists become empty files. Returns the
/// messages (Russian) of what went wrong beyond that: a Kestrom.ini of a
/// single line, or a default file that could not be written. After such a
/// problem with Kestrom.ini, AmaPath and ExportPath stay empty; the other
/// files are read all the same.
std::vector<std::string> LoadSettingsFiles(SettingsState& s);

/// Reads every key of addpar.ini, one after the other, into the value
/// set; a missing file or key, or a value of the wrong form, gives the
/// default. WindowState is taken only when it is 0, 1 or 2. The stored item
/// indices are kept as they are (see ItemIndexOrNone) and the date presets are
/// left for ApplyDatePresets.
void RestoreState(SettingsState& s);

/// Writes VisibleCol, SortCol, then successful, optimizeCol, AutoOpen,
/// AutoSave, ColorRows, AtsBootton, TypeA, TypeB, AtsNum, filter, window,
/// SaveOnExit and Statistics.
void SaveState(const SettingsState& s);
/// Writes Date1_td, Date1_yd, Date1_mon, Date2_td, Date2_yt.
void SaveDatePresets(const SettingsState& s);
/// Writes PrintStr, then PrintStr1.
void SavePrintHeaders(const SettingsState& s);

void SavePathFile(const SettingsState& s);
void SaveExchangeList(const SettingsState& s);
void SaveFolderHistory(const SettingsState& s);

/// The value of a line of the path editor (index 0 is line 1); "" when the
/// editor has no such line.
std::string PathLineValue(const SettingsState& s, std::size_t index);
/// Sets the value of a line of the path editor, adding the missing built-in
/// lines (with empty values) when the editor is shorter.
void SetPathLineValue(SettingsState& s, std::size_t index, std::string_view value);

/// The folder part of a file name, with its trailing delimiter.
std::string FolderOfFile(std::string_view fileName);

/// A folder chosen for the AMA files: AmaPath, line 1 and the folder box take
/// it (with a trailing delimiter), it goes to the top of the folder history,
/// which keeps at most 12 entries and is not checked for duplicates; then
/// Kestrom.ini and History.ini are written.
void ChooseAmaFolder(SettingsState& s, std::string_view folder);
/// A folder chosen for exports: ExportPath and line 2 take it (with a
/// trailing delimiter); then Kestrom.ini is written.
void ChooseExportFolder(SettingsState& s, std::string_view folder);
/// The AMA folder box changed (typed or picked): AmaPath and line 1 take the
/// text as it is; then Kestrom.ini is written. The history is not touched.
void EditAmaFolder(SettingsState& s, std::string_view text);

/// "Сохранить состояние": SaveState, SaveDatePresets, SavePathFile,
/// SaveExchangeList, SaveFolderHistory.
void SaveAllSettings(const SettingsState& s);

/// The most entries the folder history keeps.
inline constexpr std::size_t FolderHistoryLimit = 12;

} // namespace kestrom
