#include "settings/CommaText.h"

namespace kestrom {

namespace {

// Blanks and control characters; bytes of UTF-8 sequences are not among them.
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool NeedsQuotes(std::string_view item) {
    if (item.empty()) return true;
    for (const char c : item)
        if (IsBlank(c) || c == ',' || c == '"') return true;
    return false;
}

void AppendQuoted(std::string& out, std::string_view item) {
    out.push_back('"');
    for (const char c : item) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    return pos;
}

// The quoted item starting at the quote at pos; pos ends after its closing
// quote (or at the end of an unclosed one).
std::string TakeQuoted(std::string_view text, std::size_t& pos) {
    std::string item;
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c != '"') {
            item.push_back(c);
        } else if (pos < text.size() && text[pos] == '"') {
            item.push_back('"');
            ++pos;
        } else {
            break;
        }
    }
    return item;
}

std::string TakePlain(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != ',')
        ++pos;
    return std::string(text.substr(start, pos - start));
}

} // namespace

std::string JoinCommaText(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out.push_back(',');
        if (NeedsQuotes(items[i]))
            AppendQuoted(out, items[i]);
        else
            out.append(items[i]);
    }
    return out;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    std::size_t pos = SkipBlanks(text, 0);
    while (pos < text.size()) {
        items.push_back(text[pos] == '"' ? TakeQuoted(text, pos) : TakePlain(text, pos));
        pos = SkipBlanks(text, pos);
        if (pos < text.size() && text[pos] == ',') {
            if (pos + 1 == text.size()) items.emplace_back();
            pos = SkipBlanks(text, pos + 1);
        }
    }
    return items;
}

} // namespace kestrom
