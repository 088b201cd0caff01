#pragma once

#include "results/CallStatistics.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <map>

class QLabel;
class QPushButton;
class QTabWidget;

namespace kestrom {

class ResultGrid;
class StatisticsChart;
class TopNumbersTable;

/// The page "Статистика" (StatisticsPanel) beside the grid DBGridEh1: when,
/// how often, with whom and how long the calls of the rows the grid shows
/// (those that pass its filter row) were, as charts on tabs:
///
/// | tab          | objectName                 | what                          |
/// |--------------|----------------------------|-------------------------------|
/// | По дням      | DaysChart                  | calls per day                 |
/// | По часам     | HoursChart                 | calls per hour 0..23          |
/// | Минуты       | MinutesChart               | minutes per day               |
/// | Длительность | DurationsChart             | calls per duration bucket     |
/// | Ошибки       | FailuresChart              | calls per failure text        |
/// | Номера       | TopNumbersB, TopNumbersA   | top numbers B and A           |
///
/// Under the tabs: "без даты начала: N" (WithoutStartDate) and the button
/// "Сбросить отбор" (ResetStatisticsFilter).
///
/// The figures come from CallStatistics and follow the grid (its
/// shownRowsChanged): they are gathered once per turn of the event loop
/// while the page is visible, and at once when it is shown; a hidden page
/// gathers nothing. While a load runs (the grid's data source is off) the
/// charts are empty.
///
/// A click on a day, an hour or a failure text, or on a top number, sets
/// the matching condition of the grid's filter row; "Сбросить отбор"
/// removes the conditions the page set that are
/// still as it set them. Each chart's "Сохранить как PNG" writes the chart
/// as a PNG file.
class StatisticsPanel : public QWidget {
    Q_OBJECT
  public:
    explicit StatisticsPanel(ResultGrid& grid, QWidget* parent = nullptr);
    ~StatisticsPanel() override;

    /// The file a chart is saved to: given the proposed file (folder and
    /// name), the chosen one, or empty when the user cancels. By default a
    /// save dialog.
    std::function<QString(const QString& proposedPath)> chooseFile;
    /// Where the message of a failed save goes; by default a message box.
    std::function<void(const QString&)> inform;
    /// The folder the save dialog starts in; none: the current folder.
    std::function<QString()> folder;

    /// Gathers the figures of the rows the grid shows now and redraws the
    /// charts (also when hidden).
    void Rebuild();
    /// Writes the chart as a PNG file; says so when that fails. True when
    /// the file was written.
    bool SaveChart(StatisticsChart& chart, const QString& path);

  public slots:
    /// "Сбросить отбор".
    void resetFilter();

  signals:
    /// The charts were drawn anew from the grid's rows.
    void rebuilt();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    StatisticsChart* AddChart(const char* name, const char* title, const char* categoryTitle,
                              const char* valueTitle, int decimals, bool horizontal);
    void BuildCharts();
    QWidget* BuildNumbersTab();
    /// The grid's rows changed: a rebuild at the next turn of the event loop
    /// when visible, else when shown.
    void Follow();
    void Show(const CallStatistics& figures);
    void SetCondition(const char* column, const QString& condition);
    void SaveAsked(StatisticsChart& chart, const QString& proposedName);
    void Inform(const QString& text);

    ResultGrid& grid_;
    QTabWidget* tabs_ = nullptr;
    StatisticsChart* days_ = nullptr;
    StatisticsChart* hours_ = nullptr;
    StatisticsChart* minutes_ = nullptr;
    StatisticsChart* durations_ = nullptr;
    StatisticsChart* failures_ = nullptr;
    QLabel* withoutStartDate_ = nullptr;
    TopNumbersTable* topB_ = nullptr;
    TopNumbersTable* topA_ = nullptr;
    QPushButton* resetButton_ = nullptr;

    bool stale_ = true;
    bool scheduled_ = false;
    /// The conditions of the days' and the failures' bars, by index.
    QStringList dayConditions_;
    QStringList failureConditions_;
    /// The conditions the page set, by the column's logical index.
    std::map<int, QString> set_;
};

} // namespace kestrom
