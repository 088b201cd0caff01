#include "load/LoadCommand.h"

#include "db/Database.h"
#include "load/CallTable.h"
#include "load/PreFilter.h"

#include <cstdlib>

namespace kestrom {

namespace {

std::string ItemText(std::string_view const* items, std::size_t count, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < count
               ? std::string(items[static_cast<std::size_t>(index)])
               : std::string();
}

std::string OrNumber(const std::string& text, int value) {
    return text.empty() ? std::to_string(value) : text;
}

// The first n characters of a UTF-8 text.
std::string FirstChars(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t chars = 0; i < s.size() && chars < n; ++chars) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            ++i;
    }
    return std::string(s.substr(0, i));
}

bool AnyFilterOn(const LoadRequest& r) {
    return r.NumberAOn || r.NumberBOn || r.InTrunkGroupOn || r.OutTrunkGroupOn || r.TimeFromOn ||
           r.TimeToOn || r.ErrorCodeOn;
}

TPreFilter FilterOf(const LoadRequest& r) {
    TPreFilter f;
    f.NumberAMatch = r.NumberAMatch;
    f.NumberAText = r.NumberAText;
    f.NumberAOn = r.NumberAOn;
    f.NumberJoin = r.NumberJoin;
    f.NumberBMatch = r.NumberBMatch;
    f.NumberBText = r.NumberBText;
    f.NumberBOn = r.NumberBOn;
    f.InTrunkGroupOn = r.InTrunkGroupOn;
    f.InTrunkGroup = r.InTrunkGroup;
    f.OutTrunkGroupOn = r.OutTrunkGroupOn;
    f.OutTrunkGroup = r.OutTrunkGroup;
    f.ErrorCodeOn = r.ErrorCodeOn;
    f.ErrorCode = r.ErrorCode;
    f.TimeFromOn = r.TimeFromOn;
    f.TimeToOn = r.TimeToOn;
    f.TimeFrom = r.TimeFrom;
    f.TimeTo = r.TimeTo;
    f.ExchangeNumber = "*";
    f.OnlySuccessful = r.OnlySuccessful;
    return f;
}

std::string FilterText(const LoadRequest& r, LoadFrontEnd& fe) {
    const auto* modes = NumberMatchTexts.data();
    std::string s = "Фильтры: ";
    if (r.NumberAOn)
        s.append(" Номер_А:")
            .append(ItemText(modes, NumberMatchTexts.size(), r.NumberAMatch))
            .append(" ")
            .append(r.NumberAText)
            .append(".");
    if (r.NumberAOn && r.NumberBOn)
        s.append(" ")
            .append(ItemText(NumberJoinTexts.data(), NumberJoinTexts.size(), r.NumberJoin))
            .append(" ");
    if (r.NumberBOn)
        s.append(" Номер_Б:")
            .append(ItemText(modes, NumberMatchTexts.size(), r.NumberBMatch))
            .append(" ")
            .append(r.NumberBText)
            .append(".");
    if (r.InTrunkGroupOn)
        s.append(" Вх.ТГ:").append(OrNumber(r.InTrunkGroupText, r.InTrunkGroup)).append(".");
    if (r.OutTrunkGroupOn)
        s.append(" Исх.ТГ:").append(OrNumber(r.OutTrunkGroupText, r.OutTrunkGroup)).append(".");
    if (r.ErrorCodeOn)
        s.append(" Код ош.:").append(OrNumber(r.ErrorCodeText, r.ErrorCode)).append(".");
    if (r.TimeFromOn) s.append(" Время с:").append(fe.LongTime(r.TimeFrom)).append(".");
    if (r.TimeToOn) s.append(" Время до:").append(fe.LongTime(r.TimeTo)).append(".");
    return s;
}

// Clears the busy flag however the command ends.
class BusyGuard {
  public:
    explicit BusyGuard(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyGuard() { busy_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

  private:
    bool& busy_;
};

} // namespace

int PeriodDays(TDateTime start, TDateTime end) {
    const std::int64_t span = std::llabs(TotalMs(end) - TotalMs(start));
    return static_cast<int>((span + MsPerDay - 1) / MsPerDay);
}

std::string DamageReport(const std::vector<FileDamage>& damaged) {
    std::uint64_t total = 0;
    for (const FileDamage& f : damaged)
        total += f.Count;
    if (total == 0) return {};
    std::string s = std::string("Пропущено повреждённых записей: ").append(std::to_string(total));
    s.append(".");
    for (const FileDamage& f : damaged)
        s.append("\n").append(f.Name).append(": ").append(std::to_string(f.Count));
    return s;
}

LoadSession::LoadSession(Database& db) : db_(db) {}

void LoadSession::SetPrintHeaders(std::string printStr, std::string printStr1) {
    printStr_ = std::move(printStr);
    printStr1_ = std::move(printStr1);
}

LoadOutcome LoadSession::BitBtn1Click(const LoadRequest& request, LoadFrontEnd& frontEnd) {
    if (busy_) {
        frontEnd.Information(BusyMessage);
        return {};
    }
    BusyGuard guard(busy_);
    return Run(request, frontEnd);
}

LoadOutcome LoadSession::Run(const LoadRequest& r, LoadFrontEnd& fe) {
    LoadOutcome out;
    if (r.RequireFilter && !AnyFilterOn(r)) {
        fe.Information("Не выбран фильтр!");
        return out;
    }
    if (DatePart(r.PeriodEnd) < DatePart(r.PeriodStart)) {
        fe.Information("Дата окончания периода раньше даты начала!");
        return out;
    }
    if (r.AmaFolder.empty()) {
        fe.Information("Не указан путь к файлам *.AMA!");
        out.OpenResult = r.AutoOpen;
        return out;
    }

    EmptyCallTable(db_);
    fe.SetResultAttached(false);
    TDateTime day = r.PeriodStart;
    std::string printStr = std::string("Выборка данных начиная с ")
                               .append(fe.ShortDate(r.PeriodStart))
                               .append(" по ")
                               .append(fe.ShortDate(r.PeriodEnd))
                               .append(".");
    const int days = PeriodDays(r.PeriodStart, r.PeriodEnd);
    TPreFilter filter = FilterOf(r);
    std::string printStr1 = FilterText(r, fe);
    if (r.ExchangeOn && !r.ExchangeText.empty()) {
        filter.ExchangeNumber = FirstChars(r.ExchangeText, 10);
        printStr.append(" АТС №: ").append(filter.ExchangeNumber).append(".");
    }
    printStr_ = std::move(printStr);
    printStr1_ = std::move(printStr1);
    fe.SavePrintHeaders(printStr_, printStr1_);
    PrepareFilter(filter);
    const std::string amaPath = r.AmaFolder;

    CallTable table(db_, fe, fe.Yield());
    table.OpenCallTable();
    cancelled_ = false;
    DayLoader loader(fe, table, filter, cancelled_);
    for (int i = 0; i < days; ++i) {
        DayOutcome d = loader.LoadDayFiles(amaPath, filter.ExchangeNumber, day);
        out.Loaded += d.Rows;
        out.Stats += d.Stats;
        out.Damaged.insert(out.Damaged.end(), d.Damaged.begin(), d.Damaged.end());
        ++out.Days;
        if (cancelled_) {
            out.Cancelled = true;
            break;
        }
        day += 1;
    }
    cancelled_ = false;
    fe.SetResultAttached(true);
    table.CloseCallTable();
    out.Ran = true;
    if (const std::string report = DamageReport(out.Damaged); !report.empty())
        fe.Information(report);
    out.OpenResult = r.AutoOpen;
    return out;
}

} // namespace kestrom
