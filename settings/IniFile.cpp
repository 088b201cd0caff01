#include "settings/IniFile.h"

#include "base/Cp1251.h"
#include "settings/CommaText.h"
#include "settings/IniText.h"
#include "settings/SettingsError.h"
#include "settings/WholeFile.h"

#include <charconv>
#include <cstdint>

namespace kestrom {

namespace {

std::optional<int> ParseHex(std::string_view digits) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc() || end != digits.data() + digits.size() || value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

std::optional<int> ParseDecimal(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

} // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseHex(text.substr(2));
    return ParseDecimal(text);
}

std::optional<std::string> IniFile::ReadValue(std::string_view section,
                                              std::string_view key) const {
    const std::optional<std::string> bytes = ReadWholeFile(fileName_);
    if (!bytes) return std::nullopt;
    std::optional<std::string> value =
        FindIniValue(*bytes, Utf8ToCp1251(section), Utf8ToCp1251(key));
    if (!value) return std::nullopt;
    if (value->size() > MaxValueLength) value->resize(MaxValueLength);
    return Cp1251ToUtf8(*value);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    std::optional<std::string> value = ReadValue(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const std::optional<std::string> value = ReadValue(section, key);
    if (!value) return defaultValue;
    return ParseIniInteger(*value).value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> IniFile::ReadList(std::string_view section, std::string_view key,
                                           const std::vector<std::string>& defaultValue) const {
    const std::optional<std::string> value = ReadValue(section, key);
    return value ? SplitCommaText(*value) : defaultValue;
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) const {
    const std::string old = ReadWholeFile(fileName_).value_or(std::string());
    const std::string text =
        SetIniValue(old, Utf8ToCp1251(section), Utf8ToCp1251(key), Utf8ToCp1251(value));
    if (ReplaceWholeFile(fileName_, text)) throw SettingsError("Unable to write to " + fileName_);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) const {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) const {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteList(std::string_view section, std::string_view key,
                        const std::vector<std::string>& items) const {
    WriteString(section, key, JoinCommaText(items));
}

} // namespace kestrom
