#include "settings/IniText.h"

#include <vector>

namespace kestrom {

namespace {

constexpr std::string_view Blanks = " \t";

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(Blanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(Blanks) - first + 1);
}

// Upper case of a Latin or Windows-1251 Cyrillic letter; other bytes as they are.
unsigned char FoldCase(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<unsigned char>(b - 32);
    if (b >= 0xE0) return static_cast<unsigned char>(b - 32); // а..я
    if (b == 0xB8) return 0xA8;                               // ё
    return b;
}

struct Line {
    std::size_t begin = 0; // first byte of the content
    std::size_t end = 0;   // end of the content, where the line break starts
    std::size_t next = 0;  // first byte of the next line
};

std::vector<Line> SplitIntoLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        Line line{pos, text.find_first_of("\r\n", pos), 0};
        if (line.end == std::string_view::npos) line.end = text.size();
        line.next = line.end;
        if (line.next < text.size() && text[line.next++] == '\r' && line.next < text.size() &&
            text[line.next] == '\n')
            ++line.next;
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

std::string_view Content(std::string_view text, const Line& line) {
    return text.substr(line.begin, line.end - line.begin);
}

// The name of a "[section]" line, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view content) {
    content = Trim(content);
    if (content.empty() || content.front() != '[') return std::nullopt;
    content.remove_prefix(1);
    return Trim(content.substr(0, content.find(']')));
}

struct KeyLine {
    std::string_view name;
    std::size_t valueOffset = 0; // offset of the byte after "=" in the content
};

std::optional<KeyLine> ParseKeyLine(std::string_view content) {
    const std::string_view trimmed = Trim(content);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{Trim(content.substr(0, eq)), eq + 1};
}

std::optional<std::size_t> FindSection(std::string_view text, const std::vector<Line>& lines,
                                       std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(Content(text, lines[i]));
        if (name && SameIniName(*name, section)) return i;
    }
    return std::nullopt;
}

// The lines of the section whose header is at index header: [header + 1, end).
std::size_t SectionEnd(std::string_view text, const std::vector<Line>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && !SectionName(Content(text, lines[i])))
        ++i;
    return i;
}

struct FoundKey {
    std::size_t line = 0;
    std::size_t valueOffset = 0;
};

std::optional<FoundKey> FindKey(std::string_view text, const std::vector<Line>& lines,
                                std::size_t header, std::string_view key) {
    const std::size_t end = SectionEnd(text, lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto parsed = ParseKeyLine(Content(text, lines[i]));
        if (parsed && SameIniName(parsed->name, key)) return FoundKey{i, parsed->valueOffset};
    }
    return std::nullopt;
}

std::string OneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string KeyLineText(std::string_view key, std::string_view value) {
    std::string out(key);
    out.append("=").append(OneLine(value)).append("\r\n");
    return out;
}

std::string AppendSection(std::string_view text, const std::vector<Line>& lines,
                          std::string_view section, std::string_view key, std::string_view value) {
    std::string out(text);
    if (!lines.empty()) {
        const Line& last = lines.back();
        if (last.next == last.end) out.append("\r\n");
        if (!Trim(Content(text, last)).empty()) out.append("\r\n");
    }
    out.append("[").append(section).append("]\r\n").append(KeyLineText(key, value));
    return out;
}

std::string InsertKey(std::string_view text, const std::vector<Line>& lines, std::size_t header,
                      std::string_view key, std::string_view value) {
    std::size_t after = header;
    const std::size_t end = SectionEnd(text, lines, header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (!Trim(Content(text, lines[i])).empty()) after = i;
    const Line& line = lines[after];
    std::string out(text.substr(0, line.next));
    if (line.next == line.end) out.append("\r\n");
    out.append(KeyLineText(key, value)).append(text.substr(line.next));
    return out;
}

} // namespace

bool SameIniName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const std::vector<Line> lines = SplitIntoLines(text);
    const auto header = FindSection(text, lines, section);
    if (!header) return std::nullopt;
    const auto found = FindKey(text, lines, *header, key);
    if (!found) return std::nullopt;
    return std::string(Trim(Content(text, lines[found->line]).substr(found->valueOffset)));
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    const std::vector<Line> lines = SplitIntoLines(text);
    const auto header = FindSection(text, lines, section);
    if (!header) return AppendSection(text, lines, section, key, value);
    const auto found = FindKey(text, lines, *header, key);
    if (!found) return InsertKey(text, lines, *header, key, value);
    const Line& line = lines[found->line];
    std::string out(text.substr(0, line.begin + found->valueOffset));
    out.append(OneLine(value)).append(text.substr(line.end));
    return out;
}

} // namespace kestrom
