#include "ui/StatisticsPanel.h"

#include "ui/FilterCell.h"
#include "ui/FilterRow.h"
#include "ui/PngFile.h"
#include "ui/QtText.h"
#include "ui/ResultGrid.h"
#include "ui/StatisticsChart.h"
#include "ui/TopNumbersTable.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QVBoxLayout>

#include <vector>

namespace kestrom {

namespace {

// The columns a click on the page narrows.
constexpr const char* DayColumn = "Дата_иниц";
constexpr const char* HourColumn = "Время_иниц";
constexpr const char* FailureColumn = "Ошибка";
constexpr const char* NumberBColumn = "Номер_Б";
constexpr const char* NumberAColumn = "Номер_А";

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

/// The whole hour: "13:00:00~13:59:59" takes 13:59:59.999 as well, since a
/// range of times compares the stored time cut to the length of its ends.
QString HourCondition(int hour) {
    const QString hh = QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0'));
    return hh + QLatin1String(":00:00~") + hh + QLatin1String(":59:59");
}

/// The exact text of a cell; an empty one is a NULL or empty cell.
QString EqualsCondition(const QString& text) {
    return text.isEmpty() ? QStringLiteral("=NULL") : QLatin1Char('=') + text;
}

/// The locale's short date without its year: "dd.MM.yyyy" gives "dd.MM",
/// "M/d/yy" gives "M/d", "yyyy-MM-dd" gives "MM-dd".
QString DayMonthFormat(QString format) {
    static const QRegularExpression atEnd(QStringLiteral("[^dMy]*y+$"));
    static const QRegularExpression atStart(QStringLiteral("^y+[^dMy]*"));
    static const QRegularExpression inside(QStringLiteral("y+[^dMy]*"));
    format.remove(atEnd);
    format.remove(atStart);
    format.remove(inside);
    return format;
}

QVBoxLayout* Column(QWidget* w) {
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    return layout;
}

} // namespace

StatisticsPanel::StatisticsPanel(ResultGrid& grid, QWidget* parent) : QWidget(parent), grid_(grid) {
    setObjectName(QStringLiteral("StatisticsPanel"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("StatisticsTabs"));
    // One chart a tab: the room beside the grid is small.
    BuildCharts();
    tabs_->addTab(days_, U("По дням"));
    tabs_->addTab(hours_, U("По часам"));
    tabs_->addTab(minutes_, U("Минуты"));
    tabs_->addTab(durations_, U("Длительность"));
    tabs_->addTab(failures_, U("Ошибки"));
    tabs_->addTab(BuildNumbersTab(), U("Номера"));

    withoutStartDate_ = new QLabel(this);
    withoutStartDate_->setObjectName(QStringLiteral("WithoutStartDate"));
    resetButton_ = new QPushButton(U("Сбросить отбор"), this);
    resetButton_->setObjectName(QStringLiteral("ResetStatisticsFilter"));
    resetButton_->setToolTip(U("Убрать из строки фильтра условия, заданные щелчком на странице"));
    connect(resetButton_, &QPushButton::clicked, this, &StatisticsPanel::resetFilter);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(2, 0, 0, 0);
    bottom->addWidget(withoutStartDate_, 1);
    bottom->addWidget(resetButton_);
    QVBoxLayout* layout = Column(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_, 1);
    layout->addLayout(bottom);

    connect(&grid_, &ResultGrid::shownRowsChanged, this, &StatisticsPanel::Follow);
}

StatisticsPanel::~StatisticsPanel() = default;

StatisticsChart* StatisticsPanel::AddChart(const char* name, const char* title,
                                           const char* categoryTitle, const char* valueTitle,
                                           int decimals, bool horizontal) {
    auto* chart = new StatisticsChart(name, U(title), U(categoryTitle), U(valueTitle),
                                      horizontal ? StatisticsChart::Bars::Horizontal
                                                 : StatisticsChart::Bars::Vertical,
                                      decimals, this);
    const QString proposed = U(title) + QLatin1String(".png");
    connect(chart, &StatisticsChart::saveAsked, this,
            [this, chart, proposed] { SaveAsked(*chart, proposed); });
    return chart;
}

void StatisticsPanel::BuildCharts() {
    days_ = AddChart("DaysChart", "Звонки по дням", "День", "Звонков", 0, false);
    hours_ = AddChart("HoursChart", "Звонки по часам", "Час", "Звонков", 0, false);
    minutes_ = AddChart("MinutesChart", "Минуты по дням", "День", "Минут", 2, false);
    durations_ =
        AddChart("DurationsChart", "Длительность звонков", "Длительность", "Звонков", 0, false);
    failures_ = AddChart("FailuresChart", "Звонки по ошибкам", "Ошибка", "Звонков", 0, true);

    const auto chooseDay = [this](int index) {
        if (index < dayConditions_.size()) SetCondition(DayColumn, dayConditions_[index]);
    };
    connect(days_, &StatisticsChart::barClicked, this, chooseDay);
    connect(minutes_, &StatisticsChart::barClicked, this, chooseDay);
    connect(hours_, &StatisticsChart::barClicked, this,
            [this](int hour) { SetCondition(HourColumn, HourCondition(hour)); });
    connect(failures_, &StatisticsChart::barClicked, this, [this](int index) {
        if (index < failureConditions_.size())
            SetCondition(FailureColumn, failureConditions_[index]);
    });
}

QWidget* StatisticsPanel::BuildNumbersTab() {
    auto* tab = new QWidget(this);
    topB_ = new TopNumbersTable("TopNumbersB", tab);
    topA_ = new TopNumbersTable("TopNumbersA", tab);
    QVBoxLayout* layout = Column(tab);
    layout->addWidget(new QLabel(U("Номера Б с наибольшим числом звонков"), tab));
    layout->addWidget(topB_, 1);
    layout->addWidget(new QLabel(U("Номера А с наибольшим числом звонков"), tab));
    layout->addWidget(topA_, 1);
    connect(topB_, &TopNumbersTable::numberChosen, this,
            [this](const QString& n) { SetCondition(NumberBColumn, EqualsCondition(n)); });
    connect(topA_, &TopNumbersTable::numberChosen, this,
            [this](const QString& n) { SetCondition(NumberAColumn, EqualsCondition(n)); });
    return tab;
}

// --- following the grid -------------------------------------------------------

void StatisticsPanel::Follow() {
    stale_ = true;
    if (!isVisible() || scheduled_) return;
    // A change of the rows often comes as several signals (an opening, a
    // re-run with a filter): one rebuild after them.
    scheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            scheduled_ = false;
            if (stale_ && isVisible()) Rebuild();
        },
        Qt::QueuedConnection);
}

void StatisticsPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) Rebuild();
}

void StatisticsPanel::Rebuild() {
    stale_ = false;
    const ResultModel& model = grid_.Model();
    CallStatistics figures;
    if (model.IsEnabled() && model.rowCount() > 0)
        figures = model.HasRowIndex() ? CallStatistics::Of(model.Result(), model.RowIndex())
                                      : CallStatistics::Of(model.Result());
    Show(figures);
    emit rebuilt();
}

void StatisticsPanel::Show(const CallStatistics& figures) {
    const ResultModel& model = grid_.Model();
    const QLocale& locale = model.Locale();
    for (StatisticsChart* chart : {days_, hours_, minutes_, durations_, failures_})
        chart->SetLocale(locale);

    // Each day's condition holds the day as the grid shows it; the bars
    // leave the year to the axis title when all days share one.
    QList<QDate> dates;
    QList<qreal> calls, minutes;
    bool oneYear = true;
    for (const CallStatistics::DayFigure& d : figures.days) {
        dates << QDate::fromString(ToQString(d.date), Qt::ISODate);
        oneYear = oneYear && dates.back().isValid() && dates.back().year() == dates[0].year();
        calls << static_cast<qreal>(d.calls);
        minutes << d.minutes;
    }
    const QString dayMonth = DayMonthFormat(model.ShortDateFormat());
    QStringList dayLabels;
    dayConditions_.clear();
    for (qsizetype i = 0; i < dates.size(); ++i) {
        const QString shown = dates[i].isValid()
                                  ? locale.toString(dates[i], model.ShortDateFormat())
                                  : ToQString(figures.days[static_cast<std::size_t>(i)].date);
        dayConditions_ << QLatin1Char('=') + shown;
        dayLabels << (oneYear ? locale.toString(dates[i], dayMonth) : shown);
    }
    const QString dayTitle = oneYear && !dates.isEmpty()
                                 ? U("День (%1)").arg(QString::number(dates[0].year()))
                                 : U("День");
    for (StatisticsChart* chart : {days_, minutes_})
        chart->SetCategoryTitle(dayTitle);
    days_->SetBars(dayLabels, calls);
    minutes_->SetBars(dayLabels, minutes);

    QStringList hourTexts;
    QList<qreal> perHour;
    for (std::size_t h = 0; h < figures.hours.size(); ++h) {
        hourTexts << QString::number(h);
        perHour << static_cast<qreal>(figures.hours[h]);
    }
    hours_->SetBars(hourTexts, perHour);
    withoutStartDate_->setText(U("без даты начала: ") +
                               locale.toString(static_cast<qlonglong>(figures.withoutStartDate)));

    QStringList buckets;
    QList<qreal> perBucket;
    for (std::size_t b = 0; b < CallStatistics::BucketCount; ++b) {
        buckets << ToQString(CallStatistics::BucketNames[b]);
        perBucket << static_cast<qreal>(figures.durations[b]);
    }
    durations_->SetBars(buckets, perBucket);

    QStringList failureTexts;
    QList<qreal> perFailure;
    failureConditions_.clear();
    for (const CallStatistics::CountFigure& f : figures.failures) {
        const QString text = ToQString(f.text);
        failureTexts << (text.isEmpty() ? U("(Пустые)") : text);
        failureConditions_ << EqualsCondition(text);
        perFailure << static_cast<qreal>(f.calls);
    }
    failures_->SetBars(failureTexts, perFailure);

    topB_->SetNumbers(figures.topB, locale);
    topA_->SetNumbers(figures.topA, locale);
}

