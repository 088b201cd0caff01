#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace kestrom {

/// A regular expression (Perl syntax, UTF-8 texts) compiled once, and to
/// machine code where the platform allows, for searching many texts.
///
/// A search uses match memory held by the pattern: one pattern searches in
/// one thread at a time.
class RegexPattern {
  public:
    /// The compiled pattern, or the Russian message that says why it is
    /// none ("Ошибка в регулярном выражении: ...").
    static std::variant<RegexPattern, std::string> Compile(std::string_view pattern);

    RegexPattern(RegexPattern&&) noexcept;
    RegexPattern& operator=(RegexPattern&&) noexcept;
    ~RegexPattern();

    /// True when the pattern matches anywhere in text. A text that is not
    /// valid UTF-8 matches nothing.
    bool Search(std::string_view text) const;

  private:
    struct Compiled;
    explicit RegexPattern(std::unique_ptr<Compiled> compiled);

    std::unique_ptr<Compiled> compiled_;
};

} // namespace kestrom
