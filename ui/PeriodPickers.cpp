#include "ui/PeriodPickers.h"

#include "settings/SettingsFiles.h"
#include "ui/Controls.h"
#include "ui/QtDates.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>

namespace kestrom {

namespace {

QAction* AddMark(QMenu* menu, const char* name, const char* text) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setObjectName(name);
    a->setCheckable(true);
    return a;
}

void SetDate(QDateTimeEdit* picker, TDateTime day) {
    picker->setDateTime(QDateTime(ToQDate(day), picker->time()));
}

} // namespace

PeriodPickers::PeriodPickers(SettingsState& settings, InformFn inform,
                             std::function<TDateTime()> today, QWidget* parent)
    : QWidget(parent), settings_(settings), inform_(std::move(inform)), today_(std::move(today)) {
    setObjectName("PeriodPickers");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    startLabel_ =
        Named(new QLabel(QString::fromUtf8("Просмотр данных начиная с  "), this), "Label1");
    startPicker_ = Named(new QDateTimeEdit(this), "DateTimePicker1");
    endLabel_ = Named(new QLabel(QString::fromUtf8("по"), this), "Label2");
    endPicker_ = Named(new QDateTimeEdit(this), "DateTimePicker2");
    endPicker_->setToolTip(
        QString::fromUtf8("Просмотр до указанной даты (не включая указанного значения)"));
    const QString dateFormat = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QDateTimeEdit* p : {startPicker_, endPicker_}) {
        p->setDisplayFormat(dateFormat);
        p->setCalendarPopup(true);
        p->setContextMenuPolicy(Qt::CustomContextMenu);
    }
    const QDate now = QDate::currentDate();
    startPicker_->setDateTime(QDateTime(now, QTime(0, 0)));
    endPicker_->setDateTime(QDateTime(now, QTime(23, 59)));
    for (QWidget* w :
         std::initializer_list<QWidget*>{startLabel_, startPicker_, endLabel_, endPicker_})
        row->addWidget(w);

    startMenu_ = Named(new QMenu(this), "PopupMenu2");
    startTodayMark_ = AddMark(startMenu_, "N5", "Сегодня");
    startYesterdayMark_ = AddMark(startMenu_, "N6", "Вчера");
    startWeekAgoMark_ = AddMark(startMenu_, "N7", "Неделю назад");
    endMenu_ = Named(new QMenu(this), "PopupMenu3");
    endTodayMark_ = AddMark(endMenu_, "N8", "Сегодня");
    endYesterdayMark_ = AddMark(endMenu_, "N9", "Вчера");
    connect(startTodayMark_, &QAction::triggered, this, &PeriodPickers::startToday);
    connect(startYesterdayMark_, &QAction::triggered, this, &PeriodPickers::startYesterday);
    connect(startWeekAgoMark_, &QAction::triggered, this, &PeriodPickers::startWeekAgo);
    connect(endTodayMark_, &QAction::triggered, this, &PeriodPickers::endToday);
    connect(endYesterdayMark_, &QAction::triggered, this, &PeriodPickers::endYesterday);
    for (auto [picker, menu] :
         {std::pair{startPicker_, startMenu_}, std::pair{endPicker_, endMenu_}})
        connect(picker, &QWidget::customContextMenuRequested, menu,
                [picker, menu](const QPoint& p) { menu->popup(picker->mapToGlobal(p)); });
}

TDateTime PeriodPickers::Start() const {
    return ToDateTime(startPicker_->dateTime());
}

TDateTime PeriodPickers::End() const {
    return ToDateTime(endPicker_->dateTime());
}

DatePresets PeriodPickers::Marks() const {
    return {startTodayMark_->isChecked(), startYesterdayMark_->isChecked(),
            startWeekAgoMark_->isChecked(), endTodayMark_->isChecked(),
            endYesterdayMark_->isChecked()};
}

void PeriodPickers::SetMarks(const DatePresets& marks) {
    startTodayMark_->setChecked(marks.StartToday);
    startYesterdayMark_->setChecked(marks.StartYesterday);
    startWeekAgoMark_->setChecked(marks.StartWeekAgo);
    endTodayMark_->setChecked(marks.EndToday);
    endYesterdayMark_->setChecked(marks.EndYesterday);
}

void PeriodPickers::ApplyMarkedDates() {
    const Period p = ApplyDatePresets(Marks(), today_(), {Start(), End()});
    startPicker_->setDateTime(ToQDateTime(p.Start));
    endPicker_->setDateTime(ToQDateTime(p.End));
}

void PeriodPickers::Choose(QAction* mark, std::initializer_list<QAction*> others,
                           QDateTimeEdit* picker, int daysBack) {
    mark->setChecked(true);
    for (QAction* a : others)
        a->setChecked(false);
    settings_.Presets = Marks();
    Guarded([this] { SaveDatePresets(settings_); }, inform_);
    SetDate(picker, today_() - daysBack);
}

void PeriodPickers::startToday() {
    Choose(startTodayMark_, {startYesterdayMark_, startWeekAgoMark_}, startPicker_, 0);
}

void PeriodPickers::startYesterday() {
    Choose(startYesterdayMark_, {startTodayMark_, startWeekAgoMark_}, startPicker_, 1);
}

void PeriodPickers::startWeekAgo() {
    Choose(startWeekAgoMark_, {startTodayMark_, startYesterdayMark_}, startPicker_, 7);
}

void PeriodPickers::endToday() {
    Choose(endTodayMark_, {endYesterdayMark_}, endPicker_, 0);
}

void PeriodPickers::endYesterday() {
    Choose(endYesterdayMark_, {endTodayMark_}, endPicker_, 1);
}

} // namespace kestrom
