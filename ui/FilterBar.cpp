#include "ui/FilterBar.h"

#include "load/LoadCommand.h"
#include "settings/SettingsState.h"
#include "ui/Controls.h"
#include "ui/ExchangeList.h"
#include "ui/QtDates.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#ifndef KESTROM_HOME_PAGE
#define KESTROM_HOME_PAGE ""
#endif

namespace kestrom {

namespace {

// Icons of ImageList1.
constexpr int IconHandset = 0;
constexpr int IconRinging = 1;
constexpr int IconTrunkIn = 6;
constexpr int IconTrunkOut = 7;
constexpr int IconAlarmClock = 8;
constexpr int IconBell = 9;
constexpr int IconWarning = 10;

QComboBox* ModeBox(QWidget* parent, const char* name) {
    auto* c = Named(new QComboBox(parent), name);
    for (std::string_view m : NumberMatchTexts)
        c->addItem(ToQString(m));
    return c;
}

QSpinBox* NumberBox(QWidget* parent, const char* name, int maximum) {
    auto* s = Named(new QSpinBox(parent), name);
    s->setRange(0, maximum);
    s->setValue(0);
    return s;
}

QTimeEdit* TimePicker(QWidget* parent, const char* name) {
    auto* t = Named(new QTimeEdit(parent), name);
    t->setDisplayFormat("HH:mm:ss");
    t->setTime(QTime(0, 0));
    t->setWrapping(true);
    return t;
}

} // namespace

FilterBar::FilterBar(const ExchangeList& exchange, const std::string& programDir, QWidget* parent)
    : QGroupBox(QString::fromUtf8(" Предварительный  фильтр "), parent), exchange_(exchange) {
    setObjectName("GroupBox2");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);

    auto* bar1 = Named(new QToolBar(this), "ToolBar1");
    numberAToggle_ =
        MakeToggle(bar1, "ToolButton1", IconHandset, "Предварительный фильтр по номеру \"А\"");
    numberAMode_ = ModeBox(bar1, "ComboBox1");
    numberAText_ = Named(new QLineEdit(bar1), "Edit2");
    numberJoin_ = Named(new QComboBox(bar1), "ComboBox4");
    for (std::string_view j : NumberJoinTexts)
        numberJoin_->addItem(ToQString(j));
    numberBToggle_ =
        MakeToggle(bar1, "ToolButton4", IconRinging, "Предварительный фильтр по номеру \"Б\"");
    numberBMode_ = ModeBox(bar1, "ComboBox2");
    numberBText_ = Named(new QLineEdit(bar1), "Edit3");
    inTrunkGroupToggle_ =
        MakeToggle(bar1, "ToolButton12", IconTrunkIn, "Фильтр по входящей транковой группе");
    inTrunkGroupBox_ = NumberBox(bar1, "Edit4", 32767);
    outTrunkGroupToggle_ =
        MakeToggle(bar1, "ToolButton14", IconTrunkOut, "Фильтр по исходящей транковой группе");
    outTrunkGroupBox_ = NumberBox(bar1, "Edit5", 32767);
    errorCodeToggle_ =
        MakeToggle(bar1, "ToolButton20", IconWarning, "Фильтр по расширенному коду ошибки");
    errorCodeBox_ = NumberBox(bar1, "Edit1", 127);
    const std::initializer_list<std::initializer_list<QWidget*>> groups = {
        {numberAToggle_, numberAMode_, numberAText_}, {numberJoin_},
        {numberBToggle_, numberBMode_, numberBText_}, {inTrunkGroupToggle_, inTrunkGroupBox_},
        {outTrunkGroupToggle_, outTrunkGroupBox_},    {errorCodeToggle_, errorCodeBox_}};
    for (const auto& g : groups) {
        for (QWidget* w : g)
            bar1->addWidget(w);
        bar1->addSeparator();
    }

    auto* row2 = new QHBoxLayout;
    auto* bar4 = Named(new QToolBar(this), "ToolBar4");
    timeFromToggle_ =
        MakeToggle(bar4, "ToolButton16", IconAlarmClock, "Фильтр по времени начала периода");
    timeFromPicker_ = TimePicker(bar4, "DateTimePicker3");
    timeToToggle_ =
        MakeToggle(bar4, "ToolButton18", IconBell, "Фильтр по времени окончания периода");
    timeToPicker_ = TimePicker(bar4, "DateTimePicker4");
    for (QWidget* w : std::initializer_list<QWidget*>{timeFromToggle_, timeFromPicker_,
                                                      timeToToggle_, timeToPicker_})
        bar4->addWidget(w);
    homePageCaption_ = Named(new QLabel(QString::fromUtf8("Домашняя страничка:"), this), "Label4");
    QString home = QString::fromUtf8(KESTROM_HOME_PAGE);
    if (home.isEmpty())
        home = QUrl::fromLocalFile(ToQString(programDir) + "kestrom-guide.html").toString();
    homePageLink_ = Named(new QLabel(home, this), "Label3");
    homePageLink_->setStyleSheet("color: blue; text-decoration: underline;");
    homePageLink_->setCursor(Qt::PointingHandCursor);
    homePageLink_->installEventFilter(this);
    row2->addWidget(bar4);
    row2->addStretch(1);
    row2->addWidget(homePageCaption_);
    row2->addWidget(homePageLink_);
    layout->addWidget(bar1);
    layout->addLayout(row2);

    onlySuccessful_ = MakeCheckBox(this, "CheckBox1", "Только успешные", true);

