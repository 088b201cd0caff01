#include "results/CaseFold.h"

namespace kestrom {

namespace {

// The lead byte of U+0400 to U+043F and of U+0440 to U+047F.
constexpr unsigned char LeadD0 = 0xD0;
constexpr unsigned char LeadD1 = 0xD1;

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

void FoldLetterCase(char* text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            text[i] = static_cast<char>(c + ('a' - 'A'));
            continue;
        }
        if (c != LeadD0 || i + 1 >= size) continue;
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (next >= 0x80 && next <= 0x8F) { // Ѐ-Џ -> ѐ-џ (D1 90-9F)
            text[i] = static_cast<char>(LeadD1);
            text[i + 1] = static_cast<char>(next + 0x10);
        } else if (next >= 0x90 && next <= 0x9F) { // А-П -> а-п (D0 B0-BF)
            text[i + 1] = static_cast<char>(next + 0x20);
        } else if (next >= 0xA0 && next <= 0xAF) { // Р-Я -> р-я (D1 80-8F)
            text[i] = static_cast<char>(LeadD1);
            text[i + 1] = static_cast<char>(next - 0x20);
        }
        ++i;
    }
}

void FoldLetterCase(std::string& text) {
    FoldLetterCase(text.data(), text.size());
}

bool HasCasedLetter(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsAsciiLetter(c)) return true;
        if ((c != LeadD0 && c != LeadD1) || i + 1 >= text.size()) continue;
        const auto next = static_cast<unsigned char>(text[i + 1]);
        // U+0400 to U+045F: the capitals, the small letters and Ё/ё's kin.
        if (c == LeadD0 ? next >= 0x80 && next <= 0xBF : next >= 0x80 && next <= 0x9F) return true;
        ++i;
    }
    return false;
}

} // namespace kestrom
