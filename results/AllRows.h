#pragma once

#include <cstddef>

namespace kestrom {

/// The row numbers 0 .. count-1 as a range for a range-based for loop, where
/// a list of chosen rows would go (a plain counter: every compiler the
/// project builds with takes it, unlike std::views::iota under clang 14).
class AllRows {
  public:
    class Iterator {
      public:
        explicit Iterator(std::size_t row) : row_(row) {}
        std::size_t operator*() const { return row_; }
        Iterator& operator++() {
            ++row_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return row_ != other.row_; }

      private:
        std::size_t row_;
    };

    explicit AllRows(std::size_t count) : count_(count) {}
    Iterator begin() const { return Iterator(0); }
    Iterator end() const { return Iterator(count_); }
    std::size_t size() const { return count_; }
    std::size_t operator[](std::size_t i) const { return i; }

  private:
    std::size_t count_;
};

} // namespace kestrom
