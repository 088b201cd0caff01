#include "app/CliCommands.h"
#include "db/Database.h"
#include "db/Query.h"
#include "load/CallTable.h"
#include "results/CsvWriter.h"
#include "results/ResultQuery.h"
#include "results/ResultSet.h"
#include "results/ResultTotals.h"
#include "results/RowFilter.h"
#include "results/StoredCellTexts.h"

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

// The displayed columns and the sort list of a first run of the program.
constexpr std::string_view DefaultColumns =
    "Ошибка,EX_ош,Тип_зап,Вх_транк_гр,Вх_транк,Исх_транк_гр,Исх_транк,Номер_А,ОрНомер_A,"
    "Номер_Б,Посл_сть,Дата_иниц,Время_иниц,Дата_окон,Время_ок,Категория,Прод_мс,Прод_Мин";
constexpr std::string_view DefaultSort = "Дата_иниц[Up],Время_иниц[Up]";

constexpr std::size_t RowsPerBatch = 65536;

// One --where COLUMN:CONDITION.
struct Condition {
    std::string column;
    std::string text;
};

struct Options {
    std::filesystem::path dbDir;
    std::vector<std::string> columns;
    std::vector<std::string> sort;
    std::optional<std::filesystem::path> out;
    std::vector<Condition> where;
    bool totals = false;
};

struct UsageError {
    std::string text;
};

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    if (text.empty()) return items;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = text.find(',', at);
        items.emplace_back(
            text.substr(at, comma == std::string_view::npos ? text.npos : comma - at));
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    return items;
}

// The column name a sort item orders by: the item without its "[Up]" or
// "[Down]" suffix.
std::string_view SortItemColumn(std::string_view item) {
    for (std::string_view suffix : {std::string_view("[Up]"), std::string_view("[Down]")})
        if (item.ends_with(suffix)) return item.substr(0, item.size() - suffix.size());
    return item;
}

Condition ParseCondition(const std::string& value) {
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos)
        throw UsageError{std::string("--where: ожидается СТОЛБЕЦ:УСЛОВИЕ: ").append(value)};
    Condition condition{value.substr(0, colon), value.substr(colon + 1)};
    if (ResultColumnPosition(condition.column) < 0)
        throw UsageError{std::string("--where: неизвестный столбец: ").append(condition.column)};
    return condition;
}

Options ParseOptions(const Args& args, const std::filesystem::path& programDir) {
    Options o;
    o.dbDir = programDir;
    std::string columns(DefaultColumns);
    std::string sort(DefaultSort);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--totals") {
            o.totals = true;
            continue;
        }
        if (name != "--db-dir" && name != "--columns" && name != "--sort" && name != "--format" &&
            name != "--out" && name != "--where")
            throw UsageError{std::string("неизвестный аргумент: ").append(name)};
        if (i + 1 >= args.size())
            throw UsageError{std::string(name).append(": не указано значение")};
        const std::string& value = args[++i];
        if (name == "--db-dir") {
            o.dbDir = value;
        } else if (name == "--columns") {
            columns = value;
        } else if (name == "--sort") {
            sort = value;
        } else if (name == "--where") {
            o.where.push_back(ParseCondition(value));
        } else if (name == "--format") {
            if (value != "csv")
                throw UsageError{std::string("--format: неизвестный формат: ")
                                     .append(value)
                                     .append(" (поддерживается только csv)")};
        } else {
            o.out = value;
        }
    }

    o.columns = SplitList(columns);
    if (o.columns.empty()) throw UsageError{"--columns: не указан ни один столбец"};
    for (const std::string& column : o.columns)
        if (ResultColumnPosition(column) < 0)
            throw UsageError{std::string("--columns: неизвестный столбец: ").append(column)};

    o.sort = SplitList(sort);
    for (const std::string& item : o.sort)
        if (ResultColumnPosition(SortItemColumn(item)) < 0)
            throw UsageError{
                std::string("--sort: элемент не называет столбец результата: ").append(item)};

    std::error_code ec;
    if (!std::filesystem::is_directory(o.dbDir, ec))
        throw UsageError{std::string("--db-dir: каталог не существует: ").append(o.dbDir.string())};
    return o;
}

