#include "console/ConsoleFrontEnd.h"

#include <iostream>
#include <string>

namespace kestrom {

void ConsoleFrontEnd::Information(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c == '\r') c = '\n';
    std::cerr << s << "\n";
}

} // namespace kestrom
