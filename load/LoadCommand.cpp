#include "load/LoadCommand.h"

#include "db/Database.h"
#include "load/ArchiveSource.h"
#include "load/CallTable.h"
#include "load/DaySearch.h"
#include "load/PreFilter.h"

#include <cstdlib>

namespace kestrom {

namespace {

std::string ItemText(std::string_view const* items, std::size_t count, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < count
               ? std::string(items[static_cast<std::size_t>(index)])
               : std::string();
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

std::string FilterText(const TPreFilter& r, LoadFrontEnd& fe) {
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
    if (r.InTrunkGroupOn) s.append(" Вх.ТГ:").append(std::to_string(r.InTrunkGroup)).append(".");
    if (r.OutTrunkGroupOn) s.append(" Исх.ТГ:").append(std::to_string(r.OutTrunkGroup)).append(".");
    if (r.ErrorCodeOn) s.append(" Код ош.:").append(std::to_string(r.ErrorCode)).append(".");
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

// The exchange of the file names: the first 10 characters of the one asked
// for, or "*" for every exchange.
std::string ExchangeOf(const TPreFilter& f) {
    return f.ExchangeNumber.empty() ? std::string("*") : FirstChars(f.ExchangeNumber, 10);
}

} // namespace

bool AnyFilterOn(const TPreFilter& f) {
    return f.NumberAOn || f.NumberBOn || f.InTrunkGroupOn || f.OutTrunkGroupOn || f.TimeFromOn ||
           f.TimeToOn || f.ErrorCodeOn;
}

int PeriodDays(TDateTime start, TDateTime end) {
    const std::int64_t span = std::llabs(TotalMs(end) - TotalMs(start));
    return static_cast<int>((span + MsPerDay - 1) / MsPerDay);
}

std::string DamageReport(const std::vector<FileDamage>& damaged) {
    std::uint64_t total = 0;
    for (const FileDamage& f : damaged)
        total += f.Count;
    std::string s;
    if (total != 0)
        s.append("Пропущено повреждённых записей: ").append(std::to_string(total)).append(".");
    auto line = [&s](const std::string& name) -> std::string& {
        if (!s.empty()) s.append("\n");
        return s.append(name).append(": ");
    };
    for (const FileDamage& f : damaged) {
        if (f.Count != 0) line(f.Name).append(std::to_string(f.Count));
        if (f.NotRegular) line(f.Name).append("не обычный файл, пропущен");
        if (f.ShortLastRecord >= 0)
            line(f.Name)
                .append("файл, возможно, обрезан: последняя запись (смещение ")
                .append(std::to_string(f.ShortLastRecord))
                .append(") короче длины, указанной в её заголовке");
    }
    return s;
}

LoadSession::LoadSession(Database& db) : db_(db) {}

void LoadSession::SetPrintHeaders(std::string printStr, std::string printStr1) {
    printStr_ = std::move(printStr);
    printStr1_ = std::move(printStr1);
}

LoadOutcome LoadSession::Run(const LoadRequest& request, LoadFrontEnd& frontEnd) {
    if (busy_) {
        frontEnd.Information(BusyMessage);
        return {};
    }
    BusyGuard guard(busy_);
    return Load(request, frontEnd);
}

LoadOutcome LoadSession::Load(const LoadRequest& r, LoadFrontEnd& fe) {
    LoadOutcome out;
    const LoadPeriod& period = r.Period;
    if (r.RequireFilter && !AnyFilterOn(r.Filter)) {
        fe.Information("Не выбран фильтр!");
        return out;
    }
    if (DatePart(period.End) < DatePart(period.Start)) {
        fe.Information("Дата окончания периода раньше даты начала!");
        return out;
    }
    if (!SourceReady(r, fe, out)) return out;

    fe.LoadStarting();
    if (const std::string recreated = EmptyCallTable(db_); !recreated.empty()) {
        out.TableRecreated = true;
        fe.Information(recreated);
    }
    fe.SetResultAttached(false);
    std::string printStr = std::string("Выборка данных начиная с ")
                               .append(fe.ShortDate(period.Start))
                               .append(" по ")
                               .append(fe.ShortDate(period.End))
                               .append(".");
    TPreFilter filter = r.Filter;
    filter.ExchangeNumber = ExchangeOf(r.Filter);
    if (filter.ExchangeNumber != "*")
        printStr.append(" АТС №: ").append(filter.ExchangeNumber).append(".");
    printStr_ = std::move(printStr);
    printStr1_ = FilterText(filter, fe);
    fe.SavePrintHeaders(printStr_, printStr1_);
    PrepareFilter(filter);

    CallTable table(db_, fe, fe.Yield());
    table.OpenCallTable();
    cancelled_ = false;
    if (!LoadDays(r, filter, table, fe, out)) table.BreakOff();
    cancelled_ = false;
    fe.SetResultAttached(true);
    out.End = table.CloseCallTable(out.Cancelled);
    // A full disk may have taken rows not yet committed with it.
    out.Loaded = table.RowCounter() - 1;
    out.Ran = true;
    if (const std::string report = DamageReport(out.Damaged); !report.empty())
        fe.Information(report);
    out.OpenResult = r.AutoOpen;
    return out;
}

// The AMA folder, or the archive, can be used: otherwise the user is told
// why and the call table is not touched.
bool LoadSession::SourceReady(const LoadRequest& r, LoadFrontEnd& fe, LoadOutcome& out) {
    if (r.Archive != nullptr) {
        fe.SetBusyCursor(true);
        const std::string why = r.Archive->Connect();
        fe.SetBusyCursor(false);
        if (!why.empty()) fe.Information(why);
        return why.empty();
    }
    const std::string& folder = r.Period.AmaFolder;
    if (folder.empty()) {
        fe.Information("Не указан путь к файлам *.AMA!");
        out.OpenResult = r.AutoOpen;
        return false;
    }
    if (const std::string why = FolderAccessError(folder); !why.empty()) {
        fe.Information(std::string("Нет доступа к папке ")
                           .append(folder)
                           .append(": ")
                           .append(why)
                           .append("."));
        return false;
    }
    return true;
}

// The days of the period, one after the other, from the folder or the
// archive, until the last or a cancel. False when the archive failed and the
// load broke off.
bool LoadSession::LoadDays(const LoadRequest& r, const TPreFilter& filter, CallTable& table,
                           LoadFrontEnd& fe, LoadOutcome& out) {
    DayLoader loader(fe, table, filter, cancelled_);
    TDateTime day = r.Period.Start;
    const int days = PeriodDays(r.Period.Start, r.Period.End);
    for (int i = 0; i < days; ++i) {
        if (r.Archive != nullptr) {
            const ArchiveSource::DayCopy copy =
                r.Archive->CopyDay(filter, day, table, fe, cancelled_);
            out.Loaded += copy.Rows;
            out.Damaged.insert(out.Damaged.end(), copy.Damaged.begin(), copy.Damaged.end());
            if (!copy.Error.empty()) {
                fe.Information(copy.Error);
                return false;
            }
            if (!copy.Found)
                fe.NoFilesForDay(
                    std::string("Файлы за ").append(fe.ShortDate(day)).append(" не найдены!"));
        } else {
            DayOutcome d = loader.LoadDayFiles(r.Period.AmaFolder, filter.ExchangeNumber, day);
            out.Loaded += d.Rows;
            out.Stats += d.Stats;
            out.Damaged.insert(out.Damaged.end(), d.Damaged.begin(), d.Damaged.end());
        }
        ++out.Days;
        if (cancelled_) {
            out.Cancelled = true;
            break;
        }
        day += 1;
    }
    return true;
}

} // namespace kestrom
