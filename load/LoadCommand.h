#pragma once

#include "base/DateTime.h"
#include "load/CallTable.h"
#include "load/DayLoader.h"
#include "load/LoadFrontEnd.h"
#include "load/PreFilter.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

class ArchiveSource;
class Database;

/// The item texts of the two number-mode lists, in item order.
inline constexpr std::array<std::string_view, 7> NumberMatchTexts = {
    "равно", "похож на", "начинается с", "заканч. на", "не нач. с", "не равно", "не заканч. на"};
/// The item texts of the AND/OR list.
inline constexpr std::array<std::string_view, 2> NumberJoinTexts = {"AND", "OR"};

/// The days of a load and the folder their files lie in (unused when the
/// rows come from an archive).
struct LoadPeriod {
    std::string AmaFolder;
    TDateTime Start = 0; ///< the first day (its time of day 00:00)
    TDateTime End = 0;   ///< the last day (its time of day 23:59)
};

/// Everything one load needs: the filter, the period, and two options. The
/// window and the console fill the same object. The filter's ExchangeNumber
/// is the exchange asked for ("*" or empty for every exchange); the load cuts
/// it to 10 characters.
struct LoadRequest {
    TPreFilter Filter;
    LoadPeriod Period;
    /// The caller opens the result query after the load.
    bool AutoOpen = true;
    /// The window insists on at least one switched-on filter; the console does not.
    bool RequireFilter = true;
    /// When set, the rows come from this archive instead of the AMA folder:
    /// it is connected before the call table is touched, and a failure to
    /// connect ends the load with the table as it was.
    ArchiveSource* Archive = nullptr;
};

/// Whether any filter of the request is switched on ("Только успешные" and
/// the exchange do not count).
bool AnyFilterOn(const TPreFilter& f);

/// What became of one run of the load command.
struct LoadOutcome {
    bool Ran = false;        ///< the call table was emptied and loaded
    std::int64_t Loaded = 0; ///< rows stored by this load
    int Days = 0;            ///< days loaded (fewer than asked after a cancel)
    bool Cancelled = false;
    /// How the load ended, as the call table records it.
    LoadEnd End = LoadEnd::Finished;
    /// The table file was damaged: moved aside and created anew (and said so).
    bool TableRecreated = false;
    bool OpenResult = false; ///< the caller opens the result query now
    std::vector<FileDamage> Damaged;
    DecodeStats Stats;
};

/// The number of days a period covers: the distance between the two picker
/// values, rounded up to whole days (2.0 gives 2, 2.0007 gives 3, 0 gives 0).
int PeriodDays(TDateTime start, TDateTime end);

/// The load command and the state that lives from one load to the next: the
/// two print header lines, the cancel flag and the guard that lets only one
/// load run at a time.
class LoadSession {
  public:
    explicit LoadSession(Database& db);

    /// Runs one load. Refused (with a message) while a load runs.
    LoadOutcome Run(const LoadRequest& request, LoadFrontEnd& frontEnd);

    /// Cancels the running load: it stops at the next record boundary.
    void Cancel() { cancelled_ = true; }

    /// True while a load runs; commands that touch the call table refuse then.
    bool Busy() const { return busy_; }

    /// The message of a command refused because a load runs.
    static constexpr std::string_view BusyMessage = "Идёт загрузка файлов. Дождитесь её окончания.";

    const std::string& PrintStr() const { return printStr_; }
    const std::string& PrintStr1() const { return printStr1_; }
    void SetPrintHeaders(std::string printStr, std::string printStr1);

  private:
    LoadOutcome Load(const LoadRequest& request, LoadFrontEnd& frontEnd);
    bool SourceReady(const LoadRequest& request, LoadFrontEnd& frontEnd, LoadOutcome& out);
    bool LoadDays(const LoadRequest& request, const TPreFilter& filter, CallTable& table,
                  LoadFrontEnd& frontEnd, LoadOutcome& out);

    Database& db_;
    std::string printStr_;
    std::string printStr1_;
    bool cancelled_ = false;
    bool busy_ = false;
};

/// The message of the damaged records of a load, or empty when there were none.
std::string DamageReport(const std::vector<FileDamage>& damaged);

} // namespace kestrom
