#include "ui/Unit1.h"

#include "results/ResultQuery.h"
#include "settings/SettingsError.h"
#include "settings/SettingsFiles.h"
#include "ui/ImageList.h"
#include "ui/ProgressBarF.h"
#include "ui/QtDates.h"
#include "ui/ResultGrid.h"
#include "ui/Unit1Chooser.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <exception>

#ifndef KESTROM_HOME_PAGE
#define KESTROM_HOME_PAGE ""
#endif
#ifndef KESTROM_FILE_VERSION
#define KESTROM_FILE_VERSION "2.2.1.0"
#endif

namespace kestrom {

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string S(const QString& s) {
    return s.toStdString();
}

/// Grey (the button face) for a switched-off value control, white (the
/// window background) for a switched-on one.
void SetBackground(QWidget* w, bool on) {
    QPalette p = w->palette();
    const QPalette app = QApplication::palette();
    p.setColor(QPalette::Base, on ? app.color(QPalette::Base) : app.color(QPalette::Button));
    w->setPalette(p);
}

QToolButton* Toggle(QWidget* parent, const char* name, int icon, const char* hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setCheckable(true);
    if (icon >= 0) b->setIcon(ImageList1(icon));
    b->setToolTip(QString::fromUtf8(hint));
    return b;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    return b;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* text, bool checked) {
    auto* c = new QCheckBox(QString::fromUtf8(text), parent);
    c->setObjectName(name);
    c->setChecked(checked);
    return c;
}

template <class W> W* Named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

QStringList ToQStrings(const std::vector<std::string>& v) {
    QStringList out;
    for (const std::string& s : v)
        out << Q(s);
    return out;
}

// The load's front end of the main window: it keeps the print headers in the
// settings and detaches the grid while a load runs.
class MainFrontEnd : public WindowFrontEnd {
  public:
    MainFrontEnd(QWidget* window, SettingsState& settings, ResultGrid* grid)
        : WindowFrontEnd(window), settings_(settings), grid_(grid) {}

    void SavePrintHeaders(const std::string& printStr, const std::string& printStr1) override {
        settings_.PrintStr = printStr;
        settings_.PrintStr1 = printStr1;
        kestrom::SavePrintHeaders(settings_);
    }
    void SetResultAttached(bool attached) override { grid_->SetAttached(attached); }

  private:
    SettingsState& settings_;
    ResultGrid* grid_;
};

} // namespace

QString WindowCaption(const QString& fileVersion) {
    return QString::fromUtf8("Программа просмотра АМА-записей v.") + fileVersion.left(8);
}

TSearchForm::TSearchForm(std::string programDir, QWidget* parent)
    : QWidget(parent), programDir_(std::move(programDir)), db_(programDir_), query_(db_),
      session_(db_) {
    setObjectName("SearchForm");
    setFont(QFont("Tahoma", 8));
    resize(787, 496);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    auto* panel1 = Named(new QWidget(this), "Panel1");
    auto* top = new QVBoxLayout(panel1);
    top->setContentsMargins(2, 2, 2, 2);
    BuildTopStrip(panel1);
    BuildFilterBar(panel1);
    main->addWidget(panel1);

    auto* panel2 = Named(new QWidget(this), "Panel2");
    auto* middle = new QVBoxLayout(panel2);
    middle->setContentsMargins(0, 0, 0, 0);
    BuildSettingsPanel(panel2);
    DBGridEh1 = new ResultGrid(panel2);
    middle->addWidget(DBGridEh1, 1);
    main->addWidget(panel2, 1);

    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    for (int width : {200, 300, 50}) {
        auto* panel = new QLabel(StatusBar1);
        panel->setFixedWidth(width);
        StatusBar1->addWidget(panel);
        StatusPanels.push_back(panel);
    }
    main->addWidget(StatusBar1);
    BuildMenus();

    frontEnd_ = std::make_unique<MainFrontEnd>(this, settings_, DBGridEh1);
    frontEnd_->showMessage = [this](const QString& text) { Inform(text); };
    FormCreate();
}

TSearchForm::~TSearchForm() = default;

WindowFrontEnd& TSearchForm::FrontEnd() {
    return *frontEnd_;
}

