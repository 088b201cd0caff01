#include "load/PreFilter.h"

#include <algorithm>

namespace kestrom {

namespace {

// Blanks around a list entry carry no meaning: "100, 200" asks for 100 and 200.
constexpr std::string_view Blanks = " \t\r\n\v\f";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(Blanks);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(Blanks);
    return s.substr(first, last - first + 1);
}

bool IsNumberMode(int mode) {
    return mode >= nmEqual && mode <= nmNotEndsWith;
}
bool IsNegativeMode(int mode) {
    return mode >= nmNotStartsWith && mode <= nmNotEndsWith;
}

// One number side. A positive mode passes when some entry matches, a negative
// one only when every entry matches (the number avoids all of them). The list
// comes from PrepareFilter and therefore always holds at least one entry.
bool PassSide(std::string_view number, const std::vector<std::string>& list, int mode) {
    if (!IsNumberMode(mode)) return false;
    const auto matches = [&](const std::string& entry) { return MatchNumber(number, entry, mode); };
    if (IsNegativeMode(mode)) return std::all_of(list.begin(), list.end(), matches);
    return std::any_of(list.begin(), list.end(), matches);
}

} // namespace

// The text is cut at every comma and each piece is trimmed. Empty pieces are
// dropped as long as another piece is left; a text with nothing but blanks and
// commas ("", "  ", ",,") gives a single empty entry, so that every list has at
// least one entry and an empty filter text behaves the same however it is typed.
std::vector<std::string> SplitNumberList(std::string_view text) {
    std::vector<std::string> list;
    std::size_t start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        const auto piece = Trim(text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (!piece.empty()) list.emplace_back(piece);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (list.empty()) list.emplace_back();
    return list;
}

void PrepareFilter(TPreFilter& f) {
    f.NumberAList = SplitNumberList(f.NumberAText);
    f.NumberBList = SplitNumberList(f.NumberBText);
    // Only the time of day of the pickers counts, never their date.
    f.TimeFromMs = TimeOfDayMs(f.TimeFrom);
    f.TimeToMs = TimeOfDayMs(f.TimeTo);
}

// An empty entry occurs nowhere and nothing occurs in an empty number; the
// negative modes are the exact complements of their positive counterparts.
bool MatchNumber(std::string_view number, std::string_view entry, int mode) {
    switch (mode) {
    case nmEqual:
        return number == entry;
    case nmLike:
        return !entry.empty() && number.find(entry) != std::string_view::npos;
    case nmStartsWith:
        return !entry.empty() && number.starts_with(entry);
    case nmEndsWith:
        return !entry.empty() && number.ends_with(entry);
    case nmNotStartsWith:
        return entry.empty() || !number.starts_with(entry);
    case nmNotEqual:
        return number != entry;
    case nmNotEndsWith:
        return entry.empty() || !number.ends_with(entry);
    default:
        return false;
    }
}

bool PassNumbers(const TCallRecord& r, const TPreFilter& f) {
    if (!f.NumberAOn && !f.NumberBOn) return true;
    if (f.NumberAOn && !f.NumberBOn)
        return PassSide(r.Owner_N.view(), f.NumberAList, f.NumberAMatch);
    if (f.NumberBOn && !f.NumberAOn)
        return PassSide(r.Partner_N.view(), f.NumberBList, f.NumberBMatch);

    if (!IsNumberMode(f.NumberAMatch) || !IsNumberMode(f.NumberBMatch)) return false;
    const bool a = PassSide(r.Owner_N.view(), f.NumberAList, f.NumberAMatch);
    const bool b = PassSide(r.Partner_N.view(), f.NumberBList, f.NumberBMatch);
    switch (f.NumberJoin) {
    case 0:
        return a && b;
    case 1:
        return a || b;
    default:
        return false;
    }
}

bool PassInTrunkGroup(const TCallRecord& r, const TPreFilter& f) {
    return !f.InTrunkGroupOn || r.In_Tr_Gr_ID == f.InTrunkGroup;
}

bool PassOutTrunkGroup(const TCallRecord& r, const TPreFilter& f) {
    return !f.OutTrunkGroupOn || r.Out_Tr_Gr_ID == f.OutTrunkGroup;
}

// Bounds are inclusive. A window whose start lies after its end spans midnight:
// 22:00 to 02:00 keeps the late evening and the early morning.
bool PassTimeWindow(const TCallRecord& r, const TPreFilter& f) {
    if (!f.TimeFromOn && !f.TimeToOn) return true;
    const std::int64_t t = TimeOfDayMs(r.Start_T);
    if (!f.TimeToOn) return f.TimeFromMs <= t;
    if (!f.TimeFromOn) return t <= f.TimeToMs;
    if (f.TimeFromMs <= f.TimeToMs) return f.TimeFromMs <= t && t <= f.TimeToMs;
    return f.TimeFromMs <= t || t <= f.TimeToMs;
}

bool PassSuccessful(const TCallRecord& r, const TPreFilter& /*f*/) {
    return r.F4 == 1;
}

bool PassErrorCode(const TCallRecord& r, const TPreFilter& f) {
    return !f.ErrorCodeOn || r.Couse_121 == f.ErrorCode;
}

bool PassPreFilter(const TCallRecord& r, const TPreFilter& f) {
    return PassNumbers(r, f) && PassInTrunkGroup(r, f) && PassOutTrunkGroup(r, f) &&
           PassTimeWindow(r, f) && (!f.OnlySuccessful || PassSuccessful(r, f)) &&
           PassErrorCode(r, f);
}

} // namespace kestrom