    // At creation every value control but the AND/OR box is off and grey.
    for (QWidget* w : std::initializer_list<QWidget*>{
             numberAMode_, numberAText_, numberBMode_, numberBText_, inTrunkGroupBox_,
             outTrunkGroupBox_, errorCodeBox_, timeFromPicker_, timeToPicker_}) {
        SetValueBackground(w, false);
        w->setEnabled(false);
    }
    connect(numberAToggle_, &QToolButton::clicked, this, &FilterBar::toggleNumberA);
    connect(numberBToggle_, &QToolButton::clicked, this, &FilterBar::toggleNumberB);
    connect(inTrunkGroupToggle_, &QToolButton::clicked, this, &FilterBar::toggleInTrunkGroup);
    connect(outTrunkGroupToggle_, &QToolButton::clicked, this, &FilterBar::toggleOutTrunkGroup);
    connect(errorCodeToggle_, &QToolButton::clicked, this, &FilterBar::toggleErrorCode);
    connect(timeFromToggle_, &QToolButton::clicked, this, &FilterBar::toggleTimeFrom);
    connect(timeToToggle_, &QToolButton::clicked, this, &FilterBar::toggleTimeTo);
}

TPreFilter FilterBar::Filter() const {
    TPreFilter f;
    f.NumberAOn = numberAToggle_->isChecked();
    f.NumberAMatch = numberAMode_->currentIndex();
    f.NumberAText = ToStdString(numberAText_->text());
    f.NumberJoin = numberJoin_->currentIndex();
    f.NumberBOn = numberBToggle_->isChecked();
    f.NumberBMatch = numberBMode_->currentIndex();
    f.NumberBText = ToStdString(numberBText_->text());
    f.InTrunkGroupOn = inTrunkGroupToggle_->isChecked();
    f.InTrunkGroup = inTrunkGroupBox_->value();
    f.OutTrunkGroupOn = outTrunkGroupToggle_->isChecked();
    f.OutTrunkGroup = outTrunkGroupBox_->value();
    f.ErrorCodeOn = errorCodeToggle_->isChecked();
    f.ErrorCode = errorCodeBox_->value();
    f.TimeFromOn = timeFromToggle_->isChecked();
    f.TimeFrom = ToDateTime(timeFromPicker_->time());
    f.TimeToOn = timeToToggle_->isChecked();
    f.TimeTo = ToDateTime(timeToPicker_->time());
    f.OnlySuccessful = onlySuccessful_->isChecked();
    f.ExchangeNumber = exchange_.ExchangeNumber();
    return f;
}

void FilterBar::Apply(const SettingsState& s) {
    onlySuccessful_->setChecked(s.Successful);
    numberAMode_->setCurrentIndex(ItemIndexOrNone(s.TypeA, NumberMatchTexts.size()));
    numberBMode_->setCurrentIndex(ItemIndexOrNone(s.TypeB, NumberMatchTexts.size()));
    numberJoin_->setCurrentIndex(ItemIndexOrNone(s.Filter, NumberJoinTexts.size()));
}

void FilterBar::ReadInto(SettingsState& s) const {
    s.Successful = onlySuccessful_->isChecked();
    s.TypeA = numberAMode_->currentIndex();
    s.TypeB = numberBMode_->currentIndex();
    s.Filter = numberJoin_->currentIndex();
}

void FilterBar::toggleNumberA() {
    ApplyToggle(numberAToggle_->isChecked(), {numberAText_, numberAMode_});
    if (numberAToggle_->isChecked()) numberAText_->setFocus();
}

void FilterBar::toggleNumberB() {
    ApplyToggle(numberBToggle_->isChecked(), {numberBText_, numberBMode_});
    if (numberBToggle_->isChecked()) numberBText_->setFocus();
}

void FilterBar::toggleInTrunkGroup() {
    ApplyToggle(inTrunkGroupToggle_->isChecked(), {inTrunkGroupBox_});
    if (inTrunkGroupToggle_->isChecked()) inTrunkGroupBox_->setFocus();
}

void FilterBar::toggleOutTrunkGroup() {
    ApplyToggle(outTrunkGroupToggle_->isChecked(), {outTrunkGroupBox_});
    if (outTrunkGroupToggle_->isChecked()) outTrunkGroupBox_->setFocus();
}

void FilterBar::toggleErrorCode() {
    ApplyToggle(errorCodeToggle_->isChecked(), {errorCodeBox_});
    if (errorCodeToggle_->isChecked()) errorCodeBox_->setFocus();
}

void FilterBar::toggleTimeFrom() {
    ApplyToggle(timeFromToggle_->isChecked(), {timeFromPicker_});
    if (timeFromToggle_->isChecked() && timeToToggle_->isChecked())
        timeFromPicker_->setTime(timeToPicker_->time().addSecs(-3600));
}

void FilterBar::toggleTimeTo() {
    ApplyToggle(timeToToggle_->isChecked(), {timeToPicker_});
    if (timeToToggle_->isChecked() && timeFromToggle_->isChecked())
        timeToPicker_->setTime(timeFromPicker_->time().addSecs(3600));
}

void FilterBar::openHomePage() {
    QDesktopServices::openUrl(QUrl(homePageLink_->text()));
}

bool FilterBar::eventFilter(QObject* watched, QEvent* e) {
    if (watched == homePageLink_ && e->type() == QEvent::MouseButtonRelease) {
        openHomePage();
        return true;
    }
    return QGroupBox::eventFilter(watched, e);
}

} // namespace kestrom
