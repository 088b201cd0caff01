#include "results/RegexPattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <array>

namespace kestrom {

struct RegexPattern::Compiled {
    pcre2_code* code = nullptr;
    pcre2_match_data* match = nullptr;

    Compiled() = default;
    Compiled(const Compiled&) = delete;
    Compiled& operator=(const Compiled&) = delete;
    ~Compiled() {
        pcre2_match_data_free(match);
        pcre2_code_free(code);
    }
};

std::variant<RegexPattern, std::string> RegexPattern::Compile(std::string_view pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    auto compiled = std::make_unique<Compiled>();
    compiled->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   PCRE2_UTF | PCRE2_UCP, &error, &offset, nullptr);
    if (!compiled->code) {
        std::array<PCRE2_UCHAR, 256> text{};
        const int length = pcre2_get_error_message(error, text.data(), text.size());
        std::string message = "Ошибка в регулярном выражении: ";
        if (length > 0)
            message.append(reinterpret_cast<const char*>(text.data()),
                           static_cast<std::size_t>(length));
        message.append(" (позиция ").append(std::to_string(offset + 1)).append(")");
        return message;
    }
    // Without machine code the pattern is interpreted; both give the same matches.
    pcre2_jit_compile(compiled->code, PCRE2_JIT_COMPLETE);
    compiled->match = pcre2_match_data_create_from_pattern(compiled->code, nullptr);
    if (!compiled->match) return std::string("Ошибка в регулярном выражении: не хватает памяти");
    return RegexPattern(std::move(compiled));
}

RegexPattern::RegexPattern(std::unique_ptr<Compiled> compiled) : compiled_(std::move(compiled)) {}
RegexPattern::RegexPattern(RegexPattern&&) noexcept = default;
RegexPattern& RegexPattern::operator=(RegexPattern&&) noexcept = default;
RegexPattern::~RegexPattern() = default;

bool RegexPattern::Search(std::string_view text) const {
    // An empty view may have no data at all; the engine wants an address.
    const char* subject = text.empty() ? "" : text.data();
    return pcre2_match(compiled_->code, reinterpret_cast<PCRE2_SPTR>(subject), text.size(), 0, 0,
                       compiled_->match, nullptr) >= 0;
}

} // namespace kestrom