bool WriteAll(std::ostream& out, std::string& buffer) {
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    buffer.clear();
    return static_cast<bool>(out);
}

// The conditions of --where set on the filter; the usage error of the
// first invalid one, empty when all are valid.
std::string SetConditions(RowFilter& filter, const ResultSet& rows,
                          const std::vector<Condition>& where) {
    for (const Condition& condition : where) {
        const int at = rows.ColumnIndex(condition.column);
        const std::string error = at < 0 ? std::string("столбца нет в результате")
                                         : filter.Add(static_cast<std::size_t>(at), condition.text);
        if (!error.empty()) return "--where: " + condition.column + ": " + error;
    }
    return {};
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
    Options o;
    try {
        o = ParseOptions(args, programDir);
    } catch (const UsageError& e) {
        std::cerr << Prefix << e.text << "\n";
        return 2;
    }

    std::optional<Database> db;
    try {
        db.emplace(o.dbDir);
        kestrom::Query query(*db);
        const ResultOutcome opened = OpenResultQuery(query, o.sort);
        if (!opened.ok) {
            query.Close();
            if (const std::string damage = CallTableDamage(*db); !damage.empty())
                std::cerr << Prefix << damage << "\n";
            else
                std::cerr << Prefix << opened.message << ": " << opened.detail << "\n";
            return 1;
        }
        if (LastLoadEnd(*db) == LoadEnd::BrokeOff) std::cerr << IncompleteLoadMessage << "\n";

        ResultSet rows;
        rows.Reset(query);
        std::vector<std::size_t> positions;
        std::vector<std::string_view> header;
        for (const std::string& name : o.columns) {
            const int at = rows.ColumnIndex(name);
            if (at < 0) {
                std::cerr << Prefix << "--columns: столбца нет в результате: " << name << "\n";
                return 1;
            }
            positions.push_back(static_cast<std::size_t>(at));
            header.push_back(name);
        }
        const StoredCellTexts texts(rows);
        RowFilter filter(rows.Columns(), texts);
        if (const std::string error = SetConditions(filter, rows, o.where); !error.empty()) {
            std::cerr << Prefix << error << "\n";
            return 2;
        }

        std::ofstream file;
        if (o.out) {
            file.open(*o.out, std::ios::binary | std::ios::trunc);
            if (!file) {
                std::cerr << Prefix << "--out: файл не открывается для записи: " << o.out->string()
                          << "\n";
                return 1;
            }
        }
        std::ostream& out = o.out ? static_cast<std::ostream&>(file) : std::cout;

        std::string buffer;
        AppendCsvRecord(buffer, header);
        bool written = WriteAll(out, buffer);
        if (o.where.empty() && !o.totals) {
            written = written && WriteBatches(out, query, rows, positions);
        } else {
            // Conditions and totals look at the whole result at once.
            rows.ReadRows(query);
            const std::vector<std::uint32_t> shown = filter.Apply(rows, texts);
            written = written && WriteRows(out, rows, positions, shown);
            if (o.totals) PrintTotals(ResultTotals::Of(rows, shown));
        }
        if (written) written = static_cast<bool>(out.flush());
        if (!written) {
            std::cerr << Prefix << "ошибка записи"
                      << (o.out ? std::string(": ").append(o.out->string()) : std::string())
                      << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        // A file damaged past its first pages fails only while it is read.
        std::string damage;
        if (db) {
            try {
                damage = CallTableDamage(*db);
            } catch (const std::exception&) {
            }
        }
        std::cerr << Prefix << (damage.empty() ? e.what() : damage) << "\n";
        return 1;
    }
    return 0;
}

} // namespace kestrom::cli
