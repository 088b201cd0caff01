#pragma once

// The main window SearchForm and its parts. Every control keeps its name as
// its objectName (the settings, the tests and the user guide use them); the
// C++ members and handlers are named after their job. The parts, one file
// pair each: PeriodPickers, ExchangeList, FilterBar, SettingsPanel,
// TColumnChooser (ColumnChooser), TForm2 (ProgressWindow), StatisticsPanel.
//
// | objectName            | member (handler)                             | part            |
// |-----------------------|----------------------------------------------|-----------------|
// | SearchForm            | TSearchForm                                  | window          |
// | Panel1, Panel2        | (layout)                                     | window          |
// | GroupBox1, Panel3     | (layout: the top strip)                      | window          |
// | Panel4, ToolBar3      | (layout: the filter strip)                   | window          |
// | Label1                | startLabel_                                  | PeriodPickers   |
// | DateTimePicker1       | startPicker_                                 | PeriodPickers   |
// | Label2                | endLabel_                                    | PeriodPickers   |
// | DateTimePicker2       | endPicker_                                   | PeriodPickers   |
// | PopupMenu2            | startMenu_                                   | PeriodPickers   |
// | N5                    | startTodayMark_ (startToday)                 | PeriodPickers   |
// | N6                    | startYesterdayMark_ (startYesterday)         | PeriodPickers   |
// | N7                    | startWeekAgoMark_ (startWeekAgo)             | PeriodPickers   |
// | PopupMenu3            | endMenu_                                     | PeriodPickers   |
// | N8                    | endTodayMark_ (endToday)                     | PeriodPickers   |
// | N9                    | endYesterdayMark_ (endYesterday)             | PeriodPickers   |
// | ToolBar2              | ExchangeList itself                          | ExchangeList    |
// | ToolButton5           | exchangeToggle_ (toggleExchange)             | ExchangeList    |
// | ComboBox3             | exchangeBox_                                 | ExchangeList    |
// | PopupMenu1            | listMenu_                                    | ExchangeList    |
// | AddNum                | (addNumber)                                  | ExchangeList    |
// | N1                    | (removeNumber)                               | ExchangeList    |
// | N2                    | (saveList)                                   | ExchangeList    |
// | N4                    | (clearList)                                  | ExchangeList    |
// | ButtonGroup1          | startButton_ (startLoad)                     | window          |
// | ButtonGroup3          | openTableButton_ (openTable)                 | window          |
// | ButtonGroup5          | exportButton_ (exportResult)                 | window          |
// | ButtonGroup2          | printButton_ (printResult)                   | window          |
// | GroupBox2             | FilterBar itself                             | FilterBar       |
// | ToolBar1, ToolBar4    | (layout)                                     | FilterBar       |
// | ToolButton1           | numberAToggle_ (toggleNumberA)               | FilterBar       |
// | ComboBox1             | numberAMode_                                 | FilterBar       |
// | Edit2                 | numberAText_                                 | FilterBar       |
// | ComboBox4             | numberJoin_                                  | FilterBar       |
// | ToolButton4           | numberBToggle_ (toggleNumberB)               | FilterBar       |
// | ComboBox2             | numberBMode_                                 | FilterBar       |
// | Edit3                 | numberBText_                                 | FilterBar       |
// | ToolButton12          | inTrunkGroupToggle_ (toggleInTrunkGroup)     | FilterBar       |
// | Edit4, UpDown2        | inTrunkGroupBox_                             | FilterBar       |
// | ToolButton14          | outTrunkGroupToggle_ (toggleOutTrunkGroup)   | FilterBar       |
// | Edit5, UpDown3        | outTrunkGroupBox_                            | FilterBar       |
// | ToolButton20          | errorCodeToggle_ (toggleErrorCode)           | FilterBar       |
// | Edit1, UpDown1        | errorCodeBox_                                | FilterBar       |
// | ToolButton16          | timeFromToggle_ (toggleTimeFrom)             | FilterBar       |
// | DateTimePicker3       | timeFromPicker_                              | FilterBar       |
// | ToolButton18          | timeToToggle_ (toggleTimeTo)                 | FilterBar       |
// | DateTimePicker4       | timeToPicker_                                | FilterBar       |
// | Label4                | homePageCaption_                             | FilterBar       |
// | Label3                | homePageLink_ (openHomePage)                 | FilterBar       |
// | CheckBox1             | onlySuccessful_, on ToolBar3                 | FilterBar       |
// | ButtonGroup6          | settingsButton_ (showSettings)               | window          |
// | ButtonGroup13         | saveStateButton_ (saveState)                 | window          |
// | ButtonGroup14         | restoreStateButton_ (restoreState)           | window          |
// | ButtonGroup12         | defaultsButton_ (setDefaults)                | window          |
// | ButtonGroup4          | optimizeColumnsButton_ (fitColumns)          | window          |
// | StatisticsButton      | statisticsButton_ (showStatistics)           | window          |
// | Panel5                | SettingsPanel itself                         | SettingsPanel   |
// | ValueListEditor1      | pathEditor_                                  | SettingsPanel   |
// | ComboBox5             | amaFolderBox_ (editAmaFolder)                | SettingsPanel   |
// | BitBtn3               | amaFolderButton_ (chooseAmaFolder)           | SettingsPanel   |
// | BtnExportPach         | exportFolderButton_ (chooseExportFolder)     | SettingsPanel   |
// | GroupBox4             | chooserGroup_                                | SettingsPanel   |
// | GroupBox3, Panel6     | (layout)                                     | SettingsPanel   |
// | CheckBox3             | autoOpenOption_                              | SettingsPanel   |
// | CheckBox2             | optimizeColumnsOption_                       | SettingsPanel   |
// | CheckBox6             | colourRowsOption_                            | SettingsPanel   |
// | CheckBox4             | autoSaveExchangesOption_                     | SettingsPanel   |
// | CheckBox5             | saveOnExitOption_                            | SettingsPanel   |
// | ArchiveSourceOption   | archiveSourceOption_                         | SettingsPanel   |
// | ButtonGroup7          | hideButton_ (hides the panel)                | SettingsPanel   |
// | ColumnChooser         | chooser_ (TColumnChooser itself)             | TColumnChooser  |
// | ListBox3              | allColumns_                                  | TColumnChooser  |
// | ListBox1              | displayed_                                   | TColumnChooser  |
// | ListBox2              | sortKeys_                                    | TColumnChooser  |
// | ButtonGroup15         | addButton_ (addToDisplayed)                  | TColumnChooser  |
// | ButtonGroup16         | removeButton_ (removeFromDisplayed)          | TColumnChooser  |
// | ButtonGroup18         | displayedUpButton_ (moveDisplayedUp)         | TColumnChooser  |
// | ButtonGroup19         | displayedDownButton_ (moveDisplayedDown)     | TColumnChooser  |
// | ButtonGroup8          | ascendingButton_ (sortAscending)             | TColumnChooser  |
// | ButtonGroup17         | descendingButton_ (sortDescending)           | TColumnChooser  |
// | ButtonGroup9          | removeSortKeysButton_ (removeSortKeys)       | TColumnChooser  |
// | ButtonGroup10         | sortKeyUpButton_ (moveSortKeyUp)             | TColumnChooser  |
// | ButtonGroup11         | sortKeyDownButton_ (moveSortKeyDown)         | TColumnChooser  |
// | DBGridEh1             | grid_                                        | window          |
// | StatisticsSplitter    | (layout: the grid and the page side by side) | window          |
// | StatisticsPanel       | statistics_ (StatisticsPanel itself)         | StatisticsPanel |
// | StatisticsTabs        | (the page's tabs)                            | StatisticsPanel |
// | DaysChart ...         | DaysChart, HoursChart, MinutesChart,         | StatisticsPanel |
// |                       | DurationsChart, FailuresChart (each with     |                 |
// |                       | its button <name>Save "Сохранить как PNG")   |                 |
// | WithoutStartDate      | withoutStartDate_                            | StatisticsPanel |
// | TopNumbersB/A         | topB_, topA_                                 | StatisticsPanel |
// | ResetStatisticsFilter | resetButton_ (resetFilter)                   | StatisticsPanel |
// | StatusBar1            | statusBar_, statusPanels_                    | window          |
// | (message 1186)        | (cancelLoad)                                 | window          |
// | Form2                 | TForm2 itself                                | TForm2          |
// | Label1 of Form2       | statusText_                                  | TForm2          |
// | ProgressBar1          | progressBar_                                 | TForm2          |
// | BitBtn1               | cancelButton_ (askCancel)                    | TForm2          |
// | Shape1, Bevel1        | (layout)                                     | TForm2          |
// | PrintPreview          | PrintPreview itself (print_->Preview())      | PrintPreview    |
// | PreviewToolBar        | (the preview's buttons, QActions:)           | PrintPreview    |
// | FirstPage ...         | FirstPage, PriorPage, NextPage, LastPage,    | PrintPreview    |
// |                       | FitWidth, FitPage, ZoomIn, ZoomOut,          |                 |
// |                       | PrintPages, SavePdf, ClosePreview            |                 |
// | PageText              | pageText_ ("Страница %d из %d")              | PrintPreview    |
// | PageView              | pageView_ (the page shown)                   | PrintPreview    |

