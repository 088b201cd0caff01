#include "app/CliResultOptions.h"
#include "results/ResultQuery.h"

#include <string_view>
#include <system_error>

namespace kestrom::cli {

namespace {

// The displayed columns and the sort list of a first run of the program.
constexpr std::string_view DefaultColumns =
    "Ошибка,EX_ош,Тип_зап,Вх_транк_гр,Вх_транк,Исх_транк_гр,Исх_транк,Номер_А,ОрНомер_A,"
    "Номер_Б,Посл_сть,Дата_иниц,Время_иниц,Дата_окон,Время_ок,Категория,Прод_мс,Прод_Мин";
constexpr std::string_view DefaultSort = "Дата_иниц[Up],Время_иниц[Up]";

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

ResultCondition ParseCondition(const std::string& value) {
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos)
        throw UsageError{std::string("--where: ожидается СТОЛБЕЦ:УСЛОВИЕ: ").append(value)};
    ResultCondition condition{value.substr(0, colon), value.substr(colon + 1)};
    if (ResultColumnPosition(condition.column) < 0)
        throw UsageError{std::string("--where: неизвестный столбец: ").append(condition.column)};
    return condition;
}

} // namespace

CliResultOptions::CliResultOptions(const std::filesystem::path& programDir)
    : dbDir_(programDir), columnList_(DefaultColumns), sortList_(DefaultSort) {}

bool CliResultOptions::Take(const std::string& name, const std::string& value) {
    if (name == "--db-dir")
        dbDir_ = value;
    else if (name == "--columns")
        columnList_ = value;
    else if (name == "--sort")
        sortList_ = value;
    else if (name == "--where")
        where_.push_back(ParseCondition(value));
    else
        return false;
    return true;
}

void CliResultOptions::Check() {
    columns_ = SplitList(columnList_);
    if (columns_.empty()) throw UsageError{"--columns: не указан ни один столбец"};
    for (const std::string& column : columns_)
        if (ResultColumnPosition(column) < 0)
            throw UsageError{std::string("--columns: неизвестный столбец: ").append(column)};

    sort_ = SplitList(sortList_);
    for (const std::string& item : sort_)
        if (ResultColumnPosition(SortItemColumn(item)) < 0)
            throw UsageError{
                std::string("--sort: элемент не называет столбец результата: ").append(item)};

    std::error_code ec;
    if (!std::filesystem::is_directory(dbDir_, ec))
        throw UsageError{std::string("--db-dir: каталог не существует: ").append(dbDir_.string())};
}

} // namespace kestrom::cli