void TSearchForm::BuildTopStrip(QWidget* parent) {
    auto* group = Named(new QGroupBox(QString::fromUtf8(" Просмотр и загрузка данных "), parent),
                        "GroupBox1");
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(4, 2, 4, 2);
    Label1 = Named(new QLabel(QString::fromUtf8("Просмотр данных начиная с  "), group), "Label1");
    DateTimePicker1 = Named(new QDateTimeEdit(group), "DateTimePicker1");
    Label2 = Named(new QLabel(QString::fromUtf8("по"), group), "Label2");
    DateTimePicker2 = Named(new QDateTimeEdit(group), "DateTimePicker2");
    DateTimePicker2->setToolTip(
        QString::fromUtf8("Просмотр до указанной даты (не включая указанного значения)"));
    const QString dateFormat = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QDateTimeEdit* p : {DateTimePicker1, DateTimePicker2}) {
        p->setDisplayFormat(dateFormat);
        p->setCalendarPopup(true);
        p->setContextMenuPolicy(Qt::CustomContextMenu);
    }
    // The start holds 00:00, the end 23:59; choosing a date keeps the time.
    const QDate now = QDate::currentDate();
    DateTimePicker1->setDateTime(QDateTime(now, QTime(0, 0)));
    DateTimePicker2->setDateTime(QDateTime(now, QTime(23, 59)));

    auto* bar = Named(new QWidget(group), "ToolBar2");
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    ToolButton5 = Toggle(bar, "ToolButton5", -1, "Например: i3962");
    ToolButton5->setText(QString::fromUtf8("Для АТС №"));
    ToolButton5->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolButton5->setCursor(Qt::PointingHandCursor);
    ComboBox3 = Named(new QComboBox(bar), "ComboBox3");
    ComboBox3->setEditable(true);
    ComboBox3->setMinimumWidth(90);
    ComboBox3->setContextMenuPolicy(Qt::CustomContextMenu);
    ComboBox3->lineEdit()->setContextMenuPolicy(Qt::CustomContextMenu);
    barLayout->addWidget(ToolButton5);
    barLayout->addWidget(ComboBox3);

    ButtonGroup1 = Button(group, "ButtonGroup1", "Начать");
    ButtonGroup3 = Button(group, "ButtonGroup3", "Открыть таблицу");
    ButtonGroup5 = Button(group, "ButtonGroup5", "Экспорт");
    ButtonGroup2 = Button(group, "ButtonGroup2", "Печать");
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, DateTimePicker1, Label2,
                                                      DateTimePicker2, bar, ButtonGroup1})
        row->addWidget(w);
    row->addStretch(1);
    for (QWidget* w : {ButtonGroup3, ButtonGroup5, ButtonGroup2})
        row->addWidget(w);
    parent->layout()->addWidget(group);

    connect(ButtonGroup1, &QPushButton::clicked, this, &TSearchForm::BitBtn1Click);
    connect(ButtonGroup3, &QPushButton::clicked, this, &TSearchForm::BitBtn2Click);
    connect(ToolButton5, &QToolButton::clicked, this, &TSearchForm::ToolButton5Click);
}

