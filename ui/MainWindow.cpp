#include "ui/MainWindow.h"
#include "archive/ArchiveLoad.h"
#include "archive/ArchiveService.h"

#include "load/CallTable.h"

#include "results/ExportName.h"
#include "results/ResultQuery.h"
#include "results/ResultTotals.h"
#include "settings/SettingsFiles.h"
#include "ui/ColumnChooser.h"
#include "ui/Controls.h"
#include "ui/ExchangeList.h"
#include "ui/ExportCommand.h"
#include "ui/FilterBar.h"
#include "ui/Guarded.h"
#include "ui/MainFrontEnd.h"
#include "ui/PeriodPickers.h"
#include "ui/PrintCommand.h"
#include "ui/ProgressWindow.h"
#include "ui/QtDates.h"
#include "ui/QtText.h"
#include "ui/ResultGrid.h"
#include "ui/RowColouring.h"
#include "ui/SettingsPanel.h"
#include "ui/StatisticsPanel.h"
#include "ui/TwoPartRow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

#ifndef KESTROM_FILE_VERSION
#define KESTROM_FILE_VERSION "2.2.1.0"
#endif

namespace kestrom {

QString WindowCaption(const QString& fileVersion) {
    return QString::fromUtf8("Программа просмотра АМА-записей v.") + fileVersion.left(8);
}

TSearchForm::TSearchForm(std::string programDir, QWidget* parent)
    : QWidget(parent), programDir_(std::move(programDir)), db_(programDir_), query_(db_),
      session_(db_) {
    setObjectName("SearchForm");
    setFont(QFont("Tahoma", 8));
    resize(787, 496);

    inform_ = [this](const QString& text) { Inform(text); };
    exchange_ = new ExchangeList(
        settings_, inform_, [this] { return settingsPanel_->AutoSaveExchanges(); }, this);
    period_ = new PeriodPickers(
        settings_, inform_, [this] { return Today(); }, this);
    filterBar_ = new FilterBar(*exchange_, programDir_, this);
    settingsPanel_ = new SettingsPanel(settings_, inform_, this);
    grid_ = new ResultGrid(this);
    statistics_ = new StatisticsPanel(*grid_, this);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    auto* panel1 = Named(new QWidget(this), "Panel1");
    auto* top = new QVBoxLayout(panel1);
    top->setContentsMargins(2, 2, 2, 2);
    top->addWidget(BuildTopStrip());
    top->addWidget(BuildFilterStrip());
    main->addWidget(panel1);

    auto* panel2 = Named(new QWidget(this), "Panel2");
    auto* middle = new QVBoxLayout(panel2);
    middle->setContentsMargins(0, 0, 0, 0);
    // At the top of Panel2 also when the grid is hidden (after a failed opening).
    middle->addWidget(settingsPanel_, 0, Qt::AlignTop);
    middle->addWidget(BuildGridAndStatistics(panel2), 1);
    main->addWidget(panel2, 1);

    statusBar_ = Named(new QStatusBar(this), "StatusBar1");
    for (int width : {200, 300, 50}) {
        auto* panel = new QLabel(statusBar_);
        // The last panel reaches to the right border, as the totals need.
        const bool last = statusPanels_.size() == 2;
        if (last)
            panel->setMinimumWidth(width);
        else
            panel->setFixedWidth(width);
        statusBar_->addWidget(panel, last ? 1 : 0);
        statusPanels_.push_back(panel);
    }
    if (QLabel* last = statusPanels_.back()) last->setLayoutDirection(Qt::LeftToRight);
    main->addWidget(statusBar_);

    frontEnd_ = std::make_unique<MainFrontEnd>(this, settings_, grid_, statusBar_);
    frontEnd_->showMessage = inform_;
    connect(startButton_, &QPushButton::clicked, this, &TSearchForm::startLoad);
    connect(openTableButton_, &QPushButton::clicked, this, &TSearchForm::openTable);
    connect(settingsButton_, &QPushButton::clicked, this, &TSearchForm::showSettings);
    connect(saveStateButton_, &QPushButton::clicked, this, &TSearchForm::saveState);
    connect(restoreStateButton_, &QPushButton::clicked, this, &TSearchForm::restoreState);
    connect(defaultsButton_, &QPushButton::clicked, this, &TSearchForm::setDefaults);
    connect(optimizeColumnsButton_, &QPushButton::clicked, this, &TSearchForm::fitColumns);
    connect(statisticsButton_, &QPushButton::toggled, this, &TSearchForm::showStatistics);
    export_ = std::make_unique<ExportCommand>(this, *grid_);
    connect(exportButton_, &QPushButton::clicked, this, &TSearchForm::exportResult);
    print_ = std::make_unique<PrintCommand>(this, *grid_, session_);
    connect(printButton_, &QPushButton::clicked, this, &TSearchForm::printResult);
    ConnectGrid();
    FormCreate();
}

TSearchForm::~TSearchForm() = default;

ExportCommand& TSearchForm::Export() {
    return *export_;
}

void TSearchForm::ConnectGrid() {
    RowColouring& colouring = grid_->Colouring();
    colouring.enabled = [this] { return settingsPanel_->ColourRows(); };
    colouring.failureDisplayed = [this] {
        const auto shown = settingsPanel_->Chooser().Displayed();
        return std::find(shown.begin(), shown.end(), RowColouring::FailureColumn) != shown.end();
    };
    // The colouring follows the option and the list at the next repaint.
    const auto repaint = [this] { grid_->viewport()->update(); };
    connect(settingsPanel_, &SettingsPanel::colourRowsToggled, grid_, repaint);
    connect(&settingsPanel_->Chooser(), &TColumnChooser::ListsChanged, grid_, repaint);
    connect(grid_, &ResultGrid::sortRequested, this, &TSearchForm::reorderResult);
    connect(grid_, &ResultGrid::shownRowsChanged, this, &TSearchForm::ShowTotals);
    ShowTotals();
}

PrintCommand& TSearchForm::Print() {
    return *print_;
}

StatisticsPanel& TSearchForm::Statistics() {
    return *statistics_;
}

QWidget* TSearchForm::BuildGridAndStatistics(QWidget* parent) {
    auto* splitter = Named(new QSplitter(Qt::Horizontal, parent), "StatisticsSplitter");
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(grid_);
    splitter->addWidget(statistics_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    statistics_->hide();
    statistics_->folder = [this] { return ToQString(settings_.ExportPath); };
    gridAndStatistics_ = splitter;
    return splitter;
}

WindowFrontEnd& TSearchForm::FrontEnd() {
    return *frontEnd_;
}

QWidget* TSearchForm::BuildTopStrip() {
    auto* group =
        Named(new QGroupBox(QString::fromUtf8(" Просмотр и загрузка данных "), this), "GroupBox1");
    auto* layout = new QHBoxLayout(group);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* row = Named(new QWidget(group), "Panel3");
    auto* parts = new TwoPartRow(row);
    parts->setSpacing(4);
    startButton_ = MakeButton(row, "ButtonGroup1", "Начать");
    openTableButton_ = MakeButton(row, "ButtonGroup3", "Открыть таблицу");
    exportButton_ = MakeButton(row, "ButtonGroup5", "Экспорт");
    printButton_ = MakeButton(row, "ButtonGroup2", "Печать");
    for (QWidget* w : std::initializer_list<QWidget*>{period_, exchange_, startButton_})
        parts->AddLeft(w);
    for (QWidget* w : {openTableButton_, exportButton_, printButton_})
        parts->AddRight(w);
    layout->addWidget(row);
    return group;
}

QWidget* TSearchForm::BuildFilterStrip() {
    auto* panel4 = Named(new QWidget(this), "Panel4");
    auto* column = new QVBoxLayout(panel4);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(filterBar_);
    auto* bar3 = Named(new QWidget(panel4), "ToolBar3");
    auto* parts = new TwoPartRow(bar3);
    parts->setContentsMargins(4, 2, 4, 2);
    parts->setSpacing(2);
    settingsButton_ = MakeButton(bar3, "ButtonGroup6", "Настройки");
    saveStateButton_ = MakeButton(bar3, "ButtonGroup13", "Сохранить состояние");
    restoreStateButton_ = MakeButton(bar3, "ButtonGroup14", "Восстановить состояние");
    defaultsButton_ = MakeButton(bar3, "ButtonGroup12", "По умолчанию");
    optimizeColumnsButton_ = MakeButton(bar3, "ButtonGroup4", "Оптимизировать ширину колонок");
    statisticsButton_ = MakeButton(bar3, "StatisticsButton", "Статистика");
    statisticsButton_->setCheckable(true);
    statisticsButton_->setToolTip(
        QString::fromUtf8("Показать или скрыть графики по строкам, которые показывает таблица"));
    filterBar_->OnlySuccessfulBox()->setParent(bar3);
    for (QWidget* w :
         std::initializer_list<QWidget*>{filterBar_->OnlySuccessfulBox(), settingsButton_,
                                         saveStateButton_, restoreStateButton_, defaultsButton_})
        parts->AddLeft(w);
    parts->AddRight(statisticsButton_);
    parts->AddRight(optimizeColumnsButton_);
    column->addWidget(bar3);
    return panel4;
}

// --- start-up and shut-down ---------------------------------------------------

void TSearchForm::FormCreate() {
    settings_.ProgramDir = programDir_;
    for (const std::string& m : LoadSettingsFiles(settings_))
        Inform(ToQString(m));
    settingsPanel_->ShowPaths();
    exchange_->SetNumbers(settings_.Exchanges);
    firstActivation_ = true;
    setWindowTitle(WindowCaption(QString::fromUtf8(KESTROM_FILE_VERSION)));
}

void TSearchForm::FormActivate() {
    if (!firstActivation_) return;
    firstActivation_ = false;
    restoreState();
}

bool TSearchForm::FormClose() {
    if (!settingsPanel_->SaveOnExit()) return true;
    ReadControls();
    return Guarded([this] { SaveState(settings_); }, inform_);
}

bool TSearchForm::event(QEvent* e) {
    if (e->type() == CancelLoadEventType) {
        cancelLoad();
        return true;
    }
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) {
        const bool handled = QWidget::event(e);
        FormActivate();
        return handled;
    }
    return QWidget::event(e);
}

void TSearchForm::closeEvent(QCloseEvent* e) {
    if (session_.Busy()) {
        // The close arrives while the load lets events through: the load
        // stops at its next record and startLoad closes the window after it.
        closeAsked_ = true;
        session_.Cancel();
        e->ignore();
        return;
    }
    if (FormClose())
        e->accept();
    else
        e->ignore();
}

void TSearchForm::cancelLoad() {
    session_.Cancel();
}

// --- the state and the controls -------------------------------------------------

void TSearchForm::ReadControls() {
    settingsPanel_->ReadInto(settings_);
    filterBar_->ReadInto(settings_);
    settings_.ExchangeFilterOn = exchange_->Pressed();
    settings_.AtsNum = exchange_->SelectedIndex();
    settings_.Exchanges = exchange_->Numbers();
    settings_.Presets = period_->Marks();
    settings_.WindowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    settings_.Statistics = statisticsButton_->isChecked();
}

// What a restore and "По умолчанию" both set: the lists, the options, the
// filter modes, the exchange toggle, the preset marks and the page
// "Статистика".
void TSearchForm::ApplyState(const SettingsState& s) {
    settingsPanel_->Apply(s);
    filterBar_->Apply(s);
    exchange_->SetPressed(s.ExchangeFilterOn);
    period_->SetMarks(s.Presets);
    statisticsButton_->setChecked(s.Statistics);
}

void TSearchForm::ApplyWindowState(int state) {
    // Set once the window is on screen: a state set while it is being shown
    // is dropped by platforms that resize the window as they map it.
    QMetaObject::invokeMethod(
        this,
        [this, state] {
            const Qt::WindowStates now = windowState();
            if (state == 0)
                setWindowState(now & ~(Qt::WindowMinimized | Qt::WindowMaximized));
            else if (state == 1)
                setWindowState(now | Qt::WindowMinimized);
            else if (state == 2)
                setWindowState((now & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        },
        Qt::QueuedConnection);
}

TDateTime TSearchForm::Today() const {
    return today ? today() : ToDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
}

void TSearchForm::Inform(const QString& text) {
    if (showMessage)
        showMessage(text);
    else
        QMessageBox::information(this, QApplication::applicationDisplayName(), text,
                                 QMessageBox::Ok);
}

void TSearchForm::ShowError(const QString& title, const QString& text) {
    if (showError)
        showError(title, text);
    else
        QMessageBox::critical(this, title, text, QMessageBox::Ok);
}

void TSearchForm::SetLoadRunning(bool running) {
    for (QWidget* w :
         {startButton_, openTableButton_, exportButton_, printButton_, defaultsButton_})
        w->setEnabled(!running);
}

// --- commands -------------------------------------------------------------------

LoadRequest TSearchForm::Request() const {
    LoadRequest r;
    r.Filter = filterBar_->Filter();
    r.AutoOpen = settingsPanel_->AutoOpen();
    r.Period = {settingsPanel_->AmaFolder(), period_->Start(), period_->End()};
    return r;
}

void TSearchForm::startLoad() {
    if (session_.Busy()) {
        Inform(ToQString(LoadSession::BusyMessage));
        return;
    }
    settings_.AmaPath = settingsPanel_->AmaFolder();
    incompleteTold_ = false;
    SetLoadRunning(true);
    LoadRequest request = Request();
    if (settingsPanel_->ArchiveSource()) {
        const ArchiveService service = ArchiveServiceOf(programDir_);
        if (!service.Error.empty()) {
            Inform(ToQString(service.Error));
            SetLoadRunning(false);
            return;
        }
        archive_ = std::make_unique<ArchiveLoad>(service.Conninfo);
        request.Archive = archive_.get();
    }
    LoadOutcome out;
    const bool ran = Guarded([&] { out = session_.Run(request, *frontEnd_); }, inform_);
    archive_.reset();
    SetLoadRunning(false);
    if (out.Ran)
        statusBar_->showMessage(
            QString::fromUtf8("Загружено: %1 записей.").arg(static_cast<qlonglong>(out.Loaded)),
            5000);
    else
        statusBar_->clearMessage();
    if (closeAsked_) {
        closeAsked_ = false;
        close();
        return;
    }
    if (ran && out.OpenResult) openTable();
}

void TSearchForm::openTable() {
    if (session_.Busy()) {
        Inform(ToQString(LoadSession::BusyMessage));
        return;
    }
    const TColumnChooser& chooser = settingsPanel_->Chooser();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    grid_->BeginOpening();
    const ResultOutcome opened = OpenResultQuery(query_, chooser.Sort());
    if (!opened.ok) {
        query_.Close();
        QApplication::restoreOverrideCursor();
        grid_->SetAttached(true);
        ShowError(ToQString(opened.title), ToQString(opened.message));
        TellTableState(false);
        return;
    }
    const bool shown = Guarded(
        [&] { grid_->ShowResult(query_, chooser.Displayed(), chooser.AllColumns()); }, inform_);
    query_.Close();
    // The vertical titles raise the grid's minimum height; the splitter hears
    // of it only at the next turn of the event loop, the window's layout now.
    gridAndStatistics_->updateGeometry();
    if (shown && settingsPanel_->OptimizeColumns()) grid_->FitColumnWidths();
    QApplication::restoreOverrideCursor();
    TellTableState(true);
}

void TSearchForm::reorderResult() {
    if (session_.Busy()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ResultOutcome reordered = ReorderResultQuery(query_, grid_->SortMarks().Marks());
    bool shown = reordered.ok;
    if (shown) shown = Guarded([&] { grid_->ShowReorderedResult(query_); }, inform_);
    query_.Close();
    if (!shown) grid_->DropRows();
    QApplication::restoreOverrideCursor();
    if (!reordered.ok)
        ShowError(QApplication::applicationDisplayName(), ToQString(reordered.message));
}

void TSearchForm::exportResult() {
    if (session_.Busy()) return;
    const TPreFilter f = filterBar_->Filter();
    export_->Run(
        ToQString(settings_.ExportPath),
        ToQString(ProposedExportName(f.NumberAOn, f.NumberAText, f.NumberBOn, f.NumberBText)));
}

void TSearchForm::printResult() {
    if (session_.Busy()) return;
    print_->Run();
}

void TSearchForm::fitColumns() {
    grid_->FitColumnWidths();
}

void TSearchForm::showStatistics(bool shown) {
    if (statisticsButton_->isChecked() != shown) statisticsButton_->setChecked(shown);
    statistics_->setVisible(shown);
}

void TSearchForm::ShowTotals() {
    const ResultModel& model = grid_->Model();
    ResultTotals totals;
    if (model.IsEnabled() && model.rowCount() > 0)
        totals = model.HasRowIndex() ? ResultTotals::Of(model.Result(), model.RowIndex())
                                     : ResultTotals::Of(model.Result());
    const ResultTotals::Texts texts = totals.Format(ToStdString(QLocale::system().decimalPoint()));
    // Written in the order 1, 2, 0.
    statusPanels_[1]->setText(ToQString(texts.panel1));
    statusPanels_[2]->setText(ToQString(texts.panel2));
    statusPanels_[0]->setText(ToQString(texts.panel0));
}

void TSearchForm::TellTableState(bool opened) {
    try {
        if (!opened) {
            if (const std::string damage = CallTableDamage(db_); !damage.empty())
                Inform(ToQString(damage));
        } else if (!incompleteTold_ && LastLoadEnd(db_) == LoadEnd::BrokeOff) {
            incompleteTold_ = true;
            Inform(ToQString(IncompleteLoadMessage));
        }
    } catch (const std::exception&) {
        // The result itself was shown or refused already; nothing more to say.
    }
}

void TSearchForm::showSettings() {
    settingsPanel_->show();
}

void TSearchForm::saveState() {
    ReadControls();
    Guarded([this] { SaveAllSettings(settings_); }, inform_);
}

void TSearchForm::restoreState() {
    RestoreState(settings_);
    ApplyState(settings_);
    exchange_->SelectStored(settings_.AtsNum);
    session_.SetPrintHeaders(settings_.PrintStr, settings_.PrintStr1);
    ApplyWindowState(settings_.WindowState);
    period_->ApplyMarkedDates();
    if (exchange_->Pressed()) exchange_->toggleExchange();
}

void TSearchForm::setDefaults() {
    ReadControls();
    const SettingsState d = WithDefaultCommand(settings_);
    ApplyState(d);
    if (d.AtsNum >= 0) exchange_->SelectStored(d.AtsNum);
}

} // namespace kestrom
