#include "results/ResultQuery.h"

#include <exception>
#include <stdexcept>

namespace kestrom {

namespace {

// Lines shared by both branches of the main query.
constexpr std::string_view TrunkGroups =
    ", AMG.In_Tr_Gr_ID as Вх_транк_гр, AMG.In_Tr_ID as Вх_транк, AMG.Out_Tr_Gr_ID as "
    "Исх_транк_гр,";
constexpr std::string_view OutTrunk = " AMG.Out_Tr_ID as Исх_транк,";
constexpr std::string_view Owner = " AMG.Owner_N";
constexpr std::string_view Services =
    " , usluga_a.description as Услуга_аб_А, usluga_b.description as Услуга_аб_Б";
constexpr std::string_view Durations =
    ", AMG.Call_Durat as Прод_мс,AMG.Call_Durat/60000 as Прод_Мин";
constexpr std::string_view ServiceJoins =
    R"( and (AMG."106_Suppl_Serv"=usluga_a.num) and (AMG."107_Suppl_Serv"=usluga_b.num) )";

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (std::size_t hit; (hit = text.find(from, at)) != std::string::npos; at = hit + from.size())
        out.append(text, at, hit - at).append(to);
    out.append(text, at, std::string::npos);
    return out;
}

bool IsOrderByLine(std::string_view line) {
    constexpr std::string_view Key = "ORDER BY";
    if (line.size() < Key.size()) return false;
    for (std::size_t i = 0; i < Key.size(); ++i) {
        char c = line[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != Key[i]) return false;
    }
    return true;
}

// The result column a sort item names: the item without its "[Up]" or
// "[Down]" suffix.
std::string_view SortItemColumn(std::string_view item) {
    for (const std::string_view suffix : {std::string_view("[Up]"), std::string_view("[Down]")})
        if (item.ends_with(suffix)) return item.substr(0, item.size() - suffix.size());
    return item;
}

ResultOutcome Failed(Query& query, std::string message, std::string detail) {
    query.Close();
    return {false, std::move(message), std::string(ResultFailure::Title), std::move(detail)};
}

} // namespace

int ResultColumnPosition(std::string_view name) {
    for (std::size_t i = 0; i < ResultColumnList.size(); ++i)
        if (ResultColumnList[i] == name) return static_cast<int>(i);
    return -1;
}

const std::vector<std::string>& GroupingQueryLines() {
    static const std::vector<std::string> lines = {
        "SELECT Amg.Call_Proc_ID",
        ", MAX(Amg.Call_Durat) as MaxCallDurat",
        "FROM AMG Amg",
        R"(WHERE (Amg.Failure=16) AND (Amg."102_F1"<=1) AND (Amg.Sequence>1))",
        "GROUP BY Amg.Call_Proc_ID",
    };
    return lines;
}

const std::vector<std::string>& MainQueryLines() {
    static const std::vector<std::string> lines = {
        // Whole calls, whatever their failure code.
        R"(SELECT failurestr.failurestr as Ошибка, AMG."121_Couse" as EX_ош,Sequence as Тип_зап)",
        std::string(TrunkGroups),
        std::string(OutTrunk),
        std::string(Owner),
        R"( as Номер_А,AMG."119_OCPN" as ОрНомер_A)",
        R"( ,AMG.Partner_N as Номер_Б,AMG."109_Seq" as Посл_сть,AMG.Start_D as Дата_иниц, )"
        "AMG.Start_T as Время_иниц",
        " ,AMG.End_D as Дата_окон, AMG.End_T as Время_ок, AMG.Origin_Cat as Категория",
        std::string(Services),
        std::string(Durations),
        "FROM AMG AMG,failurestr failurestr, usluga_a usluga_a,usluga_b usluga_b",
        "WHERE (AMG.Sequence=1) and (AMG.F10=1) AND (amg.failure=failurestr.FailureCod)",
        std::string(ServiceJoins),
        "UNION",
        // The longest successful partial record of each long call.
        R"(SELECT failurestr.failurestr as Ошибка, AMG."121_Couse" as EX_ош,Amg.Sequence as )"
        "Тип_зап",
        std::string(TrunkGroups),
        std::string(OutTrunk),
        std::string(Owner),
        R"( as Номер_А, AMG."119_OCPN" as ОрНомер_A,)",
        R"( AMG.Partner_N as Номер_Б,AMG."109_Seq" as Посл_сть,AMG.Start_D as Дата_иниц, )"
        "AMG.Start_T as Время_иниц,",
        " AMG.End_D as Дата_окон, AMG.End_T as Время_ок, AMG.Origin_Cat as Категория",
        std::string(Services),
        std::string(Durations),
        R"(FROM AMG AMG,"servis.sql" servis,failurestr failurestr, usluga_a usluga_a,)"
        "usluga_b usluga_b",
        "WHERE (Amg.Failure=16) AND (Amg.Sequence>1) ",
        std::string(ServiceJoins),
        " AND Amg.Call_Proc_ID=servis.Call_Proc_ID",
        " AND (Amg.Call_Durat=servis.MaxCallDurat)  AND (amg.failure=failurestr.FailureCod)",
    };
    return lines;
}

std::string SortListOrderBy(std::span<const std::string> sortItems) {
    std::string joined;
    for (const std::string& item : sortItems) {
        if (!joined.empty()) joined.push_back(',');
        joined.append(item);
    }
    if (joined.empty()) return {};
    joined = ReplaceAll(std::move(joined), "[Up]", " ASC");
    joined = ReplaceAll(std::move(joined), "[Down]", " DESC");
    return std::string("ORDER BY ").append(joined);
}

ResultOutcome OpenResultQuery(Query& query, std::span<const std::string> sortItems) {
    try {
        query.Close();
        query.SetFilter({});
        query.SetLines(GroupingQueryLines());
        query.SaveToFile(GroupingQueryFile);

        query.SetFilter({});
        query.SetLines(MainQueryLines());
        // The engine would order by a call-table column of the same name
        // too; only the result columns may be named.
        for (const std::string& item : sortItems)
            if (ResultColumnPosition(SortItemColumn(item)) < 0)
                throw std::invalid_argument(
                    std::string("Open query: ORDER BY names no result column: ").append(item));
        if (std::string orderBy = SortListOrderBy(sortItems); !orderBy.empty())
            query.Lines().push_back(std::move(orderBy));
        query.Open();
    } catch (const std::exception& e) {
        return Failed(query, std::string(ResultFailure::Message), e.what());
    }
    return {};
}

std::string TitleSortOrderBy(std::span<const SortMark> marks) {
    if (marks.empty()) return {};
    std::string line = "ORDER BY ";
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const int position = ResultColumnPosition(marks[i].column);
        if (position < 0)
            throw std::invalid_argument(std::string("no result column ").append(marks[i].column));
        if (i > 0) line.append(", ");
        line.append(std::to_string(position + 1));
        if (marks[i].direction == SortDirection::Descending) line.append(" DESC");
    }
    return line;
}

void ReplaceOrderByLine(std::vector<std::string>& lines, std::string line) {
    for (std::string& existing : lines) {
        if (IsOrderByLine(existing)) {
            existing = std::move(line);
            return;
        }
    }
    lines.push_back(std::move(line));
}

ResultOutcome ReorderResultQuery(Query& query, std::span<const SortMark> marks) {
    try {
        std::string line = TitleSortOrderBy(marks);
        query.Close();
        ReplaceOrderByLine(query.Lines(), std::move(line));
        query.Open();
    } catch (const std::exception& e) {
        return Failed(query, e.what(), e.what());
    }
    return {};
}

} // namespace kestrom
