#pragma once

namespace kestrom {

/// The points where a long operation of the core lets the front end process
/// its pending events (the window repaints, the cancel button is seen).
/// A plain function pointer: when the front end has nothing to do the call
/// costs next to nothing, and the console passes none at all.
struct YieldHook {
    void (*fn)(void*) = nullptr;
    void* ctx = nullptr;

    void operator()() const {
        if (fn) fn(ctx);
    }
};

} // namespace kestrom
