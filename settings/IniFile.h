#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrom {

/// An integer in the form the INI file stores it: decimal with an optional
/// sign, or "0x"/"0X" and a hexadecimal number of at most 32 bits (so
/// 0xFFFFFFFF is -1); nullopt for anything else, an empty text included.
std::optional<int> ParseIniInteger(std::string_view text);

/// One INI file, read and written key by key: every call opens the file, reads
/// or changes one key and closes it again, so nothing is held between calls.
/// Names and texts are UTF-8 here and Windows-1251 in the file. A missing key
/// reads as the given default; a present key with an empty value reads as
/// empty text or an empty list, but as the default for booleans and integers.
class IniFile {
  public:
    /// Longest text read from a value, in characters.
    static constexpr std::size_t MaxValueLength = 2047;

    explicit IniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    const std::string& FileName() const { return fileName_; }

    /// The value, cut to MaxValueLength; nullopt when the file, the section or
    /// the key is absent.
    std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    /// A value that is not an integer reads as the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    /// Read as an integer; any integer other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    /// A comma text (see SplitCommaText).
    std::vector<std::string> ReadList(std::string_view section, std::string_view key,
                                      const std::vector<std::string>& defaultValue) const;

    // Each write changes only this key's value and creates the file if needed;
    // a failure throws SettingsError "Unable to write to <file name>".
    void WriteString(std::string_view section, std::string_view key, std::string_view value) const;
    void WriteInteger(std::string_view section, std::string_view key, int value) const;
    void WriteBool(std::string_view section, std::string_view key, bool value) const;
    void WriteList(std::string_view section, std::string_view key,
                   const std::vector<std::string>& items) const;

  private:
    std::string fileName_;
};

} // namespace kestrom