#include "db/Database.h"
#include "db/Query.h"
#include "load/LoadCommand.h"
#include "settings/SettingsState.h"
#include "ui/Guarded.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QStatusBar;

namespace kestrom {

class ArchiveLoad;
class ExchangeList;
class ExportCommand;
class FilterBar;
class MainFrontEnd;
class PeriodPickers;
class PrintCommand;
class ResultGrid;
class SettingsPanel;
class StatisticsPanel;
class WindowFrontEnd;

/// The program's main window: it places its parts (the period, the exchange
/// list, the filter bar, the settings panel, the result grid, the status
/// bar), runs start-up, the first activation and closing, and routes the
/// commands: the load, the opening of the result and the state commands.
class TSearchForm : public QWidget {
    Q_OBJECT
  public:
    /// programDir is the program directory (ending in a path delimiter): the
    /// settings files and the database lie there.
    explicit TSearchForm(std::string programDir, QWidget* parent = nullptr);
    ~TSearchForm() override;

    /// Where the window's information messages go; tests answer them here.
    /// By default a message box.
    std::function<void(const QString&)> showMessage;
    /// Where the error box of a failed result query goes (title, text).
    std::function<void(const QString&, const QString&)> showError;
    /// "Today" of the date presets; by default the current local date.
    std::function<TDateTime()> today;

