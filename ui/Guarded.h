#pragma once

#include <QString>

#include <functional>

namespace kestrom {

/// Where a part of the window shows an information message (a message box,
/// or what a test put there).
using InformFn = std::function<void(const QString&)>;

/// Runs a settings operation. Its failure is shown through inform and ends
/// the command: false is returned and what the operation wrote stays written.
bool Guarded(const std::function<void()>& op, const InformFn& inform);

} // namespace kestrom
