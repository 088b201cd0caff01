#include "settings/LineFile.h"

#include "base/Cp1251.h"
#include "settings/SettingsError.h"
#include "settings/WholeFile.h"

namespace kestrom {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t brk = text.find_first_of("\r\n", pos);
        if (brk == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, brk - pos));
        pos = brk + 1;
        if (text[brk] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

std::optional<std::vector<std::string>> ReadLineFile(const std::string& fileName) {
    std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) return std::nullopt;
    std::vector<std::string> lines = SplitLines(*bytes);
    for (std::string& line : lines)
        line = Cp1251ToUtf8(line);
    return lines;
}

void WriteLineFile(const std::string& fileName, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes.append(Utf8ToCp1251(line)).append("\r\n");
    if (const std::error_code error = ReplaceWholeFile(fileName, bytes)) {
        std::string message = "Cannot create file \"";
        message.append(fileName).append("\". ").append(error.message());
        throw SettingsError(message);
    }
}

} // namespace kestrom
