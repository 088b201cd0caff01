#pragma once

#include "load/PreFilter.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// A condition of SQL with its placeholders ($n) and their values, in
/// placeholder order. The values travel as text parameters, never inside
/// the text.
struct SqlCondition {
    std::string Text;
    std::vector<std::string> Params;
};

/// The condition over the rows of kestrom.calls that keeps exactly the rows
/// PassPreFilter keeps for the records they were written from: the numbers
/// (a missing number B counts as the empty number), the two trunk groups (a
/// missing element counts as group 0), the error code, the time-of-day window
/// and, when asked, successful calls only. The filter must be prepared
/// (PrepareFilter); its exchange is not part of the condition. Placeholders
/// are numbered from firstParam; column names are qualified with qualifier
/// when it is not empty. The condition is never NULL, so it may be negated
/// or joined freely; with no filter on it is TRUE.
SqlCondition PreFilterCondition(const TPreFilter& f, int firstParam = 1,
                                std::string_view qualifier = {});

/// A LIKE pattern that matches the text itself: '\', '%' and '_' are
/// escaped with '\' (LIKE's default escape character).
std::string LikeLiteral(std::string_view text);

} // namespace kestrom