void TSearchForm::BuildFilterBar(QWidget* parent) {
    auto* panel4 = Named(new QWidget(parent), "Panel4");
    auto* column = new QVBoxLayout(panel4);
    column->setContentsMargins(0, 0, 0, 0);
    GroupBox2 =
        Named(new QGroupBox(QString::fromUtf8(" Предварительный  фильтр "), panel4), "GroupBox2");
    auto* groupLayout = new QVBoxLayout(GroupBox2);
    groupLayout->setContentsMargins(4, 2, 4, 2);

    auto* bar1 = Named(new QToolBar(GroupBox2), "ToolBar1");
    QStringList modes;
    for (std::string_view m : NumberMatchTexts)
        modes << Q(m);
    auto modeBox = [&](const char* name) {
        auto* c = Named(new QComboBox(bar1), name);
        c->addItems(modes);
        return c;
    };
    auto spin = [&](const char* name, int max) {
        auto* s = Named(new QSpinBox(bar1), name);
        s->setRange(0, max);
        s->setValue(0);
        return s;
    };
    ToolButton1 = Toggle(bar1, "ToolButton1", 0, "Предварительный фильтр по номеру \"А\"");
    ComboBox1 = modeBox("ComboBox1");
    Edit2 = Named(new QLineEdit(bar1), "Edit2");
    ComboBox4 = Named(new QComboBox(bar1), "ComboBox4");
    ComboBox4->addItems({"AND", "OR"});
    ToolButton4 = Toggle(bar1, "ToolButton4", 1, "Предварительный фильтр по номеру \"Б\"");
    ComboBox2 = modeBox("ComboBox2");
    Edit3 = Named(new QLineEdit(bar1), "Edit3");
    ToolButton12 = Toggle(bar1, "ToolButton12", 6, "Фильтр по входящей транковой группе");
    Edit4 = spin("Edit4", 32767);
    ToolButton14 = Toggle(bar1, "ToolButton14", 7, "Фильтр по исходящей транковой группе");
    Edit5 = spin("Edit5", 32767);
    ToolButton20 = Toggle(bar1, "ToolButton20", 10, "Фильтр по расширенному коду ошибки");
    Edit1 = spin("Edit1", 127);
    const std::initializer_list<std::initializer_list<QWidget*>> groups = {
        {ToolButton1, ComboBox1, Edit2}, {ComboBox4},           {ToolButton4, ComboBox2, Edit3},
        {ToolButton12, Edit4},           {ToolButton14, Edit5}, {ToolButton20, Edit1}};
    for (const auto& g : groups) {
        for (QWidget* w : g)
            bar1->addWidget(w);
        bar1->addSeparator();
    }

    auto* row2 = new QHBoxLayout;
    auto* bar4 = Named(new QToolBar(GroupBox2), "ToolBar4");
    ToolButton16 = Toggle(bar4, "ToolButton16", 8, "Фильтр по времени начала периода");
    DateTimePicker3 = Named(new QTimeEdit(bar4), "DateTimePicker3");
    ToolButton18 = Toggle(bar4, "ToolButton18", 9, "Фильтр по времени окончания периода");
    DateTimePicker4 = Named(new QTimeEdit(bar4), "DateTimePicker4");
    for (QTimeEdit* t : {DateTimePicker3, DateTimePicker4}) {
        t->setDisplayFormat("HH:mm:ss");
        t->setTime(QTime(0, 0));
        t->setWrapping(true);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{ToolButton16, DateTimePicker3, ToolButton18,
                                                      DateTimePicker4})
        bar4->addWidget(w);
    Label4 = Named(new QLabel(QString::fromUtf8("Домашняя страничка:"), GroupBox2), "Label4");
    QString home = QString::fromUtf8(KESTROM_HOME_PAGE);
    if (home.isEmpty())
        home = QUrl::fromLocalFile(Q(programDir_) + "kestrom-guide.html").toString();
    Label3 = Named(new QLabel(home, GroupBox2), "Label3");
    Label3->setStyleSheet("color: blue; text-decoration: underline;");
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->installEventFilter(this);
    row2->addWidget(bar4);
    row2->addStretch(1);
    row2->addWidget(Label4);
    row2->addWidget(Label3);
    groupLayout->addWidget(bar1);
    groupLayout->addLayout(row2);
    column->addWidget(GroupBox2);

    auto* bar3 = Named(new QToolBar(panel4), "ToolBar3");
    CheckBox1 = Check(bar3, "CheckBox1", "Только успешные", true);
    ButtonGroup6 = Button(bar3, "ButtonGroup6", "Настройки");
    ButtonGroup13 = Button(bar3, "ButtonGroup13", "Сохранить состояние");
    ButtonGroup14 = Button(bar3, "ButtonGroup14", "Восстановить состояние");
    ButtonGroup12 = Button(bar3, "ButtonGroup12", "По умолчанию");
    ButtonGroup4 = Button(bar3, "ButtonGroup4", "Оптимизировать ширину колонок");
    for (QWidget* w : std::initializer_list<QWidget*>{CheckBox1, ButtonGroup6, ButtonGroup13,
                                                      ButtonGroup14, ButtonGroup12})
        bar3->addWidget(w);
    auto* spacer = new QWidget(bar3);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar3->addWidget(spacer);
    bar3->addWidget(ButtonGroup4);
    column->addWidget(bar3);
    parent->layout()->addWidget(panel4);

    // At creation every value control but the AND/OR box is off and grey.
    for (QWidget* w :
         std::initializer_list<QWidget*>{ComboBox1, Edit2, ComboBox2, Edit3, Edit4, Edit5, Edit1,
                                         DateTimePicker3, DateTimePicker4, ComboBox3}) {
        SetBackground(w, false);
        w->setEnabled(false);
    }
    connect(ToolButton1, &QToolButton::clicked, this, &TSearchForm::ToolButton1Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TSearchForm::ToolButton4Click);
    connect(ToolButton12, &QToolButton::clicked, this, &TSearchForm::ToolButton12Click);
    connect(ToolButton14, &QToolButton::clicked, this, &TSearchForm::ToolButton14Click);
    connect(ToolButton20, &QToolButton::clicked, this, &TSearchForm::ToolButton20Click);
    connect(ToolButton16, &QToolButton::clicked, this, &TSearchForm::ToolButton16Click);
    connect(ToolButton18, &QToolButton::clicked, this, &TSearchForm::ToolButton18Click);
    connect(ButtonGroup6, &QPushButton::clicked, this, &TSearchForm::ButtonGroup6Items0Click);
    connect(ButtonGroup13, &QPushButton::clicked, this, &TSearchForm::ButtonGroup13Items0Click);
    connect(ButtonGroup14, &QPushButton::clicked, this, &TSearchForm::ButtonGroup14Items0Click);
    connect(ButtonGroup12, &QPushButton::clicked, this, &TSearchForm::ButtonGroup12Items0Click);
}

