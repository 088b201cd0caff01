#include "app/CliCommands.h"
#include "app/CliResult.h"
#include "app/CliResultOptions.h"
#include "results/CsvWriter.h"
#include "results/ResultSet.h"
#include "results/ResultTotals.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::cli {

namespace {

constexpr std::size_t RowsPerBatch = 65536;

struct Options {
    explicit Options(const std::filesystem::path& programDir) : result(programDir) {}
    CliResultOptions result;
    std::optional<std::filesystem::path> out;
    bool totals = false;
};

Options ParseOptions(const Args& args, const std::filesystem::path& programDir) {
    Options o(programDir);
    WalkOptions(args, {"--db-dir", "--columns", "--sort", "--format", "--out", "--where"},
                {"--totals"}, [&](const std::string& name, const std::string& value) {
                    if (name == "--totals") {
                        o.totals = true;
                        return;
                    }
                    if (o.result.Take(name, value)) return;
                    if (name == "--format") {
                        if (value != "csv")
                            throw UsageError{std::string("--format: неизвестный формат: ")
                                                 .append(value)
                                                 .append(" (поддерживается только csv)")};
                    } else {
                        o.out = value;
                    }
                });
    o.result.Check();
    return o;
}

bool WriteAll(std::ostream& out, std::string& buffer) {
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    buffer.clear();
    return static_cast<bool>(out);
}

// The rest of the result read and written batch by batch.
bool WriteBatches(std::ostream& out, kestrom::Query& query, ResultSet& rows,
                  const std::vector<std::size_t>& positions) {
    std::string buffer;
    while (rows.ReadRows(query, RowsPerBatch) > 0) {
        AppendCsvRows(buffer, rows, positions);
        rows.ClearRows();
        if (!WriteAll(out, buffer)) return false;
    }
    return true;
}

// The given rows of the result held in memory.
bool WriteRows(std::ostream& out, const ResultSet& rows, const std::vector<std::size_t>& positions,
               std::span<const std::uint32_t> shown) {
    std::string buffer;
    for (std::size_t at = 0; at < shown.size(); at += RowsPerBatch) {
        AppendCsvRows(buffer, rows, positions,
                      shown.subspan(at, std::min(RowsPerBatch, shown.size() - at)));
        if (!WriteAll(out, buffer)) return false;
    }
    return true;
}

// The window's three totals, in the order it writes them.
void PrintTotals(const ResultTotals& totals) {
    const ResultTotals::Texts texts = totals.Format(".");
    std::cerr << texts.panel1 << "\n" << texts.panel2 << "\n" << texts.panel0 << "\n";
}

} // namespace

int Query(const Args& args, const std::filesystem::path& programDir) {
    constexpr std::string_view Prefix = "kestrom-cli query: ";
    const std::optional<Options> o =
        ParsedOrReported([&] { return ParseOptions(args, programDir); }, Prefix);
    if (!o) return 2;

    CliResult result;
    try {
        if (const int status = result.Open(o->result, Prefix); status != 0) return status;
        ResultSet& rows = result.Rows();
        const std::vector<std::size_t>& positions = result.Positions();
        const std::vector<std::string_view> header(o->result.Columns().begin(),
                                                   o->result.Columns().end());

        std::ofstream file;
        if (o->out) {
            file.open(*o->out, std::ios::binary | std::ios::trunc);
            if (!file) {
                std::cerr << Prefix << "--out: файл не открывается для записи: " << o->out->string()
                          << "\n";
                return 1;
            }
        }
        std::ostream& out = o->out ? static_cast<std::ostream&>(file) : std::cout;

        std::string buffer;
        AppendCsvRecord(buffer, header);
        bool written = WriteAll(out, buffer);
        if (o->result.Where().empty() && !o->totals) {
            written = written && WriteBatches(out, result.Source(), rows, positions);
        } else {
            // Conditions and totals look at the whole result at once.
            const std::vector<std::uint32_t> shown = result.ReadFiltered();
            written = written && WriteRows(out, rows, positions, shown);
            if (o->totals) PrintTotals(ResultTotals::Of(rows, shown));
        }
        if (written) written = static_cast<bool>(out.flush());
        if (!written) {
            std::cerr << Prefix << "ошибка записи"
                      << (o->out ? std::string(": ").append(o->out->string()) : std::string())
                      << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << Prefix << result.Explain(e) << "\n";
        return 1;
    }
    return 0;
}

} // namespace kestrom::cli
