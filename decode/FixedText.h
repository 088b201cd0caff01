#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrom {

/// A text of at most N single-byte characters held in place, without heap
/// allocation: the decoder fills several of these for every call record.
template <std::size_t N> class FixedText {
  public:
    static constexpr std::size_t Capacity = N;

    void clear() { len_ = 0; }
    /// Appends one character; a character beyond the capacity is dropped.
    void push(char c) {
        if (len_ < N) buf_[len_++] = c;
    }
    void assign(std::string_view s) {
        len_ = 0;
        for (char c : s)
            push(c);
    }
    std::size_t size() const { return len_; }
    bool empty() const { return len_ == 0; }
    const char* data() const { return buf_; }
    std::string_view view() const { return {buf_, len_}; }
    std::string str() const { return std::string(view()); }
    bool operator==(std::string_view s) const { return view() == s; }

  private:
    char buf_[N]{};
    std::size_t len_ = 0;
};

} // namespace kestrom