// --- narrowing the grid -------------------------------------------------------

void StatisticsPanel::SetCondition(const char* column, const QString& condition) {
    const int logical = grid_.Model().ColumnIndex(U(column));
    if (logical < 0 || grid_.Filter() == nullptr) return;
    if (grid_.SetFilterCondition(logical, condition).isEmpty()) set_[logical] = condition;
}

void StatisticsPanel::resetFilter() {
    const std::map<int, QString> set = std::move(set_);
    set_.clear();
    // A condition typed over the page's one since, or gone with a new
    // opening, is not the page's any more.
    const auto isPages = [&set](int logical, const QString& condition) {
        const auto it = set.find(logical);
        return it != set.end() && it->second == condition;
    };
    std::vector<int> pages;
    bool othersToo = false;
    const FilterRow& row = grid_.Filters();
    for (int logical = 0; logical < row.Count(); ++logical) {
        const FilterCell* cell = row.Cell(logical);
        const QString condition = cell != nullptr ? cell->Condition() : QString();
        if (condition.isEmpty()) continue;
        if (isPages(logical, condition))
            pages.push_back(logical);
        else
            othersToo = true;
    }
    if (pages.empty()) return;
    // Only the page's conditions: the rows come back in one pass.
    if (!othersToo) {
        grid_.ClearFilter();
        return;
    }
    for (int logical : pages)
        grid_.SetFilterCondition(logical, QString());
}

// --- saving a chart -------------------------------------------------------------

void StatisticsPanel::SaveAsked(StatisticsChart& chart, const QString& proposedName) {
    const QString start = folder ? folder() : QString();
    const QString proposed = start.isEmpty() ? proposedName : QDir(start).filePath(proposedName);
    QString path;
    if (chooseFile) {
        path = chooseFile(proposed);
    } else {
        QFileDialog dialog(this, U("Сохранить как PNG"), proposed, U("Рисунки PNG (*.png)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("png"));
        dialog.selectFile(proposed);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().front();
    }
    if (!path.isEmpty()) SaveChart(chart, path);
}

bool StatisticsPanel::SaveChart(StatisticsChart& chart, const QString& path) {
    const QString reason = WritePngFile(chart.Image(), path);
    if (reason.isEmpty()) return true;
    Inform(U("Рисунок «%1» не сохранен.\rФайл %2: %3")
               .arg(chart.Title(), QDir::toNativeSeparators(path), reason));
    return false;
}

void StatisticsPanel::Inform(const QString& text) {
    if (inform)
        inform(text);
    else
        QMessageBox::warning(this, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

} // namespace kestrom