void TSearchForm::BuildSettingsPanel(QWidget* parent) {
    Panel5 = Named(new QWidget(parent), "Panel5");
    Panel5->setFixedHeight(176);
    auto* layout = new QHBoxLayout(Panel5);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* left = new QVBoxLayout;

    ValueListEditor1 = Named(new QTableWidget(2, 3, Panel5), "ValueListEditor1");
    ValueListEditor1->setHorizontalHeaderLabels(
        {QString::fromUtf8("Ключ"), QString::fromUtf8("Значение"), QString()});
    ValueListEditor1->setColumnWidth(0, 150);
    ValueListEditor1->setColumnWidth(1, 625);
    ValueListEditor1->setColumnWidth(2, 24);
    ValueListEditor1->verticalHeader()->hide();
    ValueListEditor1->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    ValueListEditor1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ValueListEditor1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ComboBox5 = Named(new QComboBox(ValueListEditor1), "ComboBox5");
    ComboBox5->setEditable(true);
    ComboBox5->setMaxVisibleItems(12);
    const int rowHeight = ComboBox5->sizeHint().height();
    for (int row = 0; row < 2; ++row)
        ValueListEditor1->setRowHeight(row, rowHeight);
    ValueListEditor1->setFixedHeight(ValueListEditor1->horizontalHeader()->sizeHint().height() +
                                     2 * rowHeight + 2 * ValueListEditor1->frameWidth());
    ValueListEditor1->setCellWidget(0, 1, ComboBox5);
    BitBtn3 = Button(ValueListEditor1, "BitBtn3", "...");
    BtnExportPach = Button(ValueListEditor1, "BtnExportPach", "...");
    ValueListEditor1->setCellWidget(0, 2, BitBtn3);
    ValueListEditor1->setCellWidget(1, 2, BtnExportPach);
    left->addWidget(ValueListEditor1);
    GroupBox4 = Named(
        new QGroupBox(QString::fromUtf8(" Все столбцы                Отображаемые столбцы        "
                                        "                                       Сортировать по "),
                      Panel5),
        "GroupBox4");
    auto* chooserLayout = new QVBoxLayout(GroupBox4);
    chooserLayout->setContentsMargins(2, 2, 2, 2);
    Chooser = new TColumnChooser(GroupBox4);
    chooserLayout->addWidget(Chooser);
    left->addWidget(GroupBox4, 1);
    layout->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    auto* options = Named(new QGroupBox(Panel5), "GroupBox3");
    auto* optionLayout = new QVBoxLayout(options);
    CheckBox3 = Check(options, "CheckBox3", "Открывать таблицу автоматически", true);
    CheckBox2 = Check(options, "CheckBox2", "Всегда оптимизировать ширину колонок", false);
    CheckBox6 = Check(options, "CheckBox6", "Включить подсветку строк", false);
    CheckBox4 = Check(options, "CheckBox4", "Автосохранение в списке № АТС", false);
    CheckBox5 = Check(options, "CheckBox5", "Автосохранение состояния по выходу", false);
    for (QWidget* w : {CheckBox3, CheckBox2, CheckBox6, CheckBox4, CheckBox5})
        optionLayout->addWidget(w);
    right->addWidget(options);
    auto* frame = Named(new QFrame(Panel5), "Panel6");
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* frameLayout = new QHBoxLayout(frame);
    ButtonGroup7 = Button(frame, "ButtonGroup7", "Убрать панель");
    frameLayout->addStretch(1);
    frameLayout->addWidget(ButtonGroup7);
    right->addWidget(frame);
    layout->addLayout(right);
    parent->layout()->addWidget(Panel5);
    Panel5->hide();

    connect(ButtonGroup7, &QPushButton::clicked, this, &TSearchForm::ButtonGroup7Items0Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TSearchForm::BitBtn3Click);
    connect(BtnExportPach, &QPushButton::clicked, this, &TSearchForm::BtnExportPachClick);
    connect(ComboBox5, &QComboBox::currentTextChanged, this, &TSearchForm::ComboBox5Change);
    connect(ValueListEditor1, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 1 && item->row() >= 1)
            SetPathLineValue(settings_, static_cast<std::size_t>(item->row()), S(item->text()));
    });
}

void TSearchForm::BuildMenus() {
    auto action = [](QMenu* menu, const char* name, const char* text, bool checkable) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(name);
        a->setCheckable(checkable);
        return a;
    };
    PopupMenu1 = Named(new QMenu(this), "PopupMenu1");
    AddNum = action(PopupMenu1, "AddNum", "Добавить номер в список", false);
    N1 = action(PopupMenu1, "N1", "Удалить номер из списка", false);
    N2 = action(PopupMenu1, "N2", " Сохранить список", false);
    PopupMenu1->addSeparator()->setObjectName("N3");
    N4 = action(PopupMenu1, "N4", "Очистить список", false);
    PopupMenu2 = Named(new QMenu(this), "PopupMenu2");
    N5 = action(PopupMenu2, "N5", "Сегодня", true);
    N6 = action(PopupMenu2, "N6", "Вчера", true);
    N7 = action(PopupMenu2, "N7", "Неделю назад", true);
    PopupMenu3 = Named(new QMenu(this), "PopupMenu3");
    N8 = action(PopupMenu3, "N8", "Сегодня", true);
    N9 = action(PopupMenu3, "N9", "Вчера", true);
    connect(AddNum, &QAction::triggered, this, &TSearchForm::AddNumClick);
    connect(N1, &QAction::triggered, this, &TSearchForm::N1Click);
    connect(N2, &QAction::triggered, this, &TSearchForm::N2Click);
    connect(N4, &QAction::triggered, this, &TSearchForm::N4Click);
    connect(N5, &QAction::triggered, this, &TSearchForm::N5Click);
    connect(N6, &QAction::triggered, this, &TSearchForm::N6Click);
    connect(N7, &QAction::triggered, this, &TSearchForm::N7Click);
    connect(N8, &QAction::triggered, this, &TSearchForm::N8Click);
    connect(N9, &QAction::triggered, this, &TSearchForm::N9Click);
    auto popup = [](QWidget* w, QMenu* menu) {
        QObject::connect(w, &QWidget::customContextMenuRequested, menu,
                         [w, menu](const QPoint& p) { menu->popup(w->mapToGlobal(p)); });
    };
    popup(ComboBox3, PopupMenu1);
    popup(ComboBox3->lineEdit(), PopupMenu1);
    popup(DateTimePicker1, PopupMenu2);
    popup(DateTimePicker2, PopupMenu3);
}

