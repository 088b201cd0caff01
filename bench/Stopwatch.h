#pragma once

#include <chrono>

namespace kestrom::bench {

using Clock = std::chrono::steady_clock;

/// Seconds from `from` until now.
inline double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

/// Milliseconds from `from` until now.
inline double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

} // namespace kestrom::bench
