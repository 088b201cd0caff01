#include "archive/ArchiveText.h"

#include "base/Cp1251.h"

#include <cstdint>

namespace kestrom {

namespace {

bool IsContinuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// The length of the well-formed sequence at s[i] (no overlong form, no
// surrogate, nothing above U+10FFFF), 0 when there is none.
std::size_t SequenceLength(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(s[i + k]); };
    const std::uint8_t b = at(0);
    if (b >= 0x01 && b < 0x80) return 1;
    std::size_t len = 0;
    std::uint8_t low = 0x80, high = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - i < len || at(1) < low || at(1) > high) return 0;
    for (std::size_t k = 2; k < len; ++k)
        if (!IsContinuation(at(k))) return 0;
    return len;
}

bool IsPlainAscii(std::string_view bytes) {
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b == 0 || b >= 0x80) return false;
    }
    return true;
}

} // namespace

bool IsArchiveUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = SequenceLength(bytes, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

void AppendArchiveText(std::string& out, std::string_view bytes) {
    if (IsPlainAscii(bytes)) {
        out.append(bytes);
        return;
    }
    for (char c : bytes)
        out += c == '\0' ? std::string("?") : Cp1251ToUtf8(std::string_view(&c, 1));
}

} // namespace kestrom
