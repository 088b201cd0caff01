#include "results/ExportFile.h"

#include "results/CsvExportWriter.h"
#include "results/ExportError.h"
#include "results/ExportOutput.h"
#include "results/HtmlExportWriter.h"
#include "results/ReplacingFile.h"
#include "results/XlsExportWriter.h"
#include "results/XlsxExportWriter.h"

#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace kestrom {

namespace {

// How many rows are written between two reports of the progress.
constexpr std::size_t ProgressStep = 4096;

ExportOutcome Outcome(ExportOutcome::End end, std::string message = {}) {
    ExportOutcome outcome;
    outcome.end = end;
    outcome.message = std::move(message);
    return outcome;
}

// The refusal of a result too big for the format, before anything is touched.
std::optional<ExportOutcome> Refusal(ExportFormat format, std::size_t rowCount) {
    const std::string rows = std::to_string(rowCount);
    if (format == ExportFormat::Xls && rowCount > XlsExportWriter::MaxRows)
        return Outcome(ExportOutcome::End::Refused,
                       "Формат XLS вмещает не более 65535 строк, а в результате их " + rows +
                           ". Сохраните результат в формате XLSX или CSV: они вмещают все строки.");
    if (format == ExportFormat::Xlsx && rowCount > XlsxExportWriter::MaxRows)
        return Outcome(ExportOutcome::End::Refused,
                       "Формат XLSX вмещает не более 1048575 строк, а в результате их " + rows +
                           ". Сохраните результат в формате CSV: он вмещает все строки.");
    return std::nullopt;
}

std::unique_ptr<ExportWriter> MakeWriter(ExportFormat format, const ExportTable& table,
                                         ExportOutput& out, const ReplacingFile& file,
                                         std::size_t rowCount) {
    switch (format) {
    case ExportFormat::Html:
        return std::make_unique<HtmlExportWriter>(out, table);
    case ExportFormat::Xls:
        return std::make_unique<XlsExportWriter>(out, table);
    case ExportFormat::Xlsx:
        return std::make_unique<XlsxExportWriter>(file.TemporaryPath(), file.Folder(),
                                                  file.Target(), table, rowCount);
    case ExportFormat::Csv:
        break;
    }
    return std::make_unique<CsvExportWriter>(out, table);
}

// Writes every row; false when the progress cancelled the export.
bool WriteRows(ExportWriter& writer, const ExportTable& table, ExportRows& rows,
               ExportProgress* progress) {
    const std::size_t count = rows.RowCount();
    std::vector<ExportCell> cells;
    std::size_t written = 0;
    writer.Begin();
    while (rows.Next(cells)) {
        if (cells.size() != table.columns.size())
            throw ExportError("Строка результата не совпадает со столбцами экспорта.");
        writer.Row(cells);
        ++written;
        if (progress != nullptr && written % ProgressStep == 0 && !progress->Step(written, count))
            return false;
    }
    writer.End();
    return progress == nullptr || progress->Step(written, count);
}

} // namespace

ExportOutcome ExportFile(const std::string& path, ExportFormat format, const ExportTable& table,
                         ExportRows& rows, ExportProgress* progress) {
    if (std::optional<ExportOutcome> refused = Refusal(format, rows.RowCount())) return *refused;
    try {
        ReplacingFile file(path);
        ExportOutput out(file.Descriptor(), path);
        const std::unique_ptr<ExportWriter> writer =
            MakeWriter(format, table, out, file, rows.RowCount());
        if (!WriteRows(*writer, table, rows, progress))
            return Outcome(ExportOutcome::End::Cancelled);
        file.Commit();
        return Outcome(ExportOutcome::End::Written);
    } catch (const ExportError& e) {
        return Outcome(ExportOutcome::End::Failed, e.what());
    } catch (const std::bad_alloc&) {
        return Outcome(ExportOutcome::End::Failed,
                       "Файл " + path + " не записан: недостаточно памяти.");
    } catch (const std::exception& e) {
        return Outcome(ExportOutcome::End::Failed, "Файл " + path +
                                                       " не записан: ошибка чтения результата (" +
                                                       e.what() + ").");
    }
}

} // namespace kestrom
