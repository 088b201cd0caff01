#include "archive/ArchiveQuery.h"

#include "archive/ArchiveText.h"

#include <cstdio>

namespace kestrom {

namespace {

constexpr std::string_view True = "TRUE";
constexpr std::string_view False = "FALSE";

bool IsNumberMode(int mode) {
    return mode >= nmEqual && mode <= nmNotEndsWith;
}
bool IsNegativeMode(int mode) {
    return mode >= nmNotStartsWith && mode <= nmNotEndsWith;
}

std::string TimeText(std::int64_t ms) {
    const TimeOfDay t = TimeFromMs(ms);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", t.hour, t.minute, t.second,
                  t.millisecond);
    return buf;
}

// Joins conditions with AND or OR. The neutral constant (TRUE in an AND,
// FALSE in an OR) is left out; everything else stays, so that every
// placeholder handed out is used in the text.
class Junction {
  public:
    explicit Junction(bool all) : all_(all) {}

    void Add(const std::string& condition) {
        if (condition != (all_ ? True : False)) parts_.push_back(condition);
    }

    std::string Text() const {
        if (parts_.empty()) return std::string(all_ ? True : False);
        if (parts_.size() == 1) return parts_.front();
        std::string s = "(";
        for (std::size_t i = 0; i < parts_.size(); ++i)
            s.append(i == 0 ? "" : all_ ? " AND " : " OR ").append(parts_[i]);
        return s.append(")");
    }

  private:
    bool all_;
    std::vector<std::string> parts_;
};

class ConditionBuilder {
  public:
    ConditionBuilder(int firstParam, std::string_view qualifier)
        : next_(firstParam), qualifier_(qualifier) {}

    std::string Column(std::string_view name) const {
        std::string s;
        if (!qualifier_.empty()) s.append(qualifier_).append(".");
        return s.append("\"").append(name).append("\"");
    }

    // A placeholder for the value, with the cast when one is given.
    std::string Param(std::string value, std::string_view cast) {
        params_.push_back(std::move(value));
        return "$" + std::to_string(next_++) + "::" + std::string(cast);
    }

    std::vector<std::string> TakeParams() { return std::move(params_); }

