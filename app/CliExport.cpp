#include "app/CliCommands.h"
#include "app/CliResult.h"
#include "app/CliResultOptions.h"
#include "app/DefaultExportTable.h"
#include "results/ExportFile.h"
#include "results/ResultExportRows.h"

#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::cli {

namespace {

struct Options {
    explicit Options(const std::filesystem::path& programDir) : result(programDir) {}
    CliResultOptions result;
    ExportFormat format = ExportFormat::Html;
    std::filesystem::path out;
};

ExportFormat ParseFormat(const std::string& value) {
    if (value == "html") return ExportFormat::Html;
    if (value == "xls") return ExportFormat::Xls;
    if (value == "xlsx") return ExportFormat::Xlsx;
    if (value == "csv") return ExportFormat::Csv;
    throw UsageError{std::string("--format: неизвестный формат: ")
                         .append(value)
                         .append(" (html, xls, xlsx или csv)")};
}

Options ParseOptions(const Args& args, const std::filesystem::path& programDir) {
    Options o(programDir);
    bool format = false;
    WalkOptions(args, {"--db-dir", "--columns", "--sort", "--format", "--out", "--where"}, {},
                [&](const std::string& name, const std::string& value) {
                    if (o.result.Take(name, value)) return;
                    if (name == "--format") {
                        o.format = ParseFormat(value);
                        format = true;
                    } else {
                        o.out = value;
                    }
                });
    if (!format) throw UsageError{"--format: не указан формат (html, xls, xlsx или csv)"};
    if (o.out.empty()) throw UsageError{"--out: не указан файл"};
    o.result.Check();
    return o;
}

} // namespace

int Export(const Args& args, const std::filesystem::path& programDir) {
    constexpr std::string_view Prefix = "kestrom-cli export: ";
    const std::optional<Options> o =
        ParsedOrReported([&] { return ParseOptions(args, programDir); }, Prefix);
    if (!o) return 2;

    CliResult result;
    try {
        if (const int status = result.Open(o->result, Prefix); status != 0) return status;
        const std::vector<std::uint32_t> shown = result.ReadFiltered();
        const ExportTable table = DefaultExportTable(result.Rows(), result.Positions());
        ResultExportRows rows(result.Rows(), shown, result.Positions(), result.Texts(), {},
                              DefaultWindowColour);
        const ExportOutcome outcome = ExportFile(o->out.string(), o->format, table, rows);
        if (!outcome.Ok()) {
            std::cerr << Prefix << outcome.message << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << Prefix << result.Explain(e) << "\n";
        return 1;
    }
    std::cout << "Экспорт выполнен. Файл " << std::filesystem::absolute(o->out).string()
              << " сохранен.\n";
    return 0;
}

} // namespace kestrom::cli
