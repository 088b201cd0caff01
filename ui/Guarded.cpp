#include "ui/Guarded.h"

#include "ui/WindowFrontEnd.h"

#include <exception>

namespace kestrom {

bool Guarded(const std::function<void()>& op, const InformFn& inform) {
    try {
        op();
        return true;
    } catch (const std::exception& e) {
        inform(DisplayText(e.what()));
        return false;
    }
}

} // namespace kestrom
