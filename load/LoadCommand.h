#pragma once

#include "decode/DateTime.h"
#include "load/DayLoader.h"
#include "load/LoadFrontEnd.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

class Database;

/// The item texts of the two number-mode lists, in item order.
inline constexpr std::array<std::string_view, 7> NumberMatchTexts = {
    "равно", "похож на", "начинается с", "заканч. на", "не нач. с", "не равно", "не заканч. на"};
/// The item texts of the AND/OR list.
inline constexpr std::array<std::string_view, 2> NumberJoinTexts = {"AND", "OR"};

/// What the load command reads from the controls of the filter bar and the
/// period pickers; the window and the console fill the same object.
struct LoadRequest {
    bool NumberAOn = false;        // ToolButton1
    int NumberAMatch = -1;         // ComboBox1 item index
    std::string NumberAText;       // Edit2
    int NumberJoin = 0;            // ComboBox4 item index
    bool NumberBOn = false;        // ToolButton4
    int NumberBMatch = -1;         // ComboBox2 item index
    std::string NumberBText;       // Edit3
    bool InTrunkGroupOn = false;   // ToolButton12
    int InTrunkGroup = 0;          // UpDown2 position
    std::string InTrunkGroupText;  // Edit4 (empty: the number itself)
    bool OutTrunkGroupOn = false;  // ToolButton14
    int OutTrunkGroup = 0;         // UpDown3 position
    std::string OutTrunkGroupText; // Edit5
    bool ErrorCodeOn = false;      // ToolButton20
    int ErrorCode = 0;             // UpDown1 position
    std::string ErrorCodeText;     // Edit1
    bool TimeFromOn = false;       // ToolButton16
    TDateTime TimeFrom = 0;        // DateTimePicker3
    bool TimeToOn = false;         // ToolButton18
    TDateTime TimeTo = 0;          // DateTimePicker4
    bool ExchangeOn = false;       // ToolButton5 "Для АТС №"
    std::string ExchangeText;      // ComboBox3
    bool OnlySuccessful = true;    // CheckBox1 "Только успешные"
    bool AutoOpen = true; // CheckBox3 "Открывать таблицу автоматически"
    std::string AmaFolder;     // ComboBox5
    TDateTime PeriodStart = 0; // DateTimePicker1 (its time of day 00:00)
    TDateTime PeriodEnd = 0;   // DateTimePicker2 (its time of day 23:59)
    /// The window insists on a pressed filter button; the console does not.
    bool RequireFilter = true;
};

/// What became of one run of the load command.
struct LoadOutcome {
    bool Ran = false;        ///< the call table was emptied and loaded
    std::int64_t Loaded = 0; ///< rows stored by this load
    int Days = 0;            ///< days loaded (fewer than asked after a cancel)
    bool Cancelled = false;
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

    /// Runs the command "Начать". Refused (with a message) while a load runs.
    LoadOutcome BitBtn1Click(const LoadRequest& request, LoadFrontEnd& frontEnd);

    /// The cancel button's effect: the running load stops at the next record.
    void MsgMain2() { cancelled_ = true; }

    /// True while a load runs; commands that touch the call table refuse then.
    bool Busy() const { return busy_; }

    /// The message of a command refused because a load runs.
    static constexpr std::string_view BusyMessage = "Идёт загрузка файлов. Дождитесь её окончания.";

    const std::string& PrintStr() const { return printStr_; }
    const std::string& PrintStr1() const { return printStr1_; }
    void SetPrintHeaders(std::string printStr, std::string printStr1);

  private:
    LoadOutcome Run(const LoadRequest& request, LoadFrontEnd& frontEnd);
    void ComposeHeaders(const LoadRequest& request, LoadFrontEnd& frontEnd);

    Database& db_;
    std::string printStr_;
    std::string printStr1_;
    bool cancelled_ = false;
    bool busy_ = false;
};

/// The message of the damaged records of a load, or empty when there were none.
std::string DamageReport(const std::vector<FileDamage>& damaged);

} // namespace kestrom
