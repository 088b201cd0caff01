#pragma once

#include "settings/DatePresets.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The displayed columns of a first start: 18 of the 20 result columns,
/// without the two supplementary-service columns.
std::vector<std::string> DefaultVisibleColumns();
/// The sort list of a first start: start date, then start time, ascending.
std::vector<std::string> DefaultSortColumns();

/// Everything the settings files remember, as the window's controls hold it.
/// The window binds its controls to these values; the operations of
/// SettingsFiles.h move them between here and the four files. All texts are
/// UTF-8. A value-initialised state is blank; DefaultState() gives the
/// built-in defaults.
struct SettingsState {
    /// The program directory, ending in a path delimiter; the four files lie there.
    std::string ProgramDir;

    // Kestrom.ini
    /// The lines of the path editor, "name=value" each; line 1 holds the AMA
    /// folder, line 2 the export folder.
    std::vector<std::string> PathLines;
    std::string AmaPath;
    std::string ExportPath;
    /// The text of the AMA folder box; left empty when Kestrom.ini had to be created.
    std::string AmaFolderText;

    // ListNode.ini and History.ini
    std::vector<std::string> Exchanges;     ///< the exchange number list, in order
    std::vector<std::string> FolderHistory; ///< AMA folders, the most recent first

    // addpar.ini, section Sort
    std::vector<std::string> VisibleColumns;
    std::vector<std::string> SortColumns;

    // addpar.ini, section state
    bool Successful = false; ///< "Только успешные"
    bool OptimizeColumns = false; ///< "Всегда оптимизировать ширину колонок"
    bool AutoOpen = false; ///< "Открывать таблицу автоматически"
    bool AutoSaveExchanges = false; ///< "Автосохранение в списке № АТС"
    bool ColorRows = false;         ///< "Включить подсветку строк"
    bool ExchangeFilterOn = false;  ///< the toggle "Для АТС №" is pressed
    DatePresets Presets;
    /// Item indices of the comparison boxes for A and B, the exchange box and
    /// the AND/OR box, as stored: the window applies them through
    /// ItemIndexOrNone, since a stored index may lie outside its list.
    int TypeA = 0;
    int TypeB = 0;
    int AtsNum = 0;
    int Filter = 0;
    std::string PrintStr;  ///< first print header line (the period)
    std::string PrintStr1; ///< second print header line (the filters)
    /// 0 normal, 1 minimised, 2 maximised.
    int WindowState = 0;
    bool SaveOnExit = false; ///< "Автосохранение состояния по выходу"
    bool Statistics = false; ///< the page "Статистика" beside the grid is shown
    /// "Загружать из архива (PostgreSQL)": a load takes its rows from the
    /// shared call archive instead of the AMA folder. Like the paths, the
    /// command "По умолчанию" leaves it as it is.
    bool ArchiveSource = false;
};

/// The built-in defaults of addpar.ini: a first start's state, and the value
/// of every key that is missing. Paths and lists are left empty.
SettingsState DefaultState();

/// The state after the command "По умолчанию": the defaults of the options,
/// the filter modes, the sort list and the date presets, every result column
/// displayed and the first number of the exchange list chosen. The paths, the
/// lists, the print headers and the window state stay as they are.
SettingsState WithDefaultCommand(SettingsState s);

/// The item to select in a list of count items for a stored index: the index
/// itself, or -1 (no selection, empty text) when it lies outside the list.
int ItemIndexOrNone(int index, std::size_t count);

/// The value of a "name=value" line: the text after its first "=", or the
/// whole line when it has none.
std::string LineValue(std::string_view line);

/// The line with its value replaced: its name and "=" stay; a line without
/// "=" has an empty name and becomes "=" followed by the value.
std::string WithLineValue(std::string_view line, std::string_view value);

} // namespace kestrom
