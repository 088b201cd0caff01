#include "ui/SettingsPanel.h"

#include "settings/SettingsFiles.h"
#include "ui/ColumnChooser.h"
#include "ui/Controls.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestrom {

SettingsPanel::SettingsPanel(SettingsState& settings, InformFn inform, QWidget* parent)
    : QScrollArea(parent), settings_(settings), inform_(std::move(inform)) {
    setObjectName("Panel5");
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    auto* content = new QWidget(this);
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* left = new QVBoxLayout;

    pathEditor_ = Named(new QTableWidget(2, 3, content), "ValueListEditor1");
    pathEditor_->setHorizontalHeaderLabels(
        {QString::fromUtf8("Ключ"), QString::fromUtf8("Значение"), QString()});
    pathEditor_->setColumnWidth(0, 150);
    pathEditor_->setColumnWidth(1, 625);
    pathEditor_->setColumnWidth(2, 24);
    pathEditor_->verticalHeader()->hide();
    pathEditor_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    pathEditor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pathEditor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    amaFolderBox_ = Named(new QComboBox(pathEditor_), "ComboBox5");
    amaFolderBox_->setEditable(true);
    amaFolderBox_->setMaxVisibleItems(12);
    const int rowHeight = amaFolderBox_->sizeHint().height();
    for (int row = 0; row < 2; ++row)
        pathEditor_->setRowHeight(row, rowHeight);
    pathEditor_->setFixedHeight(pathEditor_->horizontalHeader()->sizeHint().height() +
                                2 * rowHeight + 2 * pathEditor_->frameWidth());
    pathEditor_->setCellWidget(0, 1, amaFolderBox_);
    amaFolderButton_ = MakeButton(pathEditor_, "BitBtn3", "...");
    exportFolderButton_ = MakeButton(pathEditor_, "BtnExportPach", "...");
    pathEditor_->setCellWidget(0, 2, amaFolderButton_);
    pathEditor_->setCellWidget(1, 2, exportFolderButton_);
    left->addWidget(pathEditor_);
    chooserGroup_ = Named(
        new QGroupBox(QString::fromUtf8(" Все столбцы                Отображаемые столбцы        "
                                        "                                       Сортировать по "),
                      content),
        "GroupBox4");
    auto* chooserLayout = new QVBoxLayout(chooserGroup_);
    chooserLayout->setContentsMargins(2, 2, 2, 2);
    chooser_ = new TColumnChooser(chooserGroup_);
    chooserLayout->addWidget(chooser_);
    left->addWidget(chooserGroup_, 1);
    layout->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    auto* options = Named(new QGroupBox(content), "GroupBox3");
    auto* optionLayout = new QVBoxLayout(options);
    autoOpenOption_ = MakeCheckBox(options, "CheckBox3", "Открывать таблицу автоматически", true);
    optimizeColumnsOption_ =
        MakeCheckBox(options, "CheckBox2", "Всегда оптимизировать ширину колонок", false);
    colourRowsOption_ = MakeCheckBox(options, "CheckBox6", "Включить подсветку строк", false);
    connect(colourRowsOption_, &QCheckBox::toggled, this, &SettingsPanel::colourRowsToggled);
    autoSaveExchangesOption_ =
        MakeCheckBox(options, "CheckBox4", "Автосохранение в списке № АТС", false);
    saveOnExitOption_ =
        MakeCheckBox(options, "CheckBox5", "Автосохранение состояния по выходу", false);
    archiveSourceOption_ =
        MakeCheckBox(options, "ArchiveSourceOption", "Загружать из архива (PostgreSQL)", false);
    for (QWidget* w : {autoOpenOption_, optimizeColumnsOption_, colourRowsOption_,
                       autoSaveExchangesOption_, saveOnExitOption_, archiveSourceOption_})
        optionLayout->addWidget(w);
    right->addWidget(options);
    auto* frame = Named(new QFrame(content), "Panel6");
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* frameLayout = new QHBoxLayout(frame);
    hideButton_ = MakeButton(frame, "ButtonGroup7", "Убрать панель");
    frameLayout->addStretch(1);
    frameLayout->addWidget(hideButton_);
    right->addWidget(frame);
    right->addStretch(1);
    layout->addLayout(right);
    setWidget(content);
    hide();

    connect(hideButton_, &QPushButton::clicked, this, &QWidget::hide);
    connect(amaFolderButton_, &QPushButton::clicked, this, &SettingsPanel::chooseAmaFolder);
    connect(exportFolderButton_, &QPushButton::clicked, this, &SettingsPanel::chooseExportFolder);
    connect(amaFolderBox_, &QComboBox::currentTextChanged, this, &SettingsPanel::editAmaFolder);
    connect(pathEditor_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 1 && item->row() >= 1)
            SetPathLineValue(settings_, static_cast<std::size_t>(item->row()),
                             ToStdString(item->text()));
    });
}

