#include "load/DaySearch.h"

#include "load/SystemErrorText.h"

#include <cctype>
#include <cstdio>
#include <system_error>

namespace kestrom {

namespace {

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

bool EndsWithSeparator(std::string_view folder) {
    return !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
}

} // namespace

std::string DayText(TDateTime day) {
    const CivilDate d = CivilFromDays(DatePart(day));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
    return buf;
}

std::string FolderWithSeparator(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && !EndsWithSeparator(out))
        out += static_cast<char>(std::filesystem::path::preferred_separator);
    return out;
}

std::string DayPattern(std::string_view exchange, TDateTime day) {
    std::string pattern(exchange.empty() ? std::string_view("*") : exchange);
    pattern.append(DayText(day));
    pattern.append("*.ama");
    return pattern;
}

bool NameMatches(std::string_view pattern, std::string_view name) {
    // Greedy match with a single backtrack point: the last "*" seen.
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || SameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<FoundFile> SearchFiles(const std::filesystem::path& folder, std::string_view pattern) {
    std::vector<FoundFile> found;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!NameMatches(pattern, name)) continue;
        std::error_code sizeError;
        const bool regular = it->is_regular_file(sizeError);
        const std::uintmax_t size = regular ? it->file_size(sizeError) : 0;
        found.push_back({name, sizeError ? 0 : static_cast<std::int64_t>(size), regular});
    }
    return found;
}

std::string FolderAccessError(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (!ec) return {};
    if (ec == std::errc::no_such_file_or_directory) return {};
    return ec.category() == std::generic_category() || ec.category() == std::system_category()
               ? SystemErrorText(ec.value())
               : ec.message();
}

} // namespace kestrom
