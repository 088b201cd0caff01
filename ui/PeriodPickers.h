#pragma once

#include "base/DateTime.h"
#include "settings/DatePresets.h"
#include "ui/Guarded.h"

#include <QWidget>

#include <functional>
#include <initializer_list>

class QAction;
class QDateTimeEdit;
class QLabel;
class QMenu;

namespace kestrom {

struct SettingsState;

/// The period of a load in the top strip: "Просмотр данных начиная с  "
/// (Label1), the start picker (DateTimePicker1), "по" (Label2) and the end
/// picker (DateTimePicker2), with their right-click menus of date presets
/// (PopupMenu2 with N5..N7, PopupMenu3 with N8, N9). The start holds 00:00,
/// the end 23:59; a preset or a date picked by hand changes the date only.
class PeriodPickers : public QWidget {
    Q_OBJECT
  public:
    /// settings takes the check marks before they are written; today gives
    /// the day the presets count from.
    PeriodPickers(SettingsState& settings, InformFn inform, std::function<TDateTime()> today,
                  QWidget* parent = nullptr);

    TDateTime Start() const;
    TDateTime End() const;

    DatePresets Marks() const;
    /// Sets the five check marks only; the dates stay.
    void SetMarks(const DatePresets& marks);
    /// Sets the dates of the pickers from the checked presets.
    void ApplyMarkedDates();

  public slots:
    void startToday();     // N5 "Сегодня"
    void startYesterday(); // N6 "Вчера"
    void startWeekAgo();   // N7 "Неделю назад"
    void endToday();       // N8 "Сегодня"
    void endYesterday();   // N9 "Вчера"

  private:
    void Choose(QAction* mark, std::initializer_list<QAction*> others, QDateTimeEdit* picker,
                int daysBack);

    SettingsState& settings_;
    InformFn inform_;
    std::function<TDateTime()> today_;
    QLabel* startLabel_ = nullptr;          // Label1
    QDateTimeEdit* startPicker_ = nullptr;  // DateTimePicker1
    QLabel* endLabel_ = nullptr;            // Label2
    QDateTimeEdit* endPicker_ = nullptr;    // DateTimePicker2
    QMenu* startMenu_ = nullptr;            // PopupMenu2
    QAction* startTodayMark_ = nullptr;     // N5
    QAction* startYesterdayMark_ = nullptr; // N6
    QAction* startWeekAgoMark_ = nullptr;   // N7
    QMenu* endMenu_ = nullptr;              // PopupMenu3
    QAction* endTodayMark_ = nullptr;       // N8
    QAction* endYesterdayMark_ = nullptr;   // N9
};

} // namespace kestrom
