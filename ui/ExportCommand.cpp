#include "ui/ExportCommand.h"

#include "results/ResultExportRows.h"
#include "ui/DisplayCellTexts.h"
#include "ui/QtText.h"
#include "ui/ResultGrid.h"
#include "ui/WindowExportProgress.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace kestrom {

namespace {

/// The suffix of each file type, in the order of ExportFormat.
const char* const Suffixes[] = {"htm", "xls", "xlsx", "csv"};

const char* const InformationTitle = "Information";

Rgb ToRgb(const QColor& colour) {
    return static_cast<Rgb>(colour.rgb() & 0xFFFFFF);
}

ExportFont FontOf(const QWidget& widget) {
    ExportFont font;
    font.name = ToStdString(widget.font().family());
    font.points = widget.font().pointSize();
    font.colour = ToRgb(widget.palette().color(QPalette::WindowText));
    font.bold = widget.font().bold();
    font.italic = widget.font().italic();
    font.underline = widget.font().underline();
    font.strikeOut = widget.font().strikeOut();
    return font;
}

/// The grid's displayed columns in display order, as the export writes them.
ExportTable TableOf(const ResultGrid& grid, std::vector<std::size_t>& positions) {
    const ResultModel& model = grid.Model();
    const QHeaderView& titles = *grid.horizontalHeader();
    ExportTable table;
    table.titleFont = FontOf(grid);
    table.buttonFace = ToRgb(grid.palette().color(QPalette::Button));
    table.cellBackground = ToRgb(grid.palette().color(QPalette::Base));
    table.gridName = ToStdString(grid.objectName());
    for (int visual = 0; visual < titles.count(); ++visual) {
        const int logical = titles.logicalIndex(visual);
        if (titles.isSectionHidden(logical)) continue;
        ExportColumn column;
        column.caption = ToStdString(model.ColumnName(logical));
        column.widthPx = titles.sectionSize(logical);
        column.font = FontOf(grid);
        column.alignment = model.ColumnAlignment(logical).testFlag(Qt::AlignRight)
                               ? ExportAlignment::Right
                               : ExportAlignment::Left;
        column.kind = ResultExportRows::KindOf(model.Result(), static_cast<std::size_t>(logical));
        table.columns.push_back(std::move(column));
        positions.push_back(static_cast<std::size_t>(logical));
    }
    return table;
}

} // namespace

const QStringList& ExportCommand::FileTypes() {
    static const QStringList types = {
        QString::fromUtf8("Файлы (*.htm)"), QString::fromUtf8("Файлы Exel (*.xls)"),
        QString::fromUtf8("Книга Excel (*.xlsx)"), QString::fromUtf8("Файлы CSV (*.csv)")};
    return types;
}

ExportCommand::ExportCommand(QWidget* window, ResultGrid& grid) : window_(window), grid_(grid) {}

void ExportCommand::Run(const QString& folder, const QString& proposedName) {
    const DialogSetup setup{folder, proposedName, FileTypes(), QString::fromLatin1(Suffixes[0])};
    const std::optional<Choice> choice = chooseFile ? chooseFile(setup) : AskForFile(setup);
    if (choice) {
        ExportOutcome outcome;
        if (grid_.HasResult())
            outcome = Write(*choice);
        else
            outcome.end = ExportOutcome::End::Failed; // no result: no file is touched
        switch (outcome.end) {
        case ExportOutcome::End::Written:
            Inform(QString::fromUtf8("Экспорт выполнен.\rФайл ") +
                   QFileInfo(choice->path).absoluteFilePath() + QString::fromUtf8(" сохранен."));
            break;
        case ExportOutcome::End::Refused:
            Inform(ToQString(outcome.message));
            break;
        case ExportOutcome::End::Failed:
            Inform(QString::fromUtf8("Ошибка ввода/вывода.\rФайл не может быть создан."));
            break;
        case ExportOutcome::End::Cancelled:
            break;
        }
    }
    if (grid_.isVisible()) grid_.setFocus();
}

std::optional<ExportCommand::Choice> ExportCommand::AskForFile(const DialogSetup& setup) const {
    QFileDialog dialog(window_, QString(), setup.folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(setup.fileTypes);
    dialog.setDefaultSuffix(setup.defaultSuffix);
    dialog.selectFile(setup.proposedName);
    // A name typed without a suffix gets the chosen type's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& type) {
        const auto index = setup.fileTypes.indexOf(type);
        if (index >= 0) dialog.setDefaultSuffix(QString::fromLatin1(Suffixes[index]));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const auto index = std::max<qsizetype>(0, setup.fileTypes.indexOf(dialog.selectedNameFilter()));
    return Choice{dialog.selectedFiles().front(), static_cast<ExportFormat>(index)};
}

ExportOutcome ExportCommand::Write(const Choice& choice) {
    const ResultModel& model = grid_.Model();
    std::vector<std::size_t> positions;
    const ExportTable table = TableOf(grid_, positions);
    const DisplayCellTexts texts(model);
    const RowColouring& colouring = grid_.Colouring();
    const Rgb window = ToRgb(grid_.palette().color(QPalette::Base));
    const auto coloured = [&](std::size_t row) { return colouring.Colours(model.Result(), row); };
    ResultExportRows rows =
        model.HasRowIndex()
            ? ResultExportRows(model.Result(), model.RowIndex(), positions, texts, coloured, window)
            : ResultExportRows(model.Result(), positions, texts, coloured, window);
    WindowExportProgress progress(window_);
    // The grid does not repaint while its rows are written.
    grid_.setUpdatesEnabled(false);
    const ExportOutcome outcome =
        ExportFile(ToStdString(choice.path), choice.format, table, rows, &progress);
    grid_.setUpdatesEnabled(true);
    return outcome;
}

void ExportCommand::Inform(const QString& text) const {
    const QString title = QString::fromLatin1(InformationTitle);
    if (inform) {
        inform(title, text);
        return;
    }
    // The carriage return between the two lines breaks the line on screen.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox::information(window_, title, shown, QMessageBox::Ok);
}

} // namespace kestrom
