#include "ui/StatisticsChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QEvent>
#include <QHorizontalBarSeries>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace kestrom {

namespace {

/// Above this many categories their labels stand upright.
constexpr qsizetype UprightLabelsFrom = 8;
/// About how many steps the value axis is divided into.
constexpr qreal ValueSteps = 5;

/// A step of 1, 2 or 5 times a power of ten near raw, never below the
/// smallest step the decimals allow.
qreal NiceStep(qreal raw, int decimals) {
    const qreal smallest = std::pow(10.0, -decimals);
    if (raw <= smallest) return smallest;
    const qreal power = std::pow(10.0, std::floor(std::log10(raw)));
    const qreal fraction = raw / power;
    const qreal nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
    return std::max(nice * power, smallest);
}

} // namespace

StatisticsChart::StatisticsChart(const char* name, const QString& title,
                                 const QString& categoryTitle, const QString& valueTitle, Bars bars,
                                 int decimals, QWidget* parent)
    : QWidget(parent), bars_(bars), decimals_(decimals), chart_(new QChart),
      view_(new QChartView(chart_, this)), set_(new QBarSet(valueTitle)),
      categoryAxis_(new QBarCategoryAxis), valueAxis_(new QValueAxis) {
    view_->setObjectName(QString::fromLatin1(name));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(120, 60);

    QFont small = font();
    chart_->setTitle(title);
    chart_->setTitleFont(small);
    chart_->legend()->hide();
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->setLocalizeNumbers(true);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);

    QAbstractBarSeries* series = bars == Bars::Vertical
                                     ? static_cast<QAbstractBarSeries*>(new QBarSeries)
                                     : static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries);
    series->setBarWidth(0.8);
    series->append(set_);
    chart_->addSeries(series);
    categoryAxis_->setTitleText(categoryTitle);
    valueAxis_->setTitleText(valueTitle);
    for (QAbstractAxis* axis :
         {static_cast<QAbstractAxis*>(categoryAxis_), static_cast<QAbstractAxis*>(valueAxis_)}) {
        axis->setTitleFont(small);
        axis->setLabelsFont(small);
    }
    valueAxis_->setTickType(QValueAxis::TicksDynamic);
    valueAxis_->setTickAnchor(0);
    const bool vertical = bars == Bars::Vertical;
    chart_->addAxis(categoryAxis_, vertical ? Qt::AlignBottom : Qt::AlignLeft);
    chart_->addAxis(valueAxis_, vertical ? Qt::AlignLeft : Qt::AlignBottom);
    series->attachAxis(categoryAxis_);
    series->attachAxis(valueAxis_);
    SetValueRange(0);

    connect(set_, &QBarSet::clicked, this, [this](int index) {
        const int category = CategoryIndex(index);
        if (category >= 0) emit barClicked(category);
    });
    connect(set_, &QBarSet::hovered, this, &StatisticsChart::ShowHint);

    // In the top left corner of the chart, beside its title: the room of
    // the page is small.
    saveButton_ = new QToolButton(view_);
    saveButton_->setObjectName(QString::fromLatin1(name) + QLatin1String("Save"));
    saveButton_->setText(QString::fromUtf8("Сохранить как PNG"));
    saveButton_->setAutoRaise(true);
    saveButton_->setCursor(Qt::PointingHandCursor);
    connect(saveButton_, &QToolButton::clicked, this, &StatisticsChart::saveAsked);
    view_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
}

StatisticsChart::~StatisticsChart() = default;

bool StatisticsChart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::Resize) {
        const QSize size = saveButton_->sizeHint();
        saveButton_->setGeometry(2, 2, size.width(), size.height());
    }
    return QWidget::eventFilter(watched, event);
}

QString StatisticsChart::Title() const {
    return chart_->title();
}

void StatisticsChart::SetCategoryTitle(const QString& title) {
    if (categoryAxis_->titleText() != title) categoryAxis_->setTitleText(title);
}

void StatisticsChart::SetLocale(const QLocale& locale) {
    if (chart_->locale() != locale) chart_->setLocale(locale);
}

// Horizontal bars are drawn from the bottom up: the categories go in
// reversed, so that the first one is at the top.
int StatisticsChart::CategoryIndex(int barIndex) const {
    const auto count = static_cast<int>(categories_.size());
    if (barIndex < 0 || barIndex >= count) return -1;
    return bars_ == Bars::Horizontal ? count - 1 - barIndex : barIndex;
}

void StatisticsChart::SetBars(const QStringList& categories, const QList<qreal>& values) {
    categories_ = categories;
    values_ = values;
    values_.resize(categories_.size());
    QStringList shown = categories_;
    QList<qreal> bars = values_;
    if (bars_ == Bars::Horizontal) {
        std::reverse(shown.begin(), shown.end());
        std::reverse(bars.begin(), bars.end());
    }
    if (set_->count() > 0) set_->remove(0, set_->count());
    categoryAxis_->clear();
    categoryAxis_->append(shown);
    set_->append(bars);
    categoryAxis_->setLabelsAngle(bars_ == Bars::Vertical && shown.size() >= UprightLabelsFrom ? -90
                                                                                               : 0);
    SetValueRange(values_.isEmpty() ? 0 : *std::max_element(values_.begin(), values_.end()));
}

// From zero to the first step at or above the highest value, in steps of
// 1, 2 or 5 times a power of ten; whole numbers when the step is whole.
void StatisticsChart::SetValueRange(qreal highest) {
    const qreal step = NiceStep(highest / ValueSteps, decimals_);
    const qreal top = std::max(step, std::ceil(highest / step - 1e-9) * step);
    // In the order that never lays out more ticks than the old or the new
    // axis has (a fine step over a long range makes thousands of labels).
    if (step >= valueAxis_->tickInterval()) {
        valueAxis_->setTickInterval(step);
        valueAxis_->setRange(0, top);
    } else {
        valueAxis_->setRange(0, top);
        valueAxis_->setTickInterval(step);
    }
    const int places = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    // "%d" writes nothing when the numbers are localized (Qt 6.4).
    valueAxis_->setLabelFormat(QStringLiteral("%.%1f").arg(places));
}

void StatisticsChart::ShowHint(bool hovered, int index) {
    const int category = CategoryIndex(index);
    if (!hovered || category < 0) {
        QToolTip::hideText();
        return;
    }
    const qreal value = values_[category];
    const QString number =
        chart_->locale().toString(value, 'f', value == std::floor(value) ? 0 : decimals_);
    QToolTip::showText(QCursor::pos(), categories_[category] + QLatin1String(": ") + number, view_);
}

// The chart alone, without the button over it.
QImage StatisticsChart::Image() const {
    const qreal ratio = view_->devicePixelRatioF();
    QImage image(view_->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    view_->render(&painter, QRectF(QPointF(0, 0), view_->size()), view_->viewport()->rect());
    return image;
}

} // namespace kestrom
