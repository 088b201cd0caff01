#pragma once

#include <QImage>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QWidget>

class QBarCategoryAxis;
class QBarSet;
class QChart;
class QChartView;
class QToolButton;
class QValueAxis;

namespace kestrom {

/// One bar chart of the page "Статистика": a chart view (objectName the
/// chart's name, such as "DaysChart") with one bar per category, both axes
/// titled, the numbers written in the chart's locale, and the button
/// "Сохранить как PNG" (objectName the name followed by "Save") in its top
/// left corner.
///
///     StatisticsChart days("DaysChart", "Звонки по дням", "День", "Звонков",
///                          StatisticsChart::Bars::Vertical, 0);
///     days.SetBars({"09.10.2006", "10.10.2006"}, {3, 1});
///     connect(&days, &StatisticsChart::barClicked, ...);
///
/// Horizontal bars list their categories from the top down; indexes are
/// always those of the categories given.
class StatisticsChart : public QWidget {
    Q_OBJECT
  public:
    enum class Bars { Vertical, Horizontal };

    /// decimals is how many decimals a value needs at most (0 for counts):
    /// the value axis never steps finer than that.
    StatisticsChart(const char* name, const QString& title, const QString& categoryTitle,
                    const QString& valueTitle, Bars bars, int decimals, QWidget* parent = nullptr);
    ~StatisticsChart() override;

    /// Replaces the bars: one per category, with its value. No categories
    /// give an empty chart.
    void SetBars(const QStringList& categories, const QList<qreal>& values);
    void SetCategoryTitle(const QString& title);
    /// The locale of the axes' numbers.
    void SetLocale(const QLocale& locale);

    QString Title() const;
    /// The chart as the view shows it now.
    QImage Image() const;
    QChartView* View() const { return view_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  signals:
    /// A click on the bar of the category with that index.
    void barClicked(int index);
    /// "Сохранить как PNG" was pressed.
    void saveAsked();

  private:
    void SetValueRange(qreal highest);
    void ShowHint(bool hovered, int index);
    int CategoryIndex(int barIndex) const;

    Bars bars_;
    int decimals_;
    QChart* chart_;
    QChartView* view_;
    QBarSet* set_;
    QBarCategoryAxis* categoryAxis_;
    QValueAxis* valueAxis_;
    QToolButton* saveButton_;
    QStringList categories_;
    QList<qreal> values_;
};

} // namespace kestrom
