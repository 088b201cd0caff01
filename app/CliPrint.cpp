#include "app/CliCommands.h"
#include "app/CliResult.h"
#include "app/CliResultOptions.h"
#include "app/DefaultExportTable.h"
#include "settings/SettingsFiles.h"
#include "ui/GridPages.h"
#include "ui/PdfPages.h"
#include "ui/PrintSnapshot.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::cli {

namespace {

struct Options {
    explicit Options(const std::filesystem::path& programDir) : result(programDir) {}
    CliResultOptions result;
    std::filesystem::path pdf;
};

Options ParseOptions(const Args& args, const std::filesystem::path& programDir) {
    Options o(programDir);
    WalkOptions(args, {"--db-dir", "--columns", "--sort", "--pdf", "--where"}, {},
                [&](const std::string& name, const std::string& value) {
                    if (!o.result.Take(name, value)) o.pdf = value;
                });
    if (o.pdf.empty()) throw UsageError{"--pdf: не указан файл"};
    o.result.Check();
    return o;
}

/// Only Qt's failures reach the console; its notes on the environment do not.
void QtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << text.toStdString() << "\n";
}

/// The fonts need a GUI application; the console has no display.
std::unique_ptr<QGuiApplication> MakeApplication() {
    qInstallMessageHandler(QtMessage);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    static int argc = 1;
    static char name[] = "kestrom-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

/// PrintStr and PrintStr1 of the last load, as addpar.ini of dir keeps them.
QStringList HeaderLines(const std::filesystem::path& dir) {
    SettingsState s = DefaultState();
    s.ProgramDir = WithTrailingDelimiter(std::filesystem::absolute(dir).string());
    RestoreState(s);
    QStringList lines;
    for (const std::string* line : {&s.PrintStr, &s.PrintStr1})
        if (!line->empty()) lines << QString::fromStdString(*line);
    return lines;
}

QFont WindowFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

/// The look of a fresh window: 64-pixel columns, Tahoma 8 points, numbers
/// aligned right, horizontal titles.
PrintSnapshot WindowSnapshot(CliResult& result, std::vector<std::uint32_t> shown,
                             const std::filesystem::path& dbDir) {
    PrintSnapshot snapshot;
    const ExportTable table = DefaultExportTable(result.Rows(), result.Positions());
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        PrintSnapshot::Column column;
        column.logicalIndex = static_cast<int>(result.Positions()[i]);
        column.caption = QString::fromStdString(table.columns[i].caption);
        column.widthPx = table.columns[i].widthPx;
        const bool right = table.columns[i].alignment == ExportAlignment::Right;
        column.alignment = (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        snapshot.columns.push_back(std::move(column));
    }
    snapshot.rows.resize(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        snapshot.rows[i] = static_cast<int>(i);
    const CellTexts& texts = result.Texts();
    snapshot.text = [&texts, shown = std::move(shown)](int row, int column) {
        std::string scratch;
        const std::string_view text = texts.Text(shown[static_cast<std::size_t>(row)],
                                                 static_cast<std::size_t>(column), scratch);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    };
    snapshot.headerLines = HeaderLines(dbDir);
    snapshot.headerFont = WindowFont();
    snapshot.gridFont = WindowFont();
    const int line = QFontMetrics(snapshot.gridFont).height();
    snapshot.rowHeightPx = line + 2;
    snapshot.titleHeightPx = line + 6;
    snapshot.screenDpi = 96;
    return snapshot;
}

} // namespace

int Print(const Args& args, const std::filesystem::path& programDir) {
    constexpr std::string_view Prefix = "kestrom-cli print: ";
    const std::optional<Options> o =
        ParsedOrReported([&] { return ParseOptions(args, programDir); }, Prefix);
    if (!o) return 2;

    const std::unique_ptr<QGuiApplication> app = MakeApplication();
    const QString fileName = QString::fromStdString(std::filesystem::absolute(o->pdf).string());
    CliResult result;
    try {
        if (const int status = result.Open(o->result, Prefix); status != 0) return status;
        const GridPages pages(WindowSnapshot(result, result.ReadFiltered(), o->result.DbDir()),
                              PrintPageLayout(), PdfResolution);
        const QString failure = WritePdfPages(pages, fileName);
        if (!failure.isEmpty()) {
            std::cerr << Prefix << failure.toStdString() << "\n";
            return 1;
        }
        std::cout << "Печать выполнена. Файл " << fileName.toStdString()
                  << " сохранен, страниц: " << pages.PageCount() << ".\n";
    } catch (const std::exception& e) {
        std::cerr << Prefix << result.Explain(e) << "\n";
        return 1;
    }
    return 0;
}

} // namespace kestrom::cli