    const SettingsState& Settings() const { return settings_; }
    LoadSession& Session() { return session_; }
    WindowFrontEnd& FrontEnd();
    /// The export command, whose dialog and messages tests answer.
    ExportCommand& Export();
    /// The print command, whose preview window tests look at.
    PrintCommand& Print();
    /// The page "Статистика", whose save dialog and messages tests answer.
    StatisticsPanel& Statistics();
    bool LoadRunning() const { return session_.Busy(); }
    /// The load that "Начать" runs with the controls as they are now.
    LoadRequest Request() const;

  public slots:
    void startLoad();    // ButtonGroup1 "Начать" (BitBtn1Click)
    void openTable();    // ButtonGroup3 "Открыть таблицу" (BitBtn2Click)
    void showSettings(); // ButtonGroup6 "Настройки"
    void saveState();    // ButtonGroup13 "Сохранить состояние"
    void restoreState(); // ButtonGroup14 "Восстановить состояние"
    void setDefaults();  // ButtonGroup12 "По умолчанию"
    void cancelLoad();   // message 1186 (MsgMain2)
    void fitColumns(); // ButtonGroup4 "Оптимизировать ширину колонок" (BitBtn5Click)
    /// StatisticsButton "Статистика": shows or hides the page beside the grid.
    void showStatistics(bool shown);
    void exportResult(); // ButtonGroup5 "Экспорт" (ButtonGroup5Items0Click)
    void printResult();  // ButtonGroup2 "Печать" (BitBtn4Click)
    /// A click on a title changed the sort marks: the query runs again in
    /// their order; a failure shows the engine's error and leaves no rows.
    void reorderResult();

  protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    QWidget* BuildTopStrip();
    QWidget* BuildFilterStrip();
    void FormCreate();
    void FormActivate();
    bool FormClose();

    void ReadControls();
    void ApplyState(const SettingsState& s);
    void ApplyWindowState(int state);
    TDateTime Today() const;
    void Inform(const QString& text);
    /// The error box (or the showError hook).
    void ShowError(const QString& title, const QString& text);
    void SetLoadRunning(bool running);
    /// After an opening: says once that the last load broke off, or, when the
    /// opening failed, what is wrong with the table file.
    void TellTableState(bool opened);
    /// The grid's colouring inputs, its sorting and its totals.
    void ConnectGrid();
    /// The grid and the page "Статистика" side by side.
    QWidget* BuildGridAndStatistics(QWidget* parent);
    /// The totals of the rows shown, on panels 1, 2 and 0 of the status bar.
    void ShowTotals();

    std::string programDir_;
    InformFn inform_;
    SettingsState settings_ = DefaultState();
    Database db_;
    Query query_;
    LoadSession session_;
    bool firstActivation_ = true;
    bool closeAsked_ = false;     // closing was asked while a load ran
    bool incompleteTold_ = false; // the broken-off last load was mentioned

    PeriodPickers* period_ = nullptr;
    ExchangeList* exchange_ = nullptr;
    FilterBar* filterBar_ = nullptr;
    SettingsPanel* settingsPanel_ = nullptr;
    QPushButton* startButton_ = nullptr;           // ButtonGroup1
    QPushButton* openTableButton_ = nullptr;       // ButtonGroup3
    QPushButton* exportButton_ = nullptr;          // ButtonGroup5
    QPushButton* printButton_ = nullptr;           // ButtonGroup2
    QPushButton* settingsButton_ = nullptr;        // ButtonGroup6
    QPushButton* saveStateButton_ = nullptr;       // ButtonGroup13
    QPushButton* restoreStateButton_ = nullptr;    // ButtonGroup14
    QPushButton* defaultsButton_ = nullptr;        // ButtonGroup12
    QPushButton* optimizeColumnsButton_ = nullptr; // ButtonGroup4
    QPushButton* statisticsButton_ = nullptr;      // StatisticsButton
    ResultGrid* grid_ = nullptr;                   // DBGridEh1
    StatisticsPanel* statistics_ = nullptr;        // StatisticsPanel
    QWidget* gridAndStatistics_ = nullptr;         // StatisticsSplitter
    QStatusBar* statusBar_ = nullptr;              // StatusBar1
    std::vector<QLabel*> statusPanels_;
    std::unique_ptr<MainFrontEnd> frontEnd_;
    std::unique_ptr<ExportCommand> export_;
    std::unique_ptr<PrintCommand> print_;
    std::unique_ptr<ArchiveLoad> archive_; // the source of a load from the archive, while it runs
};

/// The window caption: "Программа просмотра АМА-записей v." followed by the
/// first 8 characters of the file version.
QString WindowCaption(const QString& fileVersion);

} // namespace kestrom