// --- start-up and shut-down ---------------------------------------------------

void TSearchForm::FormCreate() {
    ComboBox1->setCurrentIndex(0);
    ComboBox2->setCurrentIndex(0);
    ComboBox4->setCurrentIndex(0);
    settings_.ProgramDir = programDir_;
    ShowSettingsMessages(LoadSettingsFiles(settings_));
    // The path editor, the AMA folder box and the exchange list.
    ValueListEditor1->blockSignals(true);
    ComboBox5->blockSignals(true);
    for (int row = 0; row < 2; ++row) {
        const std::string line = static_cast<std::size_t>(row) < settings_.PathLines.size()
                                     ? settings_.PathLines[static_cast<std::size_t>(row)]
                                     : "";
        const std::size_t eq = line.find('=');
        auto* name = new QTableWidgetItem(Q(eq == std::string::npos ? "" : line.substr(0, eq)));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        ValueListEditor1->setItem(row, 0, name);
    }
    ValueListEditor1->setItem(1, 1, new QTableWidgetItem(Q(PathLineValue(settings_, 1))));
    ComboBox5->clear();
    ComboBox5->addItems(ToQStrings(settings_.FolderHistory));
    ComboBox5->setEditText(Q(settings_.AmaFolderText));
    ComboBox5->blockSignals(false);
    ValueListEditor1->blockSignals(false);
    ComboBox3->clear();
    ComboBox3->addItems(ToQStrings(settings_.Exchanges));
    ComboBox3->setCurrentIndex(-1);
    firstActivation_ = true;
    setWindowTitle(WindowCaption(QString::fromUtf8(KESTROM_FILE_VERSION)));
}

void TSearchForm::FormActivate() {
    if (!firstActivation_) return;
    firstActivation_ = false;
    ButtonGroup14Items0Click();
}

bool TSearchForm::FormClose() {
    if (!CheckBox5->isChecked()) return true;
    ReadControls();
    return Guarded([this] { SaveState(settings_); });
}

bool TSearchForm::event(QEvent* e) {
    if (e->type() == CancelLoadEventType) {
        MsgMain2();
        return true;
    }
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) {
        const bool handled = QWidget::event(e);
        FormActivate();
        return handled;
    }
    return QWidget::event(e);
}

