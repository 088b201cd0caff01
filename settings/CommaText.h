#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The items joined by ","; an item that is empty or holds a blank, a control
/// character, a comma or a double quote is put in double quotes with its inner
/// quotes doubled.
std::string JoinCommaText(const std::vector<std::string>& items);

/// The items of a comma text: outside double quotes both commas and blanks
/// separate items; a quoted item may hold anything, "" standing for one quote.
/// Two commas in a row, or one at the end, give an empty item.
std::vector<std::string> SplitCommaText(std::string_view text);

} // namespace kestrom
