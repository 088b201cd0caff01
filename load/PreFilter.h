#pragma once

#include "base/DateTime.h"
#include "decode/CallRecord.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The comparison of one list entry with a record's number, in the order of
/// the mode lists of the filter bar.
enum TNumberMatch : int {
    nmEqual = 0,         // "равно"
    nmLike = 1,          // "похож на"
    nmStartsWith = 2,    // "начинается с"
    nmEndsWith = 3,      // "заканч. на"
    nmNotStartsWith = 4, // "не нач. с"
    nmNotEqual = 5,      // "не равно"
    nmNotEndsWith = 6,   // "не заканч. на"
};

/// The preliminary (load-time) filter, refilled by every load.
struct TPreFilter {
    bool NumberAOn = false;
    int NumberAMatch = -1; // item index of the mode list; -1 when none is chosen
    std::string NumberAText;
    int NumberJoin = 0; // 0 "AND", 1 "OR"
    bool NumberBOn = false;
    int NumberBMatch = -1;
    std::string NumberBText;
    bool InTrunkGroupOn = false;
    int InTrunkGroup = 0;
    bool OutTrunkGroupOn = false;
    int OutTrunkGroup = 0;
    bool ErrorCodeOn = false;
    int ErrorCode = 0;
    bool TimeFromOn = false;
    TDateTime TimeFrom = 0;
    bool TimeToOn = false;
    TDateTime TimeTo = 0;
    bool OnlySuccessful = false;
    std::string ExchangeNumber = "*";

    // Derived once per load by PrepareFilter from the texts and times above.
    std::vector<std::string> NumberAList;
    std::vector<std::string> NumberBList;
    std::int64_t TimeFromMs = 0;
    std::int64_t TimeToMs = 0;
};

/// Splits a pattern text at its commas into the entries of a number list.
std::vector<std::string> SplitNumberList(std::string_view text);

/// Fills the derived fields (the two lists, the window bounds) of the filter.
void PrepareFilter(TPreFilter& f);

/// Whether one list entry matches a number in the given mode.
bool MatchNumber(std::string_view number, std::string_view entry, int mode);

bool PassNumbers(const TCallRecord& r, const TPreFilter& f);
bool PassInTrunkGroup(const TCallRecord& r, const TPreFilter& f);
bool PassOutTrunkGroup(const TCallRecord& r, const TPreFilter& f);
bool PassTimeWindow(const TCallRecord& r, const TPreFilter& f);
bool PassSuccessful(const TCallRecord& r, const TPreFilter& f);
bool PassErrorCode(const TCallRecord& r, const TPreFilter& f);

/// The whole filter in its order, stopping at the first predicate that fails;
/// PassSuccessful is asked only when OnlySuccessful is on.
bool PassPreFilter(const TCallRecord& r, const TPreFilter& f);

} // namespace kestrom