bool TSearchForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Label3 && e->type() == QEvent::MouseButtonRelease) {
        Label3Click();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TSearchForm::closeEvent(QCloseEvent* e) {
    if (session_.Busy()) {
        // The load goes on; the window cannot go away under it.
        session_.Cancel();
        e->ignore();
        return;
    }
    if (FormClose())
        e->accept();
    else
        e->ignore();
}

void TSearchForm::MsgMain2() {
    session_.Cancel();
}

// --- settings binding -----------------------------------------------------------

void TSearchForm::ReadControls() {
    settings_.VisibleColumns = Chooser->Displayed();
    settings_.SortColumns = Chooser->Sort();
    settings_.Successful = CheckBox1->isChecked();
    settings_.OptimizeColumns = CheckBox2->isChecked();
    settings_.AutoOpen = CheckBox3->isChecked();
    settings_.AutoSaveExchanges = CheckBox4->isChecked();
    settings_.ColorRows = CheckBox6->isChecked();
    settings_.ExchangeFilterOn = ToolButton5->isChecked();
    settings_.SaveOnExit = CheckBox5->isChecked();
    settings_.Presets = {N5->isChecked(), N6->isChecked(), N7->isChecked(), N8->isChecked(),
                         N9->isChecked()};
    settings_.TypeA = ComboBox1->currentIndex();
    settings_.TypeB = ComboBox2->currentIndex();
    settings_.AtsNum = ComboBox3->findText(ComboBox3->currentText(), Qt::MatchExactly);
    settings_.Filter = ComboBox4->currentIndex();
    settings_.WindowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    settings_.Exchanges.clear();
    for (int i = 0; i < ComboBox3->count(); ++i)
        settings_.Exchanges.push_back(S(ComboBox3->itemText(i)));
    settings_.FolderHistory.clear();
    for (int i = 0; i < ComboBox5->count(); ++i)
        settings_.FolderHistory.push_back(S(ComboBox5->itemText(i)));
}

void TSearchForm::ApplySettings() {
    Chooser->SetDisplayed(settings_.VisibleColumns);
    Chooser->SetSort(settings_.SortColumns);
    CheckBox1->setChecked(settings_.Successful);
    CheckBox2->setChecked(settings_.OptimizeColumns);
    CheckBox3->setChecked(settings_.AutoOpen);
    CheckBox4->setChecked(settings_.AutoSaveExchanges);
    CheckBox6->setChecked(settings_.ColorRows);
    ToolButton5->setChecked(settings_.ExchangeFilterOn);
    N5->setChecked(settings_.Presets.StartToday);
    N6->setChecked(settings_.Presets.StartYesterday);
    N7->setChecked(settings_.Presets.StartWeekAgo);
    N8->setChecked(settings_.Presets.EndToday);
    N9->setChecked(settings_.Presets.EndYesterday);
    ComboBox1->setCurrentIndex(ItemIndexOrNone(settings_.TypeA, 7));
    ComboBox2->setCurrentIndex(ItemIndexOrNone(settings_.TypeB, 7));
    const int ats = ItemIndexOrNone(settings_.AtsNum, static_cast<std::size_t>(ComboBox3->count()));
    ComboBox3->setCurrentIndex(ats);
    if (ats < 0) ComboBox3->setEditText(QString());
    ComboBox4->setCurrentIndex(ItemIndexOrNone(settings_.Filter, 2));
    session_.SetPrintHeaders(settings_.PrintStr, settings_.PrintStr1);
    switch (settings_.WindowState) {
    case 0:
        setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        break;
    case 1:
        setWindowState(windowState() | Qt::WindowMinimized);
        break;
    case 2:
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    default:
        break;
    }
    CheckBox5->setChecked(settings_.SaveOnExit);
    ApplyPresetDates();
}

TDateTime TSearchForm::Today() const {
    return today ? today() : ToDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
}

void TSearchForm::ApplyPresetDates() {
    const TDateTime day = Today();
    const Period p = ApplyDatePresets(
        settings_.Presets, day,
        {ToDateTime(DateTimePicker1->dateTime()), ToDateTime(DateTimePicker2->dateTime())});
    DateTimePicker1->setDateTime(ToQDateTime(p.Start));
    DateTimePicker2->setDateTime(ToQDateTime(p.End));
}

void TSearchForm::ShowSettingsMessages(const std::vector<std::string>& messages) {
    for (const std::string& m : messages)
        Inform(Q(m));
}

void TSearchForm::Inform(const QString& text) {
    if (showMessage)
        showMessage(text);
    else
        QMessageBox::information(this, QApplication::applicationDisplayName(), text,
                                 QMessageBox::Ok);
}

bool TSearchForm::Guarded(const std::function<void()>& op) {
    try {
        op();
        return true;
    } catch (const std::exception& e) {
        Inform(DisplayText(e.what()));
        return false;
    }
}

// --- commands -------------------------------------------------------------------

LoadRequest TSearchForm::RequestFromControls() const {
    LoadRequest r;
    TPreFilter& f = r.Filter;
    f.NumberAOn = ToolButton1->isChecked();
    f.NumberAMatch = ComboBox1->currentIndex();
    f.NumberAText = S(Edit2->text());
    f.NumberJoin = ComboBox4->currentIndex();
    f.NumberBOn = ToolButton4->isChecked();
    f.NumberBMatch = ComboBox2->currentIndex();
    f.NumberBText = S(Edit3->text());
    f.InTrunkGroupOn = ToolButton12->isChecked();
    f.InTrunkGroup = Edit4->value();
    f.OutTrunkGroupOn = ToolButton14->isChecked();
    f.OutTrunkGroup = Edit5->value();
    f.ErrorCodeOn = ToolButton20->isChecked();
    f.ErrorCode = Edit1->value();
    f.TimeFromOn = ToolButton16->isChecked();
    f.TimeFrom = ToDateTime(DateTimePicker3->time());
    f.TimeToOn = ToolButton18->isChecked();
    f.TimeTo = ToDateTime(DateTimePicker4->time());
    f.ExchangeNumber = ToolButton5->isChecked() ? S(ComboBox3->currentText()) : "*";
    f.OnlySuccessful = CheckBox1->isChecked();
    r.AutoOpen = CheckBox3->isChecked();
    r.Period.AmaFolder = S(ComboBox5->currentText());
    r.Period.Start = ToDateTime(DateTimePicker1->dateTime());
    r.Period.End = ToDateTime(DateTimePicker2->dateTime());
    return r;
}

void TSearchForm::SetLoadRunning(bool running) {
    for (QWidget* w : {ButtonGroup1, ButtonGroup3, ButtonGroup5, ButtonGroup2, ButtonGroup12})
        w->setEnabled(!running);
}

void TSearchForm::BitBtn1Click() {
    if (session_.Busy()) {
        Inform(Q(LoadSession::BusyMessage));
        return;
    }
    settings_.AmaPath = S(ComboBox5->currentText());
    SetLoadRunning(true);
    StatusBar1->showMessage(QString::fromUtf8("Идет загрузка файлов. Ожидайте..."));
    LoadOutcome out;
    const bool ran = Guarded([&] { out = session_.Run(RequestFromControls(), *frontEnd_); });
    SetLoadRunning(false);
    if (out.Ran)
        StatusBar1->showMessage(
            QString::fromUtf8("Загружено: %1 записей.").arg(static_cast<qlonglong>(out.Loaded)),
            5000);
    else
        StatusBar1->clearMessage();
    if (ran && out.OpenResult) BitBtn2Click();
}

void TSearchForm::BitBtn2Click() {
    if (session_.Busy()) {
        Inform(Q(LoadSession::BusyMessage));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DBGridEh1->BeginOpening();
    const ResultOutcome opened = OpenResultQuery(query_, Chooser->Sort());
    if (!opened.ok) {
        query_.Close();
        QApplication::restoreOverrideCursor();
        DBGridEh1->SetAttached(true);
        if (showError)
            showError(Q(opened.title), Q(opened.message));
        else
            QMessageBox::critical(this, Q(opened.title), Q(opened.message), QMessageBox::Ok);
        return;
    }
    std::vector<std::string> master;
    for (int i = 0; i < Chooser->ListBox3->count(); ++i)
        master.push_back(S(Chooser->ListBox3->item(i)->text()));
    Guarded([&] { DBGridEh1->ShowResult(query_, Chooser->Displayed(), master); });
    query_.Close();
    QApplication::restoreOverrideCursor();
}

void TSearchForm::ButtonGroup6Items0Click() {
    Panel5->show();
}

void TSearchForm::ButtonGroup7Items0Click() {
    Panel5->hide();
}

void TSearchForm::ButtonGroup13Items0Click() {
    ReadControls();
    Guarded([this] { SaveAllSettings(settings_); });
}

void TSearchForm::ButtonGroup14Items0Click() {
    RestoreState(settings_);
    ApplySettings();
    if (ToolButton5->isChecked()) ToolButton5Click();
}

void TSearchForm::ButtonGroup12Items0Click() {
    ReadControls();
    const SettingsState d = WithDefaultCommand(settings_);
    Chooser->SetDisplayed(d.VisibleColumns);
    Chooser->SetSort(d.SortColumns);
    CheckBox1->setChecked(d.Successful);
    CheckBox2->setChecked(d.OptimizeColumns);
    CheckBox3->setChecked(d.AutoOpen);
    CheckBox4->setChecked(d.AutoSaveExchanges);
    CheckBox6->setChecked(d.ColorRows);
    ToolButton5->setChecked(d.ExchangeFilterOn);
    N5->setChecked(d.Presets.StartToday);
    N6->setChecked(d.Presets.StartYesterday);
    N7->setChecked(d.Presets.StartWeekAgo);
    N8->setChecked(d.Presets.EndToday);
    N9->setChecked(d.Presets.EndYesterday);
    ComboBox1->setCurrentIndex(d.TypeA);
    ComboBox2->setCurrentIndex(d.TypeB);
    if (d.AtsNum >= 0) ComboBox3->setCurrentIndex(d.AtsNum);
    ComboBox4->setCurrentIndex(d.Filter);
    CheckBox5->setChecked(d.SaveOnExit);
}

void TSearchForm::Label3Click() {
    QDesktopServices::openUrl(QUrl(Label3->text()));
}

void TSearchForm::BitBtn3Click() {
    const QString file = chooseFile ? chooseFile() : QFileDialog::getOpenFileName(this);
    if (file.isEmpty()) return;
    ReadControls();
    Guarded([&] { ChooseAmaFolder(settings_, S(QFileInfo(file).absolutePath() + "/")); });
    ComboBox5->blockSignals(true);
    ComboBox5->clear();
    ComboBox5->addItems(ToQStrings(settings_.FolderHistory));
    ComboBox5->setEditText(Q(settings_.AmaPath));
    ComboBox5->blockSignals(false);
}

void TSearchForm::BtnExportPachClick() {
    const QString file = chooseFile ? chooseFile() : QFileDialog::getOpenFileName(this);
    if (file.isEmpty()) return;
    Guarded([&] { ChooseExportFolder(settings_, S(QFileInfo(file).absolutePath() + "/")); });
    ValueListEditor1->blockSignals(true);
    ValueListEditor1->item(1, 1)->setText(Q(settings_.ExportPath));
    ValueListEditor1->blockSignals(false);
}

void TSearchForm::ComboBox5Change(const QString& text) {
    Guarded([&] { EditAmaFolder(settings_, S(text)); });
}

// --- filter toggles ---------------------------------------------------------------

namespace {

// A toggle's effect on its value controls: released, each goes grey, a time
// picker back to 00:00:00, and off; pressed, each on and white.
void ApplyToggle(bool pressed, std::initializer_list<QWidget*> controls) {
    for (QWidget* w : controls) {
        if (pressed) {
            w->setEnabled(true);
            SetBackground(w, true);
        } else {
            SetBackground(w, false);
            if (auto* t = qobject_cast<QTimeEdit*>(w)) t->setTime(QTime(0, 0));
            w->setEnabled(false);
        }
    }
}

} // namespace

void TSearchForm::ToolButton1Click() {
    ApplyToggle(ToolButton1->isChecked(), {Edit2, ComboBox1});
    if (ToolButton1->isChecked()) Edit2->setFocus();
}

void TSearchForm::ToolButton4Click() {
    ApplyToggle(ToolButton4->isChecked(), {Edit3, ComboBox2});
    if (ToolButton4->isChecked()) Edit3->setFocus();
}

void TSearchForm::ToolButton12Click() {
    ApplyToggle(ToolButton12->isChecked(), {Edit4});
    if (ToolButton12->isChecked()) Edit4->setFocus();
}

void TSearchForm::ToolButton14Click() {
    ApplyToggle(ToolButton14->isChecked(), {Edit5});
    if (ToolButton14->isChecked()) Edit5->setFocus();
}

void TSearchForm::ToolButton20Click() {
    ApplyToggle(ToolButton20->isChecked(), {Edit1});
    if (ToolButton20->isChecked()) Edit1->setFocus();
}

void TSearchForm::ToolButton16Click() {
    ApplyToggle(ToolButton16->isChecked(), {DateTimePicker3});
    if (ToolButton16->isChecked() && ToolButton18->isChecked())
        DateTimePicker3->setTime(DateTimePicker4->time().addSecs(-3600));
}

void TSearchForm::ToolButton18Click() {
    ApplyToggle(ToolButton18->isChecked(), {DateTimePicker4});
    if (ToolButton18->isChecked() && ToolButton16->isChecked())
        DateTimePicker4->setTime(DateTimePicker3->time().addSecs(3600));
}

void TSearchForm::ToolButton5Click() {
    ApplyToggle(ToolButton5->isChecked(), {ComboBox3});
    if (ToolButton5->isChecked()) ComboBox3->setFocus();
}

// --- exchange list and date presets ----------------------------------------------

void TSearchForm::AddNumClick() {
    const QString text = ComboBox3->currentText();
    if (!ToolButton5->isChecked() || text.isEmpty()) return;
    ComboBox3->addItem(text);
    ComboBox3->setEditText(text);
    if (CheckBox4->isChecked()) N2Click();
}

void TSearchForm::N1Click() {
    const QString text = ComboBox3->currentText();
    if (!ToolButton5->isChecked() || text.isEmpty()) return;
    int found = -1;
    for (int i = 0; i < ComboBox3->count() && found < 0; ++i)
        if (ComboBox3->itemText(i).compare(text, Qt::CaseInsensitive) == 0) found = i;
    if (found < 0)
        Inform(QString::fromUtf8("Номер в списке отсутсвует!"));
    else
        ComboBox3->removeItem(found);
    ComboBox3->setEditText(text);
    if (CheckBox4->isChecked()) N2Click();
}

void TSearchForm::N2Click() {
    ReadControls();
    Guarded([this] { SaveExchangeList(settings_); });
}

void TSearchForm::N4Click() {
    const QString text = ComboBox3->currentText();
    ComboBox3->clear();
    ComboBox3->setEditText(text);
}

void TSearchForm::SetStartDate(TDateTime day) {
    const QTime t = DateTimePicker1->time();
    DateTimePicker1->setDateTime(QDateTime(ToQDateTime(day).date(), t));
}

void TSearchForm::SetEndDate(TDateTime day) {
    const QTime t = DateTimePicker2->time();
    DateTimePicker2->setDateTime(QDateTime(ToQDateTime(day).date(), t));
}

namespace {

void MarkOnly(QAction* on, std::initializer_list<QAction*> others) {
    on->setChecked(true);
    for (QAction* a : others)
        a->setChecked(false);
}

} // namespace

void TSearchForm::ChoosePreset(QAction* mark, std::initializer_list<QAction*> others, bool start,
                               int daysBack) {
    MarkOnly(mark, others);
    ReadControls();
    Guarded([this] { SaveDatePresets(settings_); });
    const TDateTime day = Today();
    if (start)
        SetStartDate(day - daysBack);
    else
        SetEndDate(day - daysBack);
}

void TSearchForm::N5Click() {
    ChoosePreset(N5, {N6, N7}, true, 0);
}
void TSearchForm::N6Click() {
    ChoosePreset(N6, {N5, N7}, true, 1);
}
void TSearchForm::N7Click() {
    ChoosePreset(N7, {N5, N6}, true, 7);
}
void TSearchForm::N8Click() {
    ChoosePreset(N8, {N9}, false, 0);
}
void TSearchForm::N9Click() {
    ChoosePreset(N9, {N8}, false, 1);
}

} // namespace kestrom