void SettingsPanel::ShowPaths() {
    const QSignalBlocker editorQuiet(pathEditor_);
    const QSignalBlocker boxQuiet(amaFolderBox_);
    for (int row = 0; row < 2; ++row) {
        const auto index = static_cast<std::size_t>(row);
        const std::string line =
            index < settings_.PathLines.size() ? settings_.PathLines[index] : "";
        const std::size_t eq = line.find('=');
        auto* name =
            new QTableWidgetItem(ToQString(eq == std::string::npos ? "" : line.substr(0, eq)));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        pathEditor_->setItem(row, 0, name);
    }
    pathEditor_->setItem(1, 1, new QTableWidgetItem(ToQString(PathLineValue(settings_, 1))));
    amaFolderBox_->clear();
    amaFolderBox_->addItems(ToQStringList(settings_.FolderHistory));
    amaFolderBox_->setEditText(ToQString(settings_.AmaFolderText));
}

QSize SettingsPanel::sizeHint() const {
    // The whole content, not the scroll area's few lines.
    QSize hint = QScrollArea::sizeHint();
    hint.setHeight(widget()->sizeHint().height() + 2 * frameWidth());
    return hint;
}

std::string SettingsPanel::AmaFolder() const {
    return ToStdString(amaFolderBox_->currentText());
}

bool SettingsPanel::OptimizeColumns() const {
    return optimizeColumnsOption_->isChecked();
}

bool SettingsPanel::ColourRows() const {
    return colourRowsOption_->isChecked();
}

bool SettingsPanel::AutoOpen() const {
    return autoOpenOption_->isChecked();
}

bool SettingsPanel::AutoSaveExchanges() const {
    return autoSaveExchangesOption_->isChecked();
}

bool SettingsPanel::SaveOnExit() const {
    return saveOnExitOption_->isChecked();
}

bool SettingsPanel::ArchiveSource() const {
    return archiveSourceOption_->isChecked();
}

void SettingsPanel::Apply(const SettingsState& s) {
    chooser_->SetDisplayed(s.VisibleColumns);
    chooser_->SetSort(s.SortColumns);
    optimizeColumnsOption_->setChecked(s.OptimizeColumns);
    autoOpenOption_->setChecked(s.AutoOpen);
    autoSaveExchangesOption_->setChecked(s.AutoSaveExchanges);
    colourRowsOption_->setChecked(s.ColorRows);
    saveOnExitOption_->setChecked(s.SaveOnExit);
    archiveSourceOption_->setChecked(s.ArchiveSource);
}

void SettingsPanel::ReadInto(SettingsState& s) const {
    s.VisibleColumns = chooser_->Displayed();
    s.SortColumns = chooser_->Sort();
    s.OptimizeColumns = optimizeColumnsOption_->isChecked();
    s.AutoOpen = autoOpenOption_->isChecked();
    s.AutoSaveExchanges = autoSaveExchangesOption_->isChecked();
    s.ColorRows = colourRowsOption_->isChecked();
    s.SaveOnExit = saveOnExitOption_->isChecked();
    s.ArchiveSource = archiveSourceOption_->isChecked();
    s.FolderHistory.clear();
    for (int i = 0; i < amaFolderBox_->count(); ++i)
        s.FolderHistory.push_back(ToStdString(amaFolderBox_->itemText(i)));
}

QString SettingsPanel::ChooseFile() {
    return chooseFile ? chooseFile() : QFileDialog::getOpenFileName(this);
}

void SettingsPanel::chooseAmaFolder() {
    const QString file = ChooseFile();
    if (file.isEmpty()) return;
    ReadInto(settings_);
    Guarded([&] { ChooseAmaFolder(settings_, ToStdString(QFileInfo(file).absolutePath() + "/")); },
            inform_);
    const QSignalBlocker quiet(amaFolderBox_);
    amaFolderBox_->clear();
    amaFolderBox_->addItems(ToQStringList(settings_.FolderHistory));
    amaFolderBox_->setEditText(ToQString(settings_.AmaPath));
}

void SettingsPanel::chooseExportFolder() {
    const QString file = ChooseFile();
    if (file.isEmpty()) return;
    Guarded(
        [&] { ChooseExportFolder(settings_, ToStdString(QFileInfo(file).absolutePath() + "/")); },
        inform_);
    const QSignalBlocker quiet(pathEditor_);
    pathEditor_->item(1, 1)->setText(ToQString(settings_.ExportPath));
}

void SettingsPanel::editAmaFolder(const QString& folder) {
    Guarded([&] { EditAmaFolder(settings_, ToStdString(folder)); }, inform_);
}

} // namespace kestrom