  private:
    int next_;
    std::string qualifier_;
    std::vector<std::string> params_;
};

// One list entry against a number column whose value is never NULL; the
// constants where the entry alone decides. Prefix searches are written as
// LIKE with a fixed start so that the number indexes serve them.
std::string EntryMatch(ConditionBuilder& b, const std::string& column, const std::string& entry,
                       int mode) {
    if (!IsArchiveUtf8(entry))
        // No text value can hold it, and no stored number (digits, '*' and
        // '#') holds any part of it.
        return std::string(IsNegativeMode(mode) ? True : False);
    switch (mode) {
    case nmEqual:
        return column + " = " + b.Param(entry, "text");
    case nmNotEqual:
        return column + " <> " + b.Param(entry, "text");
    case nmLike:
        if (entry.empty()) return std::string(False);
        return "strpos(" + column + ", " + b.Param(entry, "text") + ") > 0";
    case nmStartsWith:
        if (entry.empty()) return std::string(False);
        return column + " LIKE " + b.Param(LikeLiteral(entry) + "%", "text");
    case nmNotStartsWith:
        if (entry.empty()) return std::string(True);
        return column + " NOT LIKE " + b.Param(LikeLiteral(entry) + "%", "text");
    case nmEndsWith:
        if (entry.empty()) return std::string(False);
        return column + " LIKE " + b.Param("%" + LikeLiteral(entry), "text");
    case nmNotEndsWith:
        if (entry.empty()) return std::string(True);
        return column + " NOT LIKE " + b.Param("%" + LikeLiteral(entry), "text");
    default:
        return std::string(False);
    }
}

// One list entry against a number; a NULL column holds the empty number
// (number B of a record without element 100).
std::string EntryCondition(ConditionBuilder& b, const std::string& column, bool nullable,
                           const std::string& entry, int mode) {
    const std::string match = EntryMatch(b, column, entry, mode);
    if (!nullable || match == True || match == False) return match;
    if (MatchNumber("", entry, mode)) return "(" + column + " IS NULL OR " + match + ")";
    return "(" + column + " IS NOT NULL AND " + match + ")";
}

// A positive mode keeps a number that matches some entry, a negative one a
// number that matches every entry.
std::string SideCondition(ConditionBuilder& b, std::string_view name, bool nullable,
                          const std::vector<std::string>& list, int mode) {
    if (!IsNumberMode(mode)) return std::string(False);
    const std::string column = b.Column(name);
    Junction side(IsNegativeMode(mode));
    for (const std::string& entry : list)
        side.Add(EntryCondition(b, column, nullable, entry, mode));
    return side.Text();
}

std::string NumbersCondition(ConditionBuilder& b, const TPreFilter& f) {
    const auto a = [&] {
        return SideCondition(b, "Owner_N", false, f.NumberAList, f.NumberAMatch);
    };
    const auto bSide = [&] {
        return SideCondition(b, "Partner_N", true, f.NumberBList, f.NumberBMatch);
    };
    if (!f.NumberAOn && !f.NumberBOn) return std::string(True);
    if (!f.NumberBOn) return a();
    if (!f.NumberAOn) return bSide();
    if (!IsNumberMode(f.NumberAMatch) || !IsNumberMode(f.NumberBMatch)) return std::string(False);
    if (f.NumberJoin != 0 && f.NumberJoin != 1) return std::string(False);
    Junction join(f.NumberJoin == 0);
    join.Add(a());
    join.Add(bSide());
    return join.Text();
}

// A record without the trunk element has group 0; the table holds NULL.
std::string TrunkGroupCondition(ConditionBuilder& b, std::string_view name, int group) {
    const std::string column = b.Column(name);
    if (group == 0) return "(" + column + " IS NULL OR " + column + " = 0)";
    return "(" + column + " IS NOT NULL AND " + column + " = " +
           b.Param(std::to_string(group), "integer") + ")";
}

// Bounds are inclusive; a start after the end spans midnight.
std::string TimeWindowCondition(ConditionBuilder& b, const TPreFilter& f) {
    const std::string column = b.Column("Start_T");
    const auto from = [&] { return column + " >= " + b.Param(TimeText(f.TimeFromMs), "time"); };
    const auto to = [&] { return column + " <= " + b.Param(TimeText(f.TimeToMs), "time"); };
    if (!f.TimeFromOn && !f.TimeToOn) return std::string(True);
    if (!f.TimeToOn) return from();
    if (!f.TimeFromOn) return to();
    const bool wraps = f.TimeFromMs > f.TimeToMs;
    const std::string lower = from();
    const std::string upper = to();
    return "(" + lower + (wraps ? " OR " : " AND ") + upper + ")";
}

} // namespace

std::string LikeLiteral(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '%' || c == '_') s.push_back('\\');
        s.push_back(c);
    }
    return s;
}

SqlCondition PreFilterCondition(const TPreFilter& f, int firstParam, std::string_view qualifier) {
    ConditionBuilder b(firstParam, qualifier);
    Junction all(true);
    all.Add(NumbersCondition(b, f));
    if (f.InTrunkGroupOn) all.Add(TrunkGroupCondition(b, "In_Tr_Gr_ID", f.InTrunkGroup));
    if (f.OutTrunkGroupOn) all.Add(TrunkGroupCondition(b, "Out_Tr_Gr_ID", f.OutTrunkGroup));
    all.Add(TimeWindowCondition(b, f));
    if (f.OnlySuccessful) all.Add(b.Column("F4") + " = 1");
    if (f.ErrorCodeOn)
        all.Add(b.Column("121_Couse") + " = " + b.Param(std::to_string(f.ErrorCode), "integer"));
    return {all.Text(), b.TakeParams()};
}

} // namespace kestrom
